// The current the operator expects over the dive: the direction the water flows toward and
// its speed. Not given: still water, and every leg timed at the speed through the water.
#pragma once

#include <optional>

struct currentParameters {
  std::optional<double> toward;  // degrees true the water flows toward, 0 to 360
  std::optional<double> speed;   // m/s of the water over the ground, 0 or more
};
