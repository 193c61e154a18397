// What a current does to each leg. The vehicle holds its track: it points up into the part
// of the current that crosses the track, so that it stays on the line between its
// waypoints, and the part along the track carries it on or holds it back. A leg then takes
// its length over the speed over the ground; a timer set from the speed through the water
// would end a mission run against the current before its last waypoint.
//
// The model: one current, the same everywhere and all the time, of `speed` toward
// `toward`; the vehicle makes missionSpeed through the water; from the triangle of
// velocities the current's part across the track is cancelled by crabbing, and the speed
// over the ground is the current's part along the track plus
// sqrt(missionSpeed^2 - across^2). A track the vehicle cannot hold (the current across
// it at or above the vehicle's speed, or no speed left along it) is refused.
//
// Enters: the current's keys, a leg's track, length and the speed through the water; the
// planned mission for the report.
// Leaves: each leg's time over the ground or why the vehicle cannot hold it; the warnings
// and summary lines, which the driver gives to the run's log and standard error.
// Must not touch: the list, the program-wide settings, the files, the console.
#pragma once

#include <string>
#include <vector>

#include "current/currentParameters.h"
#include "mission/plannedMission.h"
#include "text/outcome.h"

// Beyond this drift before a surfacing the vehicle comes up where the crew no longer look
// for it, and a survey's lines, tens of metres apart, lie over one another.
constexpr double driftWarnedMeters = 100;

// Whether a current was given: without one, every leg is timed as in still water.
bool currentGiven(const currentParameters& current);

// Why the keys given cannot make a current, naming the one missing: a direction without a
// speed, or a speed without a direction, would be a guess. Empty when both or neither.
std::string missingCurrentKeys(const currentParameters& current);

// A leg in the current, from the triangle of velocities.
struct legInCurrent {
  double along = 0;       // m/s of the current along the track, positive with it
  double across = 0;      // m/s of the current across the track, positive to the right of it
  double overGround = 0;  // m/s the vehicle makes along the track
  double steer = 0;       // degrees true the vehicle points to hold the track, (0, 360]
  bool held = false;      // whether the vehicle can hold the track
};

// The leg whose track is `track` degrees true, run at `speed` m/s through the water, in
// the current given (currentGiven is true).
legInCurrent inCurrent(double track, double speed, const currentParameters& current);

// The seconds of the leg from waypoint `from` to waypoint `to`, `meters` long on `track`,
// at `speed` through the water: its length over its speed over the ground; or why the
// vehicle cannot hold it. Two waypoints at one place take the time of still water, none.
result<double> legSecondsInCurrent(int from, int to, double meters, double track, double speed,
                                   const currentParameters& current);

struct currentReport {
  std::vector<std::string> warnings;  // surfacings the current would carry the vehicle far from
  std::vector<std::string> summary;   // lines for standard error after the plan's summary
  double secondsFromWaypoint1 = 0;    // under way in the current after the launch leg
};

// The current's figures for `mission`, whose legs were timed in it: the speeds over the
// ground, the largest angle steered off a track, and the drift at each surfacing if the
// vehicle did not hold its track, the current times the time submerged on the leg before.
currentReport reportCurrent(const plannedMission& mission, const currentParameters& current);
