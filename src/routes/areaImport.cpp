#include "routes/areaImport.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "routes/routeGeoJson.h"
#include "routes/routeReader.h"
#include "routes/routeText.h"
#include "routes/routeXml.h"
#include "text/runMessages.h"
#include "text/textOut.h"

namespace {

std::string ringName(size_t ring) {
  return ring == 0 ? "the outer boundary" : "inner boundary " + std::to_string(ring);
}

// Vertex `number` of ring `ring`, on `line` (0: not known), as a refusal names it.
place vertexAt(size_t ring, size_t number, long long line, std::string_view text) {
  std::string label = ringName(ring) + ", vertex " + std::to_string(number);
  if (line > 0) label += " (line " + std::to_string(line) + ")";
  return {std::to_string(number) + " of " + ringName(ring), label, std::string(text)};
}

// Appends one vertex to the ring being read, after the checks every route position passes.
void addVertex(areaFile& file, double lat, double lon, long long line, const place& where, routeReader& reader) {
  if (!flyable(lat, lon)) reader.refuse({where.message, where.label, ""}, positionProblem(lat, lon));
  areaRing& ring = file.lines.size() == 1 ? file.area.outer : file.area.holes.back();
  ring.push_back({lat, lon});
  file.lines.back().push_back(line);
}

void startRing(areaFile& file) {
  if (!file.lines.empty()) file.area.holes.emplace_back();
  file.lines.emplace_back();
}

// ---- Plain text ----

// A line "hole" (in any case, a comment after it allowed) starts the next inner boundary.
bool isHoleLine(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.size() < 4 || lowerCase(text.substr(0, 4)) != "hole") return false;
  return text.size() == 4 || isBlank(text[4]);
}

void readTextArea(std::string_view content, areaFile& file, routeReader& reader) {
  startRing(file);
  long long number = 0;
  const size_t size = content.size();
  size_t start = bomLength(content);
  while (start < size) {
    size_t end = start;
    while (end < size && content[end] != '\n' && content[end] != '\r') ++end;
    ++number;
    const std::string_view line = content.substr(start, end - start);
    if (isHoleLine(line)) {
      if (file.lines.size() == 1 && file.area.outer.empty()) {
        reader.refuseFile("starts an inner boundary (\"hole\") on line " + std::to_string(number) +
                          " before any vertex of the outer boundary");
      }
      startRing(file);
    } else if (const std::optional<textPosition> p = readTextPosition(content, start, end, number, reader)) {
      const size_t ring = file.lines.size() - 1;
      addVertex(file, p->lat, p->lon, number, vertexAt(ring, file.lines.back().size() + 1, number, line), reader);
    }
    start = end + 1;
    if (end < size && content[end] == '\r' && start < size && content[start] == '\n') ++start;
  }
}

// ---- KML ----

long long lineAt(std::string_view content, ptrdiff_t offset) {
  if (offset < 0) return 0;
  const size_t end = std::min(static_cast<size_t>(offset), content.size());
  return 1 + std::count(content.begin(), content.begin() + static_cast<ptrdiff_t>(end), '\n');
}

std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node& parent, std::string_view name) {
  std::vector<pugi::xml_node> found;
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() == pugi::node_element && localName(child) == name) found.push_back(child);
  }
  return found;
}

struct polygonFinder : pugi::xml_tree_walker {
  std::vector<pugi::xml_node> polygons;
  bool for_each(pugi::xml_node& node) override {
    if (node.type() == pugi::node_element && localName(node) == "Polygon") polygons.push_back(node);
    return true;
  }
};

// The vertices of one LinearRing: "longitude,latitude[,altitude]" tuples between blanks.
void readKmlRing(const pugi::xml_node& ring, std::string_view content, areaFile& file, routeReader& reader) {
  startRing(file);
  const size_t ringNumber = file.lines.size() - 1;
  const std::vector<pugi::xml_node> coordinates = childrenNamed(ring, "coordinates");
  long long line = lineAt(content, ring.offset_debug());
  if (coordinates.size() != 1) {
    reader.refuseFile("has a LinearRing without one list of coordinates, on line " + std::to_string(line));
  }
  line = lineAt(content, coordinates[0].offset_debug());
  std::string text;
  for (const pugi::xml_node& piece : coordinates[0].children()) text += piece.value();
  size_t pos = 0;
  while (pos < text.size()) {
    if (isSpace(text[pos])) {
      if (text[pos] == '\n') ++line;
      ++pos;
      continue;
    }
    size_t end = pos;
    while (end < text.size() && !isSpace(text[end])) ++end;
    const std::string_view tuple = std::string_view(text).substr(pos, end - pos);
    const place where = vertexAt(ringNumber, file.lines.back().size() + 1, line, tuple);
    const std::vector<std::string_view> parts = tupleParts(tuple);
    if (parts.size() < 2 || parts.size() > 3) {
      reader.refuse(where, "a position is longitude,latitude or longitude,latitude,altitude");
    }
    const std::optional<double> lon = wholeNumber(parts[0]);
    const std::optional<double> lat = wholeNumber(parts[1]);
    if (!lon) reader.refuse(where, "the longitude is not a number");
    if (!lat) reader.refuse(where, "the latitude is not a number");
    if (parts.size() == 3 && !wholeNumber(parts[2])) reader.refuse(where, "the altitude is not a number");
    addVertex(file, *lat, *lon, line, where, reader);
    pos = end;
  }
}

void readKmlArea(pugi::xml_document& doc, const pugi::xml_parse_result& parsed, std::string_view content,
                 areaFile& file, routeReader& reader) {
  if (!parsed) {
    reader.refuseFile("is not well-formed XML: " + std::string(parsed.description()) + " at line " +
                      std::to_string(lineAt(content, parsed.offset)));
  }
  polygonFinder finder;
  doc.traverse(finder);
  if (finder.polygons.empty()) reader.refuseFile("holds no area (Polygon)");
  if (finder.polygons.size() > 1) {
    reader.refuseFile("holds " + std::to_string(finder.polygons.size()) + " areas (Polygon); keep one");
  }
  const pugi::xml_node polygon = finder.polygons[0];
  const std::vector<pugi::xml_node> outer = childrenNamed(polygon, "outerBoundaryIs");
  const std::string where = " (line " + std::to_string(lineAt(content, polygon.offset_debug())) + ")";
  if (outer.size() != 1) reader.refuseFile("has a Polygon without one outerBoundaryIs" + where);
  const std::vector<pugi::xml_node> outerRings = childrenNamed(outer[0], "LinearRing");
  if (outerRings.size() != 1) reader.refuseFile("has an outerBoundaryIs without one LinearRing" + where);
  readKmlRing(outerRings[0], content, file, reader);
  for (const pugi::xml_node& inner : childrenNamed(polygon, "innerBoundaryIs")) {
    for (const pugi::xml_node& ring : childrenNamed(inner, "LinearRing")) readKmlRing(ring, content, file, reader);
  }
}

// ---- GeoJSON ----

using json = nlohmann::json;

struct geoJsonAreas {
  std::vector<const json*> parts;   // the coordinates of each polygon
  std::vector<std::string> others;  // types that are no area
};

void collectAreas(const json& geometry, geoJsonAreas& found, int depth = 0) {
  if (!geometry.is_object() || depth > 64) return;
  const auto type = geometry.find("type");
  const std::string kind = type != geometry.end() && type->is_string() ? type->get<std::string>() : "";
  const auto coordinates = geometry.find("coordinates");
  static const json none;
  const json* const coords = coordinates != geometry.end() ? &*coordinates : &none;
  if (kind == "Polygon") {
    found.parts.push_back(coords);
  } else if (kind == "MultiPolygon" && coords->is_array()) {
    for (const json& part : *coords) found.parts.push_back(&part);
  } else if (kind == "GeometryCollection" && geometry.contains("geometries") && geometry["geometries"].is_array()) {
    for (const json& part : geometry["geometries"]) collectAreas(part, found, depth + 1);
  } else {
    found.others.push_back(kind.empty() ? "geometry without a type" : kind);
  }
}

void readGeoJsonPolygon(const json& polygon, areaFile& file, routeReader& reader) {
  if (!polygon.is_array() || polygon.empty()) reader.refuseFile("holds an area without a list of boundaries");
  for (const json& ring : polygon) {
    startRing(file);
    const size_t ringNumber = file.lines.size() - 1;
    if (!ring.is_array()) reader.refuseFile("holds a boundary that is not a list of positions");
    for (const json& position : ring) {
      const bool flat = position.is_array() &&
                        std::none_of(position.begin(), position.end(), [](const json& v) { return v.is_structured(); });
      const place where = vertexAt(ringNumber, file.lines.back().size() + 1, 0, flat ? position.dump() : "");
      if (!flat || position.size() < 2 || position.size() > 3 ||
          !std::all_of(position.begin(), position.end(), [](const json& v) { return v.is_number(); })) {
        reader.refuse(where, "a position is [longitude, latitude] or [longitude, latitude, altitude]");
      }
      addVertex(file, position[1].get<double>(), position[0].get<double>(), 0, where, reader);
    }
  }
}

void readGeoJsonArea(std::string_view content, areaFile& file, routeReader& reader) {
  geoJsonAreas found;
  readGeoJsonGeometries(
      content, reader, [&](const json& geometry, const json*) { collectAreas(geometry, found); },
      [&] {
        if (found.parts.empty()) {
          reader.refuseFile(found.others.empty() ? "holds no area (Polygon)"
                                                 : "holds no area (Polygon), only " + found.others[0]);
        }
        if (found.parts.size() > 1) {
          reader.refuseFile("holds " + std::to_string(found.parts.size()) + " areas (polygons); keep one");
        }
        readGeoJsonPolygon(*found.parts[0], file, reader);
      });
}

char firstSignificant(std::string_view content) {
  for (size_t i = bomLength(content); i < content.size(); ++i) {
    if (!isSpace(content[i])) return content[i];
  }
  return '\0';
}

}  // namespace

areaFile readArea(std::string_view content, const std::string& name) {
  routeReader reader(name, "vertex");
  areaFile file;
  const char first = firstSignificant(content);
  pugi::xml_document doc;
  pugi::xml_parse_result parsed;
  if (first == '<') parsed = doc.load_buffer(content.data(), content.size());
  if (first == '<' && localName(doc.document_element()) == "kml") {
    readKmlArea(doc, parsed, content, file, reader);
  } else if (first == '<') {
    if (!parsed) {
      reader.refuseFile("is not well-formed XML: " + std::string(parsed.description()) + " at line " +
                        std::to_string(lineAt(content, parsed.offset)));
    }
    reader.refuseFile("is XML but not KML: an area is read from KML, GeoJSON or plain text");
  } else if (first == '{') {
    readGeoJsonArea(content, file, reader);
  } else {
    readTextArea(content, file, reader);
  }
  reader.finish();
  return file;
}

std::string areaReason(const areaFile& file, const surveyError& error) {
  std::string reason = error.what();
  if (error.ring >= 0 && error.vertex > 0 && static_cast<size_t>(error.ring) < file.lines.size()) {
    const std::vector<long long>& lines = file.lines[static_cast<size_t>(error.ring)];
    const size_t vertex = static_cast<size_t>(error.vertex);
    if (vertex <= lines.size() && lines[vertex - 1] > 0) {
      reason += " (vertex " + std::to_string(vertex) + " is on line " + std::to_string(lines[vertex - 1]) + ")";
    }
  }
  return reason;
}
