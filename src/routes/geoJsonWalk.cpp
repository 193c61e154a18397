#include "routes/geoJsonWalk.h"

#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace {

using json = nlohmann::json;

// The text property `key` ("kind", "name") of a feature; empty when it has none.
std::string propertyOf(const json& feature, const char* key) {
  const auto properties = feature.find("properties");
  if (properties == feature.end() || !properties->is_object()) return "";
  const auto value = properties->find(key);
  return value != properties->end() && value->is_string() ? value->get<std::string>() : "";
}

void collect(const json& geometry, const std::string& kind, std::vector<geoJsonGeometry>& found, int depth = 0,
             const std::string& featureName = "") {
  if (!geometry.is_object() || depth > 64) return;
  const auto type = geometry.find("type");
  const std::string name = type != geometry.end() && type->is_string() ? type->get<std::string>() : "";
  if (name == "GeometryCollection" && geometry.contains("geometries") && geometry["geometries"].is_array()) {
    for (const json& part : geometry["geometries"]) collect(part, kind, found, depth + 1, featureName);
    return;
  }
  static const json none;
  const auto coordinates = geometry.find("coordinates");
  found.push_back({name, coordinates != geometry.end() ? &*coordinates : &none, kind, featureName});
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

void readGeoJsonGeometries(std::string_view content, const routeReader& reader,
                           const std::function<void(const std::vector<geoJsonGeometry>& geometries)>& use) {
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
  std::vector<geoJsonGeometry> found;
  const std::string type = root["type"].get<std::string>();
  if (type == "FeatureCollection") {
    if (!root.contains("features") || !root["features"].is_array()) {
      reader.refuseFile("is a FeatureCollection without \"features\"");
    }
    for (const json& feature : root["features"]) {
      if (feature.is_object() && feature.contains("geometry")) {
        collect(feature["geometry"], propertyOf(feature, "kind"), found, 0, propertyOf(feature, "name"));
      }
    }
  } else if (type == "Feature") {
    if (root.contains("geometry")) collect(root["geometry"], "", found, 0, propertyOf(root, "name"));
  } else {
    collect(root, "", found);
  }
  use(found);
}
