#include "report/routeReport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "calcs.h"
#include "report/surfacingTime.h"
#include "settings.h"
#include "text/runMessages.h"
#include "text/textOut.h"
#include "wptList.h"

namespace {

// As printf's "%g", "%.Nf" and "%.Ng".
std::string number(double value) { return numberText::general(value, 6).text(); }
std::string fixed(double value, int places) { return numberText::fixed(value, places).text(); }
std::string significant(double value, int digits) { return numberText::general(value, digits).text(); }

std::string meters(double value) { return number(value) + " m"; }

std::string waypoint(const node* n) { return "waypoint " + std::to_string(n->wptNumber); }

void warnIfNegative(const char* name, double value) {
  if (value < 0) warn(std::string(name) + " is " + meters(value) + ": a depth or altitude cannot be negative");
}

void warnAboutSpeed(const char* name, double speed) {
  if (!(speed >= slowestSpeed && speed <= fastestSpeed)) {
    warn(std::string(name) + " is " + number(speed) + " m/s: such a vehicle runs at " + number(slowestSpeed) + " to " +
         number(fastestSpeed) + " m/s");
  }
}

}  // namespace

std::string clockTime(double seconds) {
  if (!(seconds >= 0 && seconds < 1e15)) return number(seconds) + " s";
  const long long whole = std::llround(seconds);
  const auto twoDigits = [](long long v) { return (v < 10 ? "0" : "") + numberText::integer(v).text(); };
  return numberText::integer(whole / 3600).text() + ":" + twoDigits(whole / 60 % 60) + ":" + twoDigits(whole % 60);
}

void summariseRoute(const std::string& fileName) {
  long long count = 0;
  double length = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    ++count;
    if (n->nextPtr != nullptr) length += dist(n->Lat, n->Lon, n->nextPtr->Lat, n->nextPtr->Lon);
  }
  toStderr(fileName + ": " + std::to_string(count) + (count == 1 ? " waypoint, " : " waypoints, ") +
           fixed(length / 1000, 3) + " km");
}

void warnAboutMissionParameters() {
  warnAboutSpeed("the mission speed", missionSpeed);
  warnAboutSpeed("the slow speed", missionSpeedSlow);
  warnIfNegative("minDepth", minDepth);
  warnIfNegative("maxDepth", maxDepth);
  warnIfNegative("abortDepth", abortDepth);
  warnIfNegative("abortAltitude", abortAltitude);
  warnIfNegative("abortLockoutDepth", abortLockoutDepth);
  if (minDepth > maxDepth) {
    warn("minDepth " + meters(minDepth) + " is deeper than maxDepth " + meters(maxDepth));
  }
  if (maxDepth > abortDepth) {
    warn("maxDepth " + meters(maxDepth) + " is beyond abortDepth " + meters(abortDepth) +
         ": the vehicle would abort before it");
  }
  if (abortLockoutDepth >= abortDepth) {
    warn("abortLockoutDepth " + meters(abortLockoutDepth) + " is at or beyond abortDepth " + meters(abortDepth) +
         ": the abort lockout reaches the depth at which the vehicle must abort");
  }
  if (gpsHits <= 0) {
    warn("GPS hits is " + std::to_string(gpsHits) + ": the vehicle would go on without a position fix");
  } else if (gpsHits > gpsHitsPerSecond * gpsFixLimitSeconds) {
    warn("GPS hits is " + std::to_string(gpsHits) + ": at the assumed " + number(gpsHitsPerSecond) +
         " hit a second a fix gathers at most " + number(gpsHitsPerSecond * gpsFixLimitSeconds) + " in its " +
         number(gpsFixLimitSeconds) + " s, so every fix times out" +
         (abortOnTimeout == 1 ? " and the vehicle aborts at its first surfacing"
                              : " and the vehicle dives on without a position fix"));
  }
  if (maxLegMeters < shortestSurfacingLeg) {
    warn("the meters between surfacings of " + meters(maxLegMeters) + " are below the " + meters(shortestSurfacingLeg) +
         " a leg between two surfacings should run: the vehicle would spend the dive surfacing and diving again "
         "(kilometres typed as metres?)");
  } else if (maxLegMeters > longestBlindLeg) {
    double longest = 0;
    for (const node* n = headNodePtr; n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
      longest = std::max(longest, dist(n->Lat, n->Lon, n->nextPtr->Lat, n->nextPtr->Lon));
    }
    warn("the meters between surfacings of " + meters(maxLegMeters) + " are beyond the " + meters(longestBlindLeg) +
         " a leg without a GPS fix can sensibly hold: the dead-reckoned position drifts with the distance run "
         "(the longest leg of this route is " +
         fixed(longest / 1000, 3) + " km)");
  }
}

void warnAboutYoyoParameters() {
  warnIfNegative("the yoyo minimum altitude", yoyoMinAltitude);
  warnIfNegative("the yoyo minimum depth", missionYoyoMinDepth);
  warnIfNegative("the yoyo maximum depth", missionYoyoMaxDepth);
  if (missionYoyoMinDepth > missionYoyoMaxDepth) {
    warn("the yoyo minimum depth " + meters(missionYoyoMinDepth) + " is deeper than its maximum depth " +
         meters(missionYoyoMaxDepth));
  }
  if (missionYoyoMaxDepth > abortDepth) {
    warn("the yoyo maximum depth " + meters(missionYoyoMaxDepth) + " is beyond abortDepth " + meters(abortDepth) +
         ": the vehicle would abort before it");
  } else if (missionYoyoMaxDepth > maxDepth) {
    warn("the yoyo maximum depth " + meters(missionYoyoMaxDepth) + " is deeper than maxDepth " + meters(maxDepth) +
         ": the depth envelope keeps the vehicle from reaching it");
  }
  if (missionYoyoMinDepth < minDepth) {
    warn("the yoyo minimum depth " + meters(missionYoyoMinDepth) + " is shallower than minDepth " + meters(minDepth) +
         ": the depth envelope keeps the vehicle from rising to it");
  }
  if (yoyoMinAltitude <= abortAltitude) {
    warn("YOYO_MIN_ALTITUDE " + meters(yoyoMinAltitude) + " is at or below abortAltitude " + meters(abortAltitude) +
         ": the vehicle aborts at the first yoyo bottom");
  }
}

void warnAboutWaypointDepth() {
  warnIfNegative("the waypoint depth", wayPointDepth);
  if (wayPointDepth > abortDepth) {
    warn("the waypoint depth " + meters(wayPointDepth) + " is beyond abortDepth " + meters(abortDepth) +
         ": the vehicle would abort before it");
  } else if (wayPointDepth > maxDepth) {
    warn("the waypoint depth " + meters(wayPointDepth) + " is deeper than maxDepth " + meters(maxDepth) +
         ": the depth envelope keeps the vehicle from reaching it");
  }
  if (wayPointDepth < minDepth) {
    warn("the waypoint depth " + meters(wayPointDepth) + " is shallower than minDepth " + meters(minDepth) +
         ": the depth envelope keeps the vehicle from rising to it");
  }
}

namespace {

// The waypoints after the launch waypoint: the vehicle surfaces at each.
long long surfacings() {
  long long count = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count;
  return count - 1;
}

double secondsUnderWay() {
  double seconds = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) seconds += n->legSecs;
  return seconds;
}

// The waypoint before whose surfacing a timer of `timer` seconds ends the mission, in the
// order the vehicle runs it: at the surface before a leg, the leg, the ascent at its end.
int waypointTimedOut(double timer) {
  const double before = beforeLegSeconds();
  const double ascent = ascentSeconds(legEndDepth());
  double elapsed = 0;
  for (const node* n = headNodePtr; n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    elapsed += before + n->legSecs + ascent;
    if (elapsed > timer) return n->nextPtr->wptNumber;
  }
  return tailNodePtr->wptNumber;
}

// The seconds a waypoint that surfacingAllowance must be for the timer to leave `missing`
// seconds more at `count` surfacings, with a second to spare for the timer's rounding.
long long allowanceNeeded(double missing, long long count) {
  return static_cast<long long>(std::ceil(surfacingAllowance + (missing + 1) / static_cast<double>(count)));
}

// The surfacings must fit in what the timer adds to the time under way.
void warnAboutSurfacingTime() {
  const double underWay = secondsUnderWay();
  const double timer = std::nearbyint(missionTime);
  const long long count = surfacings();
  const double atSurfacings = static_cast<double>(count) * surfacingSeconds(legEndDepth());
  if (!(atSurfacings > timer - underWay)) return;
  warn((count == 1 ? std::string("the surfacing takes") : "the " + std::to_string(count) + " surfacings take") +
       " about " + clockTime(atSurfacings) + " (ascent from " + meters(legEndDepth()) +
       ", GPS fix, setpoint, descent), more than the " + clockTime(std::max(timer - underWay, 0.0)) +
       " the mission timer leaves beyond the " + clockTime(underWay) + " under way: the timer of " + clockTime(timer) +
       " ends the mission before the vehicle surfaces at " + "waypoint " + std::to_string(waypointTimedOut(timer)) +
       " of " + std::to_string(tailNodePtr->wptNumber) + "; raise missionTimerFactor, or surfacingAllowance to " +
       std::to_string(allowanceNeeded(atSurfacings - (timer - underWay), count)) + " s");
}

}  // namespace

void warnAboutPlan() {
  const double shortPiece = maxLegMeters * shortPieceShare;
  const node* legStart = headNodePtr;
  int shown = 0;
  int more = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    if (!n->inserted) legStart = n;
    // The last piece of a cut leg: the next surfacing is the leg's end.
    if (n->inserted && n->nextPtr != nullptr && !n->nextPtr->inserted && n->legMeters < shortPiece) {
      if (shown++ < 5) {
        warn("the leg from " + waypoint(legStart) + " to " + waypoint(n->nextPtr) + " ends with a piece of " +
             significant(n->legMeters, 3) + " m: " + waypoint(n) + " surfaces just before " + waypoint(n->nextPtr));
      } else {
        ++more;
      }
    }
  }
  if (more > 0) warn(std::to_string(more) + " more legs end with such a short piece");
  warnAboutSurfacingTime();
  if (missionTime >= static_cast<double>(std::numeric_limits<int>::max()) + 0.5) {
    warn("the mission timer of " + fixed(std::nearbyint(missionTime), 0) +
         " s is beyond what the vehicle's timer holds; check the speed and the route");
  } else if (missionTime >= 86400) {
    warn("the mission timer is " + clockTime(std::nearbyint(missionTime)) +
         ", a day or more; check the speed and the route");
  }
}

std::vector<planFigure> planFigures() {
  long long given = 0;
  long long added = 0;
  double length = 0;
  double seconds = 0;
  const node* longest = headNodePtr;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    if (n->inserted) {
      ++added;
    } else if (n != headNodePtr) {
      ++given;
    }
    length += n->legMeters;
    seconds += n->legSecs;
    if (n->legMeters > longest->legMeters) longest = n;
  }
  const long long count = surfacings();
  return {{"waypoints", std::to_string(1 + given + added) + ": launch, " + std::to_string(given) + " given, " +
                            std::to_string(added) + " added at surfacings"},
          {"length", fixed(length / 1000, 3) + " km"},
          {"time", clockTime(seconds) + " under way at " + number(missionSpeed) + " m/s, " +
                       clockTime(static_cast<double>(count) * surfacingSeconds(legEndDepth())) + " at " +
                       std::to_string(count) + (count == 1 ? " surfacing" : " surfacings") + "; mission timer " +
                       clockTime(std::nearbyint(missionTime))},
          {"longest leg",
           meters(longest->legMeters) + ", from " + waypoint(longest) + " to " + waypoint(longest->nextPtr)}};
}

void summarisePlan(const std::string& stem) {
  toStderr("plan " + stem + "cfg:");
  for (const planFigure& figure : planFigures()) {
    toStderr("  " + figure.label + std::string(13 - figure.label.size(), ' ') + figure.value);
  }
}
