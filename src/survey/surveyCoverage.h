// How much of a survey area the sonar's swaths cover, and the swaths as polygons for a map.
#pragma once

#include <vector>

#include "survey/surveyArea.h"

// A straight run of the route in the layout plane: a line, or one leg of a transit.
struct surveyStretch {
  planePoint a, b;
  bool line = false;
};

struct swathCover {
  double percent = 0;
  double areaSquareMeters = 0;
};

// The share of `area` within `halfSwath` metres of one of `runs`, measured along `scans`
// sample lines of bearing `angle` evenly spread across the area. Distances are taken in
// the layout plane, which only ever stretches them, so no point is counted as covered
// that the sonar misses.
swathCover swathCoverage(const projectedArea& area, double angle, const std::vector<surveyStretch>& runs,
                         double halfSwath, int scans);

// The swath of the run a->b: the points within `halfSwath` of it, as a polygon.
std::vector<latLon> swathPolygon(const gnomonicFrame& frame, planePoint a, planePoint b, double halfSwath);
