// Checks of a survey route against its area that owe nothing to the layout's geometry:
// positions on the sphere, the planner's own great-circle functions, a point-in-polygon
// test of their own. Shared by the tests and the fuzz target.
#pragma once

#include <array>
#include <vector>

#include "survey/surveyArea.h"
#include "survey/surveyPlan.h"

namespace surveyCheck {

// A ring of (east, north) metres from `ref`, turned `turn` degrees clockwise about it.
areaRing shape(latLon ref, const std::vector<std::array<double, 2>>& metres, double turn = 0);

// Metres from p to the great-circle arc a-b.
double arcDistance(latLon p, latLon a, latLon b);

// Whether p lies inside the outer boundary and outside every hole, or within
// `toleranceMeters` of a boundary.
bool inside(const surveyArea& area, latLon p, double toleranceMeters);

// How far outside the area (or inside a hole) the route strays at worst, its legs
// followed along their great circles in steps of at most `stepMeters`; 0 when it never
// does by more than `toleranceMeters`.
double worstStray(const surveyArea& area, const std::vector<latLon>& route, double stepMeters, double toleranceMeters);

// The least distance, metres, from a point of the route (its legs followed as worstStray
// does) to the outer boundary or a hole's.
double nearestShore(const surveyArea& area, const std::vector<latLon>& route, double stepMeters);

// Percent of a grid of about `samples` points of the area that lie within `halfSwath`
// metres of a leg of the route.
double sampledCoverage(const surveyArea& area, const std::vector<latLon>& route, double halfSwath, int samples);

// Percent of a grid of about `samples` points of the area that the sonar records from the
// survey lines: within `halfSwath` metres of a line's great circle, measured square to it,
// and between its ends, so that a swath ends flat where its line does; less `runIn` metres
// at each end, where the vehicle settles after a turn or before the next. Cross lines,
// which check the others, are not counted.
double lineCoverage(const surveyArea& area, const std::vector<surveyLine>& lines, double halfSwath, double runIn,
                    int samples);

}  // namespace surveyCheck
