#include "report/surfacingTime.h"

#include <algorithm>

#include "settings.h"

double legEndDepth() { return yoyoMission == 1 ? missionYoyoMaxDepth : wayPointDepth; }

double gpsFixSeconds() { return std::clamp(gpsHits / gpsHitsPerSecond, 0.0, gpsFixLimitSeconds); }

double ascentSeconds(double depth) { return std::max(depth - ascentEndDepth, 0.0) / (ascentSpeed * sineOfAscentPitch); }

double beforeLegSeconds() { return gpsFixSeconds() + setpointSeconds + descentDepth / (descentSpeed * 0.5); }

double surfacingSeconds(double depth) { return ascentSeconds(depth) + beforeLegSeconds(); }
