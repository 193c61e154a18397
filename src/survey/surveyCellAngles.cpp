#include "survey/surveyCellAngles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "survey/surveyCellLines.h"

namespace {

using bgMultiPolygon = bg::model::multi_polygon<bgPolygon>;

// Seconds to fly the cells' lines back and forth: each line under way, a surfacing at the
// end of each of its legs, and the short transit to the next line with its surfacing; a
// cell after the first costs a transit to reach it.
double secondsOf(const std::vector<cell>& cells, double maxLegMeters, const surveyCosts& costs) {
  double seconds = 0;
  for (const cell& c : cells) {
    for (const piece& p : c.lines) {
      const double meters = p.to - p.from;
      seconds += (meters + c.spacing) / costs.metersPerSecond +
                 (std::ceil(meters / maxLegMeters) + 1) * costs.surfacingSeconds;
    }
  }
  if (cells.size() > 1) seconds += static_cast<double>(cells.size() - 1) * 2 * costs.surfacingSeconds;
  return seconds;
}

// The area between two levels across the lines, in its parts, each with its bounds.
struct bandParts {
  double lo = 0, hi = 0;
  bool cut = false;
  bgMultiPolygon parts;
  std::vector<bgBox> bounds;
};

// A level clear of every vertex of the area by more than a tenth of a micrometre, at or
// just above `level`: no vertex then lies on it, so every edge that reaches it crosses it.
double clearLevel(const bgPolygon& polygon, double level) {
  const auto hits = [&](const bgRing& ring) {
    return std::any_of(ring.begin(), ring.end(), [&](const bgPoint& p) { return std::fabs(p.y() - level) < 1e-7; });
  };
  for (int tries = 0; tries < 100; ++tries) {
    if (!hits(polygon.outer()) &&
        std::none_of(polygon.inners().begin(), polygon.inners().end(), [&](const bgRing& r) { return hits(r); })) {
      break;
    }
    level += 1e-6;
  }
  return level;
}

// The area between the levels lo and hi across the lines, in its parts: each ring is
// walked once and cut into the runs of it that lie between the levels, and each run that
// leaves the band is joined to the run that comes back in next along the same level, to
// the east along the lower level and to the west along the upper (the area lies to the
// left of every ring). Linear in the vertices but for sorting the crossings, where a
// general cut of a comb against a box grows with the square of its teeth. False when the
// crossings do not pair up as they must.
bool cutBand(const bgPolygon& polygon, double lo, double hi, bgMultiPolygon& parts) {
  lo = clearLevel(polygon, lo);
  hi = clearLevel(polygon, hi);
  if (!(lo < hi)) return true;
  struct crossing {
    double x;
    bool entry;
    size_t run;
  };
  std::vector<std::vector<bgPoint>> runs;
  std::vector<crossing> below, above;  // on the lower level, the upper
  std::vector<const bgRing*> holesWithin;
  const auto inBand = [&](const bgPoint& p) { return p.y() > lo && p.y() < hi; };
  const auto cross = [&](const bgRing& ring, bool outer) {
    const size_t n = ring.size() - 1;  // closed: the last point repeats the first
    size_t start = n;
    for (size_t i = 0; i < n && start == n; ++i) {
      if (!inBand(ring[i])) start = i;
    }
    if (start == n) {
      if (outer) {
        parts.emplace_back().outer() = ring;
      } else {
        holesWithin.push_back(&ring);
      }
      return;
    }
    for (size_t k = 0; k < n; ++k) {
      const bgPoint& a = ring[(start + k) % n];
      const bgPoint& b = ring[(start + k + 1) % n];
      // The levels the edge crosses, in the order it meets them.
      double levels[2];
      int count = 0;
      const bool up = b.y() > a.y();
      for (const double level : up ? std::array<double, 2>{lo, hi} : std::array<double, 2>{hi, lo}) {
        if ((a.y() < level) != (b.y() < level)) levels[count++] = level;
      }
      for (int c = 0; c < count; ++c) {
        const double level = levels[c];
        const bgPoint at(a.x() + (level - a.y()) * (b.x() - a.x()) / (b.y() - a.y()), level);
        // Going up through the lower level or down through the upper enters the band.
        const bool entry = (level == lo) == up;
        if (entry) runs.emplace_back();
        if (runs.empty()) return;  // cannot happen: the walk starts outside the band
        runs.back().push_back(at);
        (level == lo ? below : above).push_back({at.x(), entry, runs.size() - 1});
      }
      if (inBand(b)) runs.back().push_back(b);
    }
  };
  cross(polygon.outer(), true);
  for (const bgRing& hole : polygon.inners()) cross(hole, false);
  // Each run's end leads to the run that the level brings it to.
  std::vector<size_t> next(runs.size(), runs.size());
  for (auto* level : {&below, &above}) {
    std::sort(level->begin(), level->end(), [](const crossing& a, const crossing& b) { return a.x < b.x; });
    const bool east = level == &below;
    for (size_t i = 0; i < level->size(); ++i) {
      const crossing& c = (*level)[i];
      if (c.entry) continue;
      const size_t j = east ? i + 1 : i - 1;
      if ((east && j >= level->size()) || (!east && i == 0) || !(*level)[j].entry) return false;
      next[c.run] = (*level)[j].run;
    }
  }
  std::vector<bool> used(runs.size(), false);
  for (size_t first = 0; first < runs.size(); ++first) {
    if (used[first]) continue;
    bgRing ring;
    for (size_t r = first; !used[r];) {
      used[r] = true;
      ring.insert(ring.end(), runs[r].begin(), runs[r].end());
      r = next[r];
      if (r == runs.size()) return false;
    }
    ring.push_back(ring.front());
    parts.emplace_back().outer() = std::move(ring);
  }
  for (const bgRing* hole : holesWithin) {
    for (bgPolygon& part : parts) {
      if (bg::within(hole->front(), part.outer())) {
        part.inners().push_back(*hole);
        break;
      }
    }
  }
  return true;
}

// The part of the area the cell covers, in the area's plane: the area between the levels
// where the cell ends, the piece of it that holds the cell's middle line. Cells side by
// side between the same levels (the teeth of a comb crossed by the lines, which follow
// one another) share the area between them, cut from the whole area once.
bool cellArea(const projectedArea& area, const sweepSet& sweeps, const cell& c, bandParts& band, projectedArea& out) {
  const piece& middle = c.lines[c.lines.size() / 2];
  if (!band.cut || band.lo != c.lo || band.hi != c.hi) {
    // A centimetre short of the cuts: a band that ends on an edge of the area (the back of
    // a comb) would join the parts beyond it by slivers of no width, and one cell would
    // take the lines of its neighbours too.
    const bgBox levels(bgPoint(sweeps.uMin - 1, vOf(c.lo) + 0.01), bgPoint(sweeps.uMax + 1, vOf(c.hi) - 0.01));
    band.lo = c.lo, band.hi = c.hi, band.cut = true;
    band.parts.clear();
    band.bounds.clear();
    if (!cutBand(sweeps.polygon, levels.min_corner().y(), levels.max_corner().y(), band.parts)) {
      band.parts.clear();
      bg::intersection(sweeps.polygon, levels, band.parts);
    }
    for (const bgPolygon& part : band.parts) band.bounds.push_back(bg::return_envelope<bgBox>(part));
  }
  const bgPoint inside((middle.from + middle.to) / 2, middle.v);
  const lineFrame turn(c.angle);
  for (size_t k = 0; k < band.parts.size(); ++k) {
    const bgPolygon& part = band.parts[k];
    if (!bg::covered_by(inside, band.bounds[k]) || !bg::covered_by(inside, part)) continue;
    out.frame = area.frame;
    out.rings.clear();
    const auto add = [&](const bgRing& ring) {
      out.rings.emplace_back();
      for (size_t i = 0; i + 1 < ring.size(); ++i)
        out.rings.back().push_back(turn.fromLine({ring[i].x(), ring[i].y()}));
    };
    add(part.outer());
    for (const bgRing& hole : part.inners()) add(hole);
    return out.rings.front().size() >= 3;
  }
  return false;
}

}  // namespace

void turnCells(const projectedArea& area, const sweepSet& sweeps, double spacing, long maxLines, double maxLegMeters,
               const surveyCosts& costs, std::vector<cell>& cells) {
  std::vector<cell> turned;
  bandParts band;
  for (cell& c : cells) {
    projectedArea part{area.frame, {}, 0, 0};
    // A cell of one or two lines has nothing to gain.
    if (c.lines.size() < 3 || !cellArea(area, sweeps, c, band, part)) {
      turned.push_back(std::move(c));
      continue;
    }
    const double square = std::fmod(c.angle + 90, 180);
    const sweepSet across = laySweeps(part, square, spacing, 0, maxLines);
    std::vector<cell> instead = formCells(across);
    relayCells(across, spacing, instead);
    if (!instead.empty() && secondsOf(instead, maxLegMeters, costs) < secondsOf({c}, maxLegMeters, costs)) {
      for (cell& other : instead) turned.push_back(std::move(other));
    } else {
      turned.push_back(std::move(c));
    }
  }
  cells = std::move(turned);
}
