// The sweep lines of each cell, laid afresh between the levels where the cell really ends,
// so that an edge across the lines is swept as the outer edges are; a cell whose lines do
// not continue one another (the boundary steps sideways between them) is split in two.
//
// Enters: the sweepSet of the whole area, the spacing asked for and the cells
// (surveyCells.h). Leaves: the cells with their own lines, evenly spaced within each, and
// each cell's spacing; cells left without a line are dropped.
#pragma once

#include <vector>

#include "survey/surveyCells.h"

void relayCells(const sweepSet& set, double spacing, std::vector<cell>& cells);
