#include "routes/routeImport.h"

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

}  // namespace

result<std::vector<geoPoint>> readRoutePoints(std::string_view content, const std::string& name,
                                              std::vector<std::string>& warnings) {
  return refusedAsFailure([&] {
    routeReader route(name, warnings);
    document doc;
    openDocument(content, doc, route);
    switch (doc.format) {
      case documentFormat::kml: readKml(doc, route); break;
      case documentFormat::gpx: readGpx(doc, route); break;
      case documentFormat::geoJson: readGeoJson(doc.text, route); break;
      case documentFormat::plain:
      case documentFormat::otherXml:
        // What is neither KML, GPX nor GeoJSON is told by its name.
        if (endsWithCsv(name)) {
          readCsv(doc.text, route);
        } else {
          readText(doc.text, route);
        }
        break;
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
