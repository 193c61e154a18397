// The order the lines are run in: every cell back and forth, each cell from the corner
// nearest the end of the one before, the first from the entry corner or the line end
// nearest the start position.
//
// Enters: the cells with their lines (surveyCellLines.h), each in the plane of its own angle, and for the first
// line the area's plane and the survey's parameters. Leaves: the lines in the order run,
// each in the direction run (appended to what was run before, so that the cross lines
// follow the survey lines).
#pragma once

#include <functional>
#include <vector>

#include "survey/surveyCells.h"
#include "survey/surveyParameters.h"

struct lineRun {
  planePoint from, to;  // where the line meets the boundary
  bool cross;
  bool boundary;              // a leg of the pass along the boundary
  planePoint outFrom, outTo;  // the same, or past the boundary by the run-in
};

// How near a line end in the plane is to where the survey should start: the distance to the
// start position, or how far it lies from the entry corner; the lowest starts.
std::function<double(planePoint)> entryScore(const gnomonicFrame& frame, const surveyParameters& parameters);

// Runs every cell back and forth, each from the corner nearest the end of the one before;
// the first from the corner `firstScore` rates lowest (when no line was run before).
// Runs each loop of the pass along the boundary once round, each from its vertex nearest the
// end of what was run before (the first from the vertex `firstScore` rates lowest).
void runLoops(const std::vector<std::vector<planePoint>>& loops, const std::function<double(planePoint)>& firstScore,
              std::vector<lineRun>& runs);

// Lines closer than twice `turnRadius` are flown out of order, each turn spanning twice it.
void runCells(const std::vector<cell>& cells, bool cross, const std::function<double(planePoint)>& firstScore,
              double turnRadius, std::vector<lineRun>& runs);
