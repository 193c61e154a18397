#include "routes/routeImport.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "routes/routeDocument.h"
#include "routes/routeGeoJson.h"
#include "routes/routeReader.h"
#include "routes/routeText.h"
#include "routes/routeXml.h"
#include "text/textOut.h"

namespace {

bool endsWithCsv(const std::string& name) {
  return name.size() >= 4 && lowerCase(name.substr(name.size() - 4)) == ".csv";
}

// XML of another kind than KML or GPX (an SVG drawing, a tool's project file) holds no
// route this program can tell; what does not parse as far as its root is read as text.
void refuseOtherXml(const document& doc, const routeReader& route) {
  const pugi::xml_node root = doc.xml.document_element();
  if (!root) return;
  std::string name = root.name();
  if (name.size() > 60) name = name.substr(0, 60) + "...";
  const std::string_view space = root.attribute("xmlns").value();
  const std::string inSpace = space.empty() ? "" : " (namespace " + std::string(space.substr(0, 80)) + ")";
  route.refuseFile("is XML whose root element is <" + name + ">" + inSpace +
                   ", neither KML nor GPX: save the route as KML, GPX, GeoJSON, CSV or text");
}

}  // namespace

result<std::vector<geoPoint>> readRoutePoints(std::string_view content, const std::string& name,
                                              std::vector<std::string>& warnings, const std::string& path) {
  return refusedAsFailure([&] {
    routeReader route(name, warnings);
    route.pathChoice = path;
    document doc;
    openDocument(content, doc, route);
    switch (doc.format) {
      case documentFormat::kml: readKml(doc, route); break;
      case documentFormat::gpx: readGpx(doc, route); break;
      case documentFormat::geoJson: readGeoJson(doc.text, route); break;
      case documentFormat::otherXml: refuseOtherXml(doc, route); [[fallthrough]];
      case documentFormat::plain:
        // What is neither KML, GPX nor GeoJSON is told by its name.
        if (endsWithCsv(name)) {
          readCsv(doc.text, route);
        } else {
          readText(doc.text, route);
        }
        break;
    }
    // A file whose route was no choice among paths holds one route: its path 1.
    if (!path.empty() && !route.pathChosen && path.substr(std::min(path.find_first_not_of('0'), path.size())) != "1") {
      route.refuseFile("holds one route, not several paths to pick from with --path " + path);
    }
    route.finish();
    if (route.points().empty()) throw documentRefusal{{"list is empty\n", ""}};
    return route.takePoints();
  });
}

result<std::vector<geoPoint>> checkRoutePoints(const std::vector<geoPoint>& points, const std::string& name,
                                               std::vector<std::string>& warnings) {
  return refusedAsFailure([&] {
    routeReader route(name, warnings, "survey waypoint");
    long long number = 0;
    for (const geoPoint& p : points) {
      ++number;
      route.add(p.lat, p.lon, [&] { return waypointAt(number, 0, ""); });
    }
    route.finish();
    return route.takePoints();
  });
}
