// What the operator tells of the vehicle's battery and loads, for the energy budget: the
// energy at launch, the share of it kept in reserve, the electronics' and sensors' load
// and the propulsion's at the cruise speed. Not given: no budget.
#pragma once

#include <optional>

// The share of the battery kept for what the plan does not count (the wait for recovery,
// a current against the vehicle, a cold battery), unless the operator says otherwise.
constexpr double defaultReservePercent = 20;

struct energyParameters {
  std::optional<double> batteryWh;        // usable watt-hours at launch
  std::optional<double> reservePercent;   // percent of batteryWh; not given: defaultReservePercent
  std::optional<double> hotelWatts;       // electronics and sensors, drawn all the time
  std::optional<double> propulsionWatts;  // at missionSpeed; other speeds with the cube of the speed
};
