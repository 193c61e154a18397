// The survey's lines across the whole area: one bearing, evenly spaced, each clipped to
// the stretches of it that lie inside the area.
//
// Enters: the checked area (surveyArea.h), the bearing, the spacing asked for (or a count of
// lines) and the most lines a route may hold. Leaves: a sweepSet, the lines' levels in the
// plane turned to the bearing with each line's stretches inside the area, the area in that
// plane and the corners where its boundary turns back across the lines; a surveyError
// (tooLarge) when the lines would be too many.
#pragma once

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "survey/surveyArea.h"
#include "survey/surveyGeometry.h"

// Lines of one bearing across the area, and the stretches of each that lie inside it.
struct sweepSet {
  double angle = 0;
  double spacing = 0;  // on the sphere, across the lines
  double uMin = 0, uMax = 0;
  bgPolygon polygon;  // the area in the turned plane
  // Its boundary's edges, {x, y} of either end: the lines are clipped against these.
  std::vector<std::array<planePoint, 2>> edges;
  // The vertices where the boundary turns back across the lines (a hole's lowest and
  // highest corners, the bottom of a notch), by v.
  std::vector<planePoint> turns;
  std::vector<double> across;                                  // each line's v in the turned plane
  std::vector<std::vector<std::pair<double, double>>> pieces;  // each line's stretches, [from, to] in u
};

// The level v across the turned plane as the angle phi seen from the earth's centre (in
// metres along the sphere), and back.
inline double phiOf(double v) { return earthRadiusMeters * std::atan(v / earthRadiusMeters); }
inline double vOf(double phi) { return earthRadiusMeters * std::tan(phi / earthRadiusMeters); }

// The stretches of the line v inside the area, in order along it.
std::vector<std::pair<double, double>> clipAt(const sweepSet& set, double v);

// The lines lie at equal angles across, seen from the pole all lines of the bearing share:
// that is the true distance between them where they cross the area's middle at right
// angles, and they draw closer away from it by the cosine of the arc from there, less
// than 1.5e-4 within 100 km. The outer lines lie half a spacing inside the boundary, and
// the spacing is shrunk just enough to make a whole number of lines: `count` of them, or
// as many as `spacing` needs.
sweepSet laySweeps(const projectedArea& area, double angle, double spacing, int count, long maxLines);
