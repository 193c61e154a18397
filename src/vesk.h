// Program entry and the mission settings shared by every module.
#pragma once

#include <string>

// ---- Operator parameters (edited through the dialogue) ----
extern int abortOnTimeout;       // 1: the vehicle aborts when a GPS fix times out
extern int kallopMission;        // 1: water samplers armed at mission start
extern int yoyoMission;          // 1: legs flown as vertical yoyo profiles
extern double maxLegMeters;      // longest leg between two surfacings, metres
extern double missionSpeed;      // cruise speed, m/s
extern double missionSpeedSlow;  // slow speed, m/s
extern int gpsHits;              // GPS hits required at each surfacing
extern int wayPointDepth;        // constant depth of a non-yoyo leg, metres
extern double minDepth;
extern double maxDepth;
extern double abortDepth;
extern double abortAltitude;
extern double abortLockoutDepth;
extern int yoyoMinAltitude;
extern int missionYoyoMinDepth;
extern int missionYoyoMaxDepth;
extern int missionYoyoMaxDepthShallow;
extern const int LAUNCH_OFFSET;  // launch waypoint distance behind waypoint 1, metres

// ---- Derived during the run ----
extern double missionTime;  // 1.2 x the sum of all leg durations, seconds

// ---- Scratch values shared by the dialogue and the writers ----
extern int choice;
extern char reply;
extern float spd;
extern int headingInt;
extern int missionTimeInt;
extern int legSecsInt;

// Puts every setting and scratch value back to its start-of-run default.
void resetSettings();

// Thrown to end the run early; veskMain turns it into the exit status.
struct runEnd {
  int status;
};

// Prints `message` on standard output exactly as given and ends the run with status 1.
[[noreturn]] void failRun(const std::string& message);

// The leg pass followed by every planning pass, in the order the route needs them.
void planRoute();

// The whole run; returns the process exit status.
int veskMain(int argc, char** argv);
