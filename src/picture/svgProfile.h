// The profile panel of the plan's picture: the vehicle's planned depth, downward, against
// the time from launch. Each leg at its depth (the yoyo band or the waypoint depth), the
// surfacings between the legs where the time estimate puts them, the depth envelope as
// lines, and the end of the route beside the mission timer, which shows in a warning
// colour when it ends the mission first.
#pragma once

#include "picture/svgDraw.h"
#include "text/textOut.h"

// Pixels above the profile's frame that its heading and the surfacings' numbers take,
// and below it that its time axis takes.
constexpr double profileAboveFrame = 34;
constexpr double profileBelowFrame = 40;

// The profile of the planned route inside `frame`.
void writeProfile(const box& frame, textOut& out);
