#include "routes/routeGeoJson.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "routes/geoJsonWalk.h"
#include "routes/routePaths.h"

namespace {

using json = nlohmann::json;

// What a GeoJSON document holds that could be a route.
struct geoJsonFinds {
  std::vector<const json*> paths;    // coordinate lists of LineString and MultiPoint
  std::vector<std::string> names;    // of each path, the "name" of its feature's properties
  std::vector<std::string> empties;  // types of the paths without a position
  std::vector<const json*> points;   // positions of Point geometries
  std::vector<std::string> kinds;    // of each point, the "kind" of its feature's properties
  std::vector<std::string> others;   // types that are no route (Polygon, ...)
};

// The geometries of `geometries` that could be a route, and the others.
geoJsonFinds sorted(const std::vector<geoJsonGeometry>& geometries) {
  geoJsonFinds found;
  for (const geoJsonGeometry& geometry : geometries) {
    const json* const coords = geometry.coordinates;
    // A path without a position is no content: the route is whatever else the file holds.
    const auto addPath = [&](const json* path) {
      if (path->is_array() && path->empty()) {
        found.empties.push_back(geometry.type);
      } else {
        found.paths.push_back(path);
        found.names.push_back(geometry.name);
      }
    };
    if (geometry.type == "LineString" || geometry.type == "MultiPoint") {
      addPath(coords);
    } else if (geometry.type == "MultiLineString" && coords->is_array()) {
      for (const json& line : *coords) addPath(&line);
      if (coords->empty()) found.empties.push_back(geometry.type);
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

// The paths found, as the operator is told of them when there are several; only those are
// told apart by their positions, so that one path of a million positions costs nothing.
std::vector<pathCandidate> candidatesOf(const geoJsonFinds& found) {
  std::vector<pathCandidate> candidates;
  for (size_t i = 0; i < found.paths.size(); ++i) {
    // The document's own values, never a copy: a copy of a list would be freed taking
    // memory, which may have run out.
    const json& path = *found.paths[i];
    pathCandidate candidate{found.names[i], path.is_array() ? path.size() : 0, ""};
    if (found.paths.size() > 1 && !path.is_array()) candidate.places = path.dump();
    for (size_t k = 0; found.paths.size() > 1 && path.is_array() && k < path.size(); ++k) {
      const json& position = path[k];
      if (position.is_array() && position.size() >= 2 && position[0].is_number() && position[1].is_number()) {
        addPlace(candidate.places, position[0].dump(), position[1].dump());
      } else {
        candidate.places += position.dump() + "\n";
      }
    }
    candidates.push_back(std::move(candidate));
  }
  return candidates;
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
  size_t chosen = 0;
  if (!found.paths.empty()) chosen = choosePath(candidatesOf(found), "path", route);
  if (!found.paths.empty() && !found.points.empty()) {
    route.warn(route.fileName() +
               ": only its path is used; left out: " + plural(found.points.size(), "point", "points"));
    found.points.clear();
  }
  if (found.paths.empty() && found.points.empty()) {
    if (!found.others.empty()) route.refuseFile("holds no path and no points, only " + leftOutText(found.others));
    if (!found.empties.empty()) {
      route.refuseFile("holds no path and no points, only " + leftOutText(found.empties) + " without positions");
    }
    route.refuseFile("holds no path and no points");
  }
  if (!found.others.empty()) {
    route.warn(route.fileName() + ": only its " + (found.paths.empty() ? "points are" : "path is") +
               " used; left out: " + leftOutText(found.others));
  }
  routePositions positions;
  if (!found.paths.empty()) {
    const json& path = *found.paths[chosen];
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
