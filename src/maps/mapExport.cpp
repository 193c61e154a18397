#include "maps/mapExport.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "maps/mapWaypoints.h"
#include "maps/mapXml.h"
#include "picture/svgMap.h"

namespace {

using orderedJson = nlohmann::ordered_json;

orderedJson position(double lon, double lat) { return {rounded(lon, degreePlaces), rounded(lat, degreePlaces)}; }

// The route line as GeoJSON geometry. A line that crosses 180° is cut there into a
// MultiLineString (RFC 7946, 3.1.9), the crossing point on the line given at 180 and at
// -180, so that GIS tools draw the short way across the date line and not around the world.
orderedJson routeGeometry(const plannedMission& mission) {
  orderedJson parts = orderedJson::array();
  orderedJson part = orderedJson::array();
  // A crossing point that falls on a waypoint (one at 180 itself) is given once; two
  // waypoints at one place are both kept, one position each, as the waypoints are.
  bool endsInCrossing = false;
  const auto append = [&](orderedJson& to, const orderedJson& at, bool crossing) {
    if (to.empty() || !(to.back() == at && (crossing || endsInCrossing))) to.push_back(at);
    endsInCrossing = crossing;
  };
  const missionWaypoint* previous = nullptr;
  forEachPoint(mission, [&](const mapPoint& p) {
    const double lat = p.w->lat;
    const double lon = p.w->lon;
    if (previous != nullptr && std::fabs(lon - previous->lon) > 180) {
      // Eastward across 180 the line leaves at 180 and comes back at -180; westward the
      // other way round. The crossing is interpolated in the continuous longitudes.
      const double side = lon < previous->lon ? 180 : -180;
      const double continued = lon + 2 * side;
      const double along = continued == previous->lon ? 0 : (side - previous->lon) / (continued - previous->lon);
      const double crossLat = previous->lat + along * (lat - previous->lat);
      append(part, position(side, crossLat), true);
      if (part.size() >= 2) parts.push_back(std::move(part));
      part = orderedJson::array();
      append(part, position(-side, crossLat), true);
    }
    append(part, position(lon, lat), false);
    previous = p.w;
  });
  if (part.size() >= 2 || parts.empty()) parts.push_back(std::move(part));
  if (parts.size() == 1) return {{"type", "LineString"}, {"coordinates", std::move(parts[0])}};
  return {{"type", "MultiLineString"}, {"coordinates", std::move(parts)}};
}

// GeoJSON (RFC 7946): a FeatureCollection of the route line and the waypoints, one
// feature a line.
void geoJsonText(const plannedMission& mission, textOut& out) {
  const routeTotals t = totals(mission);
  const orderedJson route = {{"type", "Feature"},
                             {"geometry", routeGeometry(mission)},
                             {"properties",
                              {{"name", "Planned route"},
                               {"waypoints", t.waypoints},
                               {"lengthMeters", rounded(t.meters, meterPlaces)},
                               {"seconds", rounded(t.seconds, secondPlaces)},
                               {"description", routeSummary(mission, t)}}}};
  out.lines("{\"type\":\"FeatureCollection\",\"features\":[\n" + route.dump());
  forEachPoint(mission, [&](const mapPoint& p) {
    const orderedJson feature = {
        {"type", "Feature"},
        {"geometry",
         {{"type", "Point"}, {"coordinates", {rounded(p.w->lon, degreePlaces), rounded(p.w->lat, degreePlaces)}}}},
        {"properties",
         {{"name", std::to_string(p.w->number)},
          {"number", p.w->number},
          {"kind", p.kind},
          {"legMeters", rounded(p.w->legMeters, meterPlaces)},
          {"heading", rounded(p.w->heading, headingPlaces)},
          {"legSeconds", rounded(p.w->legSecs, secondPlaces)},
          {"secondsFromLaunch", rounded(p.fromLaunch, secondPlaces)},
          {"description", description(p)}}}};
    out.lines(",\n" + feature.dump());
  });
  out.lines("\n]}\n");
}

}  // namespace

std::optional<mapFormat> mapFormatNamed(std::string_view name) {
  const std::string lower = lowerCase(name);
  for (const mapFormat format : {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg}) {
    if (lower == mapExtension(format)) return format;
  }
  return std::nullopt;
}

const char* mapExtension(mapFormat format) {
  switch (format) {
    case mapFormat::kml: return "kml";
    case mapFormat::gpx: return "gpx";
    case mapFormat::svg: return "svg";
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
