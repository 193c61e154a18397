// Waypoint files as GeoJSON: lines and points drawn in a GIS.
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string_view>

#include "routeReader.h"

// The route of a GeoJSON document: a LineString or MultiPoint, a Feature holding one, or a
// FeatureCollection of one LineString or of Points only; other geometries (areas) are
// left out with a warning.
void readGeoJson(std::string_view content, routeReader& route);

// Parses the GeoJSON document `content` and hands `visit` each geometry at its top: the
// document itself, a Feature's geometry, or the geometry of each feature of a
// FeatureCollection (with the feature; else null). `done` runs while the document lives.
// What is not JSON, JSON nested deeper than any GeoJSON, or JSON without a GeoJSON type,
// is refused. The document is freed without taking memory, so that memory running out
// while it is read ends the run with its message.
void readGeoJsonGeometries(std::string_view content, routeReader& reader,
                           const std::function<void(const nlohmann::json& geometry, const nlohmann::json* feature)>& visit,
                           const std::function<void()>& done);
