#include "routes/routeXml.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "routes/xmlWalk.h"

namespace {

// The kind a map of this program gives each of its points: its launch waypoint, the
// waypoints it was planned from and the surfacings its planning added.
bool isPlannedKind(std::string_view kind) { return kind == "launch" || kind == "waypoint" || kind == "surfacing"; }

// The kind this program's KML map gives the point `geometry`: the value of its
// Placemark's Data named "kind"; empty when it has none.
std::string_view kmlKind(const pugi::xml_node& geometry) {
  pugi::xml_node mark = geometry.parent();
  while (mark && localName(mark) != "Placemark") mark = mark.parent();
  for (const pugi::xml_node& extended : childrenNamed(mark, "ExtendedData")) {
    for (const pugi::xml_node& data : childrenNamed(extended, "Data")) {
      if (std::string_view(data.attribute("name").value()) != "kind") continue;
      for (const pugi::xml_node& value : childrenNamed(data, "value")) return value.child_value();
    }
  }
  return "";
}

// A map this program wrote marks each of its points with its kind: it is read as the route
// it was planned from, its given waypoints, so that a plan drawn on or moved in a GIS tool
// plans again into the same mission. Empty for any other document.
template <typename KindOf>
std::vector<pugi::xml_node> plannedWaypoints(const std::vector<pugi::xml_node>& points, KindOf kindOf) {
  std::vector<pugi::xml_node> given;
  for (const pugi::xml_node& point : points) {
    const std::string_view kind = kindOf(point);
    if (!isPlannedKind(kind)) return {};
    if (kind == "waypoint") given.push_back(point);
  }
  return given;
}

}  // namespace

void readKml(const document& doc, routeReader& route) {
  const std::string_view content = doc.text;
  refuseIfNotWellFormed(doc.parsed, content, route);
  std::vector<pugi::xml_node> paths;
  std::vector<pugi::xml_node> points;
  forEachElement(doc.xml, [&](const pugi::xml_node& element) {
    if (localName(element) == "LineString") paths.push_back(element);
    if (localName(element) == "Point") points.push_back(element);
  });
  const std::vector<pugi::xml_node> planned = plannedWaypoints(points, kmlKind);
  if (!planned.empty()) {
    paths.clear();
    points = planned;
  }
  if (paths.size() > 1) route.refuseFile("holds " + std::to_string(paths.size()) + " paths; keep one");
  if (!paths.empty() && !points.empty()) {
    route.warn(route.fileName() + ": only its path is used; left out: " + plural(points.size(), "point", "points"));
    points.clear();
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
      text = coordinatesText(coordinates[0]);
    }
    size_t tuples = 0;
    line = forEachTuple(text, line, [&](std::string_view tuple, long long at) {
      const place where = waypointAt(++number, at, tuple);
      ++tuples;
      if (paths.empty() && tuples > 1) route.refuse(where, "a point holds more than one position");
      const std::vector<std::string_view> parts = tupleParts(tuple);
      if (parts.size() < 2 || parts.size() > 3) {
        route.refuse(where, "a position is longitude,latitude or longitude,latitude,altitude");
      }
      if (parts.size() == 3 && !wholeNumber(parts[2])) route.refuse(where, "the altitude is not a number");
      route.addText(parts[0], parts[1], where);
    });
    if (paths.empty() && tuples == 0) {
      route.refuse(waypointAt(number + 1, line, ""), "a point without coordinates");
    }
  }
}

void readGpx(const document& doc, routeReader& route) {
  const std::string_view content = doc.text;
  refuseIfNotWellFormed(doc.parsed, content, route);
  const pugi::xml_node root = doc.xml.document_element();
  const std::vector<pugi::xml_node> routes = childrenNamed(root, "rte");
  const std::vector<pugi::xml_node> tracks = childrenNamed(root, "trk");
  const std::vector<pugi::xml_node> waypoints = childrenNamed(root, "wpt");
  std::vector<pugi::xml_node> points;
  if (routes.size() > 1) route.refuseFile("holds " + std::to_string(routes.size()) + " routes; keep one");
  if (routes.size() == 1) {
    points = childrenNamed(routes[0], "rtept");
    if (!tracks.empty() || !waypoints.empty()) {
      std::string leftOut = tracks.empty() ? "" : plural(tracks.size(), "track", "tracks");
      if (!waypoints.empty())
        leftOut += (leftOut.empty() ? "" : ", ") + plural(waypoints.size(), "waypoint", "waypoints");
      route.warn(route.fileName() + ": only its route is used; left out: " + leftOut);
    }
  } else if (tracks.size() > 1) {
    route.refuseFile("holds " + std::to_string(tracks.size()) + " tracks; keep one");
  } else if (tracks.size() == 1) {
    for (const pugi::xml_node& segment : childrenNamed(tracks[0], "trkseg")) {
      for (const pugi::xml_node& point : childrenNamed(segment, "trkpt")) points.push_back(point);
    }
    if (!waypoints.empty()) {
      route.warn(route.fileName() +
                 ": only its track is used; left out: " + plural(waypoints.size(), "waypoint", "waypoints"));
    }
  } else if (!waypoints.empty()) {
    points = waypoints;
  } else {
    route.refuseFile("holds no route, track or waypoints");
  }

  // This program's own GPX map: its route of every planned waypoint, each with its kind.
  const std::vector<pugi::xml_node> planned =
      plannedWaypoints(points, [](const pugi::xml_node& point) { return std::string_view(point.child_value("type")); });
  if (!planned.empty()) points = planned;
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
