// Transits: the lines run on past the boundary by the run-in, where there is room, and
// joined one to the next by legs that keep inside the area (or, between two lines that run
// on, within the run-in of it).
//
// Enters: the checked area, the lines in the order run (surveyOrder.h) and the run-in.
// Leaves: the straight runs of the route in order, each line and the legs of the transit
// before it; a surveyError (noInsideTransit) when no path inside joins two lines.
#pragma once

#include <vector>

#include "survey/surveyArea.h"
#include "survey/surveyGeometry.h"
#include "survey/surveyOrder.h"

// A straight run of the route in the layout plane: a line, or one leg of a transit.
struct surveyStretch {
  planePoint a, b;
  bool line = false;
  bool cross = false;     // a cross line
  bool boundary = false;  // a leg of the pass along the boundary
};

// Transits bend only where they must, kept up to `clearance` off the shore to need fewer legs.
// `index` is the area's own (surveyGeometry.h), built once for every layout tried.
std::vector<surveyStretch> joinLines(const projectedArea& area, const areaIndex& index, std::vector<lineRun> runs,
                                     double runIn, double clearance);
