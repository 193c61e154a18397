#include "routes/areaImport.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "routes/geoJsonWalk.h"
#include "routes/routeDocument.h"
#include "routes/routeReader.h"
#include "routes/routeText.h"
#include "routes/xmlWalk.h"
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
void addVertex(areaFile& file, double lat, double lon, long long line, const place& where, const routeReader& reader) {
  if (!flyable(lat, lon)) reader.refuse({where.message, where.label, ""}, positionProblem(lat, lon));
  std::vector<geoPoint>& ring = file.lines.size() == 1 ? file.area.outer : file.area.holes.back();
  ring.push_back({lat, lon});
  file.lines.back().push_back(line);
}

void startRing(areaFile& file) {
  if (!file.lines.empty()) file.area.holes.emplace_back();
  file.lines.emplace_back();
}

// The next vertex of the ring being read.
size_t nextVertex(const areaFile& file) { return file.lines.back().size() + 1; }

// ---- Plain text ----

// A line "hole" (in any case, a comment after it allowed) starts the next inner boundary.
bool isHoleLine(std::string_view line) {
  const std::string_view text = trimmed(line);
  if (text.size() < 4 || lowerCase(text.substr(0, 4)) != "hole") return false;
  return text.size() == 4 || isBlank(text[4]);
}

void readTextArea(std::string_view content, areaFile& file, routeReader& reader) {
  startRing(file);
  forEachLine(content, [&](size_t start, size_t end, long long number) {
    const std::string_view line = content.substr(start, end - start);
    if (isHoleLine(line)) {
      if (file.lines.size() == 1 && file.area.outer.empty()) {
        reader.refuseFile("starts an inner boundary (\"hole\") on line " + std::to_string(number) +
                          " before any vertex of the outer boundary");
      }
      startRing(file);
    } else if (const std::optional<geoPoint> p = readTextPosition(content, start, end, number, reader)) {
      addVertex(file, p->lat, p->lon, number, vertexAt(file.lines.size() - 1, nextVertex(file), number, line), reader);
    }
  });
}

// ---- KML ----

// The vertices of one LinearRing: "longitude,latitude[,altitude]" tuples between blanks.
void readKmlRing(const pugi::xml_node& ring, lineFinder& lines, areaFile& file, const routeReader& reader) {
  startRing(file);
  const size_t ringNumber = file.lines.size() - 1;
  const std::vector<pugi::xml_node> coordinates = childrenNamed(ring, "coordinates");
  const long long line = lines.lineAt(ring.offset_debug());
  if (coordinates.size() != 1) {
    reader.refuseFile("has a LinearRing without one list of coordinates, on line " + std::to_string(line));
  }
  const std::string text = coordinatesText(coordinates[0]);
  forEachTuple(text, lines.lineAt(coordinates[0].offset_debug()), [&](std::string_view tuple, long long at) {
    const place where = vertexAt(ringNumber, nextVertex(file), at, tuple);
    const std::vector<std::string_view> parts = tupleParts(tuple);
    if (parts.size() < 2 || parts.size() > 3) {
      reader.refuse(where, "a position is longitude,latitude or longitude,latitude,altitude");
    }
    const std::optional<double> lon = wholeNumber(parts[0]);
    const std::optional<double> lat = wholeNumber(parts[1]);
    if (!lon) reader.refuse(where, "the longitude is not a number");
    if (!lat) reader.refuse(where, "the latitude is not a number");
    if (parts.size() == 3 && !wholeNumber(parts[2])) reader.refuse(where, "the altitude is not a number");
    addVertex(file, *lat, *lon, at, where, reader);
  });
}

void readKmlArea(const document& doc, areaFile& file, const routeReader& reader) {
  refuseIfNotWellFormed(doc.parsed, doc.text, reader);
  std::vector<pugi::xml_node> polygons;
  forEachElement(doc.xml, [&](const pugi::xml_node& element) {
    if (localName(element) == "Polygon") polygons.push_back(element);
  });
  if (polygons.empty()) reader.refuseFile("holds no area (Polygon)");
  if (polygons.size() > 1) reader.refuseFile("holds " + std::to_string(polygons.size()) + " areas (Polygon); keep one");
  const pugi::xml_node polygon = polygons[0];
  lineFinder lines(doc.text);
  const std::vector<pugi::xml_node> outer = childrenNamed(polygon, "outerBoundaryIs");
  const std::string where = " (line " + std::to_string(lines.lineAt(polygon.offset_debug())) + ")";
  if (outer.size() != 1) reader.refuseFile("has a Polygon without one outerBoundaryIs" + where);
  const std::vector<pugi::xml_node> outerRings = childrenNamed(outer[0], "LinearRing");
  if (outerRings.size() != 1) reader.refuseFile("has an outerBoundaryIs without one LinearRing" + where);
  readKmlRing(outerRings[0], lines, file, reader);
  for (const pugi::xml_node& inner : childrenNamed(polygon, "innerBoundaryIs")) {
    for (const pugi::xml_node& ring : childrenNamed(inner, "LinearRing")) readKmlRing(ring, lines, file, reader);
  }
}

// ---- GeoJSON ----

using json = nlohmann::json;

void readGeoJsonPolygon(const json& polygon, areaFile& file, const routeReader& reader) {
  if (!polygon.is_array() || polygon.empty()) reader.refuseFile("holds an area without a list of boundaries");
  for (const json& ring : polygon) {
    startRing(file);
    const size_t ringNumber = file.lines.size() - 1;
    if (!ring.is_array()) reader.refuseFile("holds a boundary that is not a list of positions");
    for (const json& position : ring) {
      const bool flat = position.is_array() &&
                        std::none_of(position.begin(), position.end(), [](const json& v) { return v.is_structured(); });
      const place where = vertexAt(ringNumber, nextVertex(file), 0, flat ? position.dump() : "");
      if (!flat || position.size() < 2 || position.size() > 3 ||
          !std::all_of(position.begin(), position.end(), [](const json& v) { return v.is_number(); })) {
        reader.refuse(where, "a position is [longitude, latitude] or [longitude, latitude, altitude]");
      }
      addVertex(file, position[1].get<double>(), position[0].get<double>(), 0, where, reader);
    }
  }
}

void readGeoJsonArea(std::string_view content, areaFile& file, const routeReader& reader) {
  readGeoJsonGeometries(content, reader, [&](const std::vector<geoJsonGeometry>& geometries) {
    std::vector<const json*> parts;   // the coordinates of each polygon
    std::vector<std::string> others;  // types that are no area
    for (const geoJsonGeometry& geometry : geometries) {
      if (geometry.type == "Polygon") {
        parts.push_back(geometry.coordinates);
      } else if (geometry.type == "MultiPolygon" && geometry.coordinates->is_array()) {
        for (const json& part : *geometry.coordinates) parts.push_back(&part);
      } else {
        others.push_back(geometry.type.empty() ? "geometry without a type" : geometry.type);
      }
    }
    if (parts.empty()) {
      reader.refuseFile(others.empty() ? "holds no area (Polygon)" : "holds no area (Polygon), only " + others[0]);
    }
    if (parts.size() > 1) reader.refuseFile("holds " + std::to_string(parts.size()) + " areas (polygons); keep one");
    readGeoJsonPolygon(*parts[0], file, reader);
  });
}

}  // namespace

result<areaFile> readArea(std::string_view content, const std::string& name, std::vector<std::string>& warnings) {
  return refusedAsFailure([&] {
    routeReader reader(name, warnings, "vertex");
    areaFile file;
    document doc;
    openDocument(content, doc, reader);
    switch (doc.format) {
      case documentFormat::kml: readKmlArea(doc, file, reader); break;
      case documentFormat::gpx:
      case documentFormat::otherXml:
        refuseIfNotWellFormed(doc.parsed, doc.text, reader);
        reader.refuseFile("is XML but not KML: an area is read from KML, GeoJSON or plain text");
      case documentFormat::geoJson: readGeoJsonArea(doc.text, file, reader); break;
      case documentFormat::plain: readTextArea(doc.text, file, reader); break;
    }
    reader.finish();
    return file;
  });
}

std::string areaReason(const areaFile& file, const std::string& reason, int ring, int vertex) {
  if (ring < 0 || vertex <= 0 || static_cast<size_t>(ring) >= file.lines.size()) return reason;
  const std::vector<long long>& lines = file.lines[static_cast<size_t>(ring)];
  const size_t at = static_cast<size_t>(vertex);
  if (at > lines.size() || lines[at - 1] <= 0) return reason;
  return reason + " (vertex " + std::to_string(vertex) + " is on line " + std::to_string(lines[at - 1]) + ")";
}
