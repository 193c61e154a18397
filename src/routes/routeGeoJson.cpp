#include "routes/routeGeoJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "routes/geoJsonWalk.h"

namespace {

using json = nlohmann::json;

// What a GeoJSON document holds that could be a route.
struct geoJsonFinds {
  std::vector<const json*> paths;   // coordinate lists of LineString and MultiPoint
  std::vector<const json*> points;  // positions of Point geometries
  std::vector<std::string> kinds;   // of each point, the "kind" of its feature's properties
  std::vector<std::string> others;  // types that are no route (Polygon, ...)
};

// The geometries of `geometries` that could be a route, and the others.
geoJsonFinds sorted(const std::vector<geoJsonGeometry>& geometries) {
  geoJsonFinds found;
  for (const geoJsonGeometry& geometry : geometries) {
    const json* const coords = geometry.coordinates;
    if (geometry.type == "LineString" || geometry.type == "MultiPoint") {
      found.paths.push_back(coords);
    } else if (geometry.type == "MultiLineString" && coords->is_array()) {
      for (const json& line : *coords) found.paths.push_back(&line);
    } else if (geometry.type == "Point") {
      found.points.push_back(coords);
      found.kinds.push_back(geometry.kind);
    } else {
      found.others.push_back(geometry.type.empty() ? "geometry without a type" : geometry.type);
    }
  }
  return found;
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
    route.warn(route.fileName() +
               ": only its path is used; left out: " + plural(found.points.size(), "point", "points"));
    found.points.clear();
  }
  if (found.paths.empty() && found.points.empty()) {
    route.refuseFile(found.others.empty() ? "holds no path and no points"
                                          : "holds no path and no points, only " + found.others[0]);
  }
  if (!found.others.empty()) {
    std::string leftOut;
    for (const std::string& other : found.others) leftOut += (leftOut.empty() ? "" : ", ") + other;
    route.warn(route.fileName() + ": only its " + (found.paths.empty() ? "points are" : "path is") +
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

}  // namespace

void readGeoJson(std::string_view content, routeReader& route) {
  routePositions positions;
  readGeoJsonGeometries(content, route, [&](const std::vector<geoJsonGeometry>& geometries) {
    geoJsonFinds found = sorted(geometries);
    positions = positionsOf(found, route);
  });
  long long number = 0;
  for (const auto& [lat, lon] : positions.latLon) {
    ++number;
    route.add(lat, lon, [&] { return waypointAt(number, 0, ""); });
  }
  if (positions.refusal) route.refuse(positions.refusal->first, positions.refusal->second);
}
