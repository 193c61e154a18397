#include "report/surfacingTime.h"

#include <algorithm>

double legEndDepth(const missionSettings& settings) {
  return settings.yoyoMission == 1 ? settings.missionYoyoMaxDepth : settings.wayPointDepth;
}

double gpsFixSeconds(const missionSettings& settings) {
  return std::clamp(settings.gpsHits / gpsHitsPerSecond, 0.0, gpsFixLimitSeconds);
}

double ascentSeconds(double depth) { return std::max(depth - ascentEndDepth, 0.0) / (ascentSpeed * sineOfAscentPitch); }

double descentSeconds() { return descentDepth / (descentSpeed * 0.5); }

double beforeLegSeconds(const missionSettings& settings) {
  return gpsFixSeconds(settings) + setpointSeconds + descentSeconds();
}

double surfacingSeconds(const missionSettings& settings, double depth) {
  return ascentSeconds(depth) + beforeLegSeconds(settings);
}
