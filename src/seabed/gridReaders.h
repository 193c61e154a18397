// What the readers of the grid formats share: the cut of a grid that lies under the route.
#pragma once

#include <istream>
#include <string>

#include "seabed/seabedGrid.h"

// Rows and columns of a grid to keep, counted from its southern row and western column.
// With a grid that goes all the way round, the columns may run on past its eastern edge
// into its western one.
struct window {
  long firstRow = 0;
  long rows = 0;
  long firstCol = 0;
  long cols = 0;
};

// A word of a file as a reason quotes it: at most 40 characters.
std::string shownWord(const std::string& word);

// A grid of `rows` x `cols` cells from (`south`, `west`) placed on the earth, and the cut
// of it under the route, its depths not yet known (NaN). Refused, with what the operator
// can do, when its cells lie outside latitude and longitude (a projected grid), when it
// does not reach the route, or when the cut holds more cells than a run may keep.
struct placedGrid {
  gridWindow grid;
  window cut;
};
result<placedGrid> placeGrid(const std::string& name, const gridBounds& wanted, double south, double west,
                             double cellLat, double cellLon, long rows, long cols);

result<gridWindow> readGeoTiffGrid(const std::string& path, const std::string& name, const gridBounds& wanted,
                                   gridValues values, double tide);

result<gridWindow> readAsciiGrid(std::istream& in, const std::string& name, const gridBounds& wanted, gridValues values,
                                 double tide);
