// What the operator sets for the seabed checks: how the grid's values are meant, the tide
// over its datum, and the margin kept above abortAltitude for the grid's own error.
#pragma once

#include <string>

// How a grid's values are meant: GEBCO and GDAL write elevations, negative below sea level;
// survey grids often hold depths, positive down.
enum class gridValues { elevation, depth };

// Metres kept above abortAltitude for the grid's own error, unless the operator says
// otherwise: a GEBCO cell holds the mean depth of a few hundred metres of seabed.
constexpr double defaultSeabedMargin = 5;

struct seabedParameters {
  std::string grid;  // the grid's file; empty: no seabed check (--bathymetry gives one too)
  gridValues values = gridValues::elevation;
  double tide = 0;                      // metres of water above the grid's datum
  double margin = defaultSeabedMargin;  // metres above abortAltitude
};
