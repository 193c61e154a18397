#include "fuzz_check.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "files/fileSetPlatform.h"
#include "support/readFile.h"
#include "support/setDestinations.h"
#include "vesk.h"

namespace fs = std::filesystem;

namespace veskfuzz {
namespace {

const char* const answersFile = "answers.txt";
const char* const stdoutFile = "stdout.txt";
const char* const stderrFile = "stderr.txt";
const char* const settingsFile = "dive.toml";
const char* const gridFile = "grid.asc";

std::string workDir;
std::string startDir;  // where libFuzzer keeps its corpus and writes its findings

// The files of each run, kept in memory: writing and reading back a set on a disk would
// take many times longer than the run itself.
keptSets kept;
bool trapOnFinding = true;

// Where findings are told: standard error as it was when the fuzzer started. Runs with
// -close_fd_mask=2 silence the reason the program gives on standard error for every
// refused file (thousands a second), but not this.
std::FILE* report = stderr;

void removeWorkDir() {
  if (workDir.empty()) return;
  std::error_code ec;
  fs::remove_all(workDir, ec);
}

void writeFile(const char* name, const std::string& content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) finding(std::string("harness cannot write ") + name);
}

// The checks below run over every line of files of up to millions of lines: they look at
// the text in place, and build a message only when something is wrong.
using text = std::string_view;

bool startsWith(text s, text prefix) { return s.substr(0, prefix.size()) == prefix; }

bool endsWith(text s, text suffix) { return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix; }

text trimRight(text s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

text trimLeft(text s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

[[noreturn]] void badLine(const std::string& name, size_t index, text line, const std::string& what) {
  finding(name + " line " + std::to_string(index + 1) + " \"" + std::string(line) + "\": " + what);
}

// Calls `visit(index, line)` for every line of a file the vehicle software reads, from
// index 0: every line must end in CR LF, and neither character may appear anywhere else.
// Returns the number of lines.
template <typename Visit>
size_t forEachCrlfLine(const std::string& content, const std::string& name, Visit visit) {
  if (content.empty()) finding(name + " is empty");
  size_t index = 0;
  size_t start = 0;
  while (start < content.size()) {
    const size_t lf = content.find('\n', start);
    if (lf == std::string::npos) finding(name + ": last line has no line end");
    if (lf == start || content[lf - 1] != '\r') {
      finding(name + ": line " + std::to_string(index + 1) + " ends in LF without CR");
    }
    const text line(content.data() + start, lf - 1 - start);
    if (line.find('\r') != text::npos) finding(name + ": stray CR in line " + std::to_string(index + 1));
    visit(index, line);
    ++index;
    start = lf + 1;
  }
  return index;
}

void split(text record, std::vector<text>& out) {
  out.clear();
  for (;;) {
    const size_t comma = record.find(',');
    out.push_back(record.substr(0, comma));
    if (comma == text::npos) return;
    record.remove_prefix(comma + 1);
  }
}

// True when the whole of `number` is one finite number.
bool finiteNumber(text number, double* value = nullptr) {
  static std::string buffer;  // strtod needs a terminated string
  if (number.empty() || std::isspace(static_cast<unsigned char>(number[0])) != 0) return false;
  buffer.assign(number);
  char* end = nullptr;
  const double v = std::strtod(buffer.c_str(), &end);
  if (end != buffer.c_str() + buffer.size() || !std::isfinite(v)) return false;
  if (value != nullptr) *value = v;
  return true;
}

bool wholeInt(text number, long* value) {
  if (number.empty() || (number[0] != '-' && std::isdigit(static_cast<unsigned char>(number[0])) == 0)) return false;
  const std::string copy(number);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(copy.c_str(), &end, 10);
  if (end != copy.c_str() + copy.size() || errno != 0) return false;
  *value = v;
  return true;
}

// A position the vehicle can steer to: finite, latitude within the poles, longitude
// within one turn of the earth. Returns what is wrong, or null.
const char* badPosition(text latText, text lonText) {
  double lat = 0;
  double lon = 0;
  if (!finiteNumber(latText, &lat) || !finiteNumber(lonText, &lon)) return "position is not two finite numbers";
  if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return "position out of range";
  return nullptr;
}

struct waypointText {
  text lat;
  text lon;
};

// Waypoint file: "number,Nlat,lon,5,250.000,0.0,0.0,255,0.000", numbered from 0 (the launch
// waypoint) without gaps. The positions returned point into `content`.
std::vector<waypointText> checkWaypoints(const std::string& name, const std::string& content) {
  std::vector<waypointText> waypoints;
  std::vector<text> f;
  forEachCrlfLine(content, name, [&](size_t i, text line) {
    split(trimRight(line), f);
    if (f.size() != 9) badLine(name, i, line, "expected 9 fields");
    long number = -1;
    if (!wholeInt(f[0], &number) || number != static_cast<long>(i))
      badLine(name, i, line, "waypoint number out of sequence");
    if (f[1].empty() || f[1][0] != 'N') badLine(name, i, line, "latitude without N");
    if (const char* bad = badPosition(f[1].substr(1), f[2])) badLine(name, i, line, bad);
    for (size_t k = 3; k < f.size(); ++k) {
      if (!finiteNumber(f[k])) badLine(name, i, line, "field " + std::to_string(k + 1) + " is not a finite number");
    }
    waypoints.push_back({f[1].substr(1), f[2]});
  });
  // The launch waypoint and at least one waypoint of the route.
  if (waypoints.size() < 2) finding(name + ": fewer than two waypoints");
  return waypoints;
}

// Survey-line file: a header naming the file, then one point per waypoint, in the same
// order and at the same positions as the waypoint file.
void checkSurLine(const std::string& name, const std::string& content, const std::vector<waypointText>& waypoints) {
  std::vector<text> f;
  const size_t lines = forEachCrlfLine(content, name, [&](size_t i, text line) {
    split(trimRight(line), f);
    if (i == 0) {
      if (f.size() != 13) badLine(name, 0, line, "header needs 13 fields");
      if (f[1] != fs::path(name).filename().string()) badLine(name, 0, line, "header does not name the file");
      for (size_t k = 0; k < f.size(); ++k) {
        if (k != 1 && !finiteNumber(f[k])) badLine(name, 0, line, "header field is not a number");
      }
      return;
    }
    if (i > waypoints.size()) finding(name + ": point count differs from the waypoint file");
    if (f.size() != 8) badLine(name, i, line, "expected 8 fields");
    if (const char* bad = badPosition(f[1], f[2])) badLine(name, i, line, bad);
    if (f[1] != waypoints[i - 1].lat || f[2] != waypoints[i - 1].lon)
      badLine(name, i, line, "position differs from the waypoint file");
    for (size_t k = 0; k < f.size(); ++k) {
      // Fields 4 and 5 carry their unit, metres.
      const text number = (k == 3 || k == 4) && endsWith(f[k], "m") ? f[k].substr(0, f[k].size() - 1) : f[k];
      if (!finiteNumber(number)) badLine(name, i, line, "field " + std::to_string(k + 1) + " is not a finite number");
    }
  });
  if (lines != waypoints.size() + 1) finding(name + ": point count differs from the waypoint file");
}

bool scriptWord(text value) {
  static const text words[] = {"rudder",
                               "heading",
                               "pitch",
                               "True",
                               "False",
                               "MISSION_SPEED",
                               "MISSION_YOYO_MIN_DEPTH",
                               "MISSION_YOYO_MAX_DEPTH",
                               "YOYO_MIN_ALTITUDE"};
  return std::find(std::begin(words), std::end(words), value) != std::end(words);
}

// Mission script: every assignment holds a finite number or one of the script's own words,
// every define a finite number, and there is one group per waypoint after the launch
// waypoint, numbered from the last waypoint down to 1.
void checkMission(const std::string& name, const std::string& content, size_t waypointCount) {
  const std::string firstLine = "# Mission Filename: " + fs::path(name).filename().string();
  size_t groups = 0;
  forEachCrlfLine(content, name, [&](size_t i, text fullLine) {
    if (i == 0 && fullLine != firstLine) finding(name + ": first line does not name the file");
    const text line = trimRight(fullLine);
    if (line.empty()) return;
    if (startsWith(line, "#define ")) {
      if (!finiteNumber(line.substr(line.rfind(' ') + 1))) badLine(name, i, line, "define is not a finite number");
    } else if (line.find(':') != text::npos && line.find("WAYPOINT NUMBER: ") != text::npos) {
      const size_t colon = line.find(": ");
      const size_t end = line.find(' ', colon + 2);
      long number = 0;
      if (!wholeInt(line.substr(colon + 2, end - colon - 2), &number))
        badLine(name, i, line, "unreadable waypoint number");
      const bool final = line.find("FINAL WAYPOINT") != text::npos;
      if (final != (groups == 0)) badLine(name, i, line, "only the first group is the final one");
      // Numbered from the last waypoint down to 1.
      if (number != static_cast<long>(waypointCount - 1 - groups)) badLine(name, i, line, "group out of sequence");
      ++groups;
    } else if (startsWith(line, "# LAT/LON: ") || startsWith(line, "#               LAT/LON: ")) {
      const text pair = line.substr(line.find(": ") + 2);
      const size_t space = pair.find(' ');
      const char* bad = space == text::npos ? "position is not two numbers"
                                            : badPosition(pair.substr(0, space), pair.substr(space + 1));
      if (bad != nullptr) badLine(name, i, line, bad);
    } else if (line[0] != '#' && line.find('=') != text::npos) {
      if (line.back() != ';') badLine(name, i, line, "assignment without ;");
      const size_t equals = line.find('=');
      const text value = trimLeft(line.substr(equals + 1, line.size() - equals - 2));
      if (!scriptWord(value) && !finiteNumber(value)) badLine(name, i, line, "value is not a finite number");
    }
  });
  if (groups != waypointCount - 1) finding(name + ": group count is not the waypoint count minus 1");
}

// ---- Maps ----
// A map is how the operator checks the plan on a chart before the vehicle goes into the
// water: it must parse back and show every waypoint of the waypoint file, in order and at
// the position the vehicle is sent to.

// True when the map shows the waypoint where the waypoint file sends the vehicle: within a
// millionth of a degree (about 0.1 m), which is more than the waypoint file rounds by.
bool samePosition(double lat, double lon, const waypointText& waypoint) {
  double wptLat = 0;
  double wptLon = 0;
  if (!finiteNumber(waypoint.lat, &wptLat) || !finiteNumber(waypoint.lon, &wptLon)) return false;
  return std::fabs(lat - wptLat) <= 1e-6 && std::fabs(lon - wptLon) <= 1e-6;
}

// A "lon,lat" pair of a KML coordinates list.
void checkKmlPair(const std::string& name, text pair, const waypointText& waypoint, size_t index, const char* where) {
  const size_t comma = pair.find(',');
  double lat = 0;
  double lon = 0;
  if (comma == text::npos || !finiteNumber(pair.substr(0, comma), &lon) ||
      !finiteNumber(pair.substr(comma + 1), &lat) || !samePosition(lat, lon, waypoint)) {
    finding(name + ": " + where + " position " + std::to_string(index) + " \"" + std::string(pair) +
            "\" is not waypoint " + std::to_string(index) + " at " + std::string(waypoint.lat) + " " +
            std::string(waypoint.lon));
  }
}

// Every waypoint is marked as the launch waypoint (the first), a waypoint the operator
// gave, or a surfacing added by cutting a long leg.
void checkKind(const std::string& name, const std::string& kind, size_t index) {
  const bool valid = index == 0 ? kind == "launch" : kind == "waypoint" || kind == "surfacing";
  if (!valid) finding(name + ": waypoint " + std::to_string(index) + " is of kind \"" + kind + "\"");
}

void parseXml(const std::string& name, const std::string& content, const char* root, pugi::xml_document& doc) {
  const pugi::xml_parse_result parsed = doc.load_buffer(content.data(), content.size());
  if (!parsed) {
    finding(name + " does not parse back: " + parsed.description() + " at offset " + std::to_string(parsed.offset));
  }
  if (text(doc.document_element().name()) != root) finding(name + ": root is not " + root);
}

// KML: one line of the whole route, and one placemark per waypoint named by its number.
void checkKml(const std::string& name, const std::string& content, const std::vector<waypointText>& waypoints) {
  pugi::xml_document doc;
  parseXml(name, content, "kml", doc);
  struct collector : pugi::xml_tree_walker {
    std::vector<pugi::xml_node> lines;
    std::vector<pugi::xml_node> points;
    bool for_each(pugi::xml_node& node) override {
      if (text(node.name()) == "LineString") lines.push_back(node);
      if (text(node.name()) == "Point") points.push_back(node);
      return true;
    }
  } found;
  doc.traverse(found);
  if (found.lines.size() != 1) finding(name + ": not exactly one route line");
  text coordinates = found.lines[0].child("coordinates").text().get();
  size_t index = 0;
  for (;;) {
    const size_t start = coordinates.find_first_not_of(" \t\r\n");
    if (start == text::npos) break;
    coordinates.remove_prefix(start);
    const size_t end = std::min(coordinates.find_first_of(" \t\r\n"), coordinates.size());
    if (index >= waypoints.size()) finding(name + ": route line longer than the waypoint file");
    checkKmlPair(name, coordinates.substr(0, end), waypoints[index], index, "route line");
    ++index;
    coordinates.remove_prefix(end);
  }
  if (index != waypoints.size()) finding(name + ": route line shorter than the waypoint file");

  if (found.points.size() != waypoints.size()) finding(name + ": point count differs from the waypoint file");
  for (size_t i = 0; i < waypoints.size(); ++i) {
    const pugi::xml_node placemark = found.points[i].parent();
    if (placemark.child("name").text().get() != std::to_string(i))
      finding(name + ": placemark " + std::to_string(i) + " is not named by its number");
    checkKmlPair(name, found.points[i].child("coordinates").text().get(), waypoints[i], i, "placemark");
    size_t values = 0;
    for (const pugi::xml_node& data : placemark.child("ExtendedData").children("Data")) {
      const std::string field = data.attribute("name").value();
      const std::string value = data.child("value").text().get();
      ++values;
      if (field == "kind") {
        checkKind(name, value, i);
      } else if (!finiteNumber(value)) {
        finding(name + ": placemark " + std::to_string(i) + " " + field + " \"" + value + "\" is not a finite number");
      }
    }
    if (values != 5) finding(name + ": placemark " + std::to_string(i) + " lacks its data");
  }
}

// GPX: one route of one route point per waypoint, named by its number.
void checkGpx(const std::string& name, const std::string& content, const std::vector<waypointText>& waypoints) {
  pugi::xml_document doc;
  parseXml(name, content, "gpx", doc);
  const pugi::xml_node gpx = doc.document_element();
  const auto routes = gpx.children("rte");
  if (std::distance(routes.begin(), routes.end()) != 1) finding(name + ": not exactly one route");
  size_t i = 0;
  for (const pugi::xml_node& point : gpx.child("rte").children("rtept")) {
    if (i >= waypoints.size()) finding(name + ": more route points than waypoints");
    double lat = 0;
    double lon = 0;
    if (!finiteNumber(point.attribute("lat").value(), &lat) || !finiteNumber(point.attribute("lon").value(), &lon) ||
        !samePosition(lat, lon, waypoints[i])) {
      finding(name + ": route point " + std::to_string(i) + " is not at waypoint " + std::to_string(i));
    }
    if (point.child("name").text().get() != std::to_string(i))
      finding(name + ": route point " + std::to_string(i) + " is not named by its number");
    checkKind(name, point.child("type").text().get(), i);
    ++i;
  }
  if (i != waypoints.size()) finding(name + ": fewer route points than waypoints");
}

// A GeoJSON position: [longitude, latitude], as numbers.
void checkJsonPosition(const std::string& name, const nlohmann::json& position, const waypointText& waypoint,
                       size_t index, const char* where) {
  // 180 and -180 are one meridian: a waypoint on it is drawn from the side its legs lie on.
  double lon = position.is_array() && position.size() == 2 && position[0].is_number() ? position[0].get<double>() : 0;
  double waypointLon = 0;
  if (std::fabs(lon) == 180 && finiteNumber(waypoint.lon, &waypointLon) && waypointLon == -lon) lon = waypointLon;
  if (!position.is_array() || position.size() != 2 || !position[0].is_number() || !position[1].is_number() ||
      !samePosition(position[1].get<double>(), lon, waypoint)) {
    finding(name + ": " + where + " position " + std::to_string(index) + " " + position.dump() + " is not waypoint " +
            std::to_string(index) + " at " + std::string(waypoint.lat) + " " + std::string(waypoint.lon));
  }
}

// GeoJSON: a FeatureCollection of the route line, then one Point per waypoint.
void checkGeoJson(const std::string& name, const std::string& content, const std::vector<waypointText>& waypoints) {
  using nlohmann::json;
  json doc;
  try {
    doc = json::parse(content);
  } catch (const json::exception& e) {
    finding(name + " does not parse back: " + e.what());
  }
  try {
    if (doc.at("type") != "FeatureCollection") finding(name + " is not a FeatureCollection");
    const json& features = doc.at("features");
    if (!features.is_array() || features.size() != waypoints.size() + 1)
      finding(name + ": feature count is not the waypoint count plus the route line");
    const json& line = features[0].at("geometry");
    // The vertices of the route line; of a line cut at 180°, without the crossing points
    // that end and start its parts there.
    json coordinates = json::array();
    if (line.at("type") == "LineString") {
      coordinates = line.at("coordinates");
    } else if (line.at("type") == "MultiLineString") {
      const json& parts = line.at("coordinates");
      if (!parts.is_array() || parts.size() < 2) finding(name + ": a MultiLineString route line of fewer than 2 parts");
      for (size_t p = 0; p < parts.size(); ++p) {
        if (!parts[p].is_array() || parts[p].size() < 2) finding(name + ": a part of the route line of < 2 positions");
        for (size_t j = 0; j < parts[p].size(); ++j) {
          json position = parts[p][j];
          // 180 and -180 are one meridian: a waypoint on it may be drawn from either side.
          const size_t at = coordinates.size();
          double wptLon = 0;
          if (at < waypoints.size() && position.is_array() && position.size() == 2 && position[0].is_number() &&
              std::fabs(position[0].get<double>()) == 180 && finiteNumber(waypoints[at].lon, &wptLon) &&
              wptLon == -position[0].get<double>()) {
            position[0] = wptLon;
          }
          const bool end = (j == 0 && p > 0) || (j + 1 == parts[p].size() && p + 1 < parts.size());
          const size_t next = coordinates.size();
          const bool isWaypoint = next < waypoints.size() && position.is_array() && position.size() == 2 &&
                                  position[0].is_number() && position[1].is_number() &&
                                  samePosition(position[1].get<double>(), position[0].get<double>(), waypoints[next]);
          if (end && !isWaypoint) {
            if (!position.is_array() || position.size() != 2 || !position[0].is_number() ||
                std::fabs(position[0].get<double>()) != 180) {
              finding(name + ": a part of the route line ends off 180: " + position.dump());
            }
            continue;
          }
          coordinates.push_back(position);
        }
      }
    }
    if (!coordinates.is_array() || coordinates.size() != waypoints.size()) {
      finding(name + ": the first feature is not the route line through every waypoint (" +
              std::to_string(coordinates.size()) + " positions, " + std::to_string(waypoints.size()) + " waypoints)");
    }
    for (size_t i = 0; i < waypoints.size(); ++i) {
      checkJsonPosition(name, coordinates[i], waypoints[i], i, "route line");
      const json& feature = features[i + 1];
      if (feature.at("geometry").at("type") != "Point")
        finding(name + ": feature " + std::to_string(i + 1) + " is not a Point");
      checkJsonPosition(name, feature.at("geometry").at("coordinates"), waypoints[i], i, "point");
      const json& properties = feature.at("properties");
      if (properties.at("number") != i || properties.at("name") != std::to_string(i))
        finding(name + ": point " + std::to_string(i) + " is not numbered in order");
      checkKind(name, properties.at("kind").get<std::string>(), i);
      // A number the writer could not print (infinite, not a number) comes out as null.
      for (const char* field : {"legMeters", "heading", "legSeconds", "secondsFromLaunch"}) {
        if (!properties.at(field).is_number())
          finding(name + ": point " + std::to_string(i) + " " + field + " is " + properties.at(field).dump());
      }
    }
  } catch (const json::exception& e) {
    finding(name + " lacks a member the map needs: " + e.what());
  }
}

// ---- Refusals ----

// What the route reader says when it refuses the waypoint file FILE, after "FILE ".
bool fileRefusal(const std::string& what) {
  static const std::regex refusals(
      "holds [1-9][0-9]* (paths|routes|tracks); pick one with --path N or --path NAME, or keep one in the file"
      "|has no (path|route|track) .+ for --path; it holds .+"
      "|has [1-9][0-9]* (paths|routes|tracks) named .+; pick one by its number with --path N"
      "|holds one route, not several paths to pick from with --path .+"
      "|is XML whose root element is <.+>( \\(namespace .*\\))?, neither KML nor GPX: save the route as KML, GPX, "
      "GeoJSON, CSV or text"
      "|is binary data, neither text nor a zip archive: no route or area can be read from it"
      "|is a zip file without a KML document(: it is empty| at its top level; it holds .*)"
      "|holds .+, which is not a KML document"
      "|holds .+ encrypted; save it again without a password"
      "|holds .+ compressed with method [0-9]+, which cannot be read; save it with the usual compression \\(deflate\\)"
      "|holds .+, which inflates beyond the limit of .+"
      "|is a damaged zip file: .+"
      "|cannot be inflated: out of memory"
      "|is UTF-32 text; save it as UTF-8 or UTF-16"
      "|looks like UTF-16 text without a byte order mark \\(every other byte is NUL\\); save it as UTF-8, or as "
      "UTF-16 with a byte order mark"
      "|is UTF-16 text that ends in the middle of a character"
      "|is UTF-16 text with an unpaired surrogate on line [1-9][0-9]*"
      "|holds no path and no points(, only .+)?"
      "|holds no route, track or waypoints(, only .+)?"
      "|holds a path without a list of coordinates"
      "|is not well-formed XML: .+ at line [1-9][0-9]*"
      "|is not valid JSON: .+"
      "|is JSON but not GeoJSON: it has no \"type\""
      "|nests lists and objects more than 128 deep, deeper than any GeoJSON"
      "|is a FeatureCollection without \"features\""
      "|needs a header row naming its latitude and longitude columns, such as \"lat,lon\" "
      "\\(.+\\)"
      "|has a quoted field opened on line [1-9][0-9]* that is never closed"
      "|has a hemisphere column \".*\" that follows neither the latitude nor the longitude column: .+"
      "|has two hemisphere columns for the (latitude|longitude), \".*\" and \".*\"; keep one"
      // Survey areas.
      "|holds [2-9][0-9]* areas \\((Polygon|polygons)\\); keep one"
      "|holds no area \\(Polygon\\)(, only .+)?"
      "|is XML but not KML: an area is read from KML, GeoJSON or plain text"
      "|starts an inner boundary \\(\"hole\"\\) on line [1-9][0-9]* before any vertex of the outer boundary"
      "|has a LinearRing without one list of coordinates, on line [1-9][0-9]*"
      "|has a Polygon without one outerBoundaryIs \\(line [1-9][0-9]*\\)"
      "|has an outerBoundaryIs without one LinearRing \\(line [1-9][0-9]*\\)"
      "|holds an area without a list of boundaries"
      "|holds a boundary that is not a list of positions");
  return std::regex_match(what, refusals);
}

// The refusals of the route reader, which reads the whole waypoint file before asking
// anything: the operator sees the message alone.
bool readerMessage(const std::string& line, const std::string& file) {
  static const std::regex invalid(
      "invalid waypoint (on line )?[1-9][0-9]*"
      "|invalid vertex (on line [1-9][0-9]*|[1-9][0-9]* of (the outer boundary|inner boundary [1-9][0-9]*))");
  const std::string ofFile = " of " + file;
  if (endsWith(line, ofFile) && std::regex_match(line.substr(0, line.size() - ofFile.size()), invalid)) return true;
  if (line == "invalid area in " + file || line == "cannot lay out a survey of " + file) return true;
  if (startsWith(line, file + " ") && fileRefusal(line.substr(file.size() + 1))) return true;
  return line == "list is empty";
}

// Sends standard error to stderrFile; returns the descriptor that restoreStderr puts back.
int divertStderr() {
  std::fflush(stderr);
  std::FILE* const errors = std::fopen(stderrFile, "wb");
#if defined(_WIN32)
  const int saved = _dup(2);
  if (errors == nullptr || saved < 0 || _dup2(_fileno(errors), 2) < 0) finding("harness cannot divert stderr");
#else
  const int saved = dup(2);
  if (errors == nullptr || saved < 0 || dup2(fileno(errors), 2) < 0) finding("harness cannot divert stderr");
#endif
  std::fclose(errors);
  return saved;
}

void restoreStderr(int saved) {
  std::fflush(stderr);
#if defined(_WIN32)
  _dup2(saved, 2);
  _close(saved);
#else
  dup2(saved, 2);
  close(saved);
#endif
}

// A settings file refused before any question: standard output holds nothing, and every
// line on standard error names the file and the place of its fault (the route's summary
// may come before a check that needs the route), the bathymetry grid the file names, the
// energy keys it gives without the others a budget needs, a current's direction
// without its speed or its speed without its direction, or the brief's checklist file
// that cannot be read.
void checkSettingsRefusal(const std::string& errors) {
  static const std::regex line(
      "(vesk: )?dive\\.toml:[1-9][0-9]*:[1-9][0-9]*: [^\\n]+"
      "|vesk: settings file dive\\.toml [^\\n]+"
      "|vesk: bathymetry grid [^\\n]+"
      "|vesk: [A-Za-z, ]+ (is|are) given without [^\\n]+"
      "|vesk: current(Toward|Speed) is given without current(Toward|Speed): [^\\n]+"
      "|vesk: the checklist \\(dive\\.toml:[1-9][0-9]*:[1-9][0-9]*\\) cannot be read: [^\\n]+"
      "|route\\.txt: [^\\n]+");
  if (errors.empty() || errors.back() != '\n') finding("settings refused without a reason on standard error");
  size_t refusals = 0;
  for (size_t start = 0; start < errors.size();) {
    const size_t end = errors.find('\n', start);
    const std::string text = errors.substr(start, end - start);
    for (const char c : text) {
      if ((static_cast<unsigned char>(c) < 0x20) || c == 0x7f) finding("raw control character in a settings refusal");
    }
    if (!std::regex_match(text, line)) finding("settings refused with an unexpected line: " + text);
    if (!startsWith(text, "route.txt: ")) ++refusals;
    start = end + 1;
  }
  if (refusals == 0) finding("settings refused without naming a fault");
}

// Status 1 must come with one of the program's messages as the last thing printed; a
// refusal of the waypoint file comes before any question, so it is all that is printed.
void checkFailureMessage(const std::string& output, const std::string& file) {
  static const char* const laterMessages[] = {"unexpected end of input",
                                              "the route would need more than ",
                                              "the meters between surfacings must be greater than 0",
                                              "out of memory",
                                              "the vehicle cannot hold the leg from waypoint ",
                                              "the leg from waypoint ",
                                              "the launch leg to waypoint ",
                                              "the mission timer of ",
                                              "the plan has "};
  if (!endsWith(output, "\n")) finding("status 1 without a message line");
  for (const char c : output) {
    // Text from the file reaches the terminal escaped: a raw control character could
    // move the cursor or split a message into lines.
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f) finding("raw control character in a message");
  }
  const size_t lineStart = output.size() < 2 ? std::string::npos : output.rfind('\n', output.size() - 2);
  const size_t start = lineStart == std::string::npos ? 0 : lineStart + 1;
  std::string last = output.substr(start, output.size() - 1 - start);
  if (readerMessage(last, file)) {
    if (lineStart != std::string::npos) finding("the waypoint file was refused after the dialogue began: " + last);
    return;
  }
  // The message may follow the prompt of the question it ended.
  const size_t prompt = last.rfind("> ");
  if (prompt != std::string::npos) last.erase(0, prompt + 2);
  for (const char* m : laterMessages) {
    if (startsWith(last, m)) return;
  }
  finding("status 1 with unexpected last line: " + last);
}

}  // namespace

// A finding: say what was wrong, then stop the way libFuzzer recognises as a crash.
[[noreturn]] void finding(const std::string& what) {
  std::error_code ec;
  fs::current_path(startDir, ec);  // the input that caused it is saved relative to here
  std::fprintf(report, "\n==vesk-fuzz== %s\n", what.c_str());
  std::fflush(report);
  if (!trapOnFinding) throw std::runtime_error(what);
  __builtin_trap();
}

void setUp(bool trap) {
  trapOnFinding = trap;
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec) / ("vesk_fuzz_" + platform::uniqueTag());
  if (!fs::create_directory(dir, ec)) finding("harness cannot create a temporary directory");
  workDir = dir.string();
  startDir = fs::current_path().string();
  divertFileSets(&kept);
  std::atexit(removeWorkDir);
#if !defined(_WIN32)
  // libFuzzer closes standard error after this, when asked to.
  const int errorCopy = dup(2);
  if (errorCopy >= 0) {
    if (std::FILE* const copy = fdopen(errorCopy, "w")) report = copy;
  }
#endif
}

void runAndCheck(const std::string& waypoints, const std::string& answers, const runOptions& options) {
  const std::string& waypointFile = options.waypointFile;
  fs::current_path(workDir);
  writeFile(waypointFile.c_str(), waypoints);
  writeFile(answersFile, answers);
  if (std::freopen(answersFile, "rb", stdin) == nullptr) finding("harness cannot reopen stdin");
  std::clearerr(stdin);
  if (std::freopen(stdoutFile, "wb", stdout) == nullptr) finding("harness cannot reopen stdout");

  std::vector<std::string> arguments = {"vesk"};
  if (options.maps) arguments.insert(arguments.end(), {"--map", "kml,gpx,geojson"});
  if (options.area) arguments.insert(arguments.end(), {"--line-spacing", "200", "--area"});
  if (options.settings) {
    writeFile(settingsFile, *options.settings);
    arguments.insert(arguments.end(), {"--settings", settingsFile});
  }
  if (options.grid) {
    writeFile(gridFile, *options.grid);
    arguments.insert(arguments.end(), {"--bathymetry", gridFile});
  }
  arguments.push_back(waypointFile);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const long long setsBefore = kept.sets;
  // Standard error goes to a file for the run, where the reasons of a refused settings
  // file are checked; the fuzzer's own standard error is put back after it.
  const int errorsBefore = options.settings || options.grid ? divertStderr() : -1;
  const int status = veskMain(static_cast<int>(arguments.size()), argv.data());
  std::fflush(stdout);
  if (errorsBefore >= 0) restoreStderr(errorsBefore);
  // The memory holds the last set written, by this run or an earlier one.
  const bool wroteSet = kept.sets != setsBefore;
  const std::vector<keptFile> none;
  const std::vector<keptFile>& files = wroteSet ? kept.files : none;

  // The mission files, then the maps: of the plan, or of each dive of a plan split into
  // dives (STEM-1.cfg, STEM-2.cfg, ...), whose files are sorted out by the dive's number.
  const char* const extensions[] = {".cfg", ".wpt", ".pts", ".kml", ".gpx", ".geojson"};
  const size_t expected = options.maps ? 6 : 3;
  std::map<std::string, std::array<const keptFile*, 6>> plans;
  std::vector<std::string> others;
  for (const keptFile& file : files) {
    const std::string ext = fs::path(file.path).extension().string();
    const std::string stem = fs::path(file.path).stem().string();
    const size_t dash = stem.rfind('-');
    const std::string dive = dash == std::string::npos ? "" : stem.substr(dash + 1);
    std::array<const keptFile*, 6>& outputs = plans[dive];
    const keptFile** slot = nullptr;
    for (size_t i = 0; i < expected; ++i) {
      if (ext == extensions[i]) slot = &outputs[i];
    }
    if (slot != nullptr && *slot == nullptr) {
      *slot = &file;
    } else {
      others.push_back(file.path);
    }
  }
  if (plans.size() > 1 && plans.count("") > 0) others.push_back("a plan's files beside a dive's");
  for (const auto& [dive, outputs] : plans) {
    if (!dive.empty() && (dive.size() > 6 || dive.find_first_not_of("0123456789") != std::string::npos ||
                          dive[0] == '0' || std::stoul(dive) > plans.size())) {
      others.push_back("dive " + dive + " of " + std::to_string(plans.size()));
    }
  }

  if (status == 1) {
    if (!files.empty()) {
      std::string left;
      for (const keptFile& file : files) left += " " + file.path;
      finding("status 1 but files were written:" + left);
    }
    const std::string output = readFile(stdoutFile);
    if (output.empty() && options.settings) {
      checkSettingsRefusal(readFile(stderrFile));
    } else if (output.empty() && options.grid) {
      // After the route's summary, one line naming the grid; text from the file escaped.
      const std::string errors = readFile(stderrFile);
      const size_t summary = errors.find('\n');
      const std::string refusal = startsWith(errors, "route.txt: ") ? errors.substr(summary + 1) : errors;
      if (!startsWith(refusal, std::string("vesk: bathymetry grid ") + gridFile + ": ") || refusal.back() != '\n' ||
          refusal.find('\n') != refusal.size() - 1) {
        finding("a grid refused without one line naming it: " + errors);
      }
    } else {
      checkFailureMessage(output, waypointFile);
    }
  } else if (status == 0) {
    if (plans.empty() || !others.empty()) finding("status 0 without the output files of a plan or of its dives");
    for (const auto& [dive, outputs] : plans) {
      size_t written = 0;
      for (const keptFile* file : outputs) written += file == nullptr ? 0 : 1;
      if (written != expected) {
        finding("status 0 without exactly the " + std::to_string(expected) + " output files" +
                (dive.empty() ? std::string() : " of dive " + dive));
      }
      const keptFile& cfg = *outputs[0];
      const keptFile& wpt = *outputs[1];
      const keptFile& pts = *outputs[2];
      const std::vector<waypointText> points = checkWaypoints(wpt.path, wpt.content);
      checkSurLine(pts.path, pts.content, points);
      checkMission(cfg.path, cfg.content, points.size());
      if (options.maps) {
        checkKml(outputs[3]->path, outputs[3]->content, points);
        checkGpx(outputs[4]->path, outputs[4]->content, points);
        checkGeoJson(outputs[5]->path, outputs[5]->content, points);
      }
    }
    if (options.grid && readFile(stderrFile).find(std::string("seabed ") + gridFile + ":\n") == std::string::npos) {
      finding("a plan checked against a grid without the seabed's summary");
    }
  } else {
    finding("exit status " + std::to_string(status));
  }

  // The next run may name its waypoint file differently.
  std::remove(waypointFile.c_str());
  fs::current_path(startDir);
}

namespace {

bool opensJsonObject(const std::string& content) {
  const std::string byteOrderMark = "\xEF\xBB\xBF";
  size_t i = content.compare(0, byteOrderMark.size(), byteOrderMark) == 0 ? byteOrderMark.size() : 0;
  while (i < content.size() && std::string(" \t\r\n").find(content[i]) != std::string::npos) ++i;
  return i < content.size() && content[i] == '{';
}

}  // namespace

void runTarget(const std::string& target, const std::string& input) {
  const char* const acceptDefaults = "0\ny\n0\nn\n";
  runOptions options;
  if (target == "route") {
    // The input is the waypoint file; the operator accepts every default.
    runAndCheck(input, acceptDefaults);
  } else if (target == "dialogue") {
    // The input is everything the operator types; the route is one 5 km leg due north.
    runAndCheck("45 10\n45.045 10\n", input);
  } else if (target == "kml_gpx") {
    // A KML or GPX waypoint file, as drawn in a chart or globe program, with all three maps
    // of the plan. The content alone tells KML from GPX (and from the plain text format,
    // when the root element is neither), so one file name serves them all.
    options.waypointFile = "route.kml";
    options.maps = true;
    runAndCheck(input, acceptDefaults, options);
  } else if (target == "geojson_csv") {
    // A GeoJSON or CSV waypoint file, with all three maps. A file that opens a JSON object
    // is read as GeoJSON whatever its name, so it is named as the operator would save it;
    // anything else is named as a spreadsheet export, since only a .csv name makes the
    // program read it as CSV rather than as plain text.
    options.waypointFile = opensJsonObject(input) ? "route.geojson" : "route.csv";
    options.maps = true;
    runAndCheck(input, acceptDefaults, options);
  } else if (target == "survey") {
    checkSurvey(input);
  } else if (target == "area") {
    // A survey area file in any of its formats, laid out 200 m apart and planned.
    options.waypointFile = "area.txt";
    options.area = true;
    runAndCheck(input, acceptDefaults, options);
  } else if (target == "journal") {
    checkJournal(input);
  } else if (target == "grid") {
    // A bathymetry grid under the dialogue, which accepts every default; the route is one
    // 5 km leg due north from 45 N, 10 E.
    options.grid = input;
    runAndCheck("45 10\n45.045 10\n", acceptDefaults, options);
  } else if (target == "settings") {
    // A settings file under the dialogue, which accepts the values it gives; the route is
    // one 5 km leg due north.
    options.settings = input;
    runAndCheck("45 10\n45.045 10\n", acceptDefaults, options);
  } else {
    finding("no fuzz target " + target);
  }
}

}  // namespace veskfuzz
