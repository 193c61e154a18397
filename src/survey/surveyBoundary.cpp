#include "survey/surveyBoundary.h"

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

}  // namespace

std::vector<std::vector<planePoint>> boundaryPasses(const projectedArea& area, double inset, double tolerance) {
  const bgPolygon polygon = toPolygon(area.rings);
  bgMultiPolygon moved;
  // Mitred corners: an inside corner of the area stays one corner of the pass, not an arc
  // of legs each ending at a surfacing.
  bg::buffer(polygon, moved, bg::strategy::buffer::distance_symmetric<double>(-inset),
             bg::strategy::buffer::side_straight(), bg::strategy::buffer::join_miter(),
             bg::strategy::buffer::end_flat(), bg::strategy::buffer::point_circle(8));
  const areaIndex index(area.rings);
  std::vector<std::vector<planePoint>> loops;
  for (const bgPolygon& part : moved) {
    // A part too small to turn in is left to the lines across it.
    if (std::fabs(bg::area(part)) < inset * inset) continue;
    std::vector<planePoint> loop = loopOf(part.outer(), tolerance, index);
    if (!loop.empty()) loops.push_back(std::move(loop));
    for (const bgRing& hole : part.inners()) {
      loop = loopOf(hole, tolerance, index);
      if (!loop.empty()) loops.push_back(std::move(loop));
    }
  }
  return loops;
}
