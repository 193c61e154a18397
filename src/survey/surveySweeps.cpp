#include "survey/surveySweeps.h"

#include <algorithm>
#include <string>

// The stretches of the line at level v inside the area, boundary included: where the
// crossings of the boundary, taken in order along the line, go in and out. An edge is
// crossed when its ends lie on either side of the line; taken once with its ends at the
// line counted below it and once counted above, so that a line along an edge (the top or
// the bottom of the area) keeps that edge. Linear in the edges, a few nanoseconds each:
// the layout clips every line of every angle it tries.
std::vector<std::pair<double, double>> clipAt(const sweepSet& set, double v) {
  std::vector<std::pair<double, double>> found;
  std::vector<double> xs;
  for (const bool atLineAbove : {false, true}) {
    xs.clear();
    for (const auto& [a, b] : set.edges) {
      const bool aAbove = atLineAbove ? a.y >= v : a.y > v;
      const bool bAbove = atLineAbove ? b.y >= v : b.y > v;
      if (aAbove != bAbove) xs.push_back(a.x + (v - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(xs.begin(), xs.end());
    for (size_t i = 0; i + 1 < xs.size(); i += 2) found.emplace_back(xs[i], xs[i + 1]);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::pair<double, double>> merged;
  for (const auto& f : found) {
    // Stretches that meet at a point of a boundary (a corner of a hole on the line) are one.
    if (!merged.empty() && f.first - merged.back().second <= areaIndex::tolerance) {
      merged.back().second = std::max(merged.back().second, f.second);
    } else {
      merged.push_back(f);
    }
  }
  return merged;
}

sweepSet laySweeps(const projectedArea& area, double angle, double spacing, int count, long maxLines) {
  const lineFrame turn(angle);
  sweepSet set;
  set.angle = angle;
  std::vector<std::vector<planePoint>> rings;
  double phiMin = HUGE_VAL, phiMax = -HUGE_VAL;
  set.uMin = HUGE_VAL, set.uMax = -HUGE_VAL;
  for (const auto& ring : area.rings) {
    rings.emplace_back();
    for (const planePoint& p : ring) {
      const planePoint t = turn.toLine(p);
      rings.back().push_back(t);
      phiMin = std::min(phiMin, phiOf(t.y));
      phiMax = std::max(phiMax, phiOf(t.y));
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
