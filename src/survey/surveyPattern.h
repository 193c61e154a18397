// The survey pattern: parallel lines laid across an area at the spacing of the sonar's
// swath, run back and forth, joined by transits that stay inside the area (or within the
// run-in of it), and cut at the surfacings. What it returns is a route like any route file gives.
#pragma once

#include <optional>
#include <vector>

#include "survey/surveyArea.h"

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
  // Degrees true at the area's centre; by default along the area's long axis (the least
  // width of its convex hull), which gives the fewest lines and turns, unless lines along
  // one of the longest edges cover the area where those do not.
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
  // The longest leg between two surfacings, metres.
  double maxLegMeters = 3600;
};

// The cut pieces are kept this much shorter than maxLegMeters, so that positions rounded
// to nine significant digits (about 0.1 m) still give the planner no piece to cut again.
constexpr double surfacingMarginMeters = 0.25;

struct surveyLine {
  latLon start, end;  // in the direction run
  double meters = 0;
  bool cross = false;  // a cross line
};

struct surveyPlan {
  std::vector<latLon> route;  // in order: line ends, surfacings and transit corners
  std::vector<surveyLine> lines;  // in the order run, cross lines last
  // One polygon a straight run of the route sweeps, its swath, for each line and each
  // transit leg; the vertices in order, not closed.
  std::vector<std::vector<latLon>> swaths;
  double lineAngle = 0;  // degrees true at the centre, 0..180
  double spacing = 0;    // metres, after shrinking to fit the area exactly
  double crossSpacing = 0;
  // Cross lines laid (those asked for, less any whose every stretch is too short to run),
  // and how many of them a hole or a notch splits into several lines.
  int crossLinesLaid = 0;
  int crossLinesSplit = 0;
  int sweeps = 0;  // line positions across the area; a concave area has more lines
  int cells = 0;   // parts of the area covered back and forth in one go
  double lineMeters = 0;     // survey and cross lines
  double transitMeters = 0;  // between lines
  double coveragePercent = 0;  // of the area, by the swaths
  double areaSquareMeters = 0;
};

// Swaths that cover this much of the area cover it (what is left lies at corners).
constexpr double wellCoveredPercent = 99.9;

// Lays out the survey of `area`; throws surveyError with the reason and place when the
// area or a parameter cannot be surveyed, or two lines cannot be joined inside it.
surveyPlan planSurvey(const surveyArea& area, const surveyParameters& parameters);
surveyPlan planSurvey(const projectedArea& area, const surveyParameters& parameters);
