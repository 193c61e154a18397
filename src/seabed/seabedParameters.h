// What the operator sets for the seabed checks: how the grid's values are meant, the tide
// over its datum, and the margin kept above abortAltitude for the grid's own error.
#pragma once

// How a grid's values are meant: GEBCO and GDAL write elevations, negative below sea level;
// survey grids often hold depths, positive down.
enum class gridValues { elevation, depth };

// Metres kept above abortAltitude for the grid's own error, unless the operator says
// otherwise: a GEBCO cell holds the mean depth of a few hundred metres of seabed.
constexpr double defaultSeabedMargin = 5;

struct seabedParameters {
  gridValues values = gridValues::elevation;
  double tide = 0;                      // metres of water above the grid's datum
  double margin = defaultSeabedMargin;  // metres above abortAltitude
};
