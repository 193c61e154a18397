// The walk through a GeoJSON document that the route and area readers share: the document
// parsed, and the geometries at its leaves in document order, whatever holds them.
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "routes/routeReader.h"

// One geometry of a document that is no GeometryCollection.
struct geoJsonGeometry {
  std::string type;                   // its "type"; empty when it has none
  const nlohmann::json* coordinates;  // its "coordinates": a null value when it has none
  std::string kind;                   // the "kind" of its feature's properties; empty when none
  std::string name;                   // the "name" of its feature's properties; empty when none
};

// Parses the GeoJSON document `content` and hands `use` its geometries: the document
// itself, a Feature's geometry, or the geometry of each feature of a FeatureCollection,
// with the geometries of a GeometryCollection (64 deep at most) in its place. `use` runs
// while the document lives. What is not JSON, JSON nested deeper than any GeoJSON, or JSON
// without a GeoJSON type, is refused. The document is freed without taking memory, so that
// memory running out while it is read ends the run with its message.
void readGeoJsonGeometries(std::string_view content, const routeReader& reader,
                           const std::function<void(const std::vector<geoJsonGeometry>& geometries)>& use);
