// A plan longer than one dive, split into the fewest dives that each fit the mission timer
// and the battery with its reserve: a vehicle sent on a plan it cannot finish is recovered
// where its battery or its timer runs out, not where the crew waits for it.
//
// Each dive is a mission of its own, planned as a route of its waypoints would be (its
// launch waypoint behind its first waypoint); the next dive starts where the last one
// surfaced. Dives end, where that costs no further dive, at the end of a survey line, so
// that no line is cut between two dives.
//
// Enters: the route's waypoints in order (the planned mission's, launch left out), which of
// them end a survey line, the limits, and a planner that makes the mission of a stretch of
// the route (the driver's planner, as for any route).
// Leaves: the dives in order, or why no split fits; the summary lines.
// Must not touch: the list, the program-wide settings, the files, the console.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dives/diveParameters.h"
#include "energy/energyParameters.h"
#include "mission/plannedMission.h"
#include "text/outcome.h"

struct diveLimits {
  double maxTimerSeconds = 0;              // the mission timer, as the script sets it
  std::optional<energyParameters> energy;  // complete; none: the battery is not counted
};

// One dive: the waypoints points[first] to points[last] of the route, and their mission.
struct divePlan {
  size_t first = 0;
  size_t last = 0;
  plannedMission mission;
};

// The mission of the route through `points`, planned as any route.
using divePlanner = std::function<plannedMission(const std::vector<missionPosition>& points)>;

// Why `mission` does not fit one dive of `limits` ("takes 6:02:10 on the mission timer, more
// than ..."); empty when it does.
std::string diveOverrun(const plannedMission& mission, const diveLimits& limits);

// The fewest dives that cover `points` in order, each fitting `limits`. `lineEnds[i]`
// (empty: none) says that points[i] ends a survey line. Fails when one leg alone does not
// fit a dive, naming it.
result<std::vector<divePlan>> splitIntoDives(const std::vector<missionPosition>& points,
                                             const std::vector<bool>& lineEnds, const diveLimits& limits,
                                             const divePlanner& plan);

// A line for each dive and one for all of them, for standard error: the waypoints of the
// route it runs, its length, time under way and at the surfacings, energy and timer.
std::vector<std::string> summariseDives(const std::vector<divePlan>& dives, const diveLimits& limits,
                                        const std::string& stem);
