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

// The part of the area the cell covers, in the area's plane: the area between the levels
// where the cell ends, the piece of it that holds the cell's middle line.
bool cellArea(const projectedArea& area, const sweepSet& sweeps, const cell& c, projectedArea& out) {
  const piece& middle = c.lines[c.lines.size() / 2];
  // A centimetre short of the cuts: a band that ends on an edge of the area (the back of a
  // comb) would join the parts beyond it by slivers of no width, and one cell would take
  // the lines of its neighbours too.
  const bgBox band(bgPoint(sweeps.uMin - 1, vOf(c.lo) + 0.01), bgPoint(sweeps.uMax + 1, vOf(c.hi) - 0.01));
  bgMultiPolygon parts;
  bg::intersection(sweeps.polygon, band, parts);
  const lineFrame turn(c.angle);
  for (const bgPolygon& part : parts) {
    if (!bg::covered_by(bgPoint((middle.from + middle.to) / 2, middle.v), part)) continue;
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
  for (cell& c : cells) {
    projectedArea part{area.frame, {}, 0, 0};
    // A cell of one or two lines has nothing to gain.
    if (c.lines.size() < 3 || !cellArea(area, sweeps, c, part)) {
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
