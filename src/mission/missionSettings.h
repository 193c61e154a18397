// The mission settings of one run as a plain value: what the operator set through the
// dialogue, a settings file or --set, and the constants planning used. The driver copies
// them from its program-wide settings once the dialogue is over (currentSettings in
// settings.h), so that the outputs read what the route was planned with and nothing else.
#pragma once

struct missionSettings {
  int abortOnTimeout = 1;  // 1: the vehicle aborts when a GPS fix times out
  int kallopMission = 1;   // 1: water samplers armed at mission start
  int yoyoMission = 1;     // 1: legs flown as vertical yoyo profiles
  double maxLegMeters = 3600.0;
  double missionSpeed = 1.5;
  double missionSpeedSlow = 1.25;
  int gpsHits = 30;
  int wayPointDepth = 50;
  double minDepth = 0.0;
  double maxDepth = 90.0;
  double abortDepth = 100.0;
  double abortAltitude = 2.5;
  double abortLockoutDepth = 8.0;
  int yoyoMinAltitude = 15;
  int missionYoyoMinDepth = 2;
  int missionYoyoMaxDepth = 90;
  int missionYoyoMaxDepthShallow = 20;
  int launchOffset = 500;  // metres of the launch waypoint behind waypoint 1
  double missionTimerFactor = 1.2;
  double surfacingAllowance = 0.0;  // seconds for each waypoint group
};
