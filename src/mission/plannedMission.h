// The planned mission as one value: what every output of a run is made from. The driver
// builds it once the route is planned (describeMission in vesk.h) and hands it, const, to
// the maps, the picture, the summaries and the set writer; none of them reads the list or
// a program-wide setting.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mission/missionSettings.h"
#include "text/runMessages.h"

enum class waypointKind {
  launch,  // waypoint 0, placed behind the first given waypoint
  given,   // from the route file or the survey's lines
  added,   // a surfacing inserted where a long leg was cut
};

// One waypoint and the leg that leaves it; the last waypoint has no leg (all zero).
struct missionWaypoint {
  int number = 0;
  double lat = 0;  // decimal degrees, north positive
  double lon = 0;  // decimal degrees, east positive
  double legMeters = 0;
  double heading = 0;  // degrees clockwise from north, (0, 360]
  double legSecs = 0;
  waypointKind kind = waypointKind::given;
};

struct missionPosition {
  double lat = 0;
  double lon = 0;
};

// A polygon's vertices in order, closed or not.
using missionRing = std::vector<missionPosition>;

// The ground a survey was laid out in, and what each of its runs covers.
struct missionSurvey {
  missionRing outer;
  std::vector<missionRing> holes;     // ground the vehicle keeps out of
  std::vector<missionRing> swaths;    // the ground each line of the survey covers
  std::vector<missionPosition> gaps;  // the middles of the parts no swath covers
  // The edge of the margin the lines keep off the boundary and the holes; none without one.
  std::vector<missionRing> margin;
};

// The seabed under the dive, as a bathymetry grid gives it (--bathymetry).
struct missionSeabedPoint {
  double along = 0;  // metres from the leg's start
  double depth = 0;  // metres below the surface; NaN: not known there
};
struct missionSeabedMark {
  size_t leg = 0;    // from waypoints[leg] to waypoints[leg + 1]
  double along = 0;  // metres from the leg's start; a surfacing is at the leg's end
  bool surfacing = false;
  missionPosition at;
};
struct missionSeabed {
  std::vector<std::vector<missionSeabedPoint>> legs;  // one a leg, in the order they are run
  std::vector<missionSeabedMark> warned;              // the places the seabed's warnings point at
};

struct plannedMission {
  std::vector<missionWaypoint> waypoints;  // the launch waypoint first; never empty
  missionSettings settings;                // the settings the route was planned with
  double missionTime = 0;                  // seconds, as the mission timer is set (before rounding)
  // The run's warnings: those given up to the moment an output reads them (the picture
  // shows every warning given before it is drawn). Null: none.
  const warningLog* warnings = nullptr;
  std::string routeFile;                // the route or area file the mission was planned from
  std::vector<std::string> setFiles;    // the names of every file of the set, in order
  std::optional<missionSurvey> survey;  // the area and swaths, when the route is a survey's
  std::optional<missionSeabed> seabed;  // the seabed under the dive, when a grid was given
};
