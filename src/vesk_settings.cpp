// The program-wide settings of a run, their defaults, and the copy of them the outputs
// are made from.
#include "settings.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

int abortOnTimeout;
int kallopMission;
int yoyoMission;
double maxLegMeters;
double missionSpeed;
double missionSpeedSlow;
int gpsHits;
int wayPointDepth;
double minDepth;
double maxDepth;
double abortDepth;
double abortAltitude;
double abortLockoutDepth;
int yoyoMinAltitude;
int missionYoyoMinDepth;
int missionYoyoMaxDepth;
int missionYoyoMaxDepthShallow;
const int LAUNCH_OFFSET = 500;
double missionTimerFactor;
double surfacingAllowance;
surveyParameters surveySettings;

double missionTime;

int choice;
char reply;
float spd;
int headingInt;
int missionTimeInt;
int legSecsInt;

const char* const veskVersion = VESK_VERSION;

void resetSettings() {
  abortOnTimeout = 1;
  kallopMission = 1;
  yoyoMission = 1;
  maxLegMeters = 3600.0;
  missionSpeed = 1.5;
  missionSpeedSlow = 1.25;
  gpsHits = 30;
  wayPointDepth = 50;
  minDepth = 0.0;
  maxDepth = 90.0;
  abortDepth = 100.0;
  abortAltitude = 2.5;
  abortLockoutDepth = 8.0;
  yoyoMinAltitude = 15;
  missionYoyoMinDepth = 2;
  missionYoyoMaxDepth = 90;
  missionYoyoMaxDepthShallow = 20;
  missionTimerFactor = 1.2;
  surfacingAllowance = 0.0;
  surveySettings = surveyParameters{};
  missionTime = 0.0;
  choice = 0;
  reply = '0';
  spd = 1.5f;
  headingInt = 0;
  missionTimeInt = 0;
  legSecsInt = 0;
}

missionSettings currentSettings() {
  missionSettings s;
  s.abortOnTimeout = abortOnTimeout;
  s.kallopMission = kallopMission;
  s.yoyoMission = yoyoMission;
  s.maxLegMeters = maxLegMeters;
  s.missionSpeed = missionSpeed;
  s.missionSpeedSlow = missionSpeedSlow;
  s.gpsHits = gpsHits;
  s.wayPointDepth = wayPointDepth;
  s.minDepth = minDepth;
  s.maxDepth = maxDepth;
  s.abortDepth = abortDepth;
  s.abortAltitude = abortAltitude;
  s.abortLockoutDepth = abortLockoutDepth;
  s.yoyoMinAltitude = yoyoMinAltitude;
  s.missionYoyoMinDepth = missionYoyoMinDepth;
  s.missionYoyoMaxDepth = missionYoyoMaxDepth;
  s.missionYoyoMaxDepthShallow = missionYoyoMaxDepthShallow;
  s.launchOffset = LAUNCH_OFFSET;
  s.missionTimerFactor = missionTimerFactor;
  s.surfacingAllowance = surfacingAllowance;
  return s;
}

namespace {

// The settings hold their defaults from the moment the program starts.
const bool settingsReady = (resetSettings(), true);

}  // namespace
