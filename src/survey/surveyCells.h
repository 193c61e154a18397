// Decomposition of the area into cells: parts that one run of lines back and forth covers,
// split where the area splits around a hole or into the teeth of a comb, or joins again.
//
// Enters: the sweepSet of the whole area (surveySweeps.h). Leaves: the cells in the order
// found, each with the stretches of the lines it holds, in order across, and whether it
// meets another cell on the line before or after it.
#pragma once

#include <vector>

#include "survey/surveySweeps.h"

// Shorter stretches of a line inside the area (where it grazes a corner) are left out.
constexpr double shortestLineMeters = 0.1;

// A stretch of a line inside the area: its level across and its ends along it.
struct piece {
  double v, from, to;
};

struct cell {
  std::vector<piece> lines;
  bool joinedBelow = false, joinedAbove = false;  // to stretches of the lines before, after
  double spacing = 0;
  double angle = 0;       // of its lines, degrees true at the area's centre
  double lo = 0, hi = 0;  // where it ends across its lines, as phi (surveySweeps.h), once laid
};

std::vector<cell> formCells(const sweepSet& set);

// The cells without their stretches shorter than shortestLineMeters, and without the cells
// left empty.
std::vector<cell> withoutShortLines(std::vector<cell> cells);
