// Coverage: what the sonar sweeps along the survey's straight runs, as polygons for the
// maps and as the share of the area it covers.
//
// Enters: the checked area, the straight runs in order (surveyTransits.h), the run-in, the
// half width of a swath, and the plan's bearing and number of sweeps (which set how
// finely the area is sampled). Leaves, into the plan: the swaths, the percentage of the
// area they cover and the area in square metres.
#pragma once

#include <vector>

#include "survey/surveyArea.h"
#include "survey/surveyPlan.h"
#include "survey/surveyTransits.h"

// Every straight run less the run-in at either end sweeps a swath `halfSwath` metres to
// either side of it.
// The coverage is of `area`; with `keptTo`, the part of it the lines kept within (a margin
// off the boundary), the plan also learns how much of the margin is left unswept.
void coverSwaths(const projectedArea& area, const projectedArea* keptTo, const std::vector<surveyStretch>& stretches,
                 double runIn, double halfSwath, surveyPlan& plan);
