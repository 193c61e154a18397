// The mission settings every module reads by name: what the operator edits in the
// dialogue, with their defaults, and what planning derives from them. Defined by the
// driver (vesk.cpp).
#pragma once

#include "mission/missionSettings.h"
#include "settings/settingValues.h"
#include "survey/surveyParameters.h"

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

// ---- The mission timer (settings file and --set only) ----
extern double missionTimerFactor;  // times the time under way; 1.2 by default
extern double surfacingAllowance;  // seconds added for each waypoint group; 0 by default
// ---- Survey areas (--area) ----
// How the lines of a survey are laid out: spacing or swath and overlap, bearing, entry,
// run-in and cross lines. Its maxLegMeters is not read: the survey takes maxLegMeters above.
extern seabedParameters seabedSettings;  // the seabed checks (--bathymetry)
extern energyParameters energySettings;  // the energy budget; none given: no budget
extern currentParameters waterCurrent;   // the current; none given: still water
extern diveParameters diveSettings;      // the longest dive; none given: one dive
extern briefParameters briefSettings;    // the dive brief's launch time and checklist
extern surveyParameters surveySettings;

// ---- Derived during the run ----
// missionTimerFactor x the sum of all leg durations + surfacingAllowance x the waypoint
// groups, seconds
extern double missionTime;

// ---- Scratch values ----
// The last menu selection, yes/no answer and speed the dialogue read, and the last
// heading, mission time and leg duration the mission script rounded to an integer. Kept
// after the fact for whoever debugs a run; nothing in the run reads them back.
extern int choice;
extern char reply;
extern float spd;
extern int headingInt;
extern int missionTimeInt;
extern int legSecsInt;

// Puts every setting and scratch value back to its start-of-run default.
void resetSettings();

// The settings as they stand, as a value for the subsystems that take them as an argument.
// surveySettings is not in it: the survey takes those as its own parameters.
missionSettings currentSettings();

// Every setting a settings file, --set or a survey option can give, as they stand; and
// those of `values` made the program-wide settings, before the dialogue starts from them.
settingValues currentValues();
void useValues(const settingValues& values);
