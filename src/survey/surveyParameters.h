// How the lines of a survey are laid out: what the operator asks for with the survey
// options or settings. Depends on nothing of the program but the position type, so that the
// settings can hold it.
#pragma once

#include <optional>

#include "geo/latLon.h"

// The corner of the area where the first line starts, when no start position is given.
enum class entryCorner { southWest, southEast, northWest, northEast };

struct surveyParameters {
  // Metres between neighbouring lines, measured on the sphere across them. 0: the swath
  // width less the overlap, swathWidth x (1 - overlap / 100).
  double lineSpacing = 0;
  // The width the sonar covers, metres; 0 when not given, in which case the swaths drawn
  // and counted are as wide as the spacing.
  double swathWidth = 0;
  double overlap = 0;  // percent of the swath shared by neighbouring lines, 0 up to 100
  // Degrees true at the area's centre, for every part of the area; by default each part
  // at the angle of the layout the vehicle flies quickest.
  std::optional<double> lineAngle;
  // The first line starts at the line end nearest this position (where the vehicle is
  // launched), else at the named corner.
  std::optional<latLon> start;
  entryCorner entry = entryCorner::southWest;
  // Metres the vehicle runs straight after every turn before its sonar data is good, and
  // before every turn after it stops being so. Each line runs on this far past the outer
  // boundary, where there is room: never into a hole, and no more than half way to where
  // it would meet the area again; the turns between such ends lie outside the area, within
  // the run-in of it. The first and last runIn metres of every straight run count for no
  // swath (coverage, swath polygons), so a line that could not run on covers less.
  double runIn = 0;
  // Lines across the pattern, at right angles to it and evenly spaced along it, run after
  // the survey lines to check them against each other.
  int crossLines = 0;
  // Metres the vehicle needs to turn in; 0: it turns on the spot. Lines closer than twice
  // it are flown out of order, each the same number of lines on from the last, so that
  // every turn between two lines spans twice the radius.
  double turnRadius = 0;
  // Metres the lines, turns and transits keep from the boundary and from every hole's
  // shore (a quay, an island, a wreck); 0: they may run along it. The run-in still runs the
  // lines on past this margin where the area lets them, as it runs them past the boundary.
  double edgeMargin = 0;
  // The longest leg between two surfacings, metres.
  double maxLegMeters = 3600;
};

// What the dive spends on a survey: its speed under way and the time each surfacing takes
// (ascent, GPS fix, setpoint, descent). Of the layouts that cover the area, the one whose
// lines, transits and surfacings take least time is flown. When a caller has no mission
// settings to hand, a survey vehicle's usual figures.
struct surveyCosts {
  double metersPerSecond = 1.5;
  double surfacingSeconds = 120;
};
