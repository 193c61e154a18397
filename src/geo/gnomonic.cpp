#include "geo/gnomonic.h"

namespace {

vec3 eastAt(vec3 centre) {
  const vec3 east = cross({0, 0, 1}, centre);
  return dot(east, east) > 1e-20 ? normalized(east) : vec3{0, 1, 0};
}

}  // namespace

gnomonicFrame::gnomonicFrame(vec3 centre) : gnomonicFrame(centre, eastAt(centre)) {}

gnomonicFrame::gnomonicFrame(vec3 centre, vec3 east) : c_(centre), east_(east), north_(cross(centre, east)) {}

planePoint gnomonicFrame::toPlane(vec3 p) const {
  const double d = dot(p, c_);
  return {earthRadiusMeters * dot(p, east_) / d, earthRadiusMeters * dot(p, north_) / d};
}

vec3 gnomonicFrame::direction(planePoint q) const {
  return c_ + (q.x / earthRadiusMeters) * east_ + (q.y / earthRadiusMeters) * north_;
}
