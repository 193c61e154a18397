// The pass along the boundary: where lines meet an edge at a slant or a shore that curves,
// the flat ends of their swaths leave slivers unswept between them; one pass inside each
// ring of the area (the outer boundary and every hole's shore) sweeps them, with as few
// legs, and so surfacings, as keep it within a fraction of the swath of the boundary.
//
// Enters: the checked area, how far inside the boundary the pass runs and how far it may
// stray from that to save legs. Leaves: closed loops in the layout plane (the first vertex
// not repeated), each wholly inside the area; none where the area is too narrow for one.
#pragma once

#include <vector>

#include "survey/surveyArea.h"

std::vector<std::vector<planePoint>> boundaryPasses(const projectedArea& area, double inset, double tolerance);

// Passes one inside another until the area is used up, as a corridor or a river is best
// flown: the first `firstInset` inside the boundary, each next `step` further in; where a
// part of the area ends before the next pass, one more pass as far in as it goes when its
// middle lies beyond the `reach` of the last pass's swath. Empty when they would take more
// than `mostLegs` legs.
std::vector<std::vector<planePoint>> ringsInward(const projectedArea& area, double firstInset, double step,
                                                 double reach, double tolerance, size_t mostLegs);

// The part of the area farther than `margin` from its boundary and from every hole's shore,
// in the same plane: what lines, turns and transits may use when the vehicle must keep off
// a shore, a wreck or a quay wall. Mitred corners, so that the part keeps at least the
// margin everywhere and an inside corner stays one corner. Parts too small for the vehicle
// to turn in (less than `leastSquareMeters`) are dropped; the coverage tells what they cost.
std::vector<projectedArea> keptOff(const projectedArea& area, double margin, double leastSquareMeters);
