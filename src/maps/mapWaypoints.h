// What every map format shows of the planned route: the waypoints with their kinds and
// times from launch, the route's totals, and the numbers as the maps write them. Used by
// the map writers only.
#pragma once

#include <string>

#include "mission/plannedMission.h"

// Decimal places of the values in the maps: coordinates to a hundredth of a millimetre,
// lengths to the millimetre, headings to a micro-degree, times to the millisecond. A map shows the
// plan; printing every bit would only show where two machines' maths libraries differ in
// their last bit.
constexpr int degreePlaces = 10;
constexpr int meterPlaces = 3;
constexpr int headingPlaces = 6;
constexpr int secondPlaces = 3;

// `value` to `places` decimals, as a number the same on every platform.
double rounded(double value, int places);

// The same as text, without an exponent (GPX and KML want plain decimals) and without
// trailing zeros.
std::string decimal(double value, int places);

// One waypoint of the planned route as the map shows it.
struct mapPoint {
  const missionWaypoint* w;
  const char* kind;   // "launch", "waypoint" or "surfacing"
  double fromLaunch;  // seconds from the launch waypoint to this one
  bool last;          // the end of the route, without a leg
};

// "launch waypoint; leg 1234.5 m at heading 12.3, 0:13:43; 0:00:00 from launch"
std::string description(const mapPoint& p);

// Calls `visit` for every waypoint from the launch waypoint to the last one.
template <typename Visit>
void forEachPoint(const plannedMission& mission, Visit visit) {
  const char* const kinds[] = {"launch", "waypoint", "surfacing"};
  double fromLaunch = 0;
  const size_t count = mission.waypoints.size();
  for (size_t i = 0; i < count; ++i) {
    const missionWaypoint& w = mission.waypoints[i];
    visit(mapPoint{&w, kinds[static_cast<int>(w.kind)], fromLaunch, i + 1 == count});
    fromLaunch += w.legSecs;
  }
}

struct routeTotals {
  long long waypoints = 0;
  double meters = 0;
  double seconds = 0;
};

routeTotals totals(const plannedMission& mission);

// "12 waypoints, 10.234 km, 2:01:00 at 1.5 m/s"
std::string routeSummary(const plannedMission& mission, const routeTotals& t);
