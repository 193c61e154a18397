// A line angle for each cell: the decomposition at one angle cuts the area into cells along
// its lines, and each cell is then flown along those lines or square to them, whichever
// takes the dive less time. The arm of an L that the lines cross short is flown along its
// length, each line ending at a surfacing the fewer; lines square to a cut end flush on it,
// so the swaths of the cells on either side meet without a sliver.
//
// Enters: the checked area, the lines of the whole area at one angle (surveySweeps.h), their
// cells as laid (surveyCellLines.h), the spacing, the most lines a route may hold, the
// distance between surfacings and what a metre and a surfacing cost. Leaves: the cells, a
// cell replaced by the cells of its square lines where those take less time.
#pragma once

#include <vector>

#include "survey/surveyCells.h"
#include "survey/surveyParameters.h"

void turnCells(const projectedArea& area, const sweepSet& sweeps, double spacing, long maxLines, double maxLegMeters,
               const surveyCosts& costs, std::vector<cell>& cells);
