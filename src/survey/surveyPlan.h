// What a survey laid out gives back: the route through the area, its lines, the swaths
// its straight runs sweep and the figures the operator is told.
#pragma once

#include <cstddef>
#include <vector>

#include "geo/latLon.h"

struct surveyLine {
  latLon start, end;  // in the direction run
  double meters = 0;
  bool cross = false;     // a cross line
  bool boundary = false;  // a leg of the pass along the boundary
};

// A part of the area that no line's swath reaches.
struct surveyGap {
  latLon where;  // its middle
  double squareMeters = 0;
  double alongMeters = 0, acrossMeters = 0;  // its extent along the lines and across them
};

// The most gaps a plan keeps, largest first.
constexpr size_t maxGapsMarked = 200;

struct surveyPlan {
  std::vector<latLon> route;      // in order: line ends, surfacings and transit corners
  std::vector<surveyLine> lines;  // in the order run, cross lines last
  // The ground each survey line's sonar sees, its swath: square to the line and only between
  // its ends, less the run-in at either end; the vertices in order, not closed.
  std::vector<std::vector<latLon>> swaths;
  std::vector<surveyGap> gaps;  // left between the swaths, largest first
  double lineAngle = 0;         // degrees true at the centre, 0..180
  double spacing = 0;           // metres, after shrinking to fit each cell exactly: the widest
  double leastSpacing = 0;      // and the closest, where the cells' spacings differ
  double crossSpacing = 0;
  // Cross lines laid (those asked for, less any whose every stretch is too short to run),
  // and how many of them a hole or a notch splits into several lines.
  int crossLinesLaid = 0;
  int crossLinesSplit = 0;
  int boundaryLegs = 0;        // of the pass along the boundary, when there is one
  int sweeps = 0;              // line positions across the area; a concave area has more lines
  int cells = 0;               // parts of the area covered back and forth in one go
  double lineMeters = 0;       // survey and cross lines
  double transitMeters = 0;    // between lines
  double coveragePercent = 0;  // of the area, by the lines' swaths
  double areaSquareMeters = 0;
  // With a margin kept off the boundary: its edge, the rings the lines keep within, and the
  // part of the strip along the boundary no swath reaches.
  std::vector<std::vector<latLon>> margin;
  double marginUnsweptSquareMeters = 0;
};

// Swaths that cover this much of the area cover it (what is left lies at corners).
constexpr double wellCoveredPercent = 99.9;
