#include "picture/svgProjection.h"

#include <algorithm>
#include <cmath>

namespace {

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

// East at the centre along its meridian: at a pole, the meridian of the longitude the
// centre's vector has there.
vec3 eastOfMeridian(vec3 centre) {
  const double lon = std::atan2(centre.y, centre.x);
  return {-std::sin(lon), std::cos(lon), 0};
}

}  // namespace

chartPlane::chartPlane(vec3 centre, bool gnomonic) : frame_(centre, eastOfMeridian(centre)), gnomonic_(gnomonic) {}

planeXY chartPlane::toPlane(vec3 p) const {
  if (gnomonic_) return frame_.toPlane(p);
  const double cosine = dot(p, frame_.centreVector());
  const double east = dot(p, frame_.east());
  const double north = dot(p, frame_.north());
  const double sine = std::hypot(east, north);
  const double k = sine > 1e-15 ? earthRadiusMeters * std::atan2(sine, cosine) / sine : earthRadiusMeters;
  return {k * east, k * north};
}

vec3 chartPlane::fromPlane(planeXY q) const {
  if (gnomonic_) {
    const vec3 v = frame_.direction(q);
    return (1 / norm(v)) * v;
  }
  const vec3 c = frame_.centreVector();
  const double r = std::hypot(q.x, q.y);
  if (r < 1e-9) return c;
  const double angle = r / earthRadiusMeters;
  return std::cos(angle) * c + (std::sin(angle) / r) * (q.x * frame_.east() + q.y * frame_.north());
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
