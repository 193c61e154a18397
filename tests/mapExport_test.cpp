// The planned route as a map, read back by the libraries that wrote it: one line through
// every waypoint, and every waypoint as a point with its number, kind and position.
#include "maps/mapExport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "support/routeTest.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

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

std::string textOf(mapFormat format) { return mapText(format, describeMission(), "m"); }

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

// A route across 180°: the GeoJSON line cut at the date line into parts that stay within
// -180..180 and meet at one crossing latitude, its points unchanged; the KML view over the
// route itself, not over the other side of the globe.
TEST(MapExport, ARouteAcross180IsDrawnTheShortWayAndViewedFromAboveIt) {
  struct crossingCase {
    std::vector<std::pair<double, double>> route;  // lat, lon
    size_t parts;                                  // of the GeoJSON line
  };
  const std::vector<crossingCase> cases = {
      {{{-17, 179.95}, {-17.05, -179.97}}, 2},
      {{{-17, -179.97}, {-17.05, 179.95}, {-17.1, 179.9}}, 2},
      {{{-17, 179.95}, {-17.05, -179.97}, {-17.1, 179.9}, {-17.15, 180}, {-17.2, -180}, {-17.25, -179.95}}, 4},
      {{{45, 10}, {45.045, 10}}, 1},
      // 180 and -180 are one meridian: two waypoints there are one place, no crossing, and
      // both stay on the line (once, one of them vanished into the crossing points).
      {{{0, 180}, {0, -180}}, 1},
      {{{0, -180}, {0, 180}, {0.01, -179.99}}, 2},
  };
  for (const auto& c : cases) {
    destroyList();
    resetSettings();
    for (const auto& [lat, lon] : c.route) insertLatLonEnd(lat, lon);
    planRoute();
    const nlohmann::json doc = nlohmann::json::parse(mapText(mapFormat::geojson, describeMission(), "m"));
    const nlohmann::json& geometry = doc["features"][0]["geometry"];
    const nlohmann::json parts =
        c.parts == 1 ? nlohmann::json::array({geometry["coordinates"]}) : geometry["coordinates"];
    EXPECT_EQ(geometry["type"], c.parts == 1 ? "LineString" : "MultiLineString") << c.route.size();
    ASSERT_EQ(parts.size(), c.parts) << geometry.dump();
    size_t positions = 0;
    for (const auto& part : parts) positions += part.size();
    EXPECT_GE(positions, c.route.size() + 1) << "every waypoint and the launch on the line: " << geometry.dump();
    for (size_t i = 0; i < parts.size(); ++i) {
      EXPECT_GE(parts[i].size(), 2u) << geometry.dump();
      for (const auto& position : parts[i]) {
        EXPECT_LE(std::fabs(position[0].get<double>()), 180.0) << geometry.dump();
        // Each part keeps to one side of the date line.
        if (c.parts > 1) {
          EXPECT_GT(std::fabs(position[0].get<double>()), 179.8) << geometry.dump();
        }
      }
      if (i == 0) continue;
      // The crossing point is given on both sides: same latitude, opposite longitudes.
      const auto& end = parts[i - 1].back();
      const auto& start = parts[i][0];
      EXPECT_EQ(end[1], start[1]) << geometry.dump();
      EXPECT_EQ(end[0].get<double>(), -start[0].get<double>()) << geometry.dump();
      EXPECT_EQ(std::fabs(start[0].get<double>()), 180.0) << geometry.dump();
    }
    pugi::xml_document kml;
    ASSERT_TRUE(kml.load_string(mapText(mapFormat::kml, describeMission(), "m").c_str()));
    const pugi::xml_node lookAt = kml.child("kml").child("Document").child("LookAt");
    const double lon = lookAt.child("longitude").text().as_double();
    const double range = lookAt.child("range").text().as_double();
    if (c.parts > 1) {
      EXPECT_GT(std::fabs(lon), 179.9) << lon;
      EXPECT_LT(range, 100000) << range;
    } else {
      EXPECT_NEAR(std::remainder(lon - c.route[0].second, 360), 0, 0.01) << lon;
    }
    EXPECT_GE(range, 1000);
  }
  destroyList();
  resetSettings();
}

// Every map, the picture included, is drawn from the planned mission it is given and from
// nothing else: another route planned with other settings after the mission was taken
// leaves every format's text as it was.
TEST_F(MapExportTest, EveryMapIsDrawnFromTheMissionItIsGiven) {
  const std::vector<mapFormat> formats = {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg};
  for (const auto& [lat, lon] : std::vector<std::pair<double, double>>{{45, 10}, {45.045, 10}, {45.06, 10.05}}) {
    insertLatLonEnd(lat, lon);
  }
  planRoute();
  warningLog warnings;
  warnings.warn("line 3: only the first two numbers are used");
  const plannedMission mission = describeMission("route.txt", missionFileNames("2014_119_148.", formats), &warnings);
  std::vector<std::string> drawn;
  for (const mapFormat format : formats) drawn.push_back(mapText(format, mission, "m"));

  destroyList();
  resetSettings();
  missionSpeed = 2.5;
  yoyoMission = 0;
  wayPointDepth = 20;
  maxLegMeters = 1000;
  insertLatLonEnd(-33.9, 151.2);
  insertLatLonEnd(-33.85, 151.3);
  planRoute();
  for (size_t i = 0; i < formats.size(); ++i) {
    EXPECT_EQ(mapText(formats[i], mission, "m"), drawn[i]) << mapExtension(formats[i]);
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
