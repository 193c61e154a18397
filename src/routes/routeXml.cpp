#include "routes/routeXml.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/runMessages.h"

std::string_view localName(const pugi::xml_node& element) {
  const std::string_view name = element.name();
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

namespace {

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

void refuseIfNotWellFormed(const pugi::xml_parse_result& parsed, std::string_view content, routeReader& route) {
  if (!parsed) {
    route.refuseFile("is not well-formed XML: " + std::string(parsed.description()) + " at line " +
                     std::to_string(lineFinder(content).lineAt(parsed.offset)));
  }
}

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

void readKml(const pugi::xml_document& doc, const pugi::xml_parse_result& parsed, std::string_view content,
             routeReader& route) {
  refuseIfNotWellFormed(parsed, content, route);
  std::vector<pugi::xml_node> paths;
  std::vector<pugi::xml_node> points;
  forEachElement(doc, [&](const pugi::xml_node& element) {
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
    warn(route.fileName() + ": only its path is used; left out: " + plural(points.size(), "point", "points"));
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
      const std::vector<std::string_view> parts = tupleParts(tuple);
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

void readGpx(const pugi::xml_document& doc, const pugi::xml_parse_result& parsed, std::string_view content,
             routeReader& route) {
  refuseIfNotWellFormed(parsed, content, route);
  const pugi::xml_node root = doc.document_element();
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
      warn(route.fileName() + ": only its route is used; left out: " + leftOut);
    }
  } else if (tracks.size() > 1) {
    route.refuseFile("holds " + std::to_string(tracks.size()) + " tracks; keep one");
  } else if (tracks.size() == 1) {
    for (const pugi::xml_node& segment : childrenNamed(tracks[0], "trkseg")) {
      for (const pugi::xml_node& point : childrenNamed(segment, "trkpt")) points.push_back(point);
    }
    if (!waypoints.empty()) {
      warn(route.fileName() +
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
