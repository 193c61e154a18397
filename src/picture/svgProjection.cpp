#include "picture/svgProjection.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double earthRadius = 6371000;  // the planner's sphere, metres
constexpr double radiansPerDegree = 3.14159265358979323846 / 180;

// The middle of what the chart shows: the mean of the points as unit vectors, which
// neither the antimeridian nor a pole disturbs. Points spread evenly round the earth have
// none; the first point (the launch waypoint) stands in then.
chartPlane planeFor(const std::vector<vec3>& points) {
  vec3 sum;
  for (const vec3& p : points) sum = sum + p;
  const double length = norm(sum);
  const vec3 centre = length > 1e-9 * static_cast<double>(points.size()) ? (1 / length) * sum : points.front();
  double closest = 1;
  for (const vec3& p : points) closest = std::min(closest, dot(p, centre));
  return chartPlane(centre, closest >= 0.5);
}

}  // namespace

double norm(vec3 a) { return std::sqrt(dot(a, a)); }

vec3 unitOf(double lat, double lon) {
  const double phi = lat * radiansPerDegree;
  const double lambda = lon * radiansPerDegree;
  return {std::cos(phi) * std::cos(lambda), std::cos(phi) * std::sin(lambda), std::sin(phi)};
}

double latitudeOf(vec3 p) { return std::atan2(p.z, std::hypot(p.x, p.y)) / radiansPerDegree; }

double longitudeOf(vec3 p) { return std::atan2(p.y, p.x) / radiansPerDegree; }

double wrapped(double degrees) { return degrees - 360 * std::nearbyint(degrees / 360); }

chartPlane::chartPlane(vec3 centre, bool gnomonic) : c_(centre), gnomonic_(gnomonic) {
  const double lon = std::atan2(centre.y, centre.x);
  east_ = {-std::sin(lon), std::cos(lon), 0};
  north_ = {c_.y * east_.z - c_.z * east_.y, c_.z * east_.x - c_.x * east_.z, c_.x * east_.y - c_.y * east_.x};
}

planeXY chartPlane::toPlane(vec3 p) const {
  const double cosine = dot(p, c_);
  const double east = dot(p, east_);
  const double north = dot(p, north_);
  if (gnomonic_) return {earthRadius * east / cosine, earthRadius * north / cosine};
  const double sine = std::hypot(east, north);
  const double k = sine > 1e-15 ? earthRadius * std::atan2(sine, cosine) / sine : earthRadius;
  return {k * east, k * north};
}

vec3 chartPlane::fromPlane(planeXY q) const {
  if (gnomonic_) {
    const vec3 v = c_ + (q.x / earthRadius) * east_ + (q.y / earthRadius) * north_;
    return (1 / norm(v)) * v;
  }
  const double r = std::hypot(q.x, q.y);
  if (r < 1e-9) return c_;
  const double angle = r / earthRadius;
  return std::cos(angle) * c_ + (std::sin(angle) / r) * (q.x * east_ + q.y * north_);
}

chartView::chartView(const std::vector<vec3>& points, const box& room)
    : plane_(planeFor(points)), middle_{(room.left + room.right) / 2, (room.top + room.bottom) / 2} {
  double west = 0, east = 0, south = 0, north = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const planeXY q = plane_.toPlane(points[i]);
    west = i == 0 ? q.x : std::min(west, q.x);
    east = i == 0 ? q.x : std::max(east, q.x);
    south = i == 0 ? q.y : std::min(south, q.y);
    north = i == 0 ? q.y : std::max(north, q.y);
  }
  scale_ = std::min((room.right - room.left) / std::max(east - west, 200.0),
                    (room.bottom - room.top) / std::max(north - south, 200.0));
  shown_ = {(west + east) / 2, (south + north) / 2};
}

point chartView::toPx(planeXY q) const {
  return {middle_.x + (q.x - shown_.x) * scale_, middle_.y - (q.y - shown_.y) * scale_};
}

planeXY chartView::fromPx(point p) const {
  return {(p.x - middle_.x) / scale_ + shown_.x, (middle_.y - p.y) / scale_ + shown_.y};
}
