#include "routes/geoJsonWalk.h"

#include <memory>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace {

using json = nlohmann::json;

// The "kind" of a feature's properties; empty when it has none.
std::string kindOf(const json* feature) {
  if (feature == nullptr) return "";
  const auto properties = feature->find("properties");
  if (properties == feature->end() || !properties->is_object()) return "";
  const auto kind = properties->find("kind");
  return kind != properties->end() && kind->is_string() ? kind->get<std::string>() : "";
}

void collect(const json& geometry, const std::string& kind, std::vector<geoJsonGeometry>& found, int depth = 0) {
  if (!geometry.is_object() || depth > 64) return;
  const auto type = geometry.find("type");
  const std::string name = type != geometry.end() && type->is_string() ? type->get<std::string>() : "";
  if (name == "GeometryCollection" && geometry.contains("geometries") && geometry["geometries"].is_array()) {
    for (const json& part : geometry["geometries"]) collect(part, kind, found, depth + 1);
    return;
  }
  static const json none;
  const auto coordinates = geometry.find("coordinates");
  found.push_back({name, coordinates != geometry.end() ? &*coordinates : &none, kind});
}

}  // namespace

void readGeoJsonGeometries(std::string_view content, const routeReader& reader,
                           const std::function<void(const std::vector<geoJsonGeometry>& geometries)>& use) {
  auto document = std::make_unique<json>();
  try {
    try {
      nlohmann::detail::json_sax_dom_parser<json> builder(*document, true);
      json::sax_parse(content, &builder);
    } catch (const json::exception& e) {
      std::string reason = e.what();
      const size_t bracket = reason.find("] ");
      if (reason.rfind("[json.exception.", 0) == 0 && bracket != std::string::npos) reason.erase(0, bracket + 2);
      reader.refuseFile("is not valid JSON: " + reason);
    }
    const json& root = *document;
    if (!root.is_object() || !root.contains("type") || !root["type"].is_string()) {
      reader.refuseFile("is JSON but not GeoJSON: it has no \"type\"");
    }
    std::vector<geoJsonGeometry> found;
    const std::string type = root["type"].get<std::string>();
    if (type == "FeatureCollection") {
      if (!root.contains("features") || !root["features"].is_array()) {
        reader.refuseFile("is a FeatureCollection without \"features\"");
      }
      for (const json& feature : root["features"]) {
        if (feature.is_object() && feature.contains("geometry")) collect(feature["geometry"], kindOf(&feature), found);
      }
    } else if (type == "Feature") {
      if (root.contains("geometry")) collect(root["geometry"], "", found);
    } else {
      collect(root, "", found);
    }
    use(found);
    document.reset();
  } catch (const std::bad_alloc&) {
    static_cast<void>(document.release());
    throw;
  }
}
