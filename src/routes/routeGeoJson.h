// Waypoint files as GeoJSON: lines and points drawn in a GIS.
#pragma once

#include <string_view>

#include "routes/routeReader.h"

// The route of a GeoJSON document: a LineString or MultiPoint, a Feature holding one, or a
// FeatureCollection of one LineString or of Points only; other geometries (areas) are
// left out with a warning.
void readGeoJson(std::string_view content, routeReader& route);
