// Cutting at the surfacings: the straight runs of the survey turned into the route of
// positions, each leg cut into equal pieces no longer than the distance between surfacings.
//
// Enters: the straight runs in order (surveyTransits.h), the plane they lie in and the
// longest leg between two surfacings. Leaves, into the plan: the route, the lines as run
// and the metres of lines and transits; a surveyError (tooLarge) when the route would hold
// more waypoints than a route may, or (geometry) for a leg that has no length.
//
// The planner (wptList) cuts a route's long legs too, but otherwise: into pieces of exactly
// the distance between surfacings and a shorter rest, placed along the heading the leg
// starts on, as the vehicle's missions have always been cut. The survey's lines are cut
// into equal pieces on their great circles instead, so that the swaths of a line are alike
// and no short piece makes the vehicle surface twice in a row; the margin below keeps the
// planner from cutting them again.
#pragma once

#include <vector>

#include "geo/gnomonic.h"
#include "survey/surveyPlan.h"
#include "survey/surveyTransits.h"

// The cut pieces are kept this much shorter than maxLegMeters, so that positions rounded
// to nine significant digits (about 0.1 m) still give the planner no piece to cut again.
constexpr double surfacingMarginMeters = 0.25;

void cutAtSurfacings(const gnomonicFrame& frame, const std::vector<surveyStretch>& stretches, double maxLegMeters,
                     surveyPlan& plan);
