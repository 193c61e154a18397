// The program's sphere, as the planner's distance function has it, and positions on it as
// unit vectors from the earth's centre: the antimeridian and the poles are no edges for
// them. The one set of these the survey, the picture and the planner's great-circle
// functions share.
#pragma once

#include <cmath>

#include "geo/latLon.h"

constexpr double earthRadiusMeters = 6371000;
constexpr double radiansPerDegree = 3.14159265358979323846 / 180;

struct vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};
inline vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator*(double k, vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
inline double dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline vec3 cross(vec3 a, vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double norm(vec3 a) { return std::sqrt(dot(a, a)); }
// `a` divided by its length.
inline vec3 normalized(vec3 a) {
  const double n = norm(a);
  return {a.x / n, a.y / n, a.z / n};
}

// The unit vector at latitude `phi` and longitude `lambda`, in radians: each caller turns
// degrees into radians with its own factor (the planner's is that of its distance function).
inline vec3 unitAtRadians(double phi, double lambda) {
  return {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
}
inline vec3 unitOf(double lat, double lon) { return unitAtRadians(lat * radiansPerDegree, lon * radiansPerDegree); }
inline vec3 unitOf(latLon p) { return unitOf(p.lat, p.lon); }

// Degrees of the direction `p`, which need not be of unit length; the longitude within
// -180..180.
inline double latitudeOf(vec3 p) { return std::atan2(p.z, std::hypot(p.x, p.y)) / radiansPerDegree; }
inline double longitudeOf(vec3 p) { return std::atan2(p.y, p.x) / radiansPerDegree; }
inline latLon latLonOf(vec3 p) { return {latitudeOf(p), longitudeOf(p)}; }

// The angle between two directions, radians, from its sine and cosine: accurate at any size.
inline double angleBetween(vec3 a, vec3 b) { return std::atan2(norm(cross(a, b)), dot(a, b)); }
