#include "routeGeoJson.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runMessages.h"

namespace {

using json = nlohmann::json;

// What a GeoJSON document holds that could be a route.
struct geoJsonFinds {
  std::vector<const json*> paths;   // coordinate lists of LineString and MultiPoint
  std::vector<const json*> points;  // positions of Point geometries
  std::vector<std::string> kinds;   // of each point, the "kind" of its feature's properties
  std::vector<std::string> others;  // types that are no route (Polygon, ...)
};

void collectGeometry(const json& geometry, geoJsonFinds& found, const std::string& kindOfPoints = "", int depth = 0) {
  if (!geometry.is_object() || depth > 64) return;
  const auto type = geometry.find("type");
  const std::string kind = type != geometry.end() && type->is_string() ? type->get<std::string>() : "";
  const auto coordinates = geometry.find("coordinates");
  const json* const coords = coordinates != geometry.end() ? &*coordinates : nullptr;
  static const json none;
  if (kind == "LineString" || kind == "MultiPoint") {
    found.paths.push_back(coords != nullptr ? coords : &none);
  } else if (kind == "MultiLineString" && coords != nullptr && coords->is_array()) {
    for (const json& line : *coords) found.paths.push_back(&line);
  } else if (kind == "Point") {
    found.points.push_back(coords != nullptr ? coords : &none);
    found.kinds.push_back(kindOfPoints);
  } else if (kind == "GeometryCollection" && geometry.contains("geometries") && geometry["geometries"].is_array()) {
    for (const json& part : geometry["geometries"]) collectGeometry(part, found, kindOfPoints, depth + 1);
  } else {
    found.others.push_back(kind.empty() ? "geometry without a type" : kind);
  }
}

// The "kind" of a feature's properties; empty when it has none.
std::string kindOf(const json& feature) {
  const auto properties = feature.find("properties");
  if (properties == feature.end() || !properties->is_object()) return "";
  const auto kind = properties->find("kind");
  return kind != properties->end() && kind->is_string() ? kind->get<std::string>() : "";
}

// The positions of the route, read out of the document so that it can be freed before the
// waypoints are made; the first position the vehicle cannot be sent to ends the list.
struct routePositions {
  std::vector<std::pair<double, double>> latLon;
  std::optional<std::pair<place, std::string>> refusal;  // where and why, at the end
};

void readPosition(const json& position, routePositions& positions) {
  const long long number = static_cast<long long>(positions.latLon.size()) + 1;
  const bool flat = position.is_array() &&
                    std::none_of(position.begin(), position.end(), [](const json& v) { return v.is_structured(); });
  // Only a flat list is quoted: a deeply nested one would make a long and useless message.
  place where = waypointAt(number, 0, flat ? position.dump() : "");
  if (!flat || position.size() < 2 || position.size() > 3 ||
      !std::all_of(position.begin(), position.end(), [](const json& v) { return v.is_number(); })) {
    positions.refusal.emplace(std::move(where),
                              "a position is [longitude, latitude] or [longitude, latitude, altitude]");
    return;
  }
  const double lat = position[1].get<double>();
  const double lon = position[0].get<double>();
  if (!flyable(lat, lon)) {
    positions.refusal.emplace(std::move(where), positionProblem(lat, lon));
    return;
  }
  positions.latLon.emplace_back(lat, lon);
}

// The positions of the one path or of the points found; refuses a file that holds no
// single route.
routePositions positionsOf(geoJsonFinds& found, routeReader& route) {
  // A map this program wrote marks each of its points with its kind: it is read as the
  // route it was planned from, its given waypoints, so that a plan drawn on or moved in a
  // GIS tool plans again into the same mission. Its route line (cut in two where it
  // crosses 180°) is what these were planned into.
  if (!found.points.empty() && std::all_of(found.kinds.begin(), found.kinds.end(), [](const std::string& kind) {
        return kind == "launch" || kind == "waypoint" || kind == "surfacing";
      })) {
    std::vector<const json*> given;
    for (size_t i = 0; i < found.points.size(); ++i) {
      if (found.kinds[i] == "waypoint") given.push_back(found.points[i]);
    }
    if (!given.empty()) {
      found.paths.clear();
      found.points = std::move(given);
    }
  }
  if (found.paths.size() > 1) route.refuseFile("holds " + std::to_string(found.paths.size()) + " paths; keep one");
  if (!found.paths.empty() && !found.points.empty()) {
    warn(route.fileName() + ": only its path is used; left out: " + plural(found.points.size(), "point", "points"));
    found.points.clear();
  }
  if (found.paths.empty() && found.points.empty()) {
    route.refuseFile(found.others.empty() ? "holds no path and no points"
                                          : "holds no path and no points, only " + found.others[0]);
  }
  if (!found.others.empty()) {
    std::string leftOut;
    for (const std::string& other : found.others) leftOut += (leftOut.empty() ? "" : ", ") + other;
    warn(route.fileName() + ": only its " + (found.paths.empty() ? "points are" : "path is") +
         " used; left out: " + leftOut);
  }
  routePositions positions;
  if (!found.paths.empty()) {
    const json& path = *found.paths[0];
    if (!path.is_array()) route.refuseFile("holds a path without a list of coordinates");
    for (auto it = path.begin(); it != path.end() && !positions.refusal; ++it) readPosition(*it, positions);
  } else {
    for (size_t i = 0; i < found.points.size() && !positions.refusal; ++i) readPosition(*found.points[i], positions);
  }
  return positions;
}

// GeoJSON nests a few levels deep (a polygon of a GeometryCollection in a
// FeatureCollection: seven); deeper nesting is no GeoJSON, and a bound on it lets a
// document be freed without taking memory (dismantle).
constexpr size_t deepestNesting = 128;

// Builds the document as the library does, and stops at nesting deeper than the bound.
class nestingBound {
 public:
  explicit nestingBound(json& document) : builder_(document, true) {}
  bool null() { return builder_.null(); }
  bool boolean(bool value) { return builder_.boolean(value); }
  bool number_integer(json::number_integer_t value) { return builder_.number_integer(value); }
  bool number_unsigned(json::number_unsigned_t value) { return builder_.number_unsigned(value); }
  bool number_float(json::number_float_t value, const json::string_t& text) {
    return builder_.number_float(value, text);
  }
  bool string(json::string_t& value) { return builder_.string(value); }
  bool binary(json::binary_t& value) { return builder_.binary(value); }
  bool start_object(size_t size) { return ++depth_ <= deepestNesting && builder_.start_object(size); }
  bool key(json::string_t& value) { return builder_.key(value); }
  bool end_object() {
    --depth_;
    return builder_.end_object();
  }
  bool start_array(size_t size) { return ++depth_ <= deepestNesting && builder_.start_array(size); }
  bool end_array() {
    --depth_;
    return builder_.end_array();
  }
  template <typename Exception>
  bool parse_error(size_t position, const std::string& token, const Exception& e) {
    return builder_.parse_error(position, token, e);
  }

 private:
  nlohmann::detail::json_sax_dom_parser<json> builder_;
  size_t depth_ = 0;
};

// Frees the children of `document`, at most deepestNesting levels deep, from the last one
// up, without taking memory: the library's own freeing gathers the children of a document
// in a list of its own, which memory running out cannot give, and a destructor cannot
// fail otherwise than by ending the program.
void dismantle(json& document) noexcept {
  json* path[deepestNesting + 2];
  size_t depth = 0;
  path[0] = &document;
  for (;;) {
    json& here = *path[depth];
    json* last = nullptr;
    if (here.is_array() && !here.empty()) last = &here.get_ref<json::array_t&>().back();
    if (here.is_object() && !here.empty()) last = &std::prev(here.get_ref<json::object_t&>().end())->second;
    if (last == nullptr) {
      if (depth == 0) return;
      --depth;
    } else if (last->is_structured() && !last->empty() && depth + 1 < std::size(path)) {
      path[++depth] = last;
    } else if (here.is_array()) {
      // A single value or an empty list: freeing it takes no memory.
      here.get_ref<json::array_t&>().pop_back();
    } else {
      json::object_t& members = here.get_ref<json::object_t&>();
      members.erase(std::prev(members.end()));
    }
  }
}

// The parsed document, freed by dismantle however the reading ends.
struct parsedDocument {
  json document;
  parsedDocument() = default;
  parsedDocument(const parsedDocument&) = delete;
  parsedDocument& operator=(const parsedDocument&) = delete;
  ~parsedDocument() { dismantle(document); }
};

}  // namespace

void readGeoJsonGeometries(std::string_view content, routeReader& reader,
                           const std::function<void(const json& geometry, const json* feature)>& visit,
                           const std::function<void()>& done) {
  parsedDocument parsed;
  try {
    nestingBound builder(parsed.document);
    if (!json::sax_parse(content, &builder)) {
      reader.refuseFile("nests lists and objects more than " + std::to_string(deepestNesting) +
                        " deep, deeper than any GeoJSON");
    }
  } catch (const json::exception& e) {
    std::string reason = e.what();
    const size_t bracket = reason.find("] ");
    if (reason.rfind("[json.exception.", 0) == 0 && bracket != std::string::npos) reason.erase(0, bracket + 2);
    reader.refuseFile("is not valid JSON: " + reason);
  }
  const json& root = parsed.document;
  if (!root.is_object() || !root.contains("type") || !root["type"].is_string()) {
    reader.refuseFile("is JSON but not GeoJSON: it has no \"type\"");
  }
  const std::string type = root["type"].get<std::string>();
  if (type == "FeatureCollection") {
    if (!root.contains("features") || !root["features"].is_array()) {
      reader.refuseFile("is a FeatureCollection without \"features\"");
    }
    for (const json& feature : root["features"]) {
      if (feature.is_object() && feature.contains("geometry")) visit(feature["geometry"], &feature);
    }
  } else if (type == "Feature") {
    if (root.contains("geometry")) visit(root["geometry"], nullptr);
  } else {
    visit(root, nullptr);
  }
  done();
}

void readGeoJson(std::string_view content, routeReader& route) {
  geoJsonFinds found;
  routePositions positions;
  readGeoJsonGeometries(
      content, route,
      [&](const json& geometry, const json* feature) {
        collectGeometry(geometry, found, feature != nullptr ? kindOf(*feature) : "");
      },
      [&] { positions = positionsOf(found, route); });
  long long number = 0;
  for (const auto& [lat, lon] : positions.latLon) {
    ++number;
    route.add(lat, lon, [&] { return waypointAt(number, 0, ""); });
  }
  if (positions.refusal) route.refuse(positions.refusal->first, positions.refusal->second);
}
