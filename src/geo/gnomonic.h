// The gnomonic projection onto the plane touching the sphere at a centre: every great
// circle is a straight line in it, so a straight leg drawn in the plane is the leg the
// planner follows. Longitudes need no unwrapping: points across the antimeridian are as
// near each other in the plane as on the sphere. The survey lays its lines out in it; the
// picture draws its chart in it.
#pragma once

#include "geo/latLon.h"
#include "geo/plane.h"
#include "geo/sphere.h"

class gnomonicFrame {
 public:
  // North up: east is the direction of growing longitude at the centre; at a pole, where
  // it has none, the meridian of longitude 0 serves as north.
  explicit gnomonicFrame(vec3 centre);
  // The plane turned so that `east` (a unit vector at right angles to the centre) points
  // along x, for a caller that fixes the plane's orientation itself.
  gnomonicFrame(vec3 centre, vec3 east);

  // Points at least 90 degrees from the centre have no image; see cosineToCentre.
  planePoint toPlane(vec3 p) const;
  planePoint toPlane(latLon p) const { return toPlane(unitOf(p)); }
  // The direction from the earth's centre through q, not of unit length.
  vec3 direction(planePoint q) const;
  latLon toLatLon(planePoint q) const { return latLonOf(direction(q)); }  // longitude within -180..180
  double cosineToCentre(latLon p) const { return dot(unitOf(p), c_); }

  vec3 centreVector() const { return c_; }
  latLon centre() const { return toLatLon({}); }
  vec3 east() const { return east_; }
  vec3 north() const { return north_; }

 private:
  vec3 c_, east_, north_;
};
