#include "routeReport.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "calcs.h"
#include "vesk.h"
#include "wptList.h"

std::string printed(const char* format, double value) {
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), format, value);
  return text.data();
}

namespace {

std::string meters(double value) { return printed("%g", value) + " m"; }

std::string waypoint(const node* n) { return "waypoint " + std::to_string(n->wptNumber); }

void warnIfNegative(const char* name, double value) {
  if (value < 0) warn(std::string(name) + " is " + meters(value) + ": a depth or altitude cannot be negative");
}

void warnAboutSpeed(const char* name, double speed) {
  if (!(speed >= slowestSpeed && speed <= fastestSpeed)) {
    warn(std::string(name) + " is " + printed("%g", speed) + " m/s: such a vehicle runs at " +
         printed("%g", slowestSpeed) + " to " + printed("%g", fastestSpeed) + " m/s");
  }
}

}  // namespace

std::string clockTime(double seconds) {
  if (!(seconds >= 0 && seconds < 1e15)) return printed("%g s", seconds);
  const long long whole = std::llround(seconds);
  std::array<char, 64> text{};
  std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  return text.data();
}

void summariseRoute(const std::string& fileName) {
  long long count = 0;
  double length = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    ++count;
    if (n->nextPtr != nullptr) length += dist(n->Lat, n->Lon, n->nextPtr->Lat, n->nextPtr->Lon);
  }
  toStderr(fileName + ": " + std::to_string(count) + (count == 1 ? " waypoint, " : " waypoints, ") +
           printed("%.3f", length / 1000) + " km");
}

void warnAboutSettings() {
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
  if (yoyoMission == 1) {
    warnIfNegative("the yoyo minimum altitude", yoyoMinAltitude);
    warnIfNegative("the yoyo minimum depth", missionYoyoMinDepth);
    warnIfNegative("the yoyo maximum depth", missionYoyoMaxDepth);
    if (missionYoyoMinDepth > missionYoyoMaxDepth) {
      warn("the yoyo minimum depth " + meters(missionYoyoMinDepth) + " is deeper than its maximum depth " +
           meters(missionYoyoMaxDepth));
    }
    if (missionYoyoMaxDepth > abortDepth) {
      warn("the yoyo maximum depth " + meters(missionYoyoMaxDepth) + " is beyond abortDepth " +
           meters(abortDepth) + ": the vehicle would abort before it");
    }
  } else {
    warnIfNegative("the waypoint depth", wayPointDepth);
    if (wayPointDepth > abortDepth) {
      warn("the waypoint depth " + meters(wayPointDepth) + " is beyond abortDepth " + meters(abortDepth) +
           ": the vehicle would abort before it");
    }
  }
  if (gpsHits <= 0) {
    warn("GPS hits is " + std::to_string(gpsHits) + ": the vehicle would go on without a position fix");
  }
  if (abortOnTimeout != 0 && abortOnTimeout != 1) {
    warn("abortOnTimeout is " + std::to_string(abortOnTimeout) +
         ": only 1 means True; the script says False, and the vehicle goes on after a failed fix");
  }
}

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
             printed("%.3g", n->legMeters) + " m: " + waypoint(n) + " surfaces just before " + waypoint(n->nextPtr));
      } else {
        ++more;
      }
    }
  }
  if (more > 0) warn(std::to_string(more) + " more legs end with such a short piece");
  if (missionTime >= static_cast<double>(std::numeric_limits<int>::max()) + 0.5) {
    warn("the mission timer of " + printed("%.0f", std::nearbyint(missionTime)) +
         " s is beyond what the vehicle's timer holds; check the speed and the route");
  } else if (missionTime >= 86400) {
    warn("the mission timer is " + clockTime(std::nearbyint(missionTime)) +
         ", a day or more; check the speed and the route");
  }
}

void summarisePlan() {
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
  toStderr("plan " + file_name + "cfg:");
  toStderr("  waypoints    " + std::to_string(1 + given + added) + ": launch, " + std::to_string(given) + " given, " +
           std::to_string(added) + " added at surfacings");
  toStderr("  length       " + printed("%.3f", length / 1000) + " km");
  toStderr("  time         " + clockTime(seconds) + " at " + printed("%g", missionSpeed) + " m/s; mission timer " +
           clockTime(std::nearbyint(missionTime)));
  toStderr("  longest leg  " + meters(longest->legMeters) + ", from " + waypoint(longest) + " to " +
           waypoint(longest->nextPtr));
}
