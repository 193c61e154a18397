// Where a position lands on the plan's chart: the plane the chart is drawn on, touching
// the sphere at the middle of what it shows, scaled and placed in a box of the picture,
// north up.
#pragma once

#include <vector>

#include "picture/svgDraw.h"

// A position as a unit vector from the earth's centre; the antimeridian and the poles
// are no edges for it.
struct vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};
inline vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline vec3 operator*(double k, vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
inline double dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(vec3 a);
vec3 unitOf(double lat, double lon);  // degrees
double latitudeOf(vec3 p);
double longitudeOf(vec3 p);  // -180..180
// A longitude difference brought into -180..180.
double wrapped(double degrees);

// Metres east (x) and north (y) of the chart's centre on its plane.
struct planeXY {
  double x = 0;
  double y = 0;
};

// The gnomonic projection draws every great circle, so every leg the planner follows, as
// a straight line, at true scale near the centre (a part in a million 10 km away). A
// chart too wide for it (points 60 degrees or more from its centre) is drawn in the
// azimuthal equidistant projection, true along every line through the centre.
class chartPlane {
 public:
  chartPlane(vec3 centre, bool gnomonic);
  bool gnomonic() const { return gnomonic_; }
  vec3 centre() const { return c_; }
  planeXY toPlane(vec3 p) const;
  vec3 fromPlane(planeXY q) const;
  // Whether `p` has an image a viewer can draw.
  bool shows(vec3 p) const { return !gnomonic_ || dot(p, c_) > 0.02; }

 private:
  vec3 c_;
  vec3 east_;
  vec3 north_;
  bool gnomonic_;
};

// The plane of `points` scaled and placed so that they all show inside `room`, at least
// 200 m across, centred.
class chartView {
 public:
  chartView(const std::vector<vec3>& points, const box& room);
  const chartPlane& plane() const { return plane_; }
  double scale() const { return scale_; }  // pixels per metre
  point toPx(planeXY q) const;
  point toPx(vec3 p) const { return toPx(plane_.toPlane(p)); }
  planeXY fromPx(point p) const;
  vec3 sphereAt(point p) const { return plane_.fromPlane(fromPx(p)); }

 private:
  chartPlane plane_;
  point middle_;   // of the room
  planeXY shown_;  // the plane's point drawn there
  double scale_ = 1;
};
