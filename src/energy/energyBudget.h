// The energy the planned mission takes from the battery, and what is left: a vehicle whose
// battery runs flat at sea is lost, and one that comes home below its reserve has nothing
// for the wait for recovery or a current against it. The operator hears of it before the
// files are loaded.
//
// The model: the electronics and sensors draw hotelWatts all the time; the propulsion
// draws propulsionWatts at missionSpeed and, at any other speed, that power times the
// cube of the speed's ratio to missionSpeed (the drag of a hull grows with the square of
// the speed, and the power with drag times speed). A leg costs both loads for its time at
// missionSpeed, the time the plan gives it (in a current, over the ground, the vehicle
// still making missionSpeed through the water); a surfacing costs the hotel load for its
// whole time and the propulsion for the ascent, setpoint and descent at the speeds of
// those behaviours; the GPS fix drifts at the surface with the motor still.
//
// Enters: the planned mission (its legs, their times, its settings) and the energy keys.
// Leaves: why the keys cannot make a budget; the warnings, each naming where the reserve
// or the battery is crossed, and the summary lines, which the driver gives to the run's
// log and standard error.
// Must not touch: the list, the program-wide settings, the files, the console.
#pragma once

#include <string>
#include <vector>

#include "energy/energyParameters.h"
#include "mission/plannedMission.h"

// Whether any energy key was given: without one, the run tells nothing of energy.
bool energyGiven(const energyParameters& energy);

// Why the keys given cannot make a budget, naming the ones missing: the battery, the hotel
// load and the propulsion come together. Empty when they can, or when none is given.
std::string missingEnergyKeys(const energyParameters& energy);

struct energyReport {
  std::vector<std::string> warnings;  // the reserve broken, the battery run flat
  std::vector<std::string> summary;   // lines for standard error after the plan's summary
};

// The budget of `mission` with the keys of `energy`, which are complete (missingEnergyKeys
// is empty).
energyReport budgetEnergy(const plannedMission& mission, const energyParameters& energy);

// The watt-hours `mission` takes from the battery, and whether the vehicle comes home with
// the reserve (budgetEnergy warns of none); the keys are complete.
double energyUsedWh(const plannedMission& mission, const energyParameters& energy);
bool reserveKept(const plannedMission& mission, const energyParameters& energy);
