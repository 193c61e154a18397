// The time the vehicle spends at the surfacings, which the mission timer must leave room
// for. At every waypoint the mission script (writeMission) has the vehicle ascend from the
// leg's depth, take a GPS fix, hold a setpoint at the surface and descend again; the
// figures below are those of its behaviours, and a GPS receiver is assumed to give one
// hit a second.
#pragma once

#include "mission/missionSettings.h"

// The ascend behaviour: pitch 20 degrees at 1.5 m/s up to 2 m.
constexpr double ascentPitchDegrees = 20;
constexpr double ascentSpeed = 1.5;
constexpr double ascentEndDepth = 2;
// sin(20 degrees), written out so that every build takes the same figure.
constexpr double sineOfAscentPitch = 0.3420201433256687;
// The getgps behaviour gives up after 300 s; the receiver's rate is assumed.
constexpr double gpsFixLimitSeconds = 300;
constexpr double gpsHitsPerSecond = 1;
// The setpoint behaviour: 30 s at the surface at 1.5 m/s.
constexpr double setpointSeconds = 30;
constexpr double setpointSpeed = 1.5;
// The descend behaviour: pitch -30 degrees (sine 0.5) at 1.5 m/s down to 5 m.
constexpr double descentPitchDegrees = 30;
constexpr double descentSpeed = 1.5;
constexpr double descentDepth = 5;

// The depth a leg ends at, from which the vehicle ascends: the waypoint depth, or on a yoyo
// mission the yoyo's maximum depth, where it may be when it reaches the waypoint.
double legEndDepth(const missionSettings& settings);

// Seconds of one GPS fix: the hits asked for at the assumed rate, at most the fix's limit.
double gpsFixSeconds(const missionSettings& settings);

// Seconds of the ascent from `depth` metres.
double ascentSeconds(double depth);

// Seconds of the descent to descentDepth.
double descentSeconds();

// Seconds the vehicle spends at the surface before a leg: the GPS fix, the setpoint and
// the descent.
double beforeLegSeconds(const missionSettings& settings);

// Seconds of one whole surfacing after a leg ending at `depth` metres.
double surfacingSeconds(const missionSettings& settings, double depth);
