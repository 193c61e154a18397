// A bathymetry grid as the checks use it: the part of an operator's grid that lies under
// the route, as depths in metres below the sea's surface. Only that window is read, so a
// grid of an ocean basin costs the memory of the route's neighbourhood.
//
// Enters: the grid file's name and the window wanted (the route's bounds and a margin),
// how the file's values are meant (elevations or depths) and the tide.
// Leaves: a gridWindow, or the failure that names the file and what is wrong with it.
// Must not touch: the route, the settings, the output files.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "seabed/seabedParameters.h"
#include "text/outcome.h"

// The latitudes and longitudes the grid must cover, degrees; west may exceed east by no
// more than a turn, east of west as the route lies (a route across 180 has east > 180).
struct gridBounds {
  double south = 0;
  double north = 0;
  double west = 0;
  double east = 0;
};

// Cells in rows from south to north, each row from west to east. A cell's value stands
// for the whole cell, which it covers as the grid's own cell does.
struct gridWindow {
  std::string name;          // the file, as the operator gave it
  double south = 0;          // southern edge of row 0, degrees
  double west = 0;           // western edge of column 0, degrees
  double cellLat = 0;        // a cell's height, degrees
  double cellLon = 0;        // a cell's width, degrees
  long rows = 0;             // of the window
  long cols = 0;             // of the window
  bool coversWorld = false;  // the grid's columns go all the way round: no edge east or west
  std::vector<float> depth;  // metres below the surface, tide included; NaN: no data

  // NaN outside the window, as for a cell without data; `offGrid` tells the two apart.
  float at(long row, long col) const {
    if (row < 0 || row >= rows || col < 0 || col >= cols) return std::nanf("");
    return depth[static_cast<size_t>(row * cols + col)];
  }
};

// Reads the window `wanted` of the grid file `name` (Esri ASCII grid or GeoTIFF, in
// latitude and longitude), its values taken as `values` mean and `tide` metres of water
// added to every depth. Fails with the reason when the file is no grid it can read, is
// not in latitude and longitude (with the conversion that makes it so), or does not cover
// `wanted`.
result<gridWindow> readSeabedGrid(const std::string& name, const gridBounds& wanted, gridValues values, double tide);
