// What the brief takes besides the plan: the launch's clock time and the team's own
// checklist (settings file, --set, --launch-time, --checklist).
#pragma once

#include <string>

struct briefParameters {
  std::string launchTime;  // ISO 8601 with its zone; empty: times from launch only
  std::string checklist;   // a file of the team's own items, one a line; empty: none
};
