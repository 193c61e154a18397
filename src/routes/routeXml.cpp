#include "routes/routeXml.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "routes/routePaths.h"
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

// A path of a KML document: a LineString, or a track of its recorded positions (gx:Track),
// or the tracks of a gx:MultiTrack in order, flown as one.
struct kmlPath {
  std::vector<pugi::xml_node> parts;  // the LineString, or each Track
  bool track = false;
  std::string kind;  // "LineString", "Track" or "MultiTrack"
  std::string name;  // its Placemark's name
};

// Calls `visit(text, parts, line)` for every position of `path` in order: the tuple as
// written, its longitude, latitude and altitude texts, and the line it stands on.
template <typename Visit>
void forEachPosition(const kmlPath& path, lineFinder& lines, Visit visit) {
  for (const pugi::xml_node& part : path.parts) {
    if (path.track) {
      // A track's position is one gx:coord, "longitude latitude altitude" apart by blanks.
      for (const pugi::xml_node& coord : childrenNamed(part, "coord")) {
        const std::string text = coordinatesText(coord);
        std::vector<std::string_view> words;
        forEachTuple(text, 0, [&](std::string_view word, long long) { words.push_back(word); });
        visit(std::string_view(text), words, lines.lineAt(coord.offset_debug()));
      }
      continue;
    }
    const std::vector<pugi::xml_node> coordinates = childrenNamed(part, "coordinates");
    if (coordinates.empty()) continue;
    const std::string text = coordinatesText(coordinates[0]);
    forEachTuple(text, lines.lineAt(coordinates[0].offset_debug()),
                 [&](std::string_view tuple, long long at) { visit(tuple, tupleParts(tuple), at); });
  }
}

// What a KML document holds, as the route reader sorts it.
struct kmlFinds {
  std::vector<kmlPath> paths;
  std::vector<pugi::xml_node> points;  // a Placemark's Points: its waypoints
  std::vector<std::string> others;     // a Placemark's geometries that are no route: Polygon
  std::vector<std::string> ignored;    // geometries no waypoint can be: "Point of a PhotoOverlay"
};

// Only what a Placemark of the document holds is a waypoint: an overlay's position, a
// camera, and what an Update changes in a map already shown are no places to send the
// vehicle to. Paths outside any Placemark are read as they always were.
kmlFinds kmlContent(const pugi::xml_document& xml) {
  kmlFinds found;
  int placemarks = 0;
  int updates = 0;
  int multiTracks = 0;
  std::string_view overlay;
  pugi::xml_node placemark;
  walkElements(
      xml,
      [&](const pugi::xml_node& element) {
        const std::string_view name = localName(element);
        if (name == "Placemark") {
          ++placemarks;
          placemark = element;
        } else if (name == "Update") {
          ++updates;
        } else if (name == "PhotoOverlay" || name == "GroundOverlay" || name == "ScreenOverlay") {
          overlay = name;
        }
        const bool path = name == "LineString" || name == "Track" || name == "MultiTrack";
        if (!path && name != "Point" && name != "Polygon") return;
        if (updates > 0 || (placemarks == 0 && !path)) {
          found.ignored.push_back(std::string(name) + (updates > 0       ? " in an Update"
                                                       : overlay.empty() ? " outside any Placemark"
                                                                         : " of a " + std::string(overlay)));
        } else if (name == "Point") {
          found.points.push_back(element);
        } else if (name == "Polygon") {
          found.others.push_back("Polygon");
        } else if (name == "Track" && multiTracks > 0) {
          found.paths.back().parts.push_back(element);
        } else {
          const std::vector<pugi::xml_node> named = childrenNamed(placemark, "name");
          found.paths.push_back({{},
                                 name != "LineString",
                                 std::string(name),
                                 placemarks > 0 && !named.empty() ? named[0].child_value() : ""});
          if (name != "MultiTrack") found.paths.back().parts.push_back(element);
        }
        if (name == "MultiTrack" && updates == 0) ++multiTracks;
      },
      [&](const pugi::xml_node& element) {
        const std::string_view name = localName(element);
        if (name == "Placemark") --placemarks;
        if (name == "Update") --updates;
        if (name == "MultiTrack" && updates == 0) --multiTracks;
        if (name == overlay) overlay = "";
      });
  return found;
}

// The paths of `found` that hold a position, as the operator is told of them; those that
// hold none are named in `empties`.
std::vector<pathCandidate> nonEmptyPaths(kmlFinds& found, lineFinder& lines, std::vector<std::string>& empties) {
  std::vector<kmlPath> kept;
  std::vector<pathCandidate> candidates;
  for (kmlPath& path : found.paths) {
    pathCandidate candidate{path.name, 0, ""};
    forEachPosition(path, lines,
                    [&](std::string_view, const std::vector<std::string_view>&, long long) { ++candidate.points; });
    if (candidate.points == 0) {
      empties.push_back(path.kind);
      continue;
    }
    kept.push_back(std::move(path));
    candidates.push_back(std::move(candidate));
  }
  found.paths = std::move(kept);
  // Only paths to choose among are told apart by their positions: one path of a million
  // positions is read once more, not copied.
  if (candidates.size() > 1) {
    for (size_t i = 0; i < candidates.size(); ++i) {
      forEachPosition(found.paths[i], lines,
                      [&](std::string_view tuple, const std::vector<std::string_view>& parts, long long) {
                        if (parts.size() < 2) {
                          candidates[i].places += std::string(tuple) + "\n";
                        } else {
                          addPlace(candidates[i].places, std::string(parts[0]), std::string(parts[1]));
                        }
                      });
    }
  }
  return candidates;
}

// "a, b and c" of the parts of what a document holds, for the refusal of one without a route.
std::string onlyText(const std::vector<std::string>& empties, const std::vector<std::string>& ignored,
                     const std::vector<std::string>& others) {
  std::string text;
  if (!empties.empty()) text = leftOutText(empties) + " without positions";
  if (!ignored.empty()) text += (text.empty() ? "" : ", ") + leftOutText(ignored);
  if (!others.empty()) text += (text.empty() ? "" : ", ") + leftOutText(others);
  return text;
}

}  // namespace

void readKml(const document& doc, routeReader& route) {
  const std::string_view content = doc.text;
  refuseIfNotWellFormed(doc.parsed, content, route);
  kmlFinds found = kmlContent(doc.xml);
  std::vector<pugi::xml_node>& points = found.points;
  const std::vector<pugi::xml_node> planned = plannedWaypoints(points, kmlKind);
  if (!planned.empty()) {
    found.paths.clear();
    points = planned;
  }
  lineFinder lines(content);
  std::vector<std::string> empties;
  const std::vector<pathCandidate> candidates = nonEmptyPaths(found, lines, empties);
  std::vector<kmlPath>& paths = found.paths;
  if (!paths.empty()) {
    const size_t chosen = choosePath(candidates, "path", route);
    paths = {paths[chosen]};
  }
  if (!paths.empty() && !points.empty()) {
    route.warn(route.fileName() + ": only its path is used; left out: " + plural(points.size(), "point", "points"));
    points.clear();
  }
  if (paths.empty() && points.empty()) {
    const std::string only = onlyText(empties, found.ignored, found.others);
    route.refuseFile(only.empty() ? "holds no path and no points" : "holds no path and no points, only " + only);
  }
  if (!found.others.empty()) {
    route.warn(route.fileName() + ": only its " + (paths.empty() ? "points are" : "path is") +
               " used; left out: " + leftOutText(found.others));
  }

  long long number = 0;
  const auto readPosition = [&](std::string_view tuple, const std::vector<std::string_view>& parts, long long at,
                                bool track) {
    const place where = waypointAt(++number, at, tuple);
    if (parts.size() < 2 || parts.size() > 3) {
      route.refuse(where, track ? "a track position is longitude latitude or longitude latitude altitude"
                                : "a position is longitude,latitude or longitude,latitude,altitude");
    }
    if (parts.size() == 3 && !wholeNumber(parts[2])) route.refuse(where, "the altitude is not a number");
    route.addText(parts[0], parts[1], where);
  };
  if (!paths.empty()) {
    forEachPosition(paths[0], lines,
                    [&](std::string_view tuple, const std::vector<std::string_view>& parts, long long at) {
                      readPosition(tuple, parts, at, paths[0].track);
                    });
    return;
  }
  for (const pugi::xml_node& point : points) {
    size_t tuples = 0;
    const kmlPath one{{point}, false, "Point", ""};
    forEachPosition(one, lines, [&](std::string_view tuple, const std::vector<std::string_view>& parts, long long at) {
      if (++tuples > 1) route.refuse(waypointAt(number + 1, at, tuple), "a point holds more than one position");
      readPosition(tuple, parts, at, false);
    });
    if (tuples == 0) {
      // Named on the line its coordinates element ends on, or else the Point's.
      const std::vector<pugi::xml_node> coordinates = childrenNamed(point, "coordinates");
      long long line = lines.lineAt(point.offset_debug());
      if (!coordinates.empty()) {
        const std::string text = coordinatesText(coordinates[0]);
        line = forEachTuple(text, lines.lineAt(coordinates[0].offset_debug()), [](std::string_view, long long) {});
      }
      route.refuse(waypointAt(number + 1, line, ""), "a point without coordinates");
    }
  }
}

namespace {

// The points of a GPX route (rte) or track (trk), its segments in order.
std::vector<pugi::xml_node> gpxPoints(const pugi::xml_node& path) {
  if (localName(path) == "rte") return childrenNamed(path, "rtept");
  std::vector<pugi::xml_node> points;
  for (const pugi::xml_node& segment : childrenNamed(path, "trkseg")) {
    for (const pugi::xml_node& point : childrenNamed(segment, "trkpt")) points.push_back(point);
  }
  return points;
}

// The routes or tracks `all` that hold a point, with the points of each and what the
// operator is told of them; the names of those that hold none are added to `empties`.
struct gpxPaths {
  std::vector<std::vector<pugi::xml_node>> points;
  std::vector<pathCandidate> candidates;
};
gpxPaths nonEmpty(const std::vector<pugi::xml_node>& all, std::vector<std::string>& empties) {
  gpxPaths kept;
  for (const pugi::xml_node& path : all) {
    std::vector<pugi::xml_node> points = gpxPoints(path);
    if (points.empty()) {
      empties.push_back(std::string(localName(path)));
      continue;
    }
    const std::vector<pugi::xml_node> name = childrenNamed(path, "name");
    pathCandidate candidate{name.empty() ? "" : name[0].child_value(), points.size(), ""};
    kept.points.push_back(std::move(points));
    kept.candidates.push_back(std::move(candidate));
  }
  // Only paths to choose among are told apart by their positions.
  if (kept.candidates.size() > 1) {
    for (size_t i = 0; i < kept.points.size(); ++i) {
      for (const pugi::xml_node& point : kept.points[i]) {
        addPlace(kept.candidates[i].places, point.attribute("lon").value(), point.attribute("lat").value());
      }
    }
  }
  return kept;
}

}  // namespace

void readGpx(const document& doc, routeReader& route) {
  const std::string_view content = doc.text;
  refuseIfNotWellFormed(doc.parsed, content, route);
  const pugi::xml_node root = doc.xml.document_element();
  std::vector<std::string> empties;
  gpxPaths routes = nonEmpty(childrenNamed(root, "rte"), empties);
  gpxPaths tracks = nonEmpty(childrenNamed(root, "trk"), empties);
  const std::vector<pugi::xml_node> waypoints = childrenNamed(root, "wpt");
  std::vector<pugi::xml_node> points;
  if (!routes.points.empty()) {
    points = std::move(routes.points[choosePath(routes.candidates, "route", route)]);
    if (!tracks.points.empty() || !waypoints.empty()) {
      std::string leftOut = tracks.points.empty() ? "" : plural(tracks.points.size(), "track", "tracks");
      if (!waypoints.empty())
        leftOut += (leftOut.empty() ? "" : ", ") + plural(waypoints.size(), "waypoint", "waypoints");
      route.warn(route.fileName() + ": only its route is used; left out: " + leftOut);
    }
  } else if (!tracks.points.empty()) {
    points = std::move(tracks.points[choosePath(tracks.candidates, "track", route)]);
    if (!waypoints.empty()) {
      route.warn(route.fileName() +
                 ": only its track is used; left out: " + plural(waypoints.size(), "waypoint", "waypoints"));
    }
  } else if (!waypoints.empty()) {
    points = waypoints;
  } else if (!empties.empty()) {
    route.refuseFile("holds no route, track or waypoints, only " + leftOutText(empties) + " without points");
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
