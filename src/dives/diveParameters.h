// How long one dive may last: a plan that runs longer, or takes more of the battery than
// its reserve allows, is split into dives that each fit.
#pragma once

#include <optional>

struct diveParameters {
  std::optional<double> maxDiveHours;  // on the mission timer; not given: the plan is never split
};
