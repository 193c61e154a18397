#include "report/routeReport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "mission/routeLimits.h"
#include "report/surfacingTime.h"
#include "text/runMessages.h"
#include "text/textOut.h"

namespace {

// As printf's "%g", "%.Nf" and "%.Ng".
std::string number(double value) { return numberText::general(value, 6).text(); }
std::string fixed(double value, int places) { return numberText::fixed(value, places).text(); }
std::string significant(double value, int digits) { return numberText::general(value, digits).text(); }

std::string meters(double value) { return number(value) + " m"; }

std::string waypoint(const missionWaypoint& w) { return "waypoint " + std::to_string(w.number); }

// The warnings of one menu, all into the run's log.
class settingWarnings {
 public:
  explicit settingWarnings(warningLog& log) : log_(log) {}

  void warn(const std::string& text) { log_.warn(text); }

  void ifNegative(const char* name, double value) {
    if (value < 0) warn(std::string(name) + " is " + meters(value) + ": a depth or altitude cannot be negative");
  }

  void aboutSpeed(const char* name, double speed) {
    if (!(speed >= slowestSpeed && speed <= fastestSpeed)) {
      warn(std::string(name) + " is " + number(speed) + " m/s: such a vehicle runs at " + number(slowestSpeed) +
           " to " + number(fastestSpeed) + " m/s");
    }
  }

 private:
  warningLog& log_;
};

}  // namespace

std::string clockTime(double seconds) {
  if (!(seconds >= 0 && seconds < 1e15)) return number(seconds) + " s";
  const long long whole = std::llround(seconds);
  const auto twoDigits = [](long long v) { return (v < 10 ? "0" : "") + numberText::integer(v).text(); };
  return numberText::integer(whole / 3600).text() + ":" + twoDigits(whole / 60 % 60) + ":" + twoDigits(whole % 60);
}

void summariseRoute(const std::string& fileName, const routeOutline& route) {
  toStderr(fileName + ": " + std::to_string(route.waypoints) + (route.waypoints == 1 ? " waypoint, " : " waypoints, ") +
           fixed(route.meters / 1000, 3) + " km");
}

void warnAboutMissionParameters(const missionSettings& settings, const routeOutline& route, warningLog& warnings) {
  settingWarnings w(warnings);
  const missionSettings& s = settings;
  w.aboutSpeed("the mission speed", s.missionSpeed);
  w.aboutSpeed("the slow speed", s.missionSpeedSlow);
  w.ifNegative("minDepth", s.minDepth);
  w.ifNegative("maxDepth", s.maxDepth);
  w.ifNegative("abortDepth", s.abortDepth);
  w.ifNegative("abortAltitude", s.abortAltitude);
  w.ifNegative("abortLockoutDepth", s.abortLockoutDepth);
  if (s.minDepth > s.maxDepth) {
    w.warn("minDepth " + meters(s.minDepth) + " is deeper than maxDepth " + meters(s.maxDepth));
  }
  if (s.maxDepth > s.abortDepth) {
    w.warn("maxDepth " + meters(s.maxDepth) + " is beyond abortDepth " + meters(s.abortDepth) +
           ": the vehicle would abort before it");
  }
  if (s.abortLockoutDepth >= s.abortDepth) {
    w.warn("abortLockoutDepth " + meters(s.abortLockoutDepth) + " is at or beyond abortDepth " + meters(s.abortDepth) +
           ": the abort lockout reaches the depth at which the vehicle must abort");
  }
  if (s.gpsHits <= 0) {
    w.warn("GPS hits is " + std::to_string(s.gpsHits) + ": the vehicle would go on without a position fix");
  } else if (s.gpsHits > gpsHitsPerSecond * gpsFixLimitSeconds) {
    w.warn("GPS hits is " + std::to_string(s.gpsHits) + ": at the assumed " + number(gpsHitsPerSecond) +
           " hit a second a fix gathers at most " + number(gpsHitsPerSecond * gpsFixLimitSeconds) + " in its " +
           number(gpsFixLimitSeconds) + " s, so every fix times out" +
           (s.abortOnTimeout == 1 ? " and the vehicle aborts at its first surfacing"
                                  : " and the vehicle dives on without a position fix"));
  }
  if (s.maxLegMeters < shortestSurfacingLeg) {
    w.warn("the meters between surfacings of " + meters(s.maxLegMeters) + " are below the " +
           meters(shortestSurfacingLeg) +
           " a leg between two surfacings should run: the vehicle would spend the dive surfacing and diving again "
           "(kilometres typed as metres?)");
  } else if (s.maxLegMeters > longestBlindLeg) {
    w.warn("the meters between surfacings of " + meters(s.maxLegMeters) + " are beyond the " + meters(longestBlindLeg) +
           " a leg without a GPS fix can sensibly hold: the dead-reckoned position drifts with the distance run "
           "(the longest leg of this route is " +
           fixed(route.longestLeg / 1000, 3) + " km)");
  }
}

void warnAboutYoyoParameters(const missionSettings& settings, warningLog& warnings) {
  settingWarnings w(warnings);
  const missionSettings& s = settings;
  w.ifNegative("the yoyo minimum altitude", s.yoyoMinAltitude);
  w.ifNegative("the yoyo minimum depth", s.missionYoyoMinDepth);
  w.ifNegative("the yoyo maximum depth", s.missionYoyoMaxDepth);
  if (s.missionYoyoMinDepth > s.missionYoyoMaxDepth) {
    w.warn("the yoyo minimum depth " + meters(s.missionYoyoMinDepth) + " is deeper than its maximum depth " +
           meters(s.missionYoyoMaxDepth));
  }
  if (s.missionYoyoMaxDepth > s.abortDepth) {
    w.warn("the yoyo maximum depth " + meters(s.missionYoyoMaxDepth) + " is beyond abortDepth " + meters(s.abortDepth) +
           ": the vehicle would abort before it");
  } else if (s.missionYoyoMaxDepth > s.maxDepth) {
    w.warn("the yoyo maximum depth " + meters(s.missionYoyoMaxDepth) + " is deeper than maxDepth " +
           meters(s.maxDepth) + ": the depth envelope keeps the vehicle from reaching it");
  }
  if (s.missionYoyoMinDepth < s.minDepth) {
    w.warn("the yoyo minimum depth " + meters(s.missionYoyoMinDepth) + " is shallower than minDepth " +
           meters(s.minDepth) + ": the depth envelope keeps the vehicle from rising to it");
  }
  if (s.yoyoMinAltitude <= s.abortAltitude) {
    w.warn("YOYO_MIN_ALTITUDE " + meters(s.yoyoMinAltitude) + " is at or below abortAltitude " +
           meters(s.abortAltitude) + ": the vehicle aborts at the first yoyo bottom");
  }
}

void warnAboutWaypointDepth(const missionSettings& settings, warningLog& warnings) {
  settingWarnings w(warnings);
  const missionSettings& s = settings;
  w.ifNegative("the waypoint depth", s.wayPointDepth);
  if (s.wayPointDepth > s.abortDepth) {
    w.warn("the waypoint depth " + meters(s.wayPointDepth) + " is beyond abortDepth " + meters(s.abortDepth) +
           ": the vehicle would abort before it");
  } else if (s.wayPointDepth > s.maxDepth) {
    w.warn("the waypoint depth " + meters(s.wayPointDepth) + " is deeper than maxDepth " + meters(s.maxDepth) +
           ": the depth envelope keeps the vehicle from reaching it");
  }
  if (s.wayPointDepth < s.minDepth) {
    w.warn("the waypoint depth " + meters(s.wayPointDepth) + " is shallower than minDepth " + meters(s.minDepth) +
           ": the depth envelope keeps the vehicle from rising to it");
  }
}

namespace {

// The waypoints after the launch waypoint: the vehicle surfaces at each.
long long surfacings(const plannedMission& mission) { return static_cast<long long>(mission.waypoints.size()) - 1; }

double secondsUnderWay(const plannedMission& mission) {
  double seconds = 0;
  for (const missionWaypoint& w : mission.waypoints) seconds += w.legSecs;
  return seconds;
}

// The waypoint before whose surfacing a timer of `timer` seconds ends the mission, in the
// order the vehicle runs it: at the surface before a leg, the leg, the ascent at its end.
int waypointTimedOut(const plannedMission& mission, double timer) {
  const std::vector<missionWaypoint>& route = mission.waypoints;
  const double before = beforeLegSeconds(mission.settings);
  const double ascent = ascentSeconds(legEndDepth(mission.settings));
  double elapsed = 0;
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    elapsed += before + route[i].legSecs + ascent;
    if (elapsed > timer) return route[i + 1].number;
  }
  return route.back().number;
}

// The seconds a waypoint that surfacingAllowance must be for the timer to leave `missing`
// seconds more at `count` surfacings, with a second to spare for the timer's rounding.
long long allowanceNeeded(double allowance, double missing, long long count) {
  return static_cast<long long>(std::ceil(allowance + (missing + 1) / static_cast<double>(count)));
}

// The surfacings must fit in what the timer adds to the time under way.
void warnAboutSurfacingTime(const plannedMission& mission, warningLog& warnings) {
  const missionSettings& s = mission.settings;
  const double underWay = secondsUnderWay(mission);
  const double timer = std::nearbyint(mission.missionTime);
  const long long count = surfacings(mission);
  const double atSurfacings = static_cast<double>(count) * surfacingSeconds(s, legEndDepth(s));
  if (!(atSurfacings > timer - underWay)) return;
  warnings.warn(
      (count == 1 ? std::string("the surfacing takes") : "the " + std::to_string(count) + " surfacings take") +
      " about " + clockTime(atSurfacings) + " (ascent from " + meters(legEndDepth(s)) +
      ", GPS fix, setpoint, descent), more than the " + clockTime(std::max(timer - underWay, 0.0)) +
      " the mission timer leaves beyond the " + clockTime(underWay) + " under way: the timer of " + clockTime(timer) +
      " ends the mission before the vehicle surfaces at " + "waypoint " +
      std::to_string(waypointTimedOut(mission, timer)) + " of " + std::to_string(mission.waypoints.back().number) +
      "; raise missionTimerFactor, or surfacingAllowance to " +
      std::to_string(allowanceNeeded(s.surfacingAllowance, atSurfacings - (timer - underWay), count)) + " s");
}

}  // namespace

problem planBeyondVehicle(const plannedMission& mission) {
  const int count = mission.waypoints.back().number;
  if (count > maxMissionWaypoints) {
    return failure{"the plan has " + std::to_string(count) + " waypoints, more than the " +
                       std::to_string(maxMissionWaypoints) + " a mission holds\n",
                   "vesk: a mission holds at most " + std::to_string(maxMissionWaypoints) +
                       " waypoints; check the route and maxLegMeters, or split the plan into dives with "
                       "--max-dive-hours H; nothing is written"};
  }
  const double timer = std::nearbyint(mission.missionTime);
  if (timer < static_cast<double>(std::numeric_limits<int>::max()) + 0.5) return std::nullopt;
  return failure{"the mission timer of " + fixed(timer, 0) + " s is beyond what the vehicle's timer holds\n",
                 "vesk: the vehicle's timer holds at most " + std::to_string(std::numeric_limits<int>::max()) +
                     " s; check the speed and the route, or split the plan into dives with --max-dive-hours H; "
                     "nothing is written"};
}

void warnAboutPlan(const plannedMission& mission, warningLog& warnings) {
  const std::vector<missionWaypoint>& route = mission.waypoints;
  const double shortPiece = mission.settings.maxLegMeters * shortPieceShare;
  size_t legStart = 0;
  int shown = 0;
  int more = 0;
  for (size_t i = 0; i < route.size(); ++i) {
    const bool added = route[i].kind == waypointKind::added;
    if (!added) legStart = i;
    // The last piece of a cut leg: the next surfacing is the leg's end.
    if (added && i + 1 < route.size() && route[i + 1].kind != waypointKind::added && route[i].legMeters < shortPiece) {
      if (shown++ < 5) {
        warnings.warn("the leg from " + waypoint(route[legStart]) + " to " + waypoint(route[i + 1]) +
                      " ends with a piece of " + significant(route[i].legMeters, 3) + " m: " + waypoint(route[i]) +
                      " surfaces just before " + waypoint(route[i + 1]));
      } else {
        ++more;
      }
    }
  }
  if (more > 0) warnings.warn(std::to_string(more) + " more legs end with such a short piece");
  warnAboutSurfacingTime(mission, warnings);
  const double missionTime = mission.missionTime;
  // A timer beyond what the vehicle's holds is refused (planBeyondVehicle), not warned of.
  if (missionTime >= 86400 && !planBeyondVehicle(mission)) {
    warnings.warn("the mission timer is " + clockTime(std::nearbyint(missionTime)) +
                  ", a day or more; check the speed and the route");
  }
}

std::vector<planFigure> planFigures(const plannedMission& mission) {
  const std::vector<missionWaypoint>& route = mission.waypoints;
  const missionSettings& s = mission.settings;
  long long given = 0;
  long long added = 0;
  double length = 0;
  double seconds = 0;
  size_t longest = 0;
  for (size_t i = 0; i < route.size(); ++i) {
    if (route[i].kind == waypointKind::added) {
      ++added;
    } else if (route[i].kind == waypointKind::given) {
      ++given;
    }
    length += route[i].legMeters;
    seconds += route[i].legSecs;
    // The pieces of a survey's line cut at the surfacings are equal but for the last bits
    // of their arithmetic, which the systems' math libraries round differently: of legs
    // equal to a micrometre the first is the longest, on every system.
    if (route[i].legMeters > route[longest].legMeters + 1e-6) longest = i;
  }
  const long long count = surfacings(mission);
  // The longest leg leads to the next waypoint: the last waypoint, which has no leg, is
  // never the longest, as the launch leg is longer than nothing.
  const missionWaypoint& to = route[std::min(longest + 1, route.size() - 1)];
  return {
      {"waypoints", std::to_string(1 + given + added) + ": launch, " + std::to_string(given) + " given, " +
                        std::to_string(added) + " added at surfacings"},
      {"length", fixed(length / 1000, 3) + " km"},
      {"time", clockTime(seconds) + " under way at " + number(s.missionSpeed) + " m/s, " +
                   clockTime(static_cast<double>(count) * surfacingSeconds(s, legEndDepth(s))) + " at " +
                   std::to_string(count) + (count == 1 ? " surfacing" : " surfacings") + "; mission timer " +
                   clockTime(std::nearbyint(mission.missionTime))},
      {"longest leg", meters(route[longest].legMeters) + ", from " + waypoint(route[longest]) + " to " + waypoint(to)}};
}

void summarisePlan(const plannedMission& mission, const std::string& stem) {
  toStderr("plan " + stem + "cfg:");
  for (const planFigure& figure : planFigures(mission)) {
    toStderr("  " + figure.label + std::string(13 - figure.label.size(), ' ') + figure.value);
  }
}
