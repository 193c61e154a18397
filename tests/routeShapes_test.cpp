// Routes as other tools save them: tracks, placemarks beside what is no waypoint, empty
// elements, KML saved as a part of a document, files of several paths and --path. Each
// table holds small files written by hand and the positions they give or why they are
// refused; ogrinfo, where it reads the shape, sees the same positions.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "settings.h"
#include "support/routeRead.h"
#include "vesk.h"
#include "wptList.h"

namespace {

const std::string kmlHead =
    "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"urn:vesk:kml-ext\">"
    "<Document>\n";
const std::string kmlTail = "</Document></kml>\n";
std::string placemark(const std::string& name, const std::string& geometry) {
  return "<Placemark><name>" + name + "</name>" + geometry + "</Placemark>\n";
}
std::string line(const std::string& coordinates) {
  return "<LineString><coordinates>" + coordinates + "</coordinates></LineString>";
}
std::string point(const std::string& coordinates) {
  return "<Point><coordinates>" + coordinates + "</coordinates></Point>";
}
std::string track(const std::vector<std::string>& coords) {
  std::string text = "<gx:Track>";
  for (size_t i = 0; i < coords.size(); ++i) text += "<when>2026-01-01T00:00:00Z</when>";
  for (const std::string& c : coords) text += "\n<gx:coord>" + c + "</gx:coord>";
  return text + "</gx:Track>";
}
const std::string polygon =
    "<Polygon><outerBoundaryIs><LinearRing><coordinates>1,1 1,2 2,2 1,1</coordinates></LinearRing>"
    "</outerBoundaryIs></Polygon>";
const std::string gpxHead =
    "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
std::string gpxTrack(const std::string& name, const std::string& lats) {
  std::string text = "<trk><name>" + name + "</name><trkseg>";
  for (const char lat : lats) text += "<trkpt lat=\"4" + std::string(1, lat) + "\" lon=\"10\"/>";
  return text + "</trkseg></trk>\n";
}
const std::string rte = "<rte><rtept lat=\"45\" lon=\"10\"/><rtept lat=\"45.045\" lon=\"10\"/></rte>\n";

const points three = {{45, 10}, {45.045, 10}, {45.06, 10.05}};
const points two = {{45, 10}, {45.045, 10}};

struct readCase {
  const char* label;
  std::string name;
  std::string content;
  points expected;
  std::string warning;  // standard error, empty for silence
};

void expectRead(const std::vector<readCase>& cases, const std::string& path = "") {
  for (const readCase& c : cases) {
    const outcome o = readFrom(c.name, c.content, path);
    EXPECT_EQ(o.status, 0) << c.label << "\n" << o.output << o.errors;
    EXPECT_EQ(o.route, c.expected) << c.label;
    EXPECT_EQ(o.output, "") << c.label;
    EXPECT_EQ(o.errors, c.warning) << c.label;
  }
}

TEST(RouteShapes, TracksArePathsAndOnlyAPlacemarksGeometryIsAWaypoint) {
  const std::string start = placemark("start", point("10,45")) + placemark("end", point("10.05,45.06"));
  expectRead({
      {"track alone, altitudes or none", "a.kml",
       kmlHead + placemark("t", track({"10 45 0", "10 45.045 -3.5", "10.05 45.06"})) + kmlTail, three, ""},
      {"track beside its start and end points", "a.kml",
       kmlHead + start + placemark("t", track({"10 45", "10 45.045", "10.05 45.06"})) + kmlTail, three,
       "warning: a.kml: only its path is used; left out: 2 points\n"},
      {"multitrack: its tracks in order, one path", "a.kml",
       kmlHead +
           placemark("t",
                     "<gx:MultiTrack>" + track({"10 45"}) + track({"10 45.045", "10.05 45.06"}) + "</gx:MultiTrack>") +
           kmlTail,
       three, ""},
      {"a track of KML 2.3, no prefix", "a.kml",
       kmlHead + placemark("t", "<Track><coord>10 45</coord><coord>10 45.045</coord></Track>") + kmlTail, two, ""},
      {"a photo overlay's point, an update's and a stray one beside placemarks", "a.kml",
       kmlHead + "<PhotoOverlay><Camera><longitude>1</longitude><latitude>1</latitude></Camera>" + point("1,1") +
           "</PhotoOverlay>" + placemark("a", point("10,45")) + point("2,2") + placemark("b", point("10,45.045")) +
           "<NetworkLinkControl><Update><Change>" + placemark("a", point("3,3")) +
           "</Change></Update>"
           "</NetworkLinkControl>" +
           kmlTail,
       two, ""},
      {"polygons beside points are warned of", "a.kml",
       kmlHead + placemark("s", polygon) + placemark("a", point("10,45")) + placemark("t", polygon) +
           placemark("b", point("10,45.045")) + kmlTail,
       two,
       "warning: a.kml: only its points are used; left out: 2 Polygons; to survey an area, give it with --area FILE\n"},
      {"a polygon beside a path", "a.kml",
       kmlHead + placemark("p", "<MultiGeometry>" + line("10,45 10,45.045") + polygon + "</MultiGeometry>") + kmlTail,
       two, "warning: a.kml: only its path is used; left out: Polygon; to survey an area, give it with --area FILE\n"},
  });
}

TEST(RouteShapes, EmptyElementsAreNoContent) {
  expectRead({
      {"empty LineString beside a path", "a.kml",
       kmlHead + placemark("e", "<LineString><coordinates> </coordinates></LineString>") +
           placemark("p", line("10,45 10,45.045")) + placemark("f", "<LineString/>") + kmlTail,
       two, ""},
      {"empty track beside points", "a.kml",
       kmlHead + placemark("t", "<gx:Track/>") + placemark("a", point("10,45")) + placemark("b", point("10,45.045")) +
           kmlTail,
       two, ""},
      {"empty trk beside waypoints", "a.gpx",
       gpxHead + "<wpt lat=\"45\" lon=\"10\"/><trk/><wpt lat=\"45.045\" lon=\"10\"/></gpx>", two, ""},
      {"empty rte beside a route", "a.gpx", gpxHead + "<rte><name>x</name></rte>" + rte + "</gpx>", two, ""},
      {"empty trk beside a track",
       "a.gpx",
       gpxHead + "<trk><trkseg/></trk>" + gpxTrack("t", "56") + "</gpx>",
       {{45, 10}, {46, 10}},
       ""},
      {"geojson empty LineString beside one", "a.json",
       "{\"type\":\"GeometryCollection\",\"geometries\":[{\"type\":\"LineString\",\"coordinates\":[]},"
       "{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,45.045]]}]}",
       two, ""},
  });
}

struct refusalCase {
  std::string name;
  std::string content;
  std::string output;  // standard output
  std::string errors;  // standard error
};

void expectRefused(const std::vector<refusalCase>& cases, const std::string& path = "") {
  for (const refusalCase& c : cases) {
    const outcome o = readFrom(c.name, c.content, path);
    EXPECT_EQ(o.status, 1) << c.content;
    EXPECT_EQ(o.output, c.output) << c.content;
    EXPECT_EQ(o.errors, c.errors) << c.content;
    EXPECT_TRUE(o.route.empty()) << c.content;
  }
}

TEST(RouteShapes, AFileWithoutARouteNamesWhatItHolds) {
  const std::string jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xDB\x00\x43\x00",
                         25);
  const std::string binary = " is binary data, neither text nor a zip archive: no route or area can be read from it\n";
  expectRefused({
      {"r.kml", kmlHead + "<PhotoOverlay>" + point("1,1") + "</PhotoOverlay>" + kmlTail,
       "r.kml holds no path and no points, only Point of a PhotoOverlay\n", ""},
      {"r.kml",
       kmlHead + "<Update><Change>" + placemark("a", point("1,1")) + placemark("b", point("1,2")) +
           "</Change></Update>" + point("2,2") + kmlTail,
       "r.kml holds no path and no points, only 2 Points in an Update, Point outside any Placemark\n", ""},
      {"r.kml", kmlHead + placemark("a", polygon) + kmlTail,
       "r.kml holds no path and no points, only Polygon; to survey an area, give it with --area FILE\n", ""},
      {"r.kml",
       kmlHead + placemark("e", "<LineString><coordinates/></LineString>") + placemark("t", "<gx:Track/>") + kmlTail,
       "r.kml holds no path and no points, only LineString, Track without positions\n", ""},
      {"r.kml", kmlHead + placemark("t", track({"10 45", "10,45.045"})) + kmlTail, "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 5): \"10,45.045\": a track position is longitude latitude or longitude latitude altitude\n"},
      {"r.kml", kmlHead + placemark("t", track({"10 45 deep"})) + kmlTail, "invalid waypoint 1 of r.kml\n",
       "waypoint 1 (line 4): \"10 45 deep\": the altitude is not a number\n"},
      {"r.gpx", gpxHead + "<trk/><rte/><trk><trkseg/></trk></gpx>",
       "r.gpx holds no route, track or waypoints, only rte, 2 trks without points\n", ""},
      {"r.json", "{\"type\":\"MultiLineString\",\"coordinates\":[[]]}",
       "r.json holds no path and no points, only MultiLineString without positions\n", ""},
      // XML of another kind is named by its root; a KML part in another namespace is no KML.
      {"r.xml", "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"><path d=\"M0 0\"/></svg>",
       "r.xml is XML whose root element is <svg> (namespace http://www.w3.org/2000/svg), neither KML nor GPX: save "
       "the route as KML, GPX, GeoJSON, CSV or text\n",
       ""},
      {"r.kml", "<Placemark xmlns=\"urn:other\"><Point><coordinates>10,45</coordinates></Point></Placemark>",
       "r.kml is XML whose root element is <Placemark> (namespace urn:other), neither KML nor GPX: save the route as "
       "KML, GPX, GeoJSON, CSV or text\n",
       ""},
      {"r.kmz", jpeg, "r.kmz" + binary, ""},
      {"r.kml", jpeg + std::string(100, 'x'), "r.kml" + binary, ""},
  });
}

TEST(RouteShapes, KmlSavedAsAPartOfADocumentIsRead) {
  expectRead({
      {"a Placemark, no namespace", "a.kml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + placemark("p", line("10,45 10,45.045")), two, ""},
      {"a Folder in the KML namespace", "a.xml",
       "<Folder xmlns=\"http://www.opengis.net/kml/2.2\">" + placemark("a", point("10,45")) +
           placemark("b", point("10,45.045")) + "</Folder>",
       two, ""},
      {"a Document with a prefix", "a.kml",
       "<k:Document xmlns:k=\"http://www.opengis.net/kml/2.2\"><k:Placemark><k:LineString><k:coordinates>10,45 "
       "10,45.045</k:coordinates></k:LineString></k:Placemark></k:Document>",
       two, ""},
  });
}

// Several paths: each listed by its number, name and positions; --path picks one by either.
TEST(RouteShapes, SeveralPathsAreListedAndOneIsPickedWithPath) {
  const std::string tracks =
      gpxHead + gpxTrack("Out", "56") + gpxTrack("Back", "65") + gpxTrack("Out", "567") + "</gpx>";
  const std::string lines = kmlHead + placemark("north", line("10,45 10,46")) + placemark("", line("11,45 11,46")) +
                            placemark("twice", line("10,45 10,46.0")) + kmlTail;
  const std::string multi =
      "{\"type\":\"Feature\",\"properties\":{\"name\":\"legs\"},\"geometry\":{\"type\":"
      "\"MultiLineString\",\"coordinates\":[[[10,45],[10,46]],[[10,47],[10,48],[10,49]]]}}";
  const std::string pick = "; pick one with --path N or --path NAME, or keep one in the file\n";
  expectRefused({
      {"r.gpx", tracks, "r.gpx holds 3 tracks" + pick,
       "track 1 \"Out\": 2 positions\ntrack 2 \"Back\": 2 positions\ntrack 3 \"Out\": 3 positions\n"},
      {"r.kml", lines, "r.kml holds 2 paths" + pick,
       "path 1 \"north\": 2 positions (the same as path 3)\npath 2 (no name): 2 positions\n"},
      {"r.json", multi, "r.json holds 2 paths" + pick, "path 1 \"legs\": 2 positions\npath 2 \"legs\": 3 positions\n"},
      {"r.gpx", gpxHead + rte + "<rte><rtept lat=\"1\" lon=\"1\"/></rte></gpx>", "r.gpx holds 2 routes" + pick,
       "route 1 (no name): 2 positions\nroute 2 (no name): 1 position\n"},
  });
  struct pickCase {
    std::string name;
    std::string content;
    std::string path;
    points expected;
  };
  for (const pickCase& c : std::vector<pickCase>{
           {"r.gpx", tracks, "2", {{46, 10}, {45, 10}}},
           {"r.gpx", tracks, "Back", {{46, 10}, {45, 10}}},
           {"r.gpx", tracks, "03", {{45, 10}, {46, 10}, {47, 10}}},
           {"r.kml", lines, "2", {{45, 11}, {46, 11}}},
           {"r.kml", lines, "twice", {{45, 10}, {46, 10}}},
           {"r.json", multi, "2", {{47, 10}, {48, 10}, {49, 10}}},
           {"r.kml", kmlHead + placemark("one", line("10,45 10,46")) + kmlTail, "one", {{45, 10}, {46, 10}}},
           {"r.txt", "45 10\n46 10\n", "1", {{45, 10}, {46, 10}}},
       }) {
    const outcome o = readFrom(c.name, c.content, c.path);
    EXPECT_EQ(o.status, 0) << c.path << "\n" << o.output << o.errors;
    EXPECT_EQ(o.route, c.expected) << c.path;
  }
  const std::string listed =
      "track 1 \"Out\": 2 positions\ntrack 2 \"Back\": 2 positions\ntrack 3 \"Out\": 3 positions\n";
  const std::vector<std::pair<std::string, refusalCase>> wrong = {
      {"4", {"r.gpx", tracks, "r.gpx has no track 4 for --path; it holds 3 tracks\n", listed}},
      {"Home", {"r.gpx", tracks, "r.gpx has no track named \"Home\" for --path; it holds 3 tracks\n", listed}},
      {"Out", {"r.gpx", tracks, "r.gpx has 2 tracks named \"Out\"; pick one by its number with --path N\n", listed}},
      {"2", {"r.txt", "45 10\n46 10\n", "r.txt holds one route, not several paths to pick from with --path 2\n", ""}},
  };
  for (const auto& [path, c] : wrong) expectRefused({c}, path);

  // A file of many paths names the first few, and the first numbers of each one's copies.
  std::string many = gpxHead;
  for (int i = 0; i < 8; ++i) many += gpxTrack("", "56");
  for (int i = 0; i < 21; ++i) many += gpxTrack("", "5" + std::to_string(i % 10) + std::to_string(i / 10));
  const outcome o = readFrom("r.gpx", many + "</gpx>");
  EXPECT_EQ(o.output, "r.gpx holds 22 tracks" + pick);
  EXPECT_EQ(o.errors.substr(0, o.errors.find('\n')),
            "track 1 (no name): 2 positions (the same as track 2, 3, 4, 5, 6 and 2 more)");
  EXPECT_EQ(o.errors.substr(o.errors.rfind('\n', o.errors.size() - 2) + 1), "and 2 more tracks\n");
}

// Paths of the same positions, however written, are one route.
TEST(RouteShapes, PathsOfTheSamePositionsAreOne) {
  expectRead({
      {"two gpx tracks",
       "a.gpx",
       gpxHead + gpxTrack("a", "56") + gpxTrack("b", "56") + "</gpx>",
       {{45, 10}, {46, 10}},
       "warning: a.gpx: its 2 tracks have the same positions; they are read as one\n"},
      {"kml lines, one with altitudes", "a.kml",
       kmlHead + placemark("a", line("10,45 10,45.045")) + placemark("b", line("10.0,45,0 10,45.0450,0")) + kmlTail,
       two, "warning: a.kml: its 2 paths have the same positions; they are read as one\n"},
      {"geojson features", "a.json",
       "{\"type\":\"FeatureCollection\",\"features\":["
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,45.045]]}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[10.0,45],[10,45.045]]}}]}",
       two, "warning: a.json: its 2 paths have the same positions; they are read as one\n"},
  });
}

}  // namespace
