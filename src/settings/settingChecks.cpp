// The checks the dialogue's editors make as well as the key table, so that a value refused
// at the console is refused in a file too.
#include <string>

#include "mission/routeLimits.h"
#include "settings/settingKeys.h"

// The words a corner or word key takes, quoted: "\"elevation\" or \"depth\"".
std::string wordList(const settingKey& key) {
  if (key.type == settingType::corner) return "a corner: \"NE\", \"NW\", \"SE\" or \"SW\"";
  std::string list;
  for (int i = 0; key.words[i] != nullptr; ++i) {
    list += std::string(i == 0 ? "" : key.words[i + 1] == nullptr ? " or " : ", ") + "\"" + key.words[i] + "\"";
  }
  return list;
}

std::string speedRefusal(double value, const std::string&) { return value > 0 ? "" : "a speed must be greater than 0"; }

std::string maxLegMetersRefusal(double value, const std::string&) {
  // A distance of 0 or less would cut a leg into pieces without end.
  if (!(value > 0)) return "the meters between surfacings must be greater than 0";
  return "";
}

std::string tooManyWaypointsRefusal(const std::string& written) {
  return "at " + written + " m between surfacings the route would need more than " + std::to_string(maxRouteWaypoints) +
         " waypoints";
}

// A turn or a margin off the shore of more than 10 km is a slip of digits or of units.
std::string turnRadiusRefusal(double value, const std::string&) {
  return value >= 0 && value <= 10000 ? "" : "turnRadius is metres from 0 to 10000";
}

std::string edgeMarginRefusal(double value, const std::string&) {
  return value >= 0 && value <= 10000 ? "" : "edgeMargin is metres from 0 to 10000";
}

// The largest vehicles of this kind carry tens of kilowatt-hours and draw a few kilowatts;
// a figure beyond these bounds is a slip of digits or of units (watts for milliwatts).
std::string batteryRefusal(double value, const std::string&) {
  return value > 0 && value <= 100000 ? "" : "batteryWh is watt-hours greater than 0, at most 100000";
}

std::string reserveRefusal(double value, const std::string&) {
  return value >= 0 && value < 100 ? "" : "reservePercent is a percentage from 0 up to, not including, 100";
}

// The electronics draw something on every vehicle: without a hotel load the best speed is
// none and the range without end.
std::string hotelRefusal(double value, const std::string&) {
  return value > 0 && value <= 10000 ? "" : "hotelWatts is watts greater than 0, at most 10000";
}

std::string propulsionRefusal(double value, const std::string&) {
  return value > 0 && value <= 100000 ? "" : "propulsionWatts is watts greater than 0, at most 100000";
}

// North may be written 0 or 360, as the planner writes it.
std::string currentTowardRefusal(double value, const std::string&) {
  return value >= 0 && value <= 360 ? "" : "currentToward is degrees true from 0 to 360";
}

// The strongest tidal races run at some 5 m/s; beyond 10 m/s the figure is a slip of
// digits or of units (knots or centimetres a second for metres a second).
std::string currentSpeedRefusal(double value, const std::string&) {
  return value >= 0 && value <= 10 ? "" : "currentSpeed is m/s from 0 to 10";
}

// The script's GPS blocks know True and False only: any other number would be written as
// False without the operator meaning it.
std::string flagRefusal(const char* name, double value) {
  return value == 0 || value == 1 ? "" : std::string(name) + " is 1 for True or 0 for False";
}

// A dive of more than six weeks is a slip of digits or of units (minutes for hours).
std::string diveHoursRefusal(double value, const std::string&) {
  return value > 0 && value <= 1000 ? "" : "maxDiveHours is hours greater than 0, at most 1000";
}

// The vehicle's mission timer holds at most 2147483647 s. Within these bounds the timer of
// any real mission (a survey of tens of thousands of waypoints) stays far inside it, where
// a slip of a few digits would write a timer the vehicle cannot hold.
constexpr double largestTimerFactor = 10;
constexpr double largestAllowance = 3600;

std::string timerFactorRefusal(double value, const std::string&) {
  // Below 1 the timer ends every mission before its last waypoint.
  if (value < 1) return "the mission timer must be at least the time under way: missionTimerFactor is 1 or more";
  return value <= largestTimerFactor ? "" : "missionTimerFactor is at most 10, ten times the time under way";
}

std::string allowanceRefusal(double value, const std::string&) {
  if (value < 0) return "a surfacing cannot take less than no time: surfacingAllowance is 0 or more";
  // A surfacing takes minutes: the GPS fix gives up after 300 s.
  return value <= largestAllowance ? "" : "surfacingAllowance is at most 3600 s, an hour for each surfacing";
}
