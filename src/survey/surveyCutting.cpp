#include "survey/surveyCutting.h"
#include "mission/routeLimits.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "calcs.h"
#include "geo/sphere.h"
#include "survey/surveyArea.h"

namespace {

vec3 slerp(vec3 a, vec3 b, double omega, double t) {
  if (omega < 1e-15) return a;
  const double ka = std::sin((1 - t) * omega) / std::sin(omega), kb = std::sin(t * omega) / std::sin(omega);
  return ka * a + kb * b;
}

// The cut points have always been turned into degrees this way; latLonOf (geo/sphere.h)
// would round about a quarter of them the other way in the last bit.
latLon positionOf(vec3 u) {
  constexpr double pi = 3.14159265358979323846;
  return {std::atan2(u.z, std::hypot(u.x, u.y)) * 180 / pi, std::atan2(u.y, u.x) * 180 / pi};
}

// Appends the great-circle leg a->b to `route` (which ends at a), cut into equal pieces
// that the planner's own distance finds no longer than `longest`; returns its length.
double appendCut(std::vector<latLon>& route, latLon a, latLon b, double longest) {
  const vec3 ua = unitOf(a), ub = unitOf(b);
  const double omega = angleBetween(ua, ub);
  const double meters = omega * earthRadiusMeters;
  if (!std::isfinite(meters)) throw surveyError(surveyFault::geometry, "a leg of the survey has no length");
  const size_t first = route.size();
  // Rounding may leave a piece a hair too long for the planner: then one piece more.
  for (double pieces = std::max(1.0, std::ceil(meters / longest));; ++pieces) {
    route.resize(first);
    bool fits = true;
    latLon before = a;
    for (double i = 1; i <= pieces; ++i) {
      const latLon p = i == pieces ? b : positionOf(slerp(ua, ub, omega, i / pieces));
      fits = fits && dist(before.lat, before.lon, p.lat, p.lon) <= longest + 1e-6;
      route.push_back(p);
      before = p;
    }
    if (fits) return meters;
  }
}

}  // namespace

void cutAtSurfacings(const gnomonicFrame& frame, const std::vector<surveyStretch>& stretches, double maxLegMeters,
                     surveyPlan& plan) {
  double pieces = 0;
  for (const surveyStretch& s : stretches) {
    pieces += std::ceil(length(s.b - s.a) / (maxLegMeters - surfacingMarginMeters)) + 1;
  }
  if (pieces > static_cast<double>(maxRouteWaypoints)) {
    throw surveyError(surveyFault::tooLarge, "the survey would need more than " + std::to_string(maxRouteWaypoints) +
                                                 " waypoints; widen the spacing or the meters between surfacings");
  }
  plan.route.push_back(frame.toLatLon(stretches[0].a));
  for (const surveyStretch& s : stretches) {
    const latLon a = plan.route.back(), b = frame.toLatLon(s.b);
    const double meters = appendCut(plan.route, a, b, maxLegMeters - surfacingMarginMeters);
    if (s.line) {
      plan.lineMeters += meters;
      plan.lines.push_back({a, b, meters, s.cross, s.boundary});
      if (s.boundary) ++plan.boundaryLegs;
    } else {
      plan.transitMeters += meters;
    }
  }
}
