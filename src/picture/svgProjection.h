// Where a position lands on the plan's chart: the plane the chart is drawn on, touching
// the sphere at the middle of what it shows, scaled and placed in a box of the picture,
// north up.
#pragma once

#include <vector>

#include "geo/gnomonic.h"
#include "geo/plane.h"
#include "geo/sphere.h"
#include "picture/svgDraw.h"

// Metres east (x) and north (y) of the chart's centre on its plane.
using planeXY = planePoint;

// The gnomonic projection draws every great circle, so every leg the planner follows, as
// a straight line, at true scale near the centre (a part in a million 10 km away). A
// chart too wide for it (points 60 degrees or more from its centre) is drawn in the
// azimuthal equidistant projection, true along every line through the centre.
class chartPlane {
 public:
  chartPlane(vec3 centre, bool gnomonic);
  bool gnomonic() const { return gnomonic_; }
  vec3 centre() const { return frame_.centreVector(); }
  planeXY toPlane(vec3 p) const;
  vec3 fromPlane(planeXY q) const;
  // Whether `p` has an image a viewer can draw.
  bool shows(vec3 p) const { return !gnomonic_ || dot(p, centre()) > 0.02; }

 private:
  gnomonicFrame frame_;  // turned so that east is along the meridian of the centre's longitude
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
