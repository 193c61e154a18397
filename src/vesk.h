// Program entry: the fixed order of one whole run.
#pragma once

#include <string>
#include <string_view>

// The whole content of the waypoint or area file `name`; a file that cannot be read ends
// the run with its message and reason.
std::string readRouteFile(const std::string& name);

// Makes the waypoints of the route file `name`, whose whole content is `content`, the list,
// after the warnings of its slips; a file refused ends the run with its message and reason.
void readRoute(std::string_view content, const std::string& name);

// The leg pass followed by every planning pass, in the order the route needs them.
void planRoute();

// The whole run; returns the process exit status.
int veskMain(int argc, char** argv);
