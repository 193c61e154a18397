#include "survey/surveySweeps.h"

#include <algorithm>
#include <iterator>
#include <string>

// Bands of levels, each listing the edges that reach into it: as many bands as keep the
// lists to about eight entries an edge in all, so that a line is clipped against the edges
// near its level, not the whole boundary, and the index stays linear in the edges. No more
// bands than the lines to clip call for: a circle of 10^5 vertices crossed by 150 lines
// would otherwise fill and empty hundreds of thousands of bands for every angle tried, where
// each of a few thousand bands holds a few dozen edges.
void indexEdges(sweepSet& set, double lines) {
  double low = HUGE_VAL, high = -HUGE_VAL, spans = 0;
  for (const auto& [a, b] : set.edges) {
    low = std::min({low, a.y, b.y}), high = std::max({high, a.y, b.y});
    spans += std::fabs(b.y - a.y);
  }
  const double n = static_cast<double>(set.edges.size());
  double bands = 1;
  if (n > 0 && high > low) {
    // spans / height + n entries at most; the height that keeps that near 8 n.
    bands = std::clamp(std::floor(spans > 0 ? (high - low) * 7 * n / spans : 8 * n), 1.0, 8 * n);
    bands = std::max(1.0, std::min(bands, std::floor(std::sqrt(16 * n * lines))));
  }
  set.bandLow = n > 0 ? low : 0;
  set.bandHeight = high > low ? (high - low) / bands : 1;
  const size_t count = static_cast<size_t>(bands);
  const auto bandOf = [&](double y) {
    const double at = std::floor((y - set.bandLow) / set.bandHeight);
    return at < 0 ? size_t{0} : at >= bands ? count - 1 : static_cast<size_t>(at);
  };
  set.edgesAt.assign(count + 1, 0);
  for (const auto& [a, b] : set.edges) {
    for (size_t k = bandOf(std::min(a.y, b.y)); k <= bandOf(std::max(a.y, b.y)); ++k) ++set.edgesAt[k + 1];
  }
  for (size_t k = 0; k < count; ++k) set.edgesAt[k + 1] += set.edgesAt[k];
  set.edgeList.resize(set.edgesAt[count]);
  std::vector<size_t> next(set.edgesAt.begin(), set.edgesAt.end() - 1);
  for (size_t e = 0; e < set.edges.size(); ++e) {
    const auto& [a, b] = set.edges[e];
    for (size_t k = bandOf(std::min(a.y, b.y)); k <= bandOf(std::max(a.y, b.y)); ++k) {
      set.edgeList[next[k]++] = static_cast<unsigned>(e);
    }
  }
}

namespace {

// Where the line at level v crosses the edge a-b; the near clip and the whole clip find the
// same crossings to the bit through it.
double crossingAt(planePoint a, planePoint b, double v) { return a.x + (v - a.y) * (b.x - a.x) / (b.y - a.y); }

// Stretches in order with those that meet at a point of a boundary (a corner of a hole on
// the line) made one.
void joinTouching(const std::vector<std::pair<double, double>>& found, std::vector<std::pair<double, double>>& merged) {
  merged.clear();
  for (const auto& f : found) {
    if (!merged.empty() && f.first - merged.back().second <= areaIndex::tolerance) {
      merged.back().second = std::max(merged.back().second, f.second);
    } else {
      merged.push_back(f);
    }
  }
}

}  // namespace

// The stretches of the line at level v inside the area, boundary included: where the
// crossings of the boundary, taken in order along the line, go in and out. An edge is
// crossed when its ends lie on either side of the line; taken once with its ends at the
// line counted below it and once counted above, so that a line along an edge (the top or
// the bottom of the area) keeps that edge. Linear in the edges, a few nanoseconds each:
// the layout clips every line of every angle it tries.
std::vector<std::pair<double, double>> clipAt(const sweepSet& set, double v) {
  std::vector<std::pair<double, double>> found;
  std::vector<double> xs;
  const double at = std::floor((v - set.bandLow) / set.bandHeight);
  const size_t bands = set.edgesAt.size() - 1;
  const size_t band = at < 0 ? 0 : at >= static_cast<double>(bands) ? bands - 1 : static_cast<size_t>(at);
  bool onVertex = false;  // a vertex on the line: only then do the two countings differ
  for (const bool atLineAbove : {false, true}) {
    if (atLineAbove && !onVertex) break;
    xs.clear();
    for (size_t k = set.edgesAt[band]; k < set.edgesAt[band + 1]; ++k) {
      const auto& [a, b] = set.edges[set.edgeList[k]];
      onVertex = onVertex || a.y == v;
      const bool aAbove = atLineAbove ? a.y >= v : a.y > v;
      const bool bAbove = atLineAbove ? b.y >= v : b.y > v;
      if (aAbove != bAbove) xs.push_back(crossingAt(a, b, v));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) found.emplace_back(xs[i], xs[i + 1]);
  }
  if (onVertex) std::sort(found.begin(), found.end());
  std::vector<std::pair<double, double>> merged;
  joinTouching(found, merged);
  return merged;
}

namespace {

// Of the stretches of a line, in order, those a line between from and to may be laid
// along: the last that ends before `from` to the first that begins after `to`.
std::vector<std::pair<double, double>> aroundIn(const std::vector<std::pair<double, double>>& all, double from,
                                                double to) {
  auto first = std::lower_bound(all.begin(), all.end(), from,
                                [](const std::pair<double, double>& s, double x) { return s.second < x; });
  if (first != all.begin()) --first;
  auto last =
      std::upper_bound(first, all.end(), to, [](double x, const std::pair<double, double>& s) { return x < s.first; });
  if (last != all.end()) ++last;
  return {first, last};
}

}  // namespace

// Squares a spacing wide, or wider where the boundary is so long that there would be more
// than about ten of them an edge.
nearClips::nearClips(const sweepSet& set, bool many) : set_(set) {
  if (!many || set.edges.empty()) return;
  double length = 0, vHigh = -HUGE_VAL;
  vLow_ = HUGE_VAL;
  for (const auto& [a, b] : set.edges) {
    length += std::hypot(b.x - a.x, b.y - a.y);
    vLow_ = std::min(vLow_, a.y), vHigh = std::max(vHigh, a.y);
  }
  uLow_ = set.uMin - 1;
  side_ = std::max({1e-3, set.spacing, length / (8 * static_cast<double>(set.edges.size())), 1e-3 * (vHigh - vLow_),
                    1e-3 * (set.uMax - set.uMin)});
  columns_ = static_cast<std::uint64_t>((set.uMax + 1 - uLow_) / side_) + 1;
  rows_ = static_cast<std::uint64_t>((vHigh - vLow_) / side_) + 1;
  // Where an edge crosses a row, widened by a margin far above the rounding of the
  // crossings and far below anything surveyed.
  const double margin = areaIndex::tolerance;
  for (unsigned e = 0; e < set.edges.size(); ++e) {
    const auto& [a, b] = set.edges[e];
    const planePoint lowEnd = a.y <= b.y ? a : b, highEnd = a.y <= b.y ? b : a;
    const std::uint64_t firstRow = square(lowEnd.x, lowEnd.y) / columns_;
    const std::uint64_t lastRow = square(highEnd.x, highEnd.y) / columns_;
    const auto uAt = [&](double v) {
      if (v <= lowEnd.y) return lowEnd.x;
      if (v >= highEnd.y) return highEnd.x;
      return lowEnd.x + (v - lowEnd.y) * (highEnd.x - lowEnd.x) / (highEnd.y - lowEnd.y);
    };
    for (std::uint64_t row = firstRow; row <= lastRow; ++row) {
      const double bottom = vLow_ + static_cast<double>(row) * side_;
      const double u0 = uAt(bottom), u1 = uAt(bottom + side_);
      const double mid = bottom + side_ / 2;
      const std::uint64_t c0 = square(std::min(u0, u1) - margin, mid) % columns_;
      const std::uint64_t c1 = square(std::max(u0, u1) + margin, mid) % columns_;
      for (std::uint64_t c = c0; c <= c1; ++c) squares_.emplace_back(row * columns_ + c, e);
    }
  }
  std::sort(squares_.begin(), squares_.end());
}

std::uint64_t nearClips::square(double u, double v) const {
  const auto clamp = [](double k, std::uint64_t count) {
    return k < 0 ? std::uint64_t{0} : k >= static_cast<double>(count) ? count - 1 : static_cast<std::uint64_t>(k);
  };
  return clamp(std::floor((v - vLow_) / side_), rows_) * columns_ + clamp(std::floor((u - uLow_) / side_), columns_);
}

// The line is clipped within a window about [from, to], each side widened until the
// stretches wanted lie whole inside it, or it reaches past the area. Whether the line is
// inside at the window's start is told by the first crossing in it, the area lying left of
// every edge: where an edge rises across the line, the line leaves the area. The crossings
// are those clipAt finds, through crossingAt, so the stretches are the same to the bit; where
// they do not go in and out in turn, the whole line is clipped.
std::vector<std::pair<double, double>> nearClips::around(double v, double from, double to) const {
  constexpr double open = HUGE_VAL;  // a stretch going on beyond the window
  const double tolerance = areaIndex::tolerance;
  std::vector<unsigned>& edges = scratch_.edges;
  std::vector<std::pair<double, bool>>& crossings = scratch_.crossings;
  std::vector<std::pair<double, double>>& found = scratch_.found;
  std::vector<std::pair<double, double>>& merged = scratch_.merged;
  double left = std::max(to - from, set_.spacing), right = left;
  while (!squares_.empty()) {
    const double x0 = from - left, x1 = to + right;
    const bool wholeLeft = x0 < set_.uMin - 1;
    const bool wholeRight = x1 > set_.uMax + 1;
    edges.clear();
    bool onVertex = false;
    const auto first = std::lower_bound(squares_.begin(), squares_.end(), std::make_pair(square(x0, v), 0u));
    const auto last = std::upper_bound(first, squares_.end(), std::make_pair(square(x1, v), ~0u));
    for (auto at = first; at != last; ++at) {
      edges.push_back(at->second);
      onVertex = onVertex || set_.edges[at->second][0].y == v || set_.edges[at->second][1].y == v;
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    found.clear();
    bool alternate = true;
    for (const bool atLineAbove : {false, true}) {
      if (atLineAbove && !onVertex) break;
      crossings.clear();
      for (const unsigned e : edges) {
        const auto& [a, b] = set_.edges[e];
        const bool aAbove = atLineAbove ? a.y >= v : a.y > v;
        const bool bAbove = atLineAbove ? b.y >= v : b.y > v;
        if (aAbove == bAbove) continue;
        const double x = crossingAt(a, b, v);
        if (x >= x0 && x <= x1) crossings.emplace_back(x, bAbove);
      }
      std::sort(crossings.begin(), crossings.end());
      for (size_t i = 0; i < crossings.size(); ++i) {
        const bool leaves = crossings[i].second;
        if (i > 0 && leaves == crossings[i - 1].second) alternate = false;
        if (leaves) {
          found.emplace_back(i == 0 ? -open : crossings[i - 1].first, crossings[i].first);
        } else if (i + 1 == crossings.size()) {
          found.emplace_back(crossings[i].first, open);
        }
      }
    }
    if (!alternate) break;
    std::sort(found.begin(), found.end());
    joinTouching(found, merged);
    // A side is done when the window reaches past the area there, or holds a stretch beyond
    // [from, to] whole, far enough from its edge that no stretch beyond could join it.
    const auto wanted = aroundIn(merged, from, to);
    const bool leftDone = wholeLeft || (!wanted.empty() && wanted.front().second < from &&
                                        wanted.front().first != -open && wanted.front().first > x0 + tolerance);
    const bool rightDone = wholeRight || (!wanted.empty() && wanted.back().first > to && wanted.back().second != open &&
                                          wanted.back().second < x1 - tolerance);
    if (leftDone && rightDone) {
      const auto whole = [](const std::pair<double, double>& s) { return s.first != -open && s.second != open; };
      if (std::all_of(wanted.begin(), wanted.end(), whole)) return wanted;
      break;
    }
    if (!leftDone) left *= 4;
    if (!rightDone) right *= 4;
  }
  return aroundIn(clipAt(set_, v), from, to);
}

sweepSet laySweeps(const projectedArea& area, double angle, double spacing, int count, long maxLines) {
  const lineFrame turn(angle);
  sweepSet set;
  set.angle = angle;
  std::vector<std::vector<planePoint>> rings;
  double phiMin = HUGE_VAL, phiMax = -HUGE_VAL;
  set.uMin = HUGE_VAL, set.uMax = -HUGE_VAL;
  size_t vertices = 0;
  for (const auto& ring : area.rings) vertices += ring.size();
  set.edges.reserve(vertices);
  for (const auto& ring : area.rings) {
    rings.emplace_back();
    rings.back().reserve(ring.size());
    for (const planePoint& p : ring) {
      const planePoint t = turn.toLine(p);
      rings.back().push_back(t);
      const double phi = phiOf(t.y);
      phiMin = std::min(phiMin, phi);
      phiMax = std::max(phiMax, phi);
      set.uMin = std::min(set.uMin, t.x);
      set.uMax = std::max(set.uMax, t.x);
    }
  }
  set.polygon = toPolygon(rings);
  const auto addEdges = [&set](const bgRing& ring) {
    for (size_t i = 0; i + 1 < ring.size(); ++i) {
      set.edges.push_back({planePoint{ring[i].x(), ring[i].y()}, planePoint{ring[i + 1].x(), ring[i + 1].y()}});
    }
  };
  addEdges(set.polygon.outer());
  for (const bgRing& inner : set.polygon.inners()) addEdges(inner);
  const double width = phiMax - phiMin;
  const double lines = count > 0 ? count : std::max(1.0, std::ceil(width / spacing - 1e-9));
  indexEdges(set, std::min(lines, static_cast<double>(maxLines)));
  if (lines > static_cast<double>(maxLines)) {
    throw surveyError(surveyFault::tooLarge, "the area is " + std::to_string(static_cast<long>(width)) +
                                                 " m wide: more than " + std::to_string(maxLines) +
                                                 " lines at this spacing; widen the spacing");
  }
  set.spacing = width / lines;
  for (const auto& r : rings) {
    for (size_t i = 0; i < r.size(); ++i) {
      const planePoint before = r[(i + r.size() - 1) % r.size()], at = r[i], after = r[(i + 1) % r.size()];
      // Edges within a few centimetres of level, or rising less than 1 in 50 and less than
      // half a spacing in all, count as level: a parallel of latitude (the top of a hole
      // drawn on a chart) is such an edge away from the centre, and each of its corners is
      // where a cell beside it ends. A longer rise is a slanted edge the lines step along.
      const auto level = [&](planePoint p) {
        return std::max(0.05, std::min(0.02 * std::fabs(p.x - at.x), set.spacing / 2));
      };
      if ((before.y >= at.y - level(before) && after.y >= at.y - level(after)) ||
          (before.y <= at.y + level(before) && after.y <= at.y + level(after))) {
        set.turns.push_back(at);
      }
    }
  }
  std::sort(set.turns.begin(), set.turns.end(), [](planePoint a, planePoint b) { return a.y < b.y; });
  for (int k = 0; k < static_cast<int>(lines); ++k) {
    set.across.push_back(vOf(phiMin + (k + 0.5) / lines * width));
    set.pieces.push_back(clipAt(set, set.across.back()));
  }
  return set;
}
