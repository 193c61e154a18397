// What the operator hears of the route and the plan, on standard error: the route in one
// line before the questions, warnings of settings and pieces that cannot be meant, and a
// short summary of the plan once its files are written.
#pragma once

#include <string>
#include <vector>

#include "mission/missionSettings.h"
#include "mission/plannedMission.h"
#include "text/runMessages.h"

// Bounds of the speeds such a vehicle runs at, metres per second; a speed outside them is
// almost certainly mistyped.
constexpr double slowestSpeed = 0.25;
constexpr double fastestSpeed = 3.0;

// A last piece of a cut leg shorter than this share of the distance between surfacings
// makes the vehicle surface twice in a row for nothing.
constexpr double shortPieceShare = 0.1;

// A duration as hours, minutes and seconds: 1:23:20.
std::string clockTime(double seconds);

// The route as read, before it is planned: what the operator hears of it before the
// questions, and what the warnings of the settings compare with.
struct routeOutline {
  long long waypoints = 0;
  double meters = 0;      // the length along the waypoints, metres
  double longestLeg = 0;  // metres
};

// "FILE: N waypoints, L km", once the route is read and before any question.
void summariseRoute(const std::string& fileName, const routeOutline& route);

// The longest leg a vehicle should run without a GPS fix, metres. It navigates by dead
// reckoning between surfacings, and its position error grows with the distance run: at
// one or two percent of it, 10 km leave the vehicle 100 to 200 m from where it believes it
// is, ten to twenty times the 10 m capture radius of the waypoints, after nearly two hours
// submerged at 1.5 m/s.
constexpr double longestBlindLeg = 10000;

// The shortest distance between surfacings worth a surfacing, metres. Each surfacing has
// the vehicle climb from the leg's depth, fix its position, run 45 m on the surface and
// dive again; legs shorter than this spend more of the dive at the surface than under way,
// and a value below it is most likely kilometres typed as metres (3.6 for 3600).
constexpr double shortestSurfacingLeg = 100;

// Warnings of settings that abort or defeat the dive, each given as soon as the menu that
// sets them is closed, before the next question.
// The parameter menu: depths negative, minDepth deeper than maxDepth, maxDepth beyond
// abortDepth, abortLockoutDepth at or beyond abortDepth, GPS hits of 0 or less or more than
// a fix can gather, meters between surfacings below shortestSurfacingLeg or beyond
// longestBlindLeg, speeds outside what the vehicle does.
void warnAboutMissionParameters(const missionSettings& settings, const routeOutline& route, warningLog& warnings);
// The yoyo menu: depths negative, the minimum deeper than the maximum, the maximum beyond
// abortDepth or maxDepth, the minimum shallower than minDepth, YOYO_MIN_ALTITUDE at or
// below abortAltitude.
void warnAboutYoyoParameters(const missionSettings& settings, warningLog& warnings);
// The waypoint depth: negative, beyond abortDepth or maxDepth, shallower than minDepth.
void warnAboutWaypointDepth(const missionSettings& settings, warningLog& warnings);

// Warnings of the planned route: pieces far shorter than the distance between surfacings,
// surfacings that take more time than the mission timer leaves for them (and where the
// timer then ends the mission), a mission timer of a day or more.
void warnAboutPlan(const plannedMission& mission, warningLog& warnings);

// A plan with more waypoints than a mission holds, or whose mission timer is beyond what
// the vehicle's timer holds: no vehicle can run it, so it is refused with the figures
// rather than written.
[[nodiscard]] problem planBeyondVehicle(const plannedMission& mission);

// The plan of the files under the name stem `stem` in at most five lines: its waypoints,
// length, time under way and at the surfacings, timer, longest leg.
void summarisePlan(const plannedMission& mission, const std::string& stem);

// The same figures, each as its name and its value.
struct planFigure {
  std::string label;
  std::string value;
};
std::vector<planFigure> planFigures(const plannedMission& mission);
