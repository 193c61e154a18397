// Program entry and the mission settings shared by every module.
#pragma once

#include <string>
#include <vector>

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

// ---- Run settings from the command line ----
extern std::string outputFolder;  // where the output files go; empty: the current directory

// Where the output file `name` goes: in the output folder.
std::string outputPath(const std::string& name);

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

// Prints `message` on standard output exactly as given, then `reason`, when there is one,
// as a line on standard error, and ends the run with status 1.
[[noreturn]] void failRun(const std::string& message, const std::string& reason = "");

// Writes `line` and a line end on standard error, after everything standard output holds,
// so that the two appear in order on a terminal.
void toStderr(const std::string& line);

// A slip the operator should know of that does not stop the run: "warning: " and `text`
// as one line on standard error.
void warn(const std::string& text);

// The texts of the run's warnings so far, in order: the picture of the plan shows them.
extern std::vector<std::string> runWarnings;

// The leg pass followed by every planning pass, in the order the route needs them.
void planRoute();

// The whole run; returns the process exit status.
int veskMain(int argc, char** argv);
