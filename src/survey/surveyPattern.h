// The survey pattern: parallel lines laid across an area at the spacing of the sonar's
// swath, run back and forth, joined by transits that stay inside the area (or within the
// run-in of it), and cut at the surfacings. What it returns is a route like any route file
// gives.
//
// Enters: the area as read or as checked, and the survey's parameters. Leaves: the plan, or
// a surveyError with the reason and the place. It runs the stages in order, each in a file
// of its own: the area checked and projected (surveyArea), the lines across it
// (surveySweeps), the cells (surveyCells), the lines of each cell (surveyCellLines), their
// order (surveyOrder), the transits (surveyTransits), the cutting at the surfacings
// (surveyCutting) and the coverage (surveyCoverage).
#pragma once

#include <cstddef>
#include <functional>

#include "survey/surveyArea.h"
#include "survey/surveyParameters.h"
#include "survey/surveyPlan.h"

// Told, after each layout tried, how many have been and how many are to be (more may join
// as the layouts tried ask for others), so that a caller can show that a large area is being
// laid out.
using surveyProgress = std::function<void(size_t tried, size_t toTry)>;

// Lays out the survey of `area`; throws surveyError with the reason and place when the
// area or a parameter cannot be surveyed, or two lines cannot be joined inside it.
surveyPlan planSurvey(const surveyArea& area, const surveyParameters& parameters, const surveyCosts& costs = {},
                      const surveyProgress& progress = {});
surveyPlan planSurvey(const projectedArea& area, const surveyParameters& parameters, const surveyCosts& costs = {},
                      const surveyProgress& progress = {});

// The time the plan takes to fly, seconds: under way at the costs' speed, and at every
// surfacing (each waypoint after the first).
double surveySeconds(const surveyPlan& plan, const surveyCosts& costs);
