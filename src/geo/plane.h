// Points of a flat projection of the sphere (gnomonic.h), metres east (x) and north (y) of
// its centre, with the vector arithmetic and the point-in-ring test the survey and the
// picture work with.
#pragma once

#include <cmath>
#include <vector>

struct planePoint {
  double x = 0;
  double y = 0;
};

inline planePoint operator-(planePoint a, planePoint b) { return {a.x - b.x, a.y - b.y}; }
inline planePoint operator+(planePoint a, planePoint b) { return {a.x + b.x, a.y + b.y}; }
inline planePoint operator*(double k, planePoint a) { return {k * a.x, k * a.y}; }
inline double dot(planePoint a, planePoint b) { return a.x * b.x + a.y * b.y; }
inline double cross(planePoint a, planePoint b) { return a.x * b.y - a.y * b.x; }
inline double length(planePoint a) { return std::hypot(a.x, a.y); }

// Whether the edge a-b crosses the ray from p toward +x: the even-odd count of such edges
// tells whether p lies inside a ring. An edge through p's level counts at its upper end
// only, so that a vertex on the ray is counted once.
inline bool crossesRayEast(planePoint p, planePoint a, planePoint b) {
  return (a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
}

// Whether p lies inside the ring (its vertices in order, not closed). A point on the
// boundary may count either way.
inline bool insideRing(planePoint p, const std::vector<planePoint>& ring) {
  bool inside = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    if (crossesRayEast(p, ring[j], ring[i])) inside = !inside;
  }
  return inside;
}
