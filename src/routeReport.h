// What the operator hears of the route and the plan, on standard error: the route in one
// line before the questions, warnings of settings and pieces that cannot be meant, and a
// short summary of the plan once its files are written.
#pragma once

#include <string>

// Bounds of the speeds such a vehicle runs at, metres per second; a speed outside them is
// almost certainly mistyped.
constexpr double slowestSpeed = 0.25;
constexpr double fastestSpeed = 3.0;

// A last piece of a cut leg shorter than this share of the distance between surfacings
// makes the vehicle surface twice in a row for nothing.
constexpr double shortPieceShare = 0.1;

// `value` formatted by printf's `format` (one double conversion).
std::string printed(const char* format, double value);

// A duration as hours, minutes and seconds: 1:23:20.
std::string clockTime(double seconds);

// "FILE: N waypoints, L km", once the route is read and before any question.
void summariseRoute(const std::string& fileName);

// Warnings of settings that cannot be meant: depths negative, a minimum below a maximum or
// beyond the abort depth, GPS hits of 0 or less, abortOnTimeout other than 0 or 1, speeds
// outside what the vehicle does.
void warnAboutSettings();

// Warnings of the planned route: pieces far shorter than the distance between surfacings,
// a mission timer of a day or more.
void warnAboutPlan();

// The plan in at most five lines: its waypoints, length, time and timer, longest leg.
void summarisePlan();
