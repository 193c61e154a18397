// The program-wide settings of a run, their defaults, and the copy of them the outputs
// are made from.
#include "settings.h"

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
seabedParameters seabedSettings;
energyParameters energySettings;
currentParameters waterCurrent;
diveParameters diveSettings;
briefParameters briefSettings;

double missionTime;

int choice;
char reply;
float spd;
int headingInt;
int missionTimeInt;
int legSecsInt;

void resetSettings() {
  // The defaults are those of the settings' value, kept in one place.
  useValues(settingValues{});
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

settingValues currentValues() {
  return {currentSettings(), surveySettings, seabedSettings, energySettings, waterCurrent, diveSettings, briefSettings};
}

void useValues(const settingValues& values) {
  const missionSettings& s = values.mission;
  abortOnTimeout = s.abortOnTimeout;
  kallopMission = s.kallopMission;
  yoyoMission = s.yoyoMission;
  maxLegMeters = s.maxLegMeters;
  missionSpeed = s.missionSpeed;
  missionSpeedSlow = s.missionSpeedSlow;
  gpsHits = s.gpsHits;
  wayPointDepth = s.wayPointDepth;
  minDepth = s.minDepth;
  maxDepth = s.maxDepth;
  abortDepth = s.abortDepth;
  abortAltitude = s.abortAltitude;
  abortLockoutDepth = s.abortLockoutDepth;
  yoyoMinAltitude = s.yoyoMinAltitude;
  missionYoyoMinDepth = s.missionYoyoMinDepth;
  missionYoyoMaxDepth = s.missionYoyoMaxDepth;
  missionYoyoMaxDepthShallow = s.missionYoyoMaxDepthShallow;
  missionTimerFactor = s.missionTimerFactor;
  surfacingAllowance = s.surfacingAllowance;
  surveySettings = values.survey;
  seabedSettings = values.seabed;
  energySettings = values.energy;
  waterCurrent = values.current;
  diveSettings = values.dives;
  briefSettings = values.brief;
}

namespace {

// The settings hold their defaults from the moment the program starts.
const bool settingsReady = (resetSettings(), true);

}  // namespace
