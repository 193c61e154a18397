#include "routeImport.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "positionForms.h"
#include "vesk.h"
#include "wptList.h"

namespace {

using json = nlohmann::json;

enum class routeFormat { text, kml, gpx, geojson, csv };

const std::string_view byteOrderMark = "\xEF\xBB\xBF";

size_t bomLength(std::string_view content) {
  return content.substr(0, byteOrderMark.size()) == byteOrderMark ? byteOrderMark.size() : 0;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSpace(char c) { return isBlank(c) || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::string plural(size_t count, const char* one, const char* many) {
  return count == 1 ? std::string("1 ") + one : std::to_string(count) + " " + many;
}

std::string shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

// A field that must hold one number and nothing else, read with the same conversion in
// every format, so that the same digits give the same position and the same mission.
std::optional<double> wholeNumber(std::string_view field) {
  const std::string text(trimmed(field));
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

// Whether the vehicle can be sent to (lat, lon): both finite and within range.
bool flyable(double lat, double lon) { return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180; }

// Why the vehicle cannot be sent to (lat, lon); empty when it can.
std::string positionProblem(double lat, double lon) {
  if (!std::isfinite(lat)) return "the latitude is not a finite number";
  if (!std::isfinite(lon)) return "the longitude is not a finite number";
  if (lat < -90 || lat > 90) return "latitude " + shown(lat) + " is outside -90..90";
  if (lon < -180 || lon > 180) return "longitude " + shown(lon) + " is outside -180..180";
  return "";
}

// Where a waypoint stands in its file, as the operator's messages name it.
struct place {
  std::string message;  // standard output: "on line 3" or "3"
  std::string label;    // standard error: "line 3" or "waypoint 3 (line 12)"
  std::string quote;    // the offending text, when there is one
};

place onLine(long long line, std::string_view text) {
  return {"on line " + std::to_string(line), "line " + std::to_string(line), std::string(text)};
}

place waypointAt(long long number, long long line, std::string_view text) {
  std::string label = "waypoint " + std::to_string(number);
  if (line > 0) label += " (line " + std::to_string(line) + ")";
  return {std::to_string(number), label, std::string(text)};
}

// Appends the waypoints of one file to the route, refusing the first that cannot be flown
// and warning of slips that do not stop the run.
class routeReader {
 public:
  explicit routeReader(std::string fileName) : fileName_(std::move(fileName)) {}

  const std::string& fileName() const { return fileName_; }

  [[noreturn]] void refuse(const place& where, const std::string& reason) const {
    failRun("invalid waypoint " + where.message + " of " + fileName_ + "\n", described(where, reason));
  }

  // The file as a whole cannot give one route.
  [[noreturn]] void refuseFile(const std::string& what) const {
    failRun(fileName_ + " " + what + "\n");
  }

  // A slip the operator should hear of; after a few of them only their number is told.
  void slip(const place& where, const std::string& what) {
    if (++slips_ <= shownSlips) warn(described(where, what));
  }

  void add(double lat, double lon, const place& where) {
    add(lat, lon, [&] { return where; });
  }

  // The same with the place made by `where()` only when it is named: a file of a million
  // waypoints should not cost a million messages that are never given.
  template <typename Where>
  void add(double lat, double lon, const Where& where) {
    if (!flyable(lat, lon)) refuse(where(), positionProblem(lat, lon));
    if (tailNodePtr != nullptr && tailNodePtr->Lat == lat && tailNodePtr->Lon == lon) {
      const place named = where();
      slip({named.message, named.label, ""}, "repeats the waypoint before it: a leg of length 0");
    }
    // A latitude of -0 is the equator, written as every other latitude 0 is.
    insertLatLonEnd(lat == 0 ? 0.0 : lat, lon);
  }

  // A position given as two texts, longitude and latitude as map formats order them.
  void addText(std::string_view lonText, std::string_view latText, const place& where) {
    const std::optional<double> lon = wholeNumber(lonText);
    const std::optional<double> lat = wholeNumber(latText);
    if (!lon) refuse(where, "the longitude is not a number");
    if (!lat) refuse(where, "the latitude is not a number");
    add(*lat, *lon, where);
  }

  // The two cells of a CSV row: plain numbers, or both coordinates with their hemisphere
  // letters. One letter alone leaves it open whether the other number is signed.
  void addCells(std::string_view latText, std::string_view lonText, const place& where) {
    const bool latLettered = hasHemisphereLetter(latText);
    if (latLettered != hasHemisphereLetter(lonText)) {
      refuse(where, "write a hemisphere letter with both the latitude and the longitude, or with neither");
    }
    if (!latLettered) {
      addText(lonText, latText, where);
      return;
    }
    const letteredCoordinate lat = readLetteredCoordinate(latText, true);
    if (!lat.problem.empty()) refuse(where, "the latitude: " + lat.problem);
    const letteredCoordinate lon = readLetteredCoordinate(lonText, false);
    if (!lon.problem.empty()) refuse(where, "the longitude: " + lon.problem);
    add(lat.value, lon.value, where);
  }

  void finish() const {
    if (slips_ > shownSlips) warn(std::to_string(slips_ - shownSlips) + " more like these in " + fileName_);
  }

 private:
  static constexpr long long shownSlips = 5;

  static std::string described(const place& where, const std::string& what) {
    std::string text = where.label + ": ";
    if (!where.quote.empty()) {
      const size_t longest = 100;
      text += "\"" + (where.quote.size() > longest ? where.quote.substr(0, longest) + "..." : where.quote) + "\": ";
    }
    return text + what;
  }

  std::string fileName_;
  long long slips_ = 0;
};

// ---- Plain text: one "latitude longitude" pair per line ----

// The number that starts at `pos` in the line of `content` that ends at `end` as the C
// library reads it, and where it ends. The plain decimal numbers that fill route files
// are read by from_chars, many times faster than strtod and, like it, rounded correctly,
// so both give the same double; strtod reads what from_chars does not take as a whole
// number (a sign +, hexadecimal, a value out of range), so that such texts mean what they
// always meant.
std::pair<double, size_t> numberAt(std::string_view content, size_t pos, size_t end) {
  const char* const text = content.data();
  const char first = text[pos] == '-' && pos + 1 < end ? text[pos + 1] : text[pos];
  if ((first >= '0' && first <= '9') || first == '.') {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text + pos, text + end, value);
    if (ec == std::errc() && (ptr == text + end || isBlank(*ptr))) return {value, static_cast<size_t>(ptr - text)};
  }
  // strtod needs the text to end in a NUL; a number seldom fills the line.
  const std::string_view rest = content.substr(pos, end - pos);
  char shortText[64];
  std::string longText;
  const char* start = shortText;
  if (rest.size() < sizeof shortText) {
    std::memcpy(shortText, rest.data(), rest.size());
    shortText[rest.size()] = '\0';
  } else {
    longText = rest;
    start = longText.c_str();
  }
  char* after = nullptr;
  const double value = std::strtod(start, &after);
  return {value, pos + static_cast<size_t>(after - start)};
}

size_t skipBlanks(std::string_view content, size_t pos, size_t end) {
  while (pos < end && isBlank(content[pos])) ++pos;
  return pos;
}

// A position the vehicle cannot be sent to is named in the reason, without the line.
[[noreturn]] void refuseRange(routeReader& route, const place& where, double lat, double lon) {
  route.refuse({where.message, where.label, ""}, positionProblem(lat, lon));
}

// One line of the plain text format, from `start` to `end`: the latitude and the
// longitude, each followed by a blank or the end of the line; anything after a blank
// behind the longitude is a comment. A line whose first character is # is a comment. A
// line with hemisphere letters gives its position in degrees, minutes and seconds.
void readTextLine(std::string_view content, size_t start, size_t end, long long number, routeReader& route) {
  const size_t first = skipBlanks(content, start, end);
  if (first == end || content[first] == '#') return;
  const auto where = [&] { return onLine(number, content.substr(start, end - start)); };
  const std::string_view text = content.substr(first, end - first);
  if (hasHemisphereLetter(text)) {
    const letteredPosition position = readLetteredLine(text);
    if (!position.problem.empty()) route.refuse(where(), position.problem);
    if (!flyable(position.lat, position.lon)) refuseRange(route, where(), position.lat, position.lon);
    route.add(position.lat, position.lon, where);
    return;
  }
  const char* const names[] = {"latitude", "longitude"};
  double values[2] = {0, 0};
  size_t pos = first;
  for (int i = 0; i < 2; ++i) {
    if (pos == end) route.refuse(where(), std::string("the ") + names[i] + " is missing");
    const auto [value, after] = numberAt(content, pos, end);
    if (after == pos || after > end) {
      route.refuse(where(), i == 0 ? "not a number" : "the longitude is not a number");
    }
    if (after < end && !isBlank(content[after])) {
      route.refuse(where(), std::string("the ") + names[i] + " must be followed by a blank or the end of the line");
    }
    values[i] = value;
    pos = skipBlanks(content, after, end);
  }
  if (!flyable(values[0], values[1])) {
    // A value out of range is named in the reason; a text that is no finite number is quoted.
    if (std::isfinite(values[0]) && std::isfinite(values[1])) refuseRange(route, where(), values[0], values[1]);
    route.refuse(where(), positionProblem(values[0], values[1]));
  }
  if (pos < end) {
    const auto [value, after] = numberAt(content, pos, end);
    if (after > pos && (after == end || isBlank(content[after]))) {
      route.slip(where(), "only the first two numbers are used");
    }
  }
  route.add(values[0], values[1], where);
}

// Lines end in LF, CR LF or a lone CR (old Mac files); a byte order mark that a Windows
// editor put at the very start is no part of the first line.
void readText(std::string_view content, routeReader& route) {
  long long number = 0;
  const size_t size = content.size();
  size_t start = bomLength(content);
  while (start < size) {
    size_t end = start;
    while (end < size && content[end] != '\n' && content[end] != '\r') ++end;
    readTextLine(content, start, end, ++number, route);
    start = end + 1;
    if (end < size && content[end] == '\r' && start < size && content[start] == '\n') ++start;
  }
}

// ---- CSV: a header row names the latitude and longitude columns ----

// One record of RFC 4180 CSV from `pos`, which moves past it; `line` counts the line
// ends passed. Returns false at the end of the content.
bool nextRecord(std::string_view content, size_t& pos, char separator, long long& line,
                std::vector<std::string>& fields, routeReader& route) {
  fields.clear();
  if (pos >= content.size()) return false;
  const long long firstLine = line;
  std::string field;
  bool quoted = false;
  while (pos < content.size()) {
    const char c = content[pos++];
    if (quoted) {
      if (c == '"' && pos < content.size() && content[pos] == '"') {
        field += '"';
        ++pos;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n' || (c == '\r' && (pos >= content.size() || content[pos] != '\n'))) ++line;
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      fields.push_back(field);
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && pos < content.size() && content[pos] == '\n') ++pos;
      ++line;
      break;
    } else {
      field += c;
    }
  }
  if (quoted) {
    route.refuseFile("has a quoted field opened on line " + std::to_string(firstLine) +
                     " that is never closed");
  }
  fields.push_back(field);
  return true;
}

std::optional<size_t> columnOf(const std::vector<std::string>& header,
                               std::initializer_list<const char*> names) {
  for (size_t i = 0; i < header.size(); ++i) {
    const std::string name = lowerCase(trimmed(header[i]));
    for (const char* wanted : names) {
      if (name == wanted) return i;
    }
  }
  return std::nullopt;
}

void readCsv(std::string_view content, routeReader& route) {
  const size_t start = bomLength(content);
  std::vector<std::string> fields;
  for (const char separator : {',', ';'}) {
    size_t pos = start;
    long long line = 1;
    nextRecord(content, pos, separator, line, fields, route);
    const std::optional<size_t> latColumn = columnOf(fields, {"lat", "latitude"});
    const std::optional<size_t> lonColumn = columnOf(fields, {"lon", "lng", "long", "longitude"});
    if (!latColumn || !lonColumn) continue;
    long long recordLine = line;
    while (nextRecord(content, pos, separator, line, fields, route)) {
      const long long thisLine = recordLine;
      recordLine = line;
      if (std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return trimmed(f).empty(); })) {
        continue;
      }
      std::string text;
      for (size_t i = 0; i < fields.size(); ++i) text += (i > 0 ? std::string(1, separator) : "") + fields[i];
      const place where = onLine(thisLine, text);
      if (*latColumn >= fields.size()) route.refuse(where, "the row has no latitude column");
      if (*lonColumn >= fields.size()) route.refuse(where, "the row has no longitude column");
      route.addCells(fields[*latColumn], fields[*lonColumn], where);
    }
    return;
  }
  route.refuseFile(
      "needs a header row naming its latitude and longitude columns, such as \"lat,lon\" "
      "(lat or latitude; lon, lng, long or longitude)");
}

// ---- KML and GPX ----

std::string_view localName(const pugi::xml_node& element) {
  const std::string_view name = element.name();
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Calls `visit` for every element below `root`, in document order.
template <typename Visit>
void forEachElement(const pugi::xml_node& root, Visit visit) {
  pugi::xml_node n = root.first_child();
  while (n) {
    if (n.type() == pugi::node_element) visit(n);
    if (n.first_child()) {
      n = n.first_child();
      continue;
    }
    while (!n.next_sibling()) {
      n = n.parent();
      if (n == root) return;
    }
    n = n.next_sibling();
  }
}

std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node& parent, std::string_view name) {
  std::vector<pugi::xml_node> found;
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() == pugi::node_element && localName(child) == name) found.push_back(child);
  }
  return found;
}

// Lines of a document at byte offsets. Asked in document order it reads the document once,
// so that a file of a million waypoints costs no more than one pass.
class lineFinder {
 public:
  explicit lineFinder(std::string_view content) : content_(content) {}
  long long lineAt(ptrdiff_t offset) {
    if (offset < 0) return 0;
    const size_t target = std::min(static_cast<size_t>(offset), content_.size());
    if (target < pos_) {
      pos_ = 0;
      line_ = 1;
    }
    line_ += std::count(content_.begin() + static_cast<ptrdiff_t>(pos_),
                        content_.begin() + static_cast<ptrdiff_t>(target), '\n');
    pos_ = target;
    return line_;
  }

 private:
  std::string_view content_;
  size_t pos_ = 0;
  long long line_ = 1;
};

void readKml(const pugi::xml_document& doc, std::string_view content, routeReader& route) {
  std::vector<pugi::xml_node> paths;
  std::vector<pugi::xml_node> points;
  forEachElement(doc, [&](const pugi::xml_node& element) {
    if (localName(element) == "LineString") paths.push_back(element);
    if (localName(element) == "Point") points.push_back(element);
  });
  if (paths.size() > 1) route.refuseFile("holds " + std::to_string(paths.size()) + " paths; keep one");
  if (!paths.empty() && !points.empty()) {
    route.refuseFile("holds a path and " + plural(points.size(), "point", "points") +
                     "; keep either the path or the points");
  }
  if (paths.empty() && points.empty()) route.refuseFile("holds no path and no points");

  lineFinder lines(content);
  long long number = 0;
  for (const pugi::xml_node& geometry : paths.empty() ? points : paths) {
    const std::vector<pugi::xml_node> coordinates = childrenNamed(geometry, "coordinates");
    std::string text;
    long long line = lines.lineAt(geometry.offset_debug());
    if (!coordinates.empty()) {
      line = lines.lineAt(coordinates[0].offset_debug());
      for (const pugi::xml_node& piece : coordinates[0].children()) text += piece.value();
    }
    size_t tuples = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      if (isSpace(text[pos])) {
        if (text[pos] == '\n' && line > 0) ++line;
        ++pos;
        continue;
      }
      size_t end = pos;
      while (end < text.size() && !isSpace(text[end])) ++end;
      const std::string_view tuple = std::string_view(text).substr(pos, end - pos);
      const place where = waypointAt(++number, line, tuple);
      ++tuples;
      if (paths.empty() && tuples > 1) route.refuse(where, "a point holds more than one position");
      std::vector<std::string_view> parts;
      for (size_t from = 0;;) {
        const size_t comma = tuple.find(',', from);
        parts.push_back(tuple.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
        if (comma == std::string_view::npos) break;
        from = comma + 1;
      }
      if (parts.size() < 2 || parts.size() > 3) {
        route.refuse(where, "a position is longitude,latitude or longitude,latitude,altitude");
      }
      if (parts.size() == 3 && !wholeNumber(parts[2])) route.refuse(where, "the altitude is not a number");
      route.addText(parts[0], parts[1], where);
      pos = end;
    }
    if (paths.empty() && tuples == 0) {
      route.refuse(waypointAt(number + 1, line, ""), "a point without coordinates");
    }
  }
}

void readGpx(const pugi::xml_node& root, std::string_view content, routeReader& route) {
  const std::vector<pugi::xml_node> routes = childrenNamed(root, "rte");
  const std::vector<pugi::xml_node> tracks = childrenNamed(root, "trk");
  const std::vector<pugi::xml_node> waypoints = childrenNamed(root, "wpt");
  std::vector<pugi::xml_node> points;
  if (routes.size() > 1) route.refuseFile("holds " + std::to_string(routes.size()) + " routes; keep one");
  if (routes.size() == 1) {
    points = childrenNamed(routes[0], "rtept");
    if (!tracks.empty() || !waypoints.empty()) {
      std::string leftOut = tracks.empty() ? "" : plural(tracks.size(), "track", "tracks");
      if (!waypoints.empty()) leftOut += (leftOut.empty() ? "" : ", ") + plural(waypoints.size(), "waypoint", "waypoints");
      warn(route.fileName() + ": only its route is used; left out: " + leftOut);
    }
  } else if (tracks.size() > 1) {
    route.refuseFile("holds " + std::to_string(tracks.size()) + " tracks; keep one");
  } else if (tracks.size() == 1) {
    for (const pugi::xml_node& segment : childrenNamed(tracks[0], "trkseg")) {
      for (const pugi::xml_node& point : childrenNamed(segment, "trkpt")) points.push_back(point);
    }
    if (!waypoints.empty()) {
      warn(route.fileName() + ": only its track is used; left out: " + plural(waypoints.size(), "waypoint", "waypoints"));
    }
  } else if (!waypoints.empty()) {
    points = waypoints;
  } else {
    route.refuseFile("holds no route, track or waypoints");
  }

  lineFinder lines(content);
  long long number = 0;
  for (const pugi::xml_node& point : points) {
    const pugi::xml_attribute lat = point.attribute("lat");
    const pugi::xml_attribute lon = point.attribute("lon");
    const std::string text = std::string("lat=\"") + lat.value() + "\" lon=\"" + lon.value() + "\"";
    const place where = waypointAt(++number, lines.lineAt(point.offset_debug()), text);
    if (!lat) route.refuse(where, "no lat attribute");
    if (!lon) route.refuse(where, "no lon attribute");
    route.addText(lon.value(), lat.value(), where);
  }
}

// ---- GeoJSON ----

// What a GeoJSON document holds that could be a route.
struct geoJsonFinds {
  std::vector<const json*> paths;   // coordinate lists of LineString and MultiPoint
  std::vector<const json*> points;  // positions of Point geometries
  std::vector<std::string> others;  // types that are no route (Polygon, ...)
};

void collectGeometry(const json& geometry, geoJsonFinds& found, int depth = 0) {
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
  } else if (kind == "GeometryCollection" && geometry.contains("geometries") && geometry["geometries"].is_array()) {
    for (const json& part : geometry["geometries"]) collectGeometry(part, found, depth + 1);
  } else {
    found.others.push_back(kind.empty() ? "geometry without a type" : kind);
  }
}

void addPosition(const json& position, long long number, routeReader& route) {
  const bool flat = position.is_array() &&
                    std::none_of(position.begin(), position.end(), [](const json& v) { return v.is_structured(); });
  // Only a flat list is quoted: a deeply nested one would make a long and useless message.
  const place where = waypointAt(number, 0, flat ? position.dump() : "");
  if (!flat || position.size() < 2 || position.size() > 3 ||
      !std::all_of(position.begin(), position.end(), [](const json& v) { return v.is_number(); })) {
    route.refuse(where, "a position is [longitude, latitude] or [longitude, latitude, altitude]");
  }
  route.add(position[1].get<double>(), position[0].get<double>(), where);
}

void readGeoJson(std::string_view content, routeReader& route) {
  json document;
  try {
    document = json::parse(content);
  } catch (const json::exception& e) {
    std::string reason = e.what();
    const size_t bracket = reason.find("] ");
    if (reason.rfind("[json.exception.", 0) == 0 && bracket != std::string::npos) reason.erase(0, bracket + 2);
    route.refuseFile("is not valid JSON: " + reason);
  }
  if (!document.is_object() || !document.contains("type") || !document["type"].is_string()) {
    route.refuseFile("is JSON but not GeoJSON: it has no \"type\"");
  }
  geoJsonFinds found;
  const std::string type = document["type"].get<std::string>();
  if (type == "FeatureCollection") {
    if (!document.contains("features") || !document["features"].is_array()) {
      route.refuseFile("is a FeatureCollection without \"features\"");
    }
    for (const json& feature : document["features"]) {
      if (feature.is_object() && feature.contains("geometry")) collectGeometry(feature["geometry"], found);
    }
  } else if (type == "Feature") {
    if (document.contains("geometry")) collectGeometry(document["geometry"], found);
  } else {
    collectGeometry(document, found);
  }
  if (found.paths.size() > 1) route.refuseFile("holds " + std::to_string(found.paths.size()) + " paths; keep one");
  if (!found.paths.empty() && !found.points.empty()) {
    route.refuseFile("holds a path and " + plural(found.points.size(), "point", "points") +
                     "; keep either the path or the points");
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
  long long number = 0;
  if (!found.paths.empty()) {
    const json& path = *found.paths[0];
    if (!path.is_array()) route.refuseFile("holds a path without a list of coordinates");
    for (const json& position : path) addPosition(position, ++number, route);
  } else {
    for (const json* position : found.points) addPosition(*position, ++number, route);
  }
}

bool endsWithCsv(const std::string& name) {
  return name.size() >= 4 && lowerCase(name.substr(name.size() - 4)) == ".csv";
}

// The first character after a byte order mark and white space.
char firstSignificant(std::string_view content) {
  for (size_t i = bomLength(content); i < content.size(); ++i) {
    if (!isSpace(content[i])) return content[i];
  }
  return '\0';
}

// The root element's name without its namespace prefix; the partial tree of a document
// that failed to parse still names it.
std::string rootName(const pugi::xml_document& doc) { return std::string(localName(doc.document_element())); }

// The format of a waypoint file, told from its content (after a byte order mark and white
// space: XML whose root element is kml or gpx, or a JSON object), otherwise from a name
// ending in .csv; anything else is the plain text format. XML is parsed into `doc`.
routeFormat detectFormat(std::string_view content, const std::string& name, pugi::xml_document& doc,
                         pugi::xml_parse_result& parsed) {
  const char first = firstSignificant(content);
  if (first == '<') {
    parsed = doc.load_buffer(content.data(), content.size());
    const std::string root = rootName(doc);
    if (root == "kml") return routeFormat::kml;
    if (root == "gpx") return routeFormat::gpx;
  }
  if (first == '{') return routeFormat::geojson;
  if (endsWithCsv(name)) return routeFormat::csv;
  return routeFormat::text;
}

}  // namespace

routeFileText readRouteFile(const std::string& name) {
  std::error_code ec;
  // The program's names are UTF-8; on Windows a plain string would be read in the legacy
  // code page by the file system library.
  const std::filesystem::path path = std::filesystem::u8path(name);
  std::ifstream in(name, std::ios::in | std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) failRun("cannot open file " + name + " ");
  // A file of a million waypoints is read in one piece, straight into its place; what is
  // left when it grew meanwhile, or a file of no known size (a pipe), in pieces.
  const std::uintmax_t size = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
  routeFileText file;
  if (!ec && size > 0) {
    file.block_ = largeBlock(static_cast<size_t>(size));
    if (!file.block_) failRun("out of memory: cannot read file " + name + "\n");
    in.read(file.block_.data(), static_cast<std::streamsize>(size));
    file.size_ = static_cast<size_t>(in.gcount());
  }
  std::string rest;
  if (in && in.peek() != std::ifstream::traits_type::eof()) {
    std::string piece(64 * 1024, '\0');
    while (in) {
      in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
      rest.append(piece, 0, static_cast<size_t>(in.gcount()));
    }
  }
  if (in.bad()) failRun("cannot open file " + name + " ");
  if (!rest.empty()) {
    largeBlock whole(file.size_ + rest.size());
    if (!whole) failRun("out of memory: cannot read file " + name + "\n");
    if (file.size_ > 0) std::memcpy(whole.data(), file.block_.data(), file.size_);
    std::memcpy(whole.data() + file.size_, rest.data(), rest.size());
    file.size_ += rest.size();
    file.block_ = std::move(whole);
  }
  return file;
}

void readRoute(std::string_view content, const std::string& name) {
  routeReader route(name);
  pugi::xml_document doc;
  pugi::xml_parse_result parsed;
  const routeFormat format = detectFormat(content, name, doc, parsed);
  if ((format == routeFormat::kml || format == routeFormat::gpx) && !parsed) {
    route.refuseFile("is not well-formed XML: " + std::string(parsed.description()) + " at line " +
                     std::to_string(lineFinder(content).lineAt(parsed.offset)));
  }
  switch (format) {
    case routeFormat::kml: readKml(doc, content, route); break;
    case routeFormat::gpx: readGpx(doc.document_element(), content, route); break;
    case routeFormat::geojson: readGeoJson(content, route); break;
    case routeFormat::csv: readCsv(content, route); break;
    case routeFormat::text: readText(content, route); break;
  }
  route.finish();
  if (headNodePtr == nullptr) failRun("list is empty\n");
}
