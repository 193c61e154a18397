#include "survey/surveyBoundary.h"

#include <algorithm>
#include <cmath>

#include "survey/surveyGeometry.h"

namespace {

using bgMultiPolygon = bg::model::multi_polygon<bgPolygon>;

// The ring's vertices, without the closing repeat, when every leg of it stays inside.
std::vector<planePoint> loopOf(const bgRing& ring, double tolerance, const areaIndex& index) {
  bgRing simple;
  bg::simplify(ring, simple, tolerance);
  std::vector<planePoint> loop;
  for (size_t i = 0; i + 1 < simple.size(); ++i) loop.push_back({simple[i].x(), simple[i].y()});
  if (loop.size() < 3) return {};
  for (size_t i = 0; i < loop.size(); ++i) {
    if (!index.legInside(loop[i], loop[(i + 1) % loop.size()])) return {};
  }
  return loop;
}

// The part of `polygon` farther than `inset` from its boundary; mitred corners, so that an
// inside corner of the area stays one corner of the pass, not an arc of legs each ending at
// a surfacing.
bgMultiPolygon eroded(const bgPolygon& polygon, double inset) {
  bgMultiPolygon moved;
  bg::buffer(polygon, moved, bg::strategy::buffer::distance_symmetric<double>(-inset),
             bg::strategy::buffer::side_straight(), bg::strategy::buffer::join_miter(),
             bg::strategy::buffer::end_flat(), bg::strategy::buffer::point_circle(8));
  return moved;
}

void addLoops(const bgPolygon& part, double tolerance, const areaIndex& index,
              std::vector<std::vector<planePoint>>& loops) {
  std::vector<planePoint> loop = loopOf(part.outer(), tolerance, index);
  if (!loop.empty()) loops.push_back(std::move(loop));
  for (const bgRing& hole : part.inners()) {
    loop = loopOf(hole, tolerance, index);
    if (!loop.empty()) loops.push_back(std::move(loop));
  }
}

}  // namespace

std::vector<std::vector<planePoint>> ringsInward(const projectedArea& area, double firstInset, double step,
                                                 double reach, double tolerance, size_t mostLegs) {
  const areaIndex index(area.rings);
  std::vector<std::vector<planePoint>> loops;
  size_t legs = 0;
  std::vector<bgPolygon> parts;
  for (bgPolygon& part : eroded(toPolygon(area.rings), firstInset)) parts.push_back(std::move(part));
  while (!parts.empty()) {
    const bgPolygon part = std::move(parts.back());
    parts.pop_back();
    addLoops(part, tolerance, index, loops);
    legs = 0;
    for (const auto& loop : loops) legs += loop.size();
    if (legs > mostLegs) return {};
    bgMultiPolygon inner = eroded(part, step);
    if (inner.empty()) {
      // The part ends before the next pass: its middle, beyond the reach of this pass's
      // swath, takes one more pass as far in as the part goes.
      double lo = 0, hi = step;
      for (int k = 0; k < 8; ++k) {
        const double mid = (lo + hi) / 2;
        (eroded(part, mid).empty() ? hi : lo) = mid;
      }
      // The pass lies `reach` either side of the middle, so that its swaths meet there.
      if (lo > reach) inner = eroded(part, std::max(lo - reach, 0.5 * lo));
      for (const bgPolygon& last : inner) addLoops(last, tolerance, index, loops);
      continue;
    }
    for (bgPolygon& next : inner) parts.push_back(std::move(next));
  }
  return loops;
}

std::vector<std::vector<planePoint>> boundaryPasses(const projectedArea& area, double inset, double tolerance) {
  const areaIndex index(area.rings);
  std::vector<std::vector<planePoint>> loops;
  for (const bgPolygon& part : eroded(toPolygon(area.rings), inset)) {
    // A part too small to turn in is left to the lines across it.
    if (std::fabs(bg::area(part)) >= inset * inset) addLoops(part, tolerance, index, loops);
  }
  return loops;
}

std::vector<projectedArea> keptOff(const projectedArea& area, double margin, double leastSquareMeters) {
  std::vector<projectedArea> parts;
  for (const bgPolygon& part : eroded(toPolygon(area.rings), margin)) {
    if (std::fabs(bg::area(part)) < leastSquareMeters) continue;
    projectedArea kept{area.frame, {}, area.longAxis, area.spanMeters};
    const auto add = [&kept](const bgRing& ring) {
      // The closing vertex dropped, and vertices the erosion left within a millimetre of the
      // last kept, which the layout would take for one.
      std::vector<planePoint> vertices;
      for (size_t i = 0; i + 1 < ring.size(); ++i) {
        const planePoint p{ring[i].x(), ring[i].y()};
        if (vertices.empty() || length(p - vertices.back()) > areaToleranceMeters) vertices.push_back(p);
      }
      while (vertices.size() > 1 && length(vertices.front() - vertices.back()) <= areaToleranceMeters) {
        vertices.pop_back();
      }
      if (vertices.size() >= 3) kept.rings.push_back(std::move(vertices));
    };
    add(part.outer());
    if (kept.rings.empty()) continue;
    for (const bgRing& hole : part.inners()) add(hole);
    parts.push_back(std::move(kept));
  }
  return parts;
}
