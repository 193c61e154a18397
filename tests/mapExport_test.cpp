// The planned route as a map, read back by the libraries that wrote it: one line through
// every waypoint, and every waypoint as a point with its number, kind and position.
#include "mapExport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "support/routeTest.h"
#include "vesk.h"
#include "wptList.h"

namespace {

// What a map says of one waypoint.
struct shownPoint {
  std::string name;
  std::string kind;
  double lat;
  double lon;
};

struct readBack {
  int lines = 0;                 // route lines found
  std::vector<double> lineLats;  // the vertices of the route line
  std::vector<shownPoint> points;
};

std::string textOf(mapFormat format) { return mapText(format, "m"); }

std::pair<double, double> lonLat(const std::string& tuple) {
  const size_t comma = tuple.find(',');
  return {std::stod(tuple.substr(0, comma)), std::stod(tuple.substr(comma + 1))};
}

readBack readKml(const std::string& text) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(text.c_str()));
  readBack r;
  for (const pugi::xpath_node& line : doc.select_nodes("//LineString/coordinates")) {
    ++r.lines;
    std::string coordinates = line.node().text().get();
    for (size_t at = 0; at < coordinates.size();) {
      const size_t space = coordinates.find(' ', at);
      r.lineLats.push_back(lonLat(coordinates.substr(at, space - at)).second);
      at = space == std::string::npos ? coordinates.size() : space + 1;
    }
  }
  for (const pugi::xpath_node& mark : doc.select_nodes("//Placemark[Point]")) {
    const auto [lon, lat] = lonLat(mark.node().child("Point").child_value("coordinates"));
    const std::string style = mark.node().child_value("styleUrl");
    EXPECT_EQ(mark.node().select_node("ExtendedData/Data[@name='kind']/value").node().text().get(), style.substr(1));
    r.points.push_back({mark.node().child_value("name"), style.substr(1), lat, lon});
  }
  return r;
}

readBack readGpx(const std::string& text) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(text.c_str()));
  readBack r;
  for (const pugi::xml_node& rte : doc.child("gpx").children("rte")) {
    ++r.lines;
    for (const pugi::xml_node& pt : rte.children("rtept")) {
      const double lat = pt.attribute("lat").as_double();
      r.lineLats.push_back(lat);
      EXPECT_FALSE(std::string(pt.child_value("desc")).empty());
      r.points.push_back({pt.child_value("name"), pt.child_value("type"), lat, pt.attribute("lon").as_double()});
    }
  }
  return r;
}

readBack readGeoJson(const std::string& text) {
  const nlohmann::json doc = nlohmann::json::parse(text);
  EXPECT_EQ(doc["type"], "FeatureCollection");
  readBack r;
  for (const auto& feature : doc["features"]) {
    const auto& geometry = feature["geometry"];
    if (geometry["type"] == "LineString") {
      ++r.lines;
      for (const auto& position : geometry["coordinates"]) r.lineLats.push_back(position[1].get<double>());
    } else {
      const auto& p = feature["properties"];
      EXPECT_EQ(p["number"].get<int>(), std::stoi(p["name"].get<std::string>()));
      r.points.push_back({p["name"].get<std::string>(), p["kind"].get<std::string>(),
                          geometry["coordinates"][1].get<double>(), geometry["coordinates"][0].get<double>()});
    }
  }
  return r;
}

class MapExportTest : public routeTest {
 protected:
  void SetUp() override {
    routeTest::SetUp();
    // Two given legs, each cut once: launch, given, surfacing, given, surfacing, given.
    insertLatLonEnd(45, 10);
    insertLatLonEnd(45.045, 10);
    insertLatLonEnd(45.06, 10.05);
    planRoute();
  }
};

TEST_F(MapExportTest, EveryFormatReadsBackAsOneLineAndEveryWaypoint) {
  const std::vector<std::string> kinds = {"launch", "waypoint", "surfacing", "waypoint", "surfacing", "waypoint"};
  const std::vector<std::pair<mapFormat, readBack (*)(const std::string&)>> formats = {
      {mapFormat::kml, readKml}, {mapFormat::gpx, readGpx}, {mapFormat::geojson, readGeoJson}};
  for (const auto& [format, read] : formats) {
    const readBack r = read(textOf(format));
    EXPECT_EQ(r.lines, 1) << mapExtension(format);
    ASSERT_EQ(r.points.size(), kinds.size()) << mapExtension(format);
    ASSERT_EQ(r.lineLats.size(), kinds.size()) << mapExtension(format);
    size_t i = 0;
    for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr, ++i) {
      EXPECT_EQ(r.points[i].name, std::to_string(i)) << mapExtension(format);
      EXPECT_EQ(r.points[i].kind, kinds[i]) << mapExtension(format);
      EXPECT_NEAR(r.points[i].lat, n->Lat, 1e-9) << mapExtension(format);
      EXPECT_NEAR(r.points[i].lon, n->Lon, 1e-9) << mapExtension(format);
      EXPECT_NEAR(r.lineLats[i], n->Lat, 1e-9) << mapExtension(format);
    }
  }
}

TEST_F(MapExportTest, FormatNamesAreTheExtensionsInAnyCase) {
  for (const char* name : {"kml", "GPX", "GeoJSON", "SVG"}) {
    const auto format = mapFormatNamed(name);
    ASSERT_TRUE(format) << name;
    EXPECT_EQ(mapFormatNamed(mapExtension(*format)), format);
  }
  EXPECT_FALSE(mapFormatNamed("shp"));
  EXPECT_FALSE(mapFormatNamed(""));
}

}  // namespace
