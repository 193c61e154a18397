// Each leg of a planned mission as the vehicle runs it, seconds from launch: the picture's
// depth profile and the brief's timetable both read the one estimate, so that the sheet on
// deck and the picture never disagree.
#pragma once

#include <vector>

#include "mission/plannedMission.h"
#include "report/surfacingTime.h"

// At the surface (GPS fix and setpoint), the descent, the leg, the ascent at its end.
struct legTimes {
  double surface;  // at the surface before the leg
  double descent;
  double leg;
  double legEnd;
  double surfaced;  // back at the surface at the leg's end waypoint
  const missionWaypoint* to;
};

// Calls `visit` for every leg from the launch waypoint on, in the order the vehicle runs
// them, timed by the same estimate as the warning of surfacings the timer cannot hold.
// Returns the time the last leg surfaces.
template <typename Visit>
double forEachLeg(const plannedMission& mission, Visit visit) {
  const missionSettings& s = mission.settings;
  const double fix = gpsFixSeconds(s) + setpointSeconds;
  const double before = beforeLegSeconds(s);
  const double ascent = ascentSeconds(legEndDepth(s));
  const std::vector<missionWaypoint>& route = mission.waypoints;
  double t = 0;
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    const double legSecs = route[i].legSecs;
    legTimes leg{t, t + fix, t + before, t + before + legSecs, t + before + legSecs + ascent, &route[i + 1]};
    visit(leg);
    t = leg.surfaced;
  }
  return t;
}
