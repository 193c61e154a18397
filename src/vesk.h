// Program entry: the fixed order of one whole run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mission/plannedMission.h"
#include "text/runMessages.h"

// The whole content of the waypoint or area file `name`; a file that cannot be read ends
// the run with its message and reason.
std::string readRouteFile(const std::string& name);

// Makes the waypoints of the route file `name`, whose whole content is `content`, the list,
// after the warnings of its slips into `log` (null: shown only); a file refused ends the
// run with its message and reason. `path` picks one of the file's several paths (--path).
void readRoute(std::string_view content, const std::string& name, warningLog* log = nullptr,
               const std::string& path = "");

// The leg pass followed by every planning pass, in the order the route needs them.
void planRoute();

// The planned route and the settings it was planned with as one value, for every output
// of the run: `routeFile` the route or area file, `setFiles` the names of the set's files
// (missionFileNames), `warnings` the run's log, `survey` the area and swaths of a survey.
plannedMission describeMission(std::string routeFile = "", std::vector<std::string> setFiles = {},
                               const warningLog* warnings = nullptr,
                               std::optional<missionSurvey> survey = std::nullopt);

// The whole run; returns the process exit status.
int veskMain(int argc, char** argv);
