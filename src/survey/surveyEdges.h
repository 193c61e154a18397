// The bearings a survey's lines are tried at that follow the area's own edges: lines along
// a long edge meet no edge of that side at a slant, and leave no sliver along it.
//
// Enters: the checked area (surveyArea.h). Leaves: bearings in degrees true, 0..180.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "survey/surveyArea.h"

// A bearing as a line's, 0..180: a line runs both ways.
inline double normalAngle(double degrees) { return std::fmod(std::fmod(degrees, 180) + 180, 180); }

// The bearings of the `most` longest edges of the area's boundary, holes included, each
// once, the boundary first drawn without the wiggles of less than `tolerance` metres.
std::vector<double> edgeBearings(const projectedArea& area, size_t most, double tolerance);
