// The operator dialogue: parameter menus, single-value editors and yes/no questions.
#pragma once

#include <string>

// Forgets any input read ahead, for a new run in the same process.
void resetDialogue();

// Banner and prompt for the waypoint file when none was given on the command line.
std::string queryWaypointFileName();

// The mission parameter menu; returns 0 once the operator accepts the parameters.
int queryMissionParameters();

// Editors of the parameter menu: each shows one setting, reads a new value and returns
// it. An entry the editor cannot take is reported ("Error ... please try again") and the
// editor asks again, until it gets one it can take. abortOnTimeout takes 0 or 1 only, and
// the meters between surfacings no distance that would cut the route into more waypoints
// than the program plans.
float Speed();
float SpeedSlow();
int gpsNum();
double get_maxLegMeters();
double get_minDepth();
double get_maxDepth();
double get_abortDepth();
double get_abortAltitude();
double get_abortLockoutDepth();
double get_abortOnTimeout();

// Mission type questions: 1 for yes, 0 for no.
int queryYoyo();
int queryKallop();

// The sampler question's reminder, on standard error, for a run that asks no question
// and waits for no key.
void remindOfArmedKallops();

// The yoyo parameter menu; returns 0 once the operator accepts the parameters. Its
// editors, and the waypoint depth's, ask again after an entry that is no whole number.
int queryYoYoParameters();
int yoyoMinAlt();
int yoyoMinDepth();
int yoyoMaxDepth();
int yoyoMaxDepthShallow();

// Constant depth of a non-yoyo mission.
int queryWaypointDepth();
