// Routes drawn in other tools: every format's small example files with the points they
// give or the reason they are refused, and the same route in all five formats planning
// into the same mission byte for byte.
#include "routes/routeImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif
#include <zlib.h>

#include "files/fileSetPlatform.h"
#include "routes/routeKmz.h"
#include "settings.h"
#include "support/documentForms.h"
#include "support/routeRead.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

const std::string kmlHead = "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document>\n";
const std::string kmlTail = "</Document></kml>\n";
std::string kmlPath(const std::string& coordinates) {
  return kmlHead + "<Placemark><LineString><coordinates>" + coordinates + "</coordinates></LineString></Placemark>\n" +
         kmlTail;
}
std::string kmlPoint(const std::string& coordinates) {
  return "<Placemark><name>p</name><Point><coordinates>" + coordinates + "</coordinates></Point></Placemark>\n";
}
const std::string gpxHead =
    "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
const std::string rte = "<rte><rtept lat=\"45\" lon=\"10\"/><rtept lat=\"45.045\" lon=\"10\"/></rte>\n";

struct goodCase {
  const char* label;
  std::string name;
  std::string content;
  points expected;
  const char* warning;  // expected on standard error, or null for silence
};

TEST(RouteImport, EachFormatGivesItsPointsInRouteOrder) {
  const points three = {{45, 10}, {45.045, 10}, {45.06, 10.05}};
  const std::vector<goodCase> cases = {
      {"kml path, altitudes and line breaks", "a.kml", kmlPath("\n  10,45,0 10,45.045,-3\n\t10.05,45.06\n"), three,
       nullptr},
      {"kml path in a MultiGeometry, namespaced, after a BOM", "a.xml",
       "\xEF\xBB\xBF \n<k:kml xmlns:k=\"http://www.opengis.net/kml/2.2\"><k:Placemark><k:MultiGeometry>"
       "<k:LineString><k:coordinates>10,45 10,45.045 10.05,45.06</k:coordinates></k:LineString>"
       "</k:MultiGeometry></k:Placemark></k:kml>",
       three, nullptr},
      {"kml points in document order", "a.kml",
       kmlHead + kmlPoint("10,45,0") + "<Folder>" + kmlPoint("10,45.045") + "</Folder>" + kmlPoint(" 10.05,45.06 ") +
           kmlTail,
       three, nullptr},
      {"gpx route", "a.gpx",
       gpxHead + "<rte><rtept lat=\"45\" lon=\"10\"><name>A</name></rtept><rtept lat=\"45.045\" lon=\"10\"/>"
                 "<rtept lat=\"45.06\" lon=\"10.05\"/></rte></gpx>",
       three, nullptr},
      {"gpx 1.0 track of two segments", "track",
       "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg><trkpt lat=\"45\" lon=\"10\"/>"
       "</trkseg><trkseg><trkpt lat=\"45.045\" lon=\"10\"/><trkpt lat=\"45.06\" lon=\"10.05\"/></trkseg></trk></gpx>",
       three, nullptr},
      {"gpx waypoints", "a.gpx",
       gpxHead + "<wpt lat=\"45\" lon=\"10\"/><wpt lat=\"45.045\" lon=\"10\"/><wpt lat=\"45.06\" lon=\"10.05\"/></gpx>",
       three, nullptr},
      {"gpx route before its waypoints",
       "a.gpx",
       gpxHead + "<wpt lat=\"1\" lon=\"1\"/>" + rte + "</gpx>",
       {{45, 10}, {45.045, 10}},
       "warning: a.gpx: only its route is used; left out: 1 waypoint\n"},
      {"geojson LineString geometry", "a.json",
       "{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,45.045,12.5],[10.05,45.06]]}", three, nullptr},
      {"geojson Feature holding a MultiPoint", "a.geojson",
       "{\"type\":\"Feature\",\"properties\":{},\"geometry\":{\"type\":\"MultiPoint\","
       "\"coordinates\":[[10,45],[10,45.045],[10.05,45.06]]}}",
       three, nullptr},
      {"geojson Point features, a Polygon left out", "a.geojson",
       "{\"type\":\"FeatureCollection\",\"features\":["
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[10,45]}},"
       "{\"type\":\"Feature\",\"geometry\":null},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[]}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[10,45.045]}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[10.05,45.06]}}]}",
       three,
       "warning: a.geojson: only its points are used; left out: Polygon; to survey an area, give it with --area "
       "FILE\n"},
      {"csv with other columns and a blank row", "a.CSV", "name,lat,lon\nA,45,10\n\nB,45.045, 10 \nC,45.06,10.05\n",
       three, nullptr},
      {"csv, semicolons, quoted header, CR LF, BOM", "b.csv",
       "\xEF\xBB\xBF\"Longitude\";\"LATITUDE\";\"note\"\r\n10;45;\"a;b\"\r\n10;45.045;\"say \"\"x\"\"\"\r\n"
       "10.05;\"45.06\";\"two\nlines\"\r\n",
       three, nullptr},
      {"csv lng and latitude", "c.csv", "latitude,lng\n45,10\n45.045,10\n45.06,10.05", three, nullptr},
      {"plain text", "route.txt", "45 10\n45.045 10\n45.06 10.05\n", three, nullptr},
      {"kml path and points from another tool", "a.kml",
       kmlHead + kmlPoint("1,1") +
           "<Placemark><LineString><coordinates>10,45 10,45.045 10.05,45.06</coordinates>"
           "</LineString></Placemark>" +
           kmlPoint("2,2") + kmlTail,
       three, "warning: a.kml: only its path is used; left out: 2 points\n"},
      {"geojson path and a point", "a.geojson",
       "{\"type\":\"FeatureCollection\",\"features\":["
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":[1,1]},\"properties\":{\"kind\":\"x\"}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,45.045],[10.05,45.06]]"
       "}}]}",
       three, "warning: a.geojson: only its path is used; left out: 1 point\n"},
      {"geojson starting on the equator",
       "a.json",
       "{\"type\":\"LineString\",\"coordinates\":[[10,0],[10,-0.0]]}",
       {{0, 10}, {0, 10}},
       "warning: waypoint 2: repeats the waypoint before it: a leg of length 0\n"},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom(c.name, c.content);
    EXPECT_EQ(o.status, 0) << c.label << ": " << o.output << o.errors;
    EXPECT_EQ(o.route, c.expected) << c.label;
    EXPECT_EQ(o.output, "") << c.label;
    EXPECT_EQ(o.errors, c.warning != nullptr ? c.warning : "") << c.label;
  }
}

struct badCase {
  std::string name;
  std::string content;
  std::string message;  // the one line on standard output
  std::string reason;   // standard error, empty for none
};

TEST(RouteImport, FilesThatGiveNoSingleRouteAreRefusedWithWhatWasFound) {
  const std::string twoPaths =
      kmlHead +
      "<Placemark><LineString><coordinates>10,45 10,46</coordinates></LineString></Placemark>"
      "<Placemark><MultiGeometry><LineString><coordinates>10,45 10,46</coordinates></LineString>"
      "<LineString><coordinates>11,45 11,46</coordinates></LineString></MultiGeometry></Placemark>" +
      kmlTail;
  const std::vector<badCase> cases = {
      {"r.kml", twoPaths, "r.kml holds 2 paths; pick one with --path N or --path NAME, or keep one in the file\n",
       "path 1 (no name): 2 positions (the same as path 2)\npath 3 (no name): 2 positions"},
      {"r.kml", kmlHead + kmlTail, "r.kml holds no path and no points\n", ""},
      {"r.kml", kmlHead + "<Placemark><LineString><coordinates>10,45</coordinates></Placemark>" + kmlTail,
       "r.kml is not well-formed XML: Start-end tags mismatch at line 3\n", ""},
      {"r.gpx", gpxHead + rte + "<rte><rtept lat=\"1\" lon=\"1\"/></rte></gpx>",
       "r.gpx holds 2 routes; pick one with --path N or --path NAME, or keep one in the file\n",
       "route 1 (no name): 2 positions\nroute 2 (no name): 1 position"},
      {"r.gpx", gpxHead + "<trk/><trk/></gpx>",
       "r.gpx holds no route, track or waypoints, only 2 trks without points\n", ""},
      {"r.gpx", gpxHead + "<metadata/></gpx>", "r.gpx holds no route, track or waypoints\n", ""},
      {"r.json", "{\"type\": \"LineString\",\n \"coordinates\": [[10, 45],]}",
       "r.json is not valid JSON: parse error at line 2, column 27: syntax error while parsing value - "
       "unexpected ']'; expected '[', '{', or a literal\n",
       ""},
      {"r.json", "{\"features\": []}", "r.json is JSON but not GeoJSON: it has no \"type\"\n", ""},
      // No GeoJSON nests so deep; a document held to a depth is freed without taking memory.
      {"r.json", "{\"type\":\"LineString\",\"coordinates\":" + std::string(200, '[') + std::string(200, ']') + "}",
       "r.json nests lists and objects more than 128 deep, deeper than any GeoJSON\n", ""},
      {"r.json",
       "{\"type\":\"FeatureCollection\",\"features\":["
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,46]]}},"
       "{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,47]]}}]}",
       "r.json holds 2 paths; pick one with --path N or --path NAME, or keep one in the file\n",
       "path 1 (no name): 2 positions\npath 2 (no name): 2 positions"},
      {"r.json", "{\"type\":\"Polygon\",\"coordinates\":[]}",
       "r.json holds no path and no points, only Polygon; to survey an area, give it with --area FILE\n", ""},
      // A NUL in what is quoted from the file does not cut the message short, and reaches
      // the terminal as an escape.
      {"r.json", "{\"type\":\"Poly\\u0000gon\",\"coordinates\":[]}",
       "r.json holds no path and no points, only Poly\\x00gon\n", ""},
      {"r.csv", "x,y\n45,10\n",
       "r.csv needs a header row naming its latitude and longitude columns, such as \"lat,lon\" "
       "(lat or latitude; lon, lng, long or longitude)\n",
       ""},
      {"r.csv", "lat,lon\n45,10\n\"46,10\n", "r.csv has a quoted field opened on line 3 that is never closed\n", ""},
      {"r.csv", "lat,lon\n", "list is empty\n", ""},
      // Hemisphere columns that cannot be told apart: read without them, a route could be
      // planned in the wrong hemisphere.
      {"r.csv", "hemisphere,lat,lon\nS,57.7,11.9\n",
       "r.csv has a hemisphere column \"hemisphere\" that follows neither the latitude nor the longitude column: "
       "put it right after the coordinate it belongs to, or name it N/S or E/W\n",
       ""},
      {"r.csv", "lat,N/S,lon,E/W,lat_dir\n57.7,S,11.9,W,S\n",
       "r.csv has two hemisphere columns for the latitude, \"N/S\" and \"lat_dir\"; keep one\n", ""},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom(c.name, c.content);
    EXPECT_EQ(o.status, 1) << c.message;
    EXPECT_EQ(o.output, c.message);
    EXPECT_EQ(o.errors, c.reason.empty() ? "" : c.reason + "\n") << c.message;
  }
}

TEST(RouteImport, EveryPositionPassesTheChecksOfATextLineNamingTheWaypoint) {
  const std::vector<badCase> cases = {
      {"r.kml", kmlPath("10,45\n 10,91 10,46"), "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 4): \"10,91\": latitude 91 is outside -90..90"},
      {"r.kml", kmlPath("10,45 10"), "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 3): \"10\": a position is longitude,latitude or longitude,latitude,altitude"},
      {"r.kml", kmlPath("10,45 10,46,high"), "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 3): \"10,46,high\": the altitude is not a number"},
      {"r.kml", kmlHead + kmlPoint("10,45 11,45") + kmlTail, "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 3): \"11,45\": a point holds more than one position"},
      {"r.gpx", gpxHead + "<rte><rtept lat=\"45\" lon=\"10\"/>\n<rtept lat=\"46\"/></rte></gpx>",
       "invalid waypoint 2 of r.gpx\n", "waypoint 2 (line 4): \"lat=\"46\" lon=\"\"\": no lon attribute"},
      {"r.gpx", gpxHead + "<wpt lat=\"45\" lon=\"180.5\"/></gpx>", "invalid waypoint 1 of r.gpx\n",
       "waypoint 1 (line 3): \"lat=\"45\" lon=\"180.5\"\": longitude 180.5 is outside -180..180"},
      {"r.gpx", gpxHead + "<wpt lat=\"45,5\" lon=\"10\"/></gpx>", "invalid waypoint 1 of r.gpx\n",
       "waypoint 1 (line 3): \"lat=\"45,5\" lon=\"10\"\": a decimal comma; write 45.5"},
      {"r.json", "{\"type\":\"MultiPoint\",\"coordinates\":[[10,45],[\"10\",46]]}", "invalid waypoint 2 of r.json\n",
       "waypoint 2: \"[\"10\",46]\": a position is [longitude, latitude] or [longitude, latitude, altitude]"},
      {"r.json", "{\"type\":\"Point\",\"coordinates\":[10,-90.5]}", "invalid waypoint 1 of r.json\n",
       "waypoint 1: \"[10,-90.5]\": latitude -90.5 is outside -90..90"},
      {"r.csv", "lat;lon\n45;10\n45,5;10\n", "invalid waypoint on line 3 of r.csv\n",
       "line 3: \"45,5;10\": a decimal comma; write 45.5"},
      {"r.kml", kmlPath("10,45 10.5;46"), "invalid waypoint 2 of r.kml\n",
       "waypoint 2 (line 3): \"10.5;46\": a position is longitude,latitude or longitude,latitude,altitude"},
      {"r.csv", "lon,lat\n10,45\n11\n", "invalid waypoint on line 3 of r.csv\n",
       "line 3: \"11\": the row has no latitude column"},
      {"r.csv", "lat,lon\n45,10\n\"a\nb\",10\nnan,10\n", "invalid waypoint on line 3 of r.csv\n",
       "line 3: \"a\\nb,10\": the latitude is not a number"},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom(c.name, c.content);
    EXPECT_EQ(o.status, 1) << c.reason;
    EXPECT_EQ(o.output, c.message) << c.reason;
    EXPECT_EQ(o.errors, c.reason + "\n");
  }
  // The boundaries themselves are positions the vehicle can be sent to.
  EXPECT_EQ(readFrom("r.json", "{\"type\":\"MultiPoint\",\"coordinates\":[[180,90],[-180,-90]]}").route,
            (points{{90, 180}, {-90, -180}}));
}

TEST(RouteImport, TextLinesAreReadStrictlyWithTheReasonOnStandardError) {
  struct lineCase {
    std::string content;
    long long line;      // 0: accepted
    std::string reason;  // after "line N: "
  };
  const std::vector<lineCase> cases = {
      {"45 10W\n", 1,
       "\"45 10W\": the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), each letter "
       "after its numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2"},
      // The slips of spreadsheets and tools set to other languages, with the way to write them.
      {"45 10\n45 10,5\n", 2, "\"45 10,5\": a decimal comma; write 10.5"},
      {"45,5 10,25\n", 1, "\"45,5 10,25\": a decimal comma; write 45.5"},
      {"45;10\n", 1,
       "\"45;10\": the latitude and the longitude are separated by \";\"; write 45 10, with a blank between them"},
      {"45,5;10,25\n", 1,
       "\"45,5;10,25\": the latitude and the longitude are separated by \";\"; write 45.5 10.25, with a blank between "
       "them"},
      {"45\t;\t-10.5 # a\n", 1,
       "\"45\\t;\\t-10.5 # a\": the latitude and the longitude are separated by \";\"; write 45 -10.5, with a blank "
       "between them"},
      {"45,5,10,25\n", 1,
       "\"45,5,10,25\": commas between the numbers, perhaps decimal commas too; write the latitude and the longitude "
       "with decimal points and a blank between them, as in 45.5 10.25"},
      {"Latitude Longitude\n45 10\n", 1,
       "\"Latitude Longitude\": a header line? a plain text route has none: delete it, or start it with # to keep it"},
      {"# route\n\nlat;lon\n45 10\n", 3,
       "\"lat;lon\": a header line? a plain text route has none: delete it, or start it with # to keep it"},
      {"45 10\nx y\n", 2, "\"x y\": not a number"},
      {"45-10\n", 1, "\"45-10\": the latitude must be followed by a blank or the end of the line"},
      {"45 10.002,comment\n", 1,
       "\"45 10.002,comment\": the longitude must be followed by a blank or the end of the line"},
      {"45,10\n", 1,
       "\"45,10\": the latitude and the longitude are separated by \",\"; write 45 10, with a blank between them"},
      {"46\n", 1, "\"46\": the longitude is missing"},
      {"45 east\n", 1, "\"45 east\": the longitude is not a number"},
      {std::string("45 1\0x\n", 7), 1,
       "\"45 1\\x00x\": the longitude must be followed by a blank or the end of the line"},
      {"nan 10\n", 1, "\"nan 10\": the latitude is not a finite number"},
      {"45 1e999\n", 1, "\"45 1e999\": the longitude is not a finite number"},
      {"45 10\n91 10\n", 2, "latitude 91 is outside -90..90"},
      {"90.0000001 10\n", 1, "latitude 90.0000001 is outside -90..90"},
      {"-90.0000001 10\n", 1, "latitude -90.0000001 is outside -90..90"},
      {"45 180.0000001\n", 1, "longitude 180.0000001 is outside -180..180"},
      {"45 -180.0000001\n", 1, "longitude -180.0000001 is outside -180..180"},
      // A byte order mark counts only at the very start of the file.
      {"45 10\n\xEF\xBB\xBF"
       "46 10\n",
       2,
       "\"\xEF\xBB\xBF"
       "46 10\": not a number"},
      // CR LF is one line end, a lone CR another.
      {"45 10\r\n\r\n45.1 10\rx\r", 4, "\"x\": not a number"},
      {"\xEF\xBB\xBF# route\n  # drawn by hand\n\n90 180 north-east corner\n-90 -180\t# south-west\n", 0, ""},
      {"45 10\r45.045 10\r", 0, ""},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom("r.txt", c.content);
    if (c.line == 0) {
      EXPECT_EQ(o.status, 0) << c.content << o.output << o.errors;
      EXPECT_EQ(o.errors, "") << c.content;
      continue;
    }
    EXPECT_EQ(o.status, 1) << c.content;
    EXPECT_EQ(o.output, "invalid waypoint on line " + std::to_string(c.line) + " of r.txt\n") << c.content;
    EXPECT_EQ(o.errors, "line " + std::to_string(c.line) + ": " + c.reason + "\n") << c.content;
  }
  EXPECT_EQ(readFrom("r.txt", "90 180\n-90 -180\n").route, (points{{90, 180}, {-90, -180}}));
  EXPECT_EQ(readFrom("r.txt", "45 10\r45.045 10\r\n46 10").route, (points{{45, 10}, {45.045, 10}, {46, 10}}));
}

// Positions copied from charts: each form with the doubles it gives, each refusal with the
// reason that shows how to write it, and lines without letters read as they always were.
TEST(RouteImport, PositionsWithHemisphereLettersGiveTheirDoublesOrHowToWriteThem) {
  const double lat = 45 + 30.5 / 60;
  const double lon = 10 + 15.2 / 60;
  struct positionCase {
    std::string name;
    std::string content;
    double lat, lon;     // when accepted
    std::string reason;  // empty: accepted
  };
  const std::string letters =
      "the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), each letter after its "
      "numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2";
  const std::string sign =
      "a coordinate takes a sign or a hemisphere letter, not both, as in 33.86 S 151.21 E or -33.86 151.21";
  const std::string sixty = "minutes and seconds must be less than 60, as in 45 59.5 N";
  const std::vector<positionCase> cases = {
      {"r.txt", "45 30.5 N 10 15.2 E", lat, lon, ""},
      {"r.txt",
       "45\xC2\xB0"
       "30.5'N 10\xC2\xB0"
       "15.2'E",
       lat, lon, ""},
      {"r.txt", "N45 30.5 E010 15.2", lat, lon, ""},
      {"r.txt", "45:30:30N 10:15:12E", 45 + 30.5 / 60, 10 + 15.2 / 60, ""},
      {"r.txt", "12 30.5 S 77 10.2 W", -(12 + 30.5 / 60), -(77 + 10.2 / 60), ""},
      // Written either way, the same position is the same double.
      {"r.txt", "33.86S 151.21E", -33.86, 151.21, ""},
      {"r.txt", "10 15 e 45 30 n", 45.5, 10.25, ""},
      {"r.txt", "45 30 N\t10 15 E start of box", 45.5, 10.25, ""},
      {"r.txt",
       "45\xC2\xB0"
       "30\xE2\x80\xB2"
       "36\xE2\x80\xB3N 10\xC2\xB0"
       "15\xE2\x80\xB2"
       "36\xE2\x80\xB3"
       "E",
       45.51, 10.26, ""},
      {"r.txt", "45d30'36\"N 10d15'36\"E", 45.51, 10.26, ""},
      {"r.txt", "90 N 180 W", 90, -180, ""},
      {"r.csv", "lat,lon\n45 30 N,10 15 E\n", 45.5, 10.25, ""},
      {"r.csv", "lat;lon\n33.86S;151.21E\n", -33.86, 151.21, ""},
      // No letters: the plain rules, an exponent or a hexadecimal number included.
      {"r.txt", "45 10 start of box", 45, 10, ""},
      {"r.txt", "4.5e1 0x1E", 45, 30, ""},
      // Refused.
      {"r.txt", "45 10 W", 0, 0, letters},
      {"r.txt", "33.86 151.21 S E", 0, 0, letters},
      {"r.txt", "45 N 10 N", 0, 0, letters},
      {"r.txt", "45 10 heading W", 0, 0, letters},
      {"r.txt", "45 30 N 10 15 E 7", 0, 0, letters},
      {"r.txt", "N45 30 10 15 E", 0, 0, letters},
      {"r.txt", "-33.86 S 151.21 E", 0, 0, sign},
      {"r.txt", "33.86 S +151.21 E", 0, 0, sign},
      {"r.txt", "45 60 N 10 E", 0, 0, sixty},
      {"r.txt", "45 30 60 N 10 E", 0, 0, sixty},
      {"r.txt", "45:30:60N 10E", 0, 0, sixty},
      // Colon forms mixed with marks or of more than three parts: once, the reader crashed.
      {"r.txt", "45:33:30N 10:17:1\"10:17:12E", 0, 0,
       "\"10:17:1\"10:17:12E\" is not degrees, minutes and seconds, as in 45:30:30N"},
      {"r.txt", "45:30:30N 1:1:1:1:1:1E", 0, 0,
       "\"1:1:1:1:1:1E\" is not degrees, minutes and seconds, as in 45:30:30N"},
      {"r.txt", "45 30 30 30 N 10 E", 0, 0, "a coordinate is at most degrees, minutes and seconds, as in 45 30 30 N"},
      {"r.txt", "45:30 15 N 10 E", 0, 0,
       "the degrees, minutes and seconds of a coordinate are either separate numbers, as in 45 30 30 N, or one word, "
       "as in 45:30:30N or 45\xC2\xB0"
       "30'30\"N"},
      {"r.txt", "45.5d30'N 10E", 0, 0,
       "not degrees, minutes and seconds (Decimal point in non-terminal component of 45.5d30'), as in 45 30.5 N or "
       "45\xC2\xB0"
       "30.5'N"},
      {"r.txt", "91 N 10 E", 0, 0, "latitude 91 is outside -90..90"},
      {"r.csv", "lat,lon\n45 30 N,10\n", 0, 0,
       "write a hemisphere letter with both the latitude and the longitude, or with neither"},
      {"r.csv", "lat,lon\n10 E,45 N\n", 0, 0,
       "the latitude: a latitude is marked N or S and a longitude E or W, as in 45 30.5 N and 10 15.2 E"},
      // A GPS logger's hemisphere columns sign their coordinates, as letters in the cells would.
      {"r.csv", "INDEX,LATITUDE,N/S,LONGITUDE,E/W\n1,57.7,S,11.9,W\n", -57.7, -11.9, ""},
      {"r.csv", "lat;Lat Hemisphere;lon;lon_hemisphere\n33 51.6;s;151 12.6;e\n", -(33 + 51.6 / 60), 151 + 12.6 / 60,
       ""},
      {"r.csv", "Lat,Hemisphere,Lon,Hemisphere\n45 30 30,N,10,W\n", 45 + 30.5 / 60, -10, ""},
      {"r.csv", "GPSLatitudeRef,GPSLatitude,lat,lon,GPSLongitudeRef\nS,x,12,77,E\n", -12, 77, ""},
      {"r.csv", "lat,N/S,lon,E/W\n-57.7,S,11.9,W\n", 0, 0, "the latitude: " + sign},
      {"r.csv", "lat,N/S,lon,E/W\n57.7,S,+11.9,W\n", 0, 0, "the longitude: " + sign},
      {"r.csv", "lat,N/S,lon,E/W\n57.7,E,11.9,W\n", 0, 0,
       "the latitude's hemisphere column \"N/S\" holds \"E\": give N or S"},
      {"r.csv", "lat,N/S,lon,E/W\n57.7,S,11.9,West\n", 0, 0,
       "the longitude's hemisphere column \"E/W\" holds \"West\": give E or W"},
      {"r.csv", "lat,N/S,lon,E/W\n57.7,S,11.9,\n", 0, 0,
       "the longitude's hemisphere column \"E/W\" holds nothing: give E or W"},
      {"r.csv", "lat,N/S,lon,E/W\n57.7 S,S,11.9,W\n", 0, 0,
       "the latitude has a hemisphere letter of its own and one in the column \"N/S\": give it in one place"},
      {"r.csv", "lat;N/S;lon;E/W\n57,7;S;11.9;W\n", 0, 0, "a decimal comma; write 57.7"},
      {"r.csv", "lat,N/S,lon\n57.7,S,11.9\n", 0, 0,
       "write a hemisphere letter with both the latitude and the longitude, or with neither"},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom(c.name, c.content + "\n");
    if (c.reason.empty()) {
      ASSERT_EQ(o.status, 0) << c.content << ": " << o.errors;
      ASSERT_EQ(o.route.size(), 1u) << c.content;
      EXPECT_EQ(o.route[0].first, c.lat) << c.content;
      EXPECT_EQ(o.route[0].second, c.lon) << c.content;
      EXPECT_EQ(o.errors, "") << c.content;
      continue;
    }
    const std::string line = c.name == "r.csv" ? "2" : "1";
    EXPECT_EQ(o.status, 1) << c.content;
    EXPECT_EQ(o.output, "invalid waypoint on line " + line + " of " + c.name + "\n") << c.content;
    EXPECT_NE(o.errors.find(": " + c.reason + "\n"), std::string::npos) << c.content << ": " << o.errors;
  }
}

// A latitude means exactly the double the C library reads from its text, however it is
// written: the fast reading of plain decimals and the C library's must never part.
TEST(RouteImport, ANumberMeansWhatTheCLibraryReadsFromIt) {
  std::vector<std::string> texts = {"45",
                                    "-45",
                                    "+45",
                                    "45.",
                                    ".5",
                                    "-.5",
                                    "0.1",
                                    "-0",
                                    "0x2D",
                                    "0x1.8p4",
                                    "4.5e1",
                                    "4.5E+1",
                                    "450e-1",
                                    "44.999999999999996447286321199499070644378662109375",
                                    "45.00000000000000355271367880050092935562133789062",
                                    "1.00000000000000011102230246251565404236316680908203125",
                                    "0.1000000000000000055511151231257827",
                                    "4e-320",
                                    "-4.9406564584124654e-324",
                                    "2.4703282292062327e-324",
                                    "1e-400",
                                    "00000000000000000000045",
                                    "45.000000000000000000000000000000000000000000000001",
                                    "1e",
                                    "1e+",
                                    "-",
                                    ".",
                                    "--1",
                                    "+-1",
                                    "0x",
                                    "45e0x"};
  // Random decimals of up to 25 digits, the point anywhere, some with an exponent.
  std::mt19937 random(20261209);
  for (int i = 0; i < 3000; ++i) {
    std::string digits;
    const int count = 1 + static_cast<int>(random() % 25);
    for (int d = 0; d < count; ++d) digits += static_cast<char>('0' + random() % 10);
    digits.insert(random() % (digits.size() + 1), ".");
    if (random() % 3 == 0) digits += "e-" + std::to_string(random() % 30);
    texts.push_back((random() % 2 ? "-" : "") + digits);
  }
  for (const std::string& text : texts) {
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    const bool whole = !text.empty() && *end == '\0';
    const outcome o = readFrom("r.txt", text + " 10\n");
    if (whole && std::isfinite(expected) && std::fabs(expected) <= 90 && expected != 0) {
      ASSERT_EQ(o.route.size(), 1u) << text << o.errors;
      EXPECT_EQ(std::memcmp(&o.route[0].first, &expected, sizeof expected), 0) << text;
    } else if (!whole) {
      EXPECT_EQ(o.status, 1) << text;
    }
  }
}

TEST(RouteImport, SlipsThatDoNotStopTheRunAreWarnedAbout) {
  outcome o = readFrom("r.txt", "45 10 45.045 10\n45.045 10 note 2\n45.045 10\n");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.route.size(), 3u);
  EXPECT_EQ(o.errors,
            "warning: line 1: \"45 10 45.045 10\": only the first two numbers are used\n"
            "warning: line 3: repeats the waypoint before it: a leg of length 0\n");
  // A long run of slips is told in a few lines.
  std::string repeated;
  for (int i = 0; i < 8; ++i) repeated += "<rtept lat=\"45\" lon=\"10\"/>";
  o = readFrom("r.gpx", gpxHead + "<rte>" + repeated + "</rte></gpx>");
  EXPECT_EQ(o.route.size(), 8u);
  EXPECT_EQ(std::count(o.errors.begin(), o.errors.end(), '\n'), 6) << o.errors;
  EXPECT_NE(o.errors.find("warning: waypoint 2 (line 3): repeats the waypoint before it"), std::string::npos);
  EXPECT_NE(o.errors.find("warning: 2 more like these in r.gpx\n"), std::string::npos);
}

// ---- KMZ and UTF-16: route files as other tools save them ----

// Patches the size an archive's entries claim once inflated, in their local headers and in
// the archive's list of contents, as a hostile or broken tool might write it.
std::string withClaimedSize(std::string zip, uint32_t size) {
  const auto patch = [&](const std::string& signature, size_t offset) {
    for (size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 4)) {
      for (int k = 0; k < 4; ++k) zip[at + offset + k] = static_cast<char>(size >> (8 * k) & 0xFF);
    }
  };
  patch(std::string("PK\x03\x04", 4), 22);
  patch(std::string("PK\x01\x02", 4), 24);
  return zip;
}

TEST(RouteImport, KmzAndUtf16FilesGiveTheirRouteOrWhatWasFound) {
  const points two = {{45, 10}, {45.045, 10}};
  const std::string kml = kmlPath("10,45 10,45.045");
  const std::string good = zipOf({{"doc.kml", kml}});
  std::string damaged = good;
  damaged[damaged.find("doc.kml") + 12] ^= 0x55;  // inside the deflated bytes
  struct fileCase {
    const char* label;
    std::string name;
    std::string content;
    points route;         // empty: refused
    std::string message;  // standard output when refused
  };
  const std::vector<fileCase> cases = {
      {"kmz of doc.kml", "r.kmz", good, two, ""},
      {"kmz told from its content", "route", good, two, ""},
      {"kmz, doc.kml after another kml and images", "r.kmz",
       zipOf({{"files/a.png", "png"}, {"other.kml", kmlPath("11,45 11,46")}, {"doc.kml", kml}}), two, ""},
      {"kmz, the first top-level kml, stored", "r.kmz",
       zipOf({{"files/doc.kml", kmlPath("11,45 11,46")}, {"Route.KML", kml, 0}, {"b.kml", kmlPath("12,45 12,46")}}),
       two, ""},
      {"kmz holding UTF-16 kml", "r.kmz", zipOf({{"doc.kml", utf16Of(kml, true)}}), two, ""},
      {"kmz without kml",
       "r.kmz",
       zipOf({{"files/doc.kml", kml}, {"image.png", "png"}}),
       {},
       "r.kmz is a zip file without a KML document at its top level; it holds files/doc.kml, image.png\n"},
      {"empty zip", "r.kmz", zipOf({}), {}, "r.kmz is a zip file without a KML document: it is empty\n"},
      {"kmz of a text route",
       "r.kmz",
       zipOf({{"doc.kml", "45 10\n45.045 10\n"}}),
       {},
       "r.kmz holds doc.kml, which is not a KML document\n"},
      {"encrypted kmz",
       "r.kmz",
       zipOf({{"doc.kml", kml, Z_DEFLATED, "secret"}}),
       {},
       "r.kmz holds doc.kml encrypted; save it again without a password\n"},
      {"damaged deflate data", "r.kmz", damaged, {}, ""},
      {"cut short",
       "r.kmz",
       good.substr(0, good.size() / 2),
       {},
       "r.kmz is a damaged zip file: its list of contents cannot be read\n"},
      // Every format in UTF-16 LE and BE plans the same mission: see below.
      {"utf-16 le kml declaring UTF-16", "r.kml",
       utf16Of("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + kml.substr(kml.find('\n')), true), two, ""},
      {"utf-16 without a mark",
       "r.txt",
       utf16Of("45 10\n45.045 10\n", true).substr(2),
       {},
       "r.txt looks like UTF-16 text without a byte order mark (every other byte is NUL); save it as UTF-8, or as "
       "UTF-16 with a byte order mark\n"},
      {"utf-16 big endian without a mark",
       "r.csv",
       utf16Of("lat,lon\n45,10\n", false).substr(2),
       {},
       "r.csv looks like UTF-16 text without a byte order mark (every other byte is NUL); save it as UTF-8, or as "
       "UTF-16 with a byte order mark\n"},
      {"unpaired surrogate",
       "r.txt",
       utf16Of("45 10\n\r\n45.045 10 # ", true) + std::string("\x00\xD8\x20\x00", 4),
       {},
       "r.txt is UTF-16 text with an unpaired surrogate on line 3\n"},
      {"lone low surrogate",
       "r.txt",
       utf16Of("45 10\n", false) + std::string("\xDC\x00", 2),
       {},
       "r.txt is UTF-16 text with an unpaired surrogate on line 2\n"},
      {"half a character",
       "r.txt",
       utf16Of("45 10\n", true) + "4",
       {},
       "r.txt is UTF-16 text that ends in the middle of a character\n"},
      {"utf-32",
       "r.txt",
       std::string("\xFF\xFE\0\0", 4) + std::string("4\0\0\0", 4),
       {},
       "r.txt is UTF-32 text; save it as UTF-8 or UTF-16\n"},
  };
  for (const auto& c : cases) {
    const outcome o = readFrom(c.name, c.content);
    EXPECT_EQ(o.route, c.route) << c.label << ": " << o.output << o.errors;
    EXPECT_EQ(o.status, c.route.empty() ? 1 : 0) << c.label;
    if (!c.message.empty()) {
      EXPECT_EQ(o.output, c.message) << c.label;
    }
  }
  EXPECT_EQ(readFrom("r.kmz", damaged).output.rfind("r.kmz is a damaged zip file: the entry doc.kml ", 0), 0u);
  // A bad line of a UTF-16 file is named by its line in the file, and quoted as UTF-8.
  const outcome bad = readFrom("r.txt", utf16Of(u"# \u0394\r\n45 10\r\n\r\n45 10,5 \u0394\U0001D11E\r\n", true));
  EXPECT_EQ(bad.output, "invalid waypoint on line 4 of r.txt\n");
  EXPECT_EQ(bad.errors, "line 4: \"45 10,5 \xCE\x94\xF0\x9D\x84\x9E\": a decimal comma; write 10.5\n");
  const outcome badKml = readFrom("r.kml", utf16Of(kmlPath("10,45\n10,95"), false));
  EXPECT_EQ(badKml.errors, "waypoint 2 (line 4): \"10,95\": latitude 95 is outside -90..90\n");
}

// An entry is inflated with a running count against the limit: neither its claimed size
// nor its real one can take more memory than the limit.
TEST(RouteImport, AKmzEntryThatInflatesBeyondTheLimitIsRefused) {
  const std::string kml = kmlPath("10,45 10,45.045") + std::string(200000, ' ');
  for (const int method : {Z_DEFLATED, 0}) {
    const std::string zip = zipOf({{"doc.kml", kml, method}});
    EXPECT_EQ(kmlOfKmz(zip, kml.size()).kml, kml);
    const std::string beyond = "holds doc.kml, which inflates beyond the limit of ";
    EXPECT_EQ(kmlOfKmz(zip, kml.size() - 1).problem.rfind(beyond, 0), 0u) << method;
    const kmzDocument lying = kmlOfKmz(withClaimedSize(zip, 1000), 100000);
    EXPECT_EQ(lying.problem.rfind(beyond, 0), 0u) << method << ": " << lying.problem;
    EXPECT_EQ(lying.kml, "");
    // An entry shorter than it claims fails its check.
    EXPECT_EQ(kmlOfKmz(withClaimedSize(zip, 300000), 400000).problem,
              "is a damaged zip file: the entry doc.kml fails its check")
        << method;
  }
}

// The files a planned route gives, as one text.
std::string plannedFiles() {
  planRoute();
  const std::string text = missionText("m.cfg", false) + waypointRecords() + surLineRecords("m.pts");
  destroyList();
  resetSettings();
  return text;
}

TEST(RouteImport, TheSameRouteInEveryFormatPlansIntoTheSameMission) {
  // Digits beyond what a double holds, an exponent, a sign and a long leg that is split.
  const std::vector<std::pair<std::string, std::string>> pts = {
      {"44.123456789012345678", "-10.98765432109876543"}, {"4.4123e1", "-10.8"}, {"+44.2", "-1.1e1"}};
  std::string text;
  std::string kml;
  std::string gpx;
  std::string json;
  std::string csv = "lat,lon\n";
  for (const auto& [lat, lon] : pts) {
    text += lat + " " + lon + "\n";
    kml += lon + "," + lat + " ";
    gpx += "<rtept lat=\"" + lat + "\" lon=\"" + lon + "\"/>";
    json += std::string(json.empty() ? "" : ",") + "[" + lon + "," + (lat[0] == '+' ? lat.substr(1) : lat) + "]";
    csv += lat + "," + lon + "\n";
  }
  const std::vector<std::pair<std::string, std::string>> files = {
      {"r.txt", text},
      {"r.kml", kmlPath(kml)},
      {"r.gpx", gpxHead + "<rte>" + gpx + "</rte></gpx>"},
      {"r.geojson", "{\"type\":\"LineString\",\"coordinates\":[" + json + "]}"},
      {"r.csv", csv}};
  std::vector<std::pair<std::string, std::string>> saved = files;
  for (const auto& [name, content] : files) {
    saved.emplace_back(name, utf16Of(content, true));
    saved.emplace_back(name, utf16Of(content, false));
  }
  saved.emplace_back("r.kmz", zipOf({{"doc.kml", files[1].second}}));
  saved.emplace_back("r.kmz", zipOf({{"doc.kml", utf16Of(files[1].second, false)}}));
  std::string first;
  for (const auto& [name, content] : saved) {
    destroyList();
    resetSettings();
    readRoute(content, name);
    const std::string planned = plannedFiles();
    if (first.empty()) {
      first = planned;
      ASSERT_NE(first.find("44.1234568"), std::string::npos);
    } else {
      EXPECT_EQ(planned, first) << name;
    }
  }
}

// The whole of a waypoint file as the program reads it, or its message and status 1.
std::pair<int, std::string> fileRead(const std::string& name) {
  testing::internal::CaptureStdout();
  try {
    const std::string content = readRouteFile(name);
    testing::internal::GetCapturedStdout();
    return {0, content};
  } catch (const runEnd& end) {
    return {end.status, testing::internal::GetCapturedStdout()};
  }
}

TEST(RouteImport, AWaypointFileIsReadWholeWhateverItsSize) {
  const fs::path folder = fs::temp_directory_path() / ("vesk_read_" + platform::uniqueTag());
  fs::create_directory(folder);
  // Sizes around the pieces a file of unknown size is read in, with every byte value.
  for (const size_t size : {size_t{0}, size_t{1}, size_t{65535}, size_t{65536}, size_t{65537}, size_t{300001}}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) content[i] = static_cast<char>(i * 7 % 256);
    const std::string name = (folder / ("r" + std::to_string(size) + ".txt")).string();
    std::ofstream(name, std::ios::binary) << content;
    EXPECT_TRUE(fileRead(name) == std::make_pair(0, content)) << size;
  }
  const std::string missing = (folder / "missing.txt").string();
  EXPECT_EQ(fileRead(missing), std::make_pair(1, "cannot open file " + missing + " "));
  EXPECT_EQ(fileRead(folder.string()), std::make_pair(1, "cannot open file " + folder.string() + " "));
#if !defined(_WIN32)
  // A pipe has no size to read it by: it is read in pieces to its end.
  const std::string pipe = (folder / "pipe").string();
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string route = std::string(200000, '#') + "\n45 10\n";
  std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << route; });
  const auto read = fileRead(pipe);
  writer.join();
  EXPECT_TRUE(read == std::make_pair(0, route));
#endif
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
