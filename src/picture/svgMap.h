// The plan as one picture the operator can read at a glance on a field laptop without
// internet: a self-contained SVG file with a title block (the file set, the route file,
// the plan's figures and the run's warnings), the route on a true-scale chart and the
// vehicle's depth over the mission's time. Every number in it is formatted by the program
// itself, so Linux and Windows write the same bytes.
#pragma once

#include <string>

#include "mission/plannedMission.h"
#include "text/textOut.h"

// The picture of the planned mission as the file `name`: the route, the settings, the
// files of the set, the survey's area and swaths, and the warnings the run gave before it
// is drawn.
void svgText(const plannedMission& mission, const std::string& name, textOut& out);

// Size of the picture, pixels.
constexpr double pictureWidth = 1200;
