#include "energy/energyBudget.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "report/surfacingTime.h"
#include "text/textOut.h"

namespace {

constexpr double joulesPerWattHour = 3600;

std::string wattHours(double joules) { return numberText::fixed(joules / joulesPerWattHour, 1).text() + " Wh"; }

// About three significant digits, never with an exponent: 0.464, 16.7, 209, 1671.
std::string roughly(double value) {
  const int places = value > 0 ? std::clamp(2 - static_cast<int>(std::floor(std::log10(value))), 0, 6) : 0;
  return numberText::fixed(value, places).text();
}

std::string number(double value) { return numberText::general(value, 6).text(); }

std::string waypoint(const missionWaypoint& w) { return "waypoint " + std::to_string(w.number); }

// The power the vehicle draws under way at `speed`, watts.
struct vehicleLoads {
  double hotel = 0;
  double propulsionFactor = 0;  // watts per (m/s) cubed
  double at(double speed) const { return hotel + propulsionFactor * speed * speed * speed; }
};

// A part of the mission as the vehicle runs it: the surfacing at a waypoint, or the leg
// that leaves it.
struct place {
  size_t waypoint = 0;
  bool leg = false;
};

// Where, in the order the vehicle runs the mission, the energy used first exceeds a limit.
class crossing {
 public:
  explicit crossing(double limit) : limit_(limit) {}
  void note(double used, place at) {
    if (!where_ && used > limit_) where_ = at;
  }
  bool crossed() const { return where_.has_value(); }
  std::string where(const std::vector<missionWaypoint>& route) const {
    const size_t i = where_->waypoint;
    if (!where_->leg) return "at the surfacing at " + waypoint(route[i]);
    return "on the leg from " + waypoint(route[i]) + " to " + waypoint(route[i + 1]);
  }

 private:
  double limit_;
  std::optional<place> where_;
};

// The loads of the vehicle the keys describe, at the mission's speed.
vehicleLoads loadsOf(const plannedMission& mission, const energyParameters& energy) {
  const double cruise = mission.settings.missionSpeed;
  return {*energy.hotelWatts, *energy.propulsionWatts / (cruise * cruise * cruise)};
}

// Gives `spend` the joules of each part of `mission` in the order the vehicle runs it, and
// returns those spent under way.
template <typename Spend>
double walkMission(const plannedMission& mission, const vehicleLoads& loads, Spend spend) {
  const missionSettings& s = mission.settings;
  const std::vector<missionWaypoint>& route = mission.waypoints;
  // A surfacing, as the mission script has the vehicle run it: the ascent at the end of a
  // leg, then before the next leg the GPS fix (motor still), the setpoint and the descent.
  const double ascent = loads.at(ascentSpeed) * ascentSeconds(legEndDepth(s));
  const double beforeLeg = loads.hotel * gpsFixSeconds(s) + loads.at(setpointSpeed) * setpointSeconds +
                           loads.at(descentSpeed) * descentSeconds();
  double underWay = 0;
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    spend(beforeLeg, place{i, false});
    const double leg = loads.at(s.missionSpeed) * route[i].legSecs;
    underWay += leg;
    spend(leg, place{i, true});
    spend(ascent, place{i + 1, false});
  }
  return underWay;
}

}  // namespace

double energyUsedWh(const plannedMission& mission, const energyParameters& energy) {
  double used = 0;
  walkMission(mission, loadsOf(mission, energy), [&used](double joules, place) { used += joules; });
  return used / joulesPerWattHour;
}

bool reserveKept(const plannedMission& mission, const energyParameters& energy) {
  const double battery = *energy.batteryWh * joulesPerWattHour;
  const double reserve = battery * energy.reservePercent.value_or(defaultReservePercent) / 100;
  // As the budget finds the reserve broken: the same sum, compared the same way.
  double used = 0;
  walkMission(mission, loadsOf(mission, energy), [&used](double joules, place) { used += joules; });
  return !(used > battery - reserve);
}

bool energyGiven(const energyParameters& energy) {
  return energy.batteryWh || energy.reservePercent || energy.hotelWatts || energy.propulsionWatts;
}

std::string missingEnergyKeys(const energyParameters& energy) {
  if (!energyGiven(energy)) return "";
  std::vector<std::string> given;
  std::vector<std::string> missing;
  for (const auto& [name, value] :
       {std::pair{"batteryWh", energy.batteryWh}, std::pair{"hotelWatts", energy.hotelWatts},
        std::pair{"propulsionWatts", energy.propulsionWatts}}) {
    (value ? given : missing).push_back(name);
  }
  if (!energy.batteryWh && energy.reservePercent) given.push_back("reservePercent");
  if (missing.empty()) return "";
  const auto listed = [](const std::vector<std::string>& names) {
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
      text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
  };
  return listed(given) + (given.size() == 1 ? " is" : " are") + " given without " + listed(missing) +
         ": the energy budget needs batteryWh, hotelWatts and propulsionWatts together";
}

energyReport budgetEnergy(const plannedMission& mission, const energyParameters& energy) {
  const missionSettings& s = mission.settings;
  const std::vector<missionWaypoint>& route = mission.waypoints;
  const double cruise = s.missionSpeed;
  const vehicleLoads loads = loadsOf(mission, energy);
  const double battery = *energy.batteryWh * joulesPerWattHour;
  const double percent = energy.reservePercent.value_or(defaultReservePercent);
  const double reserve = battery * percent / 100;

  double used = 0;
  crossing reserveBroken(battery - reserve);
  crossing flat(battery);
  const double underWay = walkMission(mission, loads, [&](double joules, place where) {
    used += joules;
    reserveBroken.note(used, where);
    flat.note(used, where);
  });

  energyReport report;
  if (reserveBroken.crossed()) {
    report.warnings.push_back("the mission uses " + wattHours(used) + " of the battery's " + wattHours(battery) +
                              " and breaks the reserve of " + wattHours(reserve) + " (" + number(percent) + " %) " +
                              reserveBroken.where(route) + "; it needs " + wattHours(used / (1 - percent / 100)) +
                              " at launch to keep the reserve");
  }
  if (flat.crossed()) {
    report.warnings.push_back("the battery runs flat " + flat.where(route) + ": the vehicle stops there, short of " +
                              waypoint(route.back()) + ", the end of the mission");
  }

  // The speed that takes the least energy a metre: the hotel load over the speed falls as
  // the speed rises, the propulsion's rises with its square; they meet where the
  // propulsion draws half the hotel load.
  const double best = std::cbrt(loads.hotel / (2 * loads.propulsionFactor));
  const double bestPerMeter = loads.at(best) / best;
  const double cruisePerMeter = loads.at(cruise) / cruise;
  const long long surfacings = static_cast<long long>(route.size()) - 1;
  const double perKilometre = 1000 / joulesPerWattHour;
  report.summary = {
      "energy:",
      "  used         " + wattHours(used) + ": " + wattHours(underWay) + " under way at " + number(cruise) + " m/s, " +
          wattHours(used - underWay) + " at " + std::to_string(surfacings) +
          (surfacings == 1 ? " surfacing" : " surfacings"),
      "  left         " +
          (used > battery ? "nothing, " + wattHours(used - battery) + " short," : wattHours(battery - used)) + " of " +
          wattHours(battery) + " at the end; reserve " + wattHours(reserve) + " (" + number(percent) + " %)",
      "  best speed   " + roughly(best) + " m/s, " + roughly(bestPerMeter * perKilometre) + " Wh a km (" +
          roughly(cruisePerMeter * perKilometre) + " at " + number(cruise) +
          " m/s): " + roughly(battery / bestPerMeter / 1000) + " km on the battery, " +
          roughly((battery - reserve) / bestPerMeter / 1000) + " km to the reserve, without surfacings"};
  return report;
}
