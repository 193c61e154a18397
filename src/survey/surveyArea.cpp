#include "survey/surveyArea.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "geo/sphere.h"
#include "survey/surveyGeometry.h"

namespace {

std::string ringName(int ring) { return ring == 0 ? "outer boundary" : "inner boundary " + std::to_string(ring); }
std::string kilometres(double metres) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f km", metres / 1000);
  return text;
}

// A vertex kept, with its number as the reader gave it (from 1).
struct vertex {
  latLon position;
  int given = 0;
};

// The vertices of one ring without repeats, the closing vertex included.
std::vector<vertex> distinctVertices(const areaRing& ring, int ringNumber) {
  std::vector<vertex> kept;
  for (size_t i = 0; i < ring.size(); ++i) {
    const latLon p = ring[i];
    if (!std::isfinite(p.lat) || !std::isfinite(p.lon) || std::fabs(p.lat) > 90 || std::fabs(p.lon) > 180) {
      throw surveyError(surveyFault::badPosition,
                        ringName(ringNumber) + ", vertex " + std::to_string(i + 1) +
                            ": not a position (latitude within -90..90, longitude within -180..180)",
                        ringNumber, static_cast<int>(i + 1));
    }
    if (kept.empty() || kept.back().position.lat != p.lat || kept.back().position.lon != p.lon) {
      kept.push_back({p, static_cast<int>(i + 1)});
    }
  }
  while (kept.size() > 1 && kept.back().position.lat == kept.front().position.lat &&
         kept.back().position.lon == kept.front().position.lon) {
    kept.pop_back();
  }
  return kept;
}

// The centre of the layout plane: the mean direction of the outer vertices. An area whose
// vertices spread too far for it is refused with the two vertices farthest apart.
vec3 centreOf(const std::vector<vertex>& outer) {
  vec3 sum{0, 0, 0};
  for (const vertex& v : outer) sum = sum + unitOf(v.position);
  const double limit = 1.25 * maxAreaSpanMeters / earthRadiusMeters;
  const auto farthestFrom = [&](const vec3& from) {
    size_t best = 0;
    double bestAngle = -1;
    for (size_t i = 0; i < outer.size(); ++i) {
      const double a = angleBetween(from, unitOf(outer[i].position));
      if (a > bestAngle) bestAngle = a, best = i;
    }
    return std::make_pair(best, bestAngle);
  };
  const bool degenerate = !(norm(sum) > 1e-9 * static_cast<double>(outer.size()));
  const vec3 centre = degenerate ? unitOf(outer[0].position) : normalized(sum);
  const auto [far, farAngle] = farthestFrom(centre);
  if (farAngle <= limit) return centre;
  // The mean direction lies within the vertices' hull, so a vertex far from it is farther
  // still from some other vertex.
  const vec3 farVertex = unitOf(outer[far].position);
  const auto [other, span] = farthestFrom(farVertex);
  if (span * earthRadiusMeters > maxAreaSpanMeters) {
    throw surveyError(surveyFault::tooWide,
                      "outer boundary: vertices " + std::to_string(std::min(outer[far].given, outer[other].given)) +
                          " and " + std::to_string(std::max(outer[far].given, outer[other].given)) + " lie " +
                          kilometres(span * earthRadiusMeters) + " apart; an area may span at most " +
                          kilometres(maxAreaSpanMeters),
                      0, outer[far].given);
  }
  return farVertex;
}

double signedArea(const std::vector<planePoint>& ring) {
  double twice = 0;
  for (size_t i = 0; i < ring.size(); ++i) twice += cross(ring[i], ring[(i + 1) % ring.size()]);
  return twice / 2;
}

// The first pair of edges, in the order of the rings and their vertices, that cross or
// touch where a simple boundary may not. `reversed` tells the rings that were turned to
// keep the area on their left: their edges are named as the file gives them all the same.
void checkCrossings(const std::vector<std::vector<planePoint>>& rings, const std::vector<std::vector<vertex>>& kept,
                    const std::vector<bool>& reversed) {
  struct edgeRef {
    int ring;
    size_t index;
  };
  std::vector<edgeRef> refs;
  std::vector<std::pair<bgBox, size_t>> boxes;
  for (size_t r = 0; r < rings.size(); ++r) {
    for (size_t i = 0; i < rings[r].size(); ++i) {
      boxes.emplace_back(boxAround(rings[r][i], rings[r][(i + 1) % rings[r].size()], areaToleranceMeters), refs.size());
      refs.push_back({static_cast<int>(r), i});
    }
  }
  const edgeTree tree(boxes.begin(), boxes.end());
  const auto ends = [&](const edgeRef& e) {
    const auto& ring = rings[e.ring];
    return std::make_pair(ring[e.index], ring[(e.index + 1) % ring.size()]);
  };
  const auto conflict = [&](const edgeRef& e, const edgeRef& f) {
    const auto [a, b] = ends(e);
    const auto [c, d] = ends(f);
    const size_t n = rings[e.ring].size();
    if (e.ring == f.ring && (f.index == (e.index + 1) % n || e.index == (f.index + 1) % n)) {
      // Neighbours share a vertex; they may not fold back along each other.
      const planePoint shared = f.index == (e.index + 1) % n ? b : a;
      const planePoint farE = f.index == (e.index + 1) % n ? a : b;
      const planePoint farF = f.index == (e.index + 1) % n ? d : c;
      return pointSegmentDistance(farF, shared, farE) < areaToleranceMeters ||
             pointSegmentDistance(farE, shared, farF) < areaToleranceMeters;
    }
    return segmentDistance(a, b, c, d) < areaToleranceMeters;
  };
  // The vertex numbers an edge runs between, in the order the file lists them.
  const auto givenEnds = [&](const edgeRef& e) {
    const auto& ring = kept[e.ring];
    const int a = ring[e.index].given, b = ring[(e.index + 1) % ring.size()].given;
    return reversed[e.ring] ? std::make_pair(b, a) : std::make_pair(a, b);
  };
  const auto edgeText = [&](const edgeRef& e) {
    const auto [from, to] = givenEnds(e);
    return "the edge from vertex " + std::to_string(from) + " to vertex " + std::to_string(to);
  };
  std::vector<std::pair<bgBox, size_t>> found;
  for (size_t i = 0; i < refs.size(); ++i) {
    found.clear();
    tree.query(bgi::intersects(boxes[i].first), std::back_inserter(found));
    size_t first = refs.size();
    for (const auto& candidate : found) {
      if (candidate.second > i && candidate.second < first && conflict(refs[i], refs[candidate.second])) {
        first = candidate.second;
      }
    }
    if (first == refs.size()) continue;
    const edgeRef& e = refs[i];
    const edgeRef& f = refs[first];
    if (e.ring == f.ring) {
      // The edge the file gives first is named first, and the place is where it starts.
      const bool eFirst = givenEnds(e).first < givenEnds(f).first;
      const edgeRef& one = eFirst ? e : f;
      const edgeRef& other = eFirst ? f : e;
      throw surveyError(surveyFault::selfCrossing,
                        ringName(one.ring) + " crosses itself: " + edgeText(one) + " meets " + edgeText(other),
                        one.ring, givenEnds(one).first);
    }
    throw surveyError(surveyFault::holeCrossing,
                      ringName(f.ring) + " crosses the " + ringName(e.ring) + ": " + edgeText(f) + " meets " +
                          edgeText(e) + " of the " + ringName(e.ring),
                      f.ring, givenEnds(f).first);
  }
}

// The convex hull's least width gives the direction of the fewest lines; its greatest
// distance between vertices is the area's span.
void measureHull(projectedArea& area, const std::vector<vertex>& outer) {
  bgRing points;
  for (const planePoint& p : area.rings[0]) points.push_back({p.x, p.y});
  bgRing hullRing;
  bg::convex_hull(points, hullRing);
  std::vector<planePoint> hull;
  for (const bgPoint& p : hullRing) hull.push_back({p.x(), p.y()});
  if (hull.size() > 1) hull.pop_back();  // closing vertex
  const size_t h = hull.size();
  if (h < 3) throw surveyError(surveyFault::noArea, "outer boundary: its vertices lie on one line", 0, 0);
  // Rotating calipers: for each hull edge the vertex farthest from it.
  double bestWidth = HUGE_VAL;
  size_t far = 1;
  std::vector<size_t> farthest(h);
  for (size_t i = 0; i < h; ++i) {
    const planePoint a = hull[i], b = hull[(i + 1) % h];
    const auto height = [&](size_t k) { return cross(b - a, hull[k % h] - a) / length(b - a); };
    for (size_t step = 0; step < h && height(far + 1) >= height(far); ++step) far = (far + 1) % h;
    farthest[i] = far;
    if (height(far) < bestWidth * (1 - 1e-12)) {
      bestWidth = height(far);
      area.longAxis = std::fmod(std::atan2(b.x - a.x, b.y - a.y) / radiansPerDegree + 360, 180);
    }
  }
  // The span: the farthest pair is antipodal, a vertex against those between the
  // farthest vertices of the edges on either side of it. The plane stretches distances a
  // little, never shrinks them, so pairs are measured on the sphere.
  const auto sphereDistance = [&](size_t i, size_t j) {
    return angleBetween(unitOf(area.frame.toLatLon(hull[i])), unitOf(area.frame.toLatLon(hull[j]))) * earthRadiusMeters;
  };
  size_t bestI = 0, bestJ = 0;
  double planeSpan = 0;
  for (size_t i = 0; i < h; ++i) {
    for (size_t j = farthest[(i + h - 1) % h];; j = (j + 1) % h) {
      const double s = sphereDistance(i, j);
      if (s > area.spanMeters) area.spanMeters = s, bestI = i, bestJ = j;
      planeSpan = std::max(planeSpan, length(hull[i] - hull[j]));
      if (j == farthest[i]) break;
    }
  }
  if (area.spanMeters <= maxAreaSpanMeters && planeSpan > maxAreaSpanMeters) {
    // Near the bound the plane's stretching could hide a longer pair: measure them all.
    for (size_t i = 0; i < h; ++i) {
      for (size_t j = i + 1; j < h; ++j) {
        const double s = sphereDistance(i, j);
        if (s > area.spanMeters) area.spanMeters = s, bestI = i, bestJ = j;
      }
    }
  }
  if (area.spanMeters > maxAreaSpanMeters) {
    const auto given = [&](size_t k) {
      for (size_t i = 0; i < outer.size(); ++i) {
        if (area.rings[0][i].x == hull[k].x && area.rings[0][i].y == hull[k].y) return outer[i].given;
      }
      return 0;
    };
    const int first = std::min(given(bestI), given(bestJ)), second = std::max(given(bestI), given(bestJ));
    throw surveyError(surveyFault::tooWide,
                      "outer boundary: vertices " + std::to_string(first) + " and " + std::to_string(second) + " lie " +
                          kilometres(area.spanMeters) + " apart; an area may span at most " +
                          kilometres(maxAreaSpanMeters),
                      0, first);
  }
}

}  // namespace

projectedArea checkArea(const surveyArea& given) {
  std::vector<std::vector<vertex>> kept;
  for (size_t r = 0; r <= given.holes.size(); ++r) {
    const int ringNumber = static_cast<int>(r);
    kept.push_back(distinctVertices(r == 0 ? given.outer : given.holes[r - 1], ringNumber));
    if (kept.back().size() < 3) {
      throw surveyError(surveyFault::tooFewVertices,
                        ringName(ringNumber) + " has " + std::to_string(kept.back().size()) +
                            " distinct vertices; a boundary needs at least 3",
                        ringNumber, 0);
    }
  }
  projectedArea area{gnomonicFrame(centreOf(kept[0])), {}, 0, 0};
  std::vector<bool> reversed(kept.size(), false);
  for (size_t r = 0; r < kept.size(); ++r) {
    std::vector<planePoint> ring;
    std::vector<vertex> kept2;
    for (const vertex& v : kept[r]) {
      // Nothing inside an area of at most 200 km lies 60 degrees from its centre.
      if (area.frame.cosineToCentre(v.position) < 0.5) {
        throw surveyError(surveyFault::holeOutside,
                          ringName(static_cast<int>(r)) + ", vertex " + std::to_string(v.given) +
                              ": lies far outside the outer boundary",
                          static_cast<int>(r), v.given);
      }
      const planePoint p = area.frame.toPlane(v.position);
      if (!ring.empty() && length(p - ring.back()) < areaToleranceMeters) continue;
      ring.push_back(p);
      kept2.push_back(v);
    }
    while (ring.size() > 1 && length(ring.back() - ring.front()) < areaToleranceMeters)
      ring.pop_back(), kept2.pop_back();
    const int ringNumber = static_cast<int>(r);
    if (ring.size() < 3) {
      throw surveyError(surveyFault::tooFewVertices,
                        ringName(ringNumber) + " has " + std::to_string(ring.size()) +
                            " distinct vertices more than 1 mm apart; a boundary needs at least 3",
                        ringNumber, 0);
    }
    const double a = signedArea(ring);
    if (!(std::fabs(a) > areaToleranceMeters * length(ring[1] - ring[0]))) {
      throw surveyError(surveyFault::noArea, ringName(ringNumber) + " encloses no area", ringNumber, 0);
    }
    // The area lies to the left of every edge: outer boundary counter-clockwise, holes clockwise.
    if ((a > 0) != (r == 0)) {
      std::reverse(ring.begin(), ring.end());
      std::reverse(kept2.begin(), kept2.end());
      reversed[r] = true;
    }
    area.rings.push_back(std::move(ring));
    kept[r] = std::move(kept2);
  }
  measureHull(area, kept[0]);
  checkCrossings(area.rings, kept, reversed);
  // With no crossings, one vertex tells where a whole hole lies: its first as given.
  for (size_t r = 1; r < area.rings.size(); ++r) {
    const int ringNumber = static_cast<int>(r);
    const auto first = std::min_element(kept[r].begin(), kept[r].end(),
                                        [](const vertex& a, const vertex& b) { return a.given < b.given; });
    const planePoint p = area.rings[r][static_cast<size_t>(first - kept[r].begin())];
    if (!insideRing(p, area.rings[0])) {
      throw surveyError(surveyFault::holeOutside, ringName(ringNumber) + " lies outside the outer boundary", ringNumber,
                        first->given);
    }
    for (size_t other = 1; other < area.rings.size(); ++other) {
      if (other != r && insideRing(p, area.rings[other])) {
        throw surveyError(surveyFault::holeInHole,
                          ringName(ringNumber) + " lies inside " + ringName(static_cast<int>(other)), ringNumber,
                          first->given);
      }
    }
  }
  // What the checks above may have let through, the library's own check catches.
  std::string reason;
  if (!bg::is_valid(toPolygon(area.rings), reason)) {
    throw surveyError(surveyFault::geometry, "the area's boundaries are not usable: " + reason, 0, 0);
  }
  return area;
}
