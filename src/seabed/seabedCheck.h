// The planned mission checked against the seabed: every leg along its great circle, cell
// by cell, every surfacing, every yoyo band. A vehicle at a constant depth over a shoal
// aborts, one over a sandbank grounds, and a yoyo band the bottom squeezes shut wastes the
// dive: the operator hears of each, where it is, before the files are loaded.
//
// Enters: the planned mission (its waypoints, legs and settings), the grid's window under
// it, and the margin kept above abortAltitude for the grid's own error.
// Leaves: the warnings, each naming the leg or waypoint, the position and the depth found;
// the summary lines; the places warned of.
// Must not touch: the list, the program-wide settings, the files, the console.
#pragma once

#include <string>
#include <vector>

#include "geo/latLon.h"
#include "geo/positionText.h"
#include "mission/plannedMission.h"
#include "seabed/seabedGrid.h"

// Metres of grid read around the route: the launch waypoint lies 500 m behind the first.
constexpr double gridMarginMeters = 2000;

// How deep the vehicle goes at a surfacing before it dives for the next leg: the descent
// behaviour of every waypoint group runs to 5 m.
constexpr double surfacingDescentMeters = 5;

// The steepest rise of the seabed a yoyo that follows the bottom can climb: the vehicle
// pitches up at most 20 degrees at the mission speed.
constexpr double steepestClimbDegrees = 20;

struct seabedPlace {
  latLon at;
  double along = 0;  // metres from the leg's start
  double depth = 0;  // metres below the surface, tide included
  int fromWaypoint = 0;
  int toWaypoint = 0;  // equal to fromWaypoint for a surfacing
};

struct seabedReport {
  std::vector<std::string> warnings;
  std::vector<seabedPlace> warned;   // where each warning points, in the same order
  std::vector<std::string> summary;  // lines for standard error after the plan's summary
  missionSeabed profile;             // the seabed under each leg and the places warned of, for the picture
};

// Checks `mission` against `grid`, whose values were read as `values` mean; `margin` metres
// above abortAltitude are kept for the grid's own error. A route that would lie wholly on
// land is told to try the other meaning of the values.
seabedReport checkSeabed(const plannedMission& mission, const gridWindow& grid, gridValues values, double margin);

// The bounds of the mission's waypoints and legs, with `marginMeters` around them.
gridBounds boundsOf(const plannedMission& mission, double marginMeters);
