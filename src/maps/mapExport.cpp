#include "maps/mapExport.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "maps/mapWaypoints.h"
#include "maps/mapXml.h"
#include "picture/svgMap.h"

namespace {

using orderedJson = nlohmann::ordered_json;

// One value as JSON text, as the library writes it. Only single values are made as the
// library's documents: freeing a document of many takes memory of its own, which memory
// running out while a map is written must not need.
template <typename T>
void putJson(textOut& out, const T& value) {
  out.put(orderedJson(value).dump());
}

// Calls `visit(part, lon, lat)` for each position of the route line, as GeoJSON geometry
// gives it. A line that crosses 180° is cut there into parts of a MultiLineString
// (RFC 7946, 3.1.9), the crossing point on the line given at 180 and at -180, so that GIS
// tools draw the short way across the date line and not around the world.
template <typename Visit>
void forEachLinePosition(const plannedMission& mission, Visit visit) {
  size_t part = 0;
  bool started = false;                  // the part has a position
  std::pair<double, double> last{0, 0};  // the part's last position
  // A crossing point that falls on a waypoint (one at 180 itself) is given once; two
  // waypoints at one place are both kept, one position each, as the waypoints are.
  bool endsInCrossing = false;
  const auto append = [&](double lon, double lat, bool crossing) {
    const std::pair<double, double> at{rounded(lon, degreePlaces), rounded(lat, degreePlaces)};
    if (!started || !(last == at && (crossing || endsInCrossing))) visit(part, at.first, at.second);
    last = at;
    started = true;
    endsInCrossing = crossing;
  };
  std::optional<std::pair<double, double>> previous;  // the last waypoint as the line has it
  forEachPoint(mission, [&](const mapPoint& p) {
    const double lat = p.w->lat;
    double lon = p.w->lon;
    // 180 and -180 are one meridian: a waypoint on it after one on it is drawn on the side
    // the line is on. Cut there, both waypoints would fall on the crossing points and one
    // would vanish from the line.
    const double drawn = rounded(lon, degreePlaces);
    if (previous && std::fabs(drawn) == 180 && drawn == -rounded(previous->first, degreePlaces)) lon = previous->first;
    if (previous && std::fabs(lon - previous->first) > 180) {
      // Eastward across 180 the line leaves at 180 and comes back at -180; westward the
      // other way round. The crossing is interpolated in the continuous longitudes.
      const double side = lon < previous->first ? 180 : -180;
      const double continued = lon + 2 * side;
      const double along = continued == previous->first ? 0 : (side - previous->first) / (continued - previous->first);
      const double crossLat = previous->second + along * (lat - previous->second);
      append(side, crossLat, true);
      ++part;
      started = false;
      append(-side, crossLat, true);
    }
    append(lon, lat, false);
    previous = {lon, lat};
  });
}

// The route line as GeoJSON geometry, written as it is walked: a part of fewer than two
// positions (a crossing on a waypoint at 180) is left out, unless it is the only one.
void putRouteGeometry(const plannedMission& mission, textOut& out) {
  std::vector<size_t> sizes;
  forEachLinePosition(mission, [&](size_t part, double, double) {
    sizes.resize(std::max(sizes.size(), part + 1));
    ++sizes[part];
  });
  std::vector<bool> kept(sizes.size());
  size_t parts = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    kept[i] = sizes[i] >= 2 || (i + 1 == sizes.size() && parts == 0);
    parts += kept[i] ? 1 : 0;
  }
  out.put(parts == 1 ? "{\"type\":\"LineString\",\"coordinates\":["
                     : "{\"type\":\"MultiLineString\",\"coordinates\":[");
  bool firstPart = true;
  std::optional<size_t> open;
  forEachLinePosition(mission, [&](size_t part, double lon, double lat) {
    if (!kept[part]) return;
    if (open != part) {
      if (parts > 1) out.put(open ? "],[" : "[");
      firstPart = true;
      open = part;
    }
    out.put(firstPart ? "[" : ",[");
    putJson(out, lon);
    out.put(",");
    putJson(out, lat);
    out.put("]");
    firstPart = false;
  });
  out.put(parts > 1 ? "]]}" : "]}");
}

// GeoJSON (RFC 7946): a FeatureCollection of the route line and the waypoints, one
// feature a line, written as the waypoints are walked.
void geoJsonText(const plannedMission& mission, textOut& out) {
  const routeTotals t = totals(mission);
  out.put("{\"type\":\"FeatureCollection\",\"features\":[");
  out.endLine();
  out.put("{\"type\":\"Feature\",\"geometry\":");
  putRouteGeometry(mission, out);
  out.put(",\"properties\":{\"name\":\"Planned route\",\"waypoints\":");
  putJson(out, t.waypoints);
  out.put(",\"lengthMeters\":");
  putJson(out, rounded(t.meters, meterPlaces));
  out.put(",\"seconds\":");
  putJson(out, rounded(t.seconds, secondPlaces));
  out.put(",\"description\":");
  putJson(out, routeSummary(mission, t));
  out.put("}}");
  forEachPoint(mission, [&](const mapPoint& p) {
    out.put(",");
    out.endLine();
    out.put("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[");
    putJson(out, rounded(p.w->lon, degreePlaces));
    out.put(",");
    putJson(out, rounded(p.w->lat, degreePlaces));
    out.put("]},\"properties\":{\"name\":");
    putJson(out, std::to_string(p.w->number));
    out.put(",\"number\":");
    putJson(out, p.w->number);
    out.put(",\"kind\":");
    putJson(out, p.kind);
    out.put(",\"legMeters\":");
    putJson(out, rounded(p.w->legMeters, meterPlaces));
    out.put(",\"heading\":");
    putJson(out, rounded(p.w->heading, headingPlaces));
    out.put(",\"legSeconds\":");
    putJson(out, rounded(p.w->legSecs, secondPlaces));
    out.put(",\"secondsFromLaunch\":");
    putJson(out, rounded(p.fromLaunch, secondPlaces));
    out.put(",\"description\":");
    putJson(out, description(p));
    out.put("}}");
  });
  out.endLine();
  out.put("]}");
  out.endLine();
}

}  // namespace

std::optional<mapFormat> mapFormatNamed(std::string_view name) {
  const std::string lower = lowerCase(name);
  for (const mapFormat format : {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg, mapFormat::html}) {
    if (lower == mapExtension(format)) return format;
  }
  return std::nullopt;
}

const char* mapExtension(mapFormat format) {
  switch (format) {
    case mapFormat::kml: return "kml";
    case mapFormat::gpx: return "gpx";
    case mapFormat::svg: return "svg";
    case mapFormat::html: return "html";
    case mapFormat::geojson: break;
  }
  return "geojson";
}

void mapText(mapFormat format, const plannedMission& mission, const std::string& name, textOut& out) {
  switch (format) {
    case mapFormat::kml: kmlText(mission, name, out); return;
    case mapFormat::gpx: gpxText(mission, name, out); return;
    case mapFormat::geojson: geoJsonText(mission, out); return;
    case mapFormat::svg: svgText(mission, name, out); return;
    case mapFormat::html: return;
  }
}

std::string mapText(mapFormat format, const plannedMission& mission, const std::string& name) {
  std::string text;
  memoryTarget target(text);
  textOut out(target, "\n");
  mapText(format, mission, name, out);
  out.flush();
  return text;
}
