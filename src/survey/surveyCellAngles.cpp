#include "survey/surveyCellAngles.h"

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

// The area with the vertices inside each run of vertices above `high`, or below `low`,
// left out: the edge that takes their place stays on the same side, so that the area
// between the two levels is the same, cut from the same edges at the same points, and a
// comb's thousands of vertices outside the band are not cut again for every cell. Only an
// area without holes: with holes the cut looks for crossings among the area's own edges,
// which the edges put in their place may add.
bgPolygon nearLevels(const bgPolygon& polygon, double low, double high) {
  const bgRing& ring = polygon.outer();
  const size_t n = ring.size() - 1;  // closed: the last point repeats the first
  if (!polygon.inners().empty() || n < 3) return polygon;
  const auto side = [&](size_t i) {
    const double y = ring[i % n].y();
    return y > high ? 1 : y < low ? -1 : 0;
  };
  bgPolygon kept;
  for (size_t i = 0; i < n; ++i) {
    const int here = side(i);
    if (here == 0 || side(i + n - 1) != here || side(i + 1) != here) kept.outer().push_back(ring[i]);
  }
  if (kept.outer().size() < 3) return polygon;
  kept.outer().push_back(kept.outer().front());
  return kept;
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
    bg::intersection(nearLevels(sweeps.polygon, levels.min_corner().y(), levels.max_corner().y()), levels, band.parts);
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
