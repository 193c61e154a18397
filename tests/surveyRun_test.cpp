// Survey areas end to end: the area files the program takes and refuses, the survey
// options, the route it lays out planned as any route file's, and the picture of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "calcs.h"
#include "runVesk.h"
#include "support/documentForms.h"

namespace {

// A concave area (an L) of about 1.1 km by 1.1 km with a square hole, as each format writes it.
const char* const kmlWithHole = R"(<?xml version="1.0"?>
<kml xmlns="http://www.opengis.net/kml/2.2"><Document><Placemark><Polygon>
<outerBoundaryIs><LinearRing><coordinates>
10.000,45.000 10.014,45.000 10.014,45.005 10.007,45.005
10.007,45.010 10.000,45.010 10.000,45.000
</coordinates></LinearRing></outerBoundaryIs>
<innerBoundaryIs><LinearRing><coordinates>
10.002,45.002 10.002,45.003 10.003,45.003 10.003,45.002 10.002,45.002
</coordinates></LinearRing></innerBoundaryIs>
</Polygon></Placemark></Document></kml>
)";

const char* const geoJsonPolygon =
    R"({"type":"Polygon","coordinates":[[[10,45],[10.014,45],[10.014,45.005],[10.007,45.005],)"
    R"([10.007,45.01],[10,45.01],[10,45]],[[10.002,45.002],[10.002,45.003],[10.003,45.003],[10.003,45.002]]]})";

const char* const textWithHole =
    "# the L, open\n45 10\n45 10.014\n45.005 10.014\n45.005 10.007\n45.01 10.007\n45.01 10\n"
    "hole  # around a wreck\n45.002 10.002\n45.003 10.002\n45.003 10.003\n45.002 10.003\n";

struct areaCase {
  const char* name;
  const char* file;
  std::string content;
  // Refused: what standard output holds and what the reason on standard error must hold.
  const char* output;
  const char* reason;
};

TEST(SurveyRun, AreaFilesAreReadOrRefusedWithThePlaceAndTheReason) {
  const std::vector<areaCase> cases = {
      {"KML with a hole", "a.kml", kmlWithHole, nullptr, nullptr},
      {"GeoJSON Polygon", "a.geojson", geoJsonPolygon, nullptr, nullptr},
      {"MultiPolygon of one part in a Feature", "a.json",
       R"({"type":"Feature","properties":{},"geometry":{"type":"MultiPolygon","coordinates":[[[[10,45],[10.01,45],[10.01,45.01],[10,45.01]]]]}})",
       nullptr, nullptr},
      {"text, closed", "a.txt", "45 10\n45 10.01\n45.01 10.01\n45.01 10\n45 10\n", nullptr, nullptr},
      {"text, open, with a hole", "a.txt", textWithHole, nullptr, nullptr},
      {"MultiPolygon of two parts", "a.geojson",
       R"({"type":"MultiPolygon","coordinates":[[[[10,45],[10.01,45],[10.01,45.01]]],[[[11,45],[11.01,45],[11.01,45.01]]]]})",
       "a.geojson holds 2 areas (polygons); keep one\n", nullptr},
      {"two Placemarks with polygons", "a.kml",
       "<kml><Placemark><Polygon/></Placemark><Placemark><Polygon/></Placemark></kml>",
       "a.kml holds 2 areas (Polygon); keep one\n", nullptr},
      {"a FeatureCollection of lines only", "a.geojson",
       R"({"type":"FeatureCollection","features":[{"type":"Feature","geometry":{"type":"LineString","coordinates":[[10,45],[10,46]]}}]})",
       "a.geojson holds no area (Polygon), only LineString\n", nullptr},
      {"GPX is no area", "a.gpx", "<gpx><rte/></gpx>",
       "a.gpx is XML but not KML: an area is read from KML, GeoJSON or plain text\n", nullptr},
      {"XML that breaks off", "a.kml", "<?xml version=\"1.0\"?>\n<kml><Polygon>\n<outerBoundaryIs",
       "a.kml is not well-formed XML: Error parsing start element tag at line 3\n", nullptr},
      {"too few vertices", "a.txt", "45 10\n45 10.01\n45 10\n", "invalid area in a.txt\n",
       "outer boundary has 2 distinct vertices; a boundary needs at least 3"},
      {"a hole of one vertex", "a.txt", "45 10\n45 10.01\n45.01 10.01\nhole\n45.001 10.005\n",
       "invalid area in a.txt\n", "inner boundary 1 has 1 distinct vertices"},
      {"self-intersecting", "a.txt", "# a lopsided bow tie\n45 10\n45 10.02\n45.01 10.005\n45.01 10.015\n",
       "invalid area in a.txt\n",
       "outer boundary crosses itself: the edge from vertex 2 to vertex 3 meets the edge from vertex 4 to vertex 1 "
       "(vertex 2 is on line 3)"},
      // A boundary given clockwise is turned to lay out the lines; its edges are still
      // named as the file gives them, the first in the file first.
      {"self-intersecting, given clockwise", "a.txt", "# a bow tie\n45 10\n45.01 10.015\n45.01 10.005\n45 10.02\n",
       "invalid area in a.txt\n",
       "outer boundary crosses itself: the edge from vertex 1 to vertex 2 meets the edge from vertex 3 to vertex 4 "
       "(vertex 1 is on line 2)"},
      {"a hole across the edge, both given the other way round", "a.txt",
       "45 10\n45.01 10\n45.01 10.01\n45 10.01\nhole\n45.004 10.008\n45.004 10.012\n45.006 10.012\n45.006 10.008\n",
       "invalid area in a.txt\n",
       "inner boundary 1 crosses the outer boundary: the edge from vertex 3 to vertex 4 meets the edge from vertex 3 "
       "to vertex 4 of the outer boundary"},
      {"self-intersecting KML, named by its line", "a.kml",
       "<kml><Polygon><outerBoundaryIs><LinearRing><coordinates>\n10,45\n10.02,45\n10.005,45.01\n10.015,45.01\n"
       "</coordinates></LinearRing></outerBoundaryIs></Polygon></kml>",
       "invalid area in a.kml\n", "meets the edge from vertex 4 to vertex 1 (vertex 2 is on line 3)"},
      {"wider than 200 km", "a.txt", "45 10\n45 13\n46 13\n46 10\n", "invalid area in a.txt\n",
       "an area may span at most 200.0 km"},
      {"a vertex that is no position", "a.txt", "45 10\n45 10.01\n91 10.01\n", "invalid vertex on line 3 of a.txt\n",
       "line 3: latitude 91 is outside -90..90"},
      {"a KML vertex without its latitude", "a.kml",
       "<kml><Polygon><outerBoundaryIs><LinearRing><coordinates>10,45 10.01 10,45.01"
       "</coordinates></LinearRing></outerBoundaryIs></Polygon></kml>",
       "invalid vertex 2 of the outer boundary of a.kml\n",
       "a position is longitude,latitude or longitude,latitude,altitude"},
      {"a hole before the boundary", "a.txt", "hole\n45 10\n",
       "a.txt starts an inner boundary (\"hole\") on line 1 "
       "before any vertex of the outer boundary\n",
       nullptr},
      {"a KMZ holding no KML document", "a.kmz", zipOf({{"doc.kml", "<gpx><rte/></gpx>"}}),
       "a.kmz holds doc.kml, which is not a KML document\n", nullptr},
      {"a UTF-16 vertex that is no position, named by its line", "a.txt",
       utf16Of("45 10\r\n45 10.01\r\n91 10.01\r\n", false), "invalid vertex on line 3 of a.txt\n",
       "line 3: latitude 91 is outside -90..90"},
  };
  for (const areaCase& c : cases) {
    TempDir dir;
    dir.write(c.file, c.content);
    const vesk_result r = runVesk({"--area", c.file, "--line-spacing", "100"}, acceptDefaults, dir.path());
    if (c.output == nullptr) {
      EXPECT_EQ(r.status, 0) << c.name << "\n" << r.output << r.errors;
      EXPECT_NE(r.errors.find(std::string("survey ") + c.file + ":\n  lines        "), std::string::npos)
          << c.name << "\n"
          << r.errors;
      EXPECT_EQ(dir.list().size(), 4u) << c.name;
      continue;
    }
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_EQ(r.output, c.output) << c.name << "\n" << r.errors;
    if (c.reason != nullptr) {
      EXPECT_NE(r.errors.find(c.reason), std::string::npos) << c.name << "\n" << r.errors;
    }
    EXPECT_EQ(dir.list(), std::vector<std::string>{c.file}) << c.name << ": nothing may be written";
  }
}

TEST(SurveyRun, SurveyOptionsThatCannotBeMeantStopTheRunBeforeAnyQuestion) {
  const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
      {{"--line-spacing", "0"}, "vesk: --line-spacing takes metres greater than 0, not '0'"},
      {{"--line-spacing", "ten"}, "vesk: --line-spacing takes metres greater than 0, not 'ten'"},
      {{"--swath-width", "-5"}, "vesk: --swath-width takes metres greater than 0, not '-5'"},
      {{"--line-spacing", "50", "--overlap", "100"},
       "vesk: --overlap takes a percentage from 0 up to, not including, 100"},
      {{"--line-spacing", "50", "--line-angle", "360"}, "vesk: --line-angle takes degrees true from 0 up to"},
      {{"--line-spacing", "50", "--entry", "N"}, "vesk: --entry takes a corner, NE, NW, SE or SW, not 'N'"},
      {{"--line-spacing", "50", "--start", "95,10"}, "vesk: --start takes a position LAT,LON"},
      {{"--line-spacing", "50", "--start", "45"}, "vesk: --start takes a position LAT,LON"},
      {{"--line-spacing", "50", "--run-in", "-1"}, "vesk: --run-in takes metres from 0 to 200000, the widest area"},
      // A run-in past the widest area would lay a small area's lines across the planet.
      {{"--line-spacing", "50", "--run-in", "1e9"}, "vesk: --run-in takes metres from 0 to 200000, the widest area"},
      {{"--line-spacing", "50", "--set", "runIn=200001"},
       "vesk: --set runIn=200001: runIn is metres from 0 to 200000, the widest area"},
      {{"--line-spacing", "50", "--cross-lines", "1.5"}, "vesk: --cross-lines takes a whole number of lines"},
      {{"--line-spacing", "50", "--set", "edgeMargin=-1"},
       "vesk: --set edgeMargin=-1: edgeMargin is metres from 0 to 10000"},
  };
  for (const auto& [options, message] : cases) {
    TempDir dir;
    dir.write("a.txt", "45 10\n45 10.01\n45.01 10.01\n");
    std::vector<std::string> args = {"--area", "a.txt"};
    args.insert(args.end(), options.begin(), options.end());
    const vesk_result r = runVesk(args, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_EQ(r.output, "") << message;
    EXPECT_EQ(r.errors.rfind(message, 0), 0u) << r.errors;
  }

  const std::vector<std::pair<std::vector<std::string>, std::string>> misused = {
      {{"--area", "a.txt", "route.txt"},
       "vesk: --area lays the route out in the area: give either --area FILE or a "
       "waypoint file, not both (see vesk --help)\n"},
      {{"--line-spacing", "50", "route.txt"},
       "vesk: --line-spacing needs a survey area: --area FILE (see vesk --help)\n"},
      {{"--write-route", "r.txt", "route.txt"},
       "vesk: --write-route writes the route of a survey: it needs --area FILE (see vesk --help)\n"},
  };
  for (const auto& [args, message] : misused) {
    TempDir dir;
    dir.write("a.txt", "45 10\n45 10.01\n45.01 10.01\n");
    dir.write("route.txt", "45 10\n45 10.01\n");
    const vesk_result r = runVesk(args, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.errors, message);
  }

  TempDir dir;
  dir.write("a.txt", "45 10\n45 10.01\n45.01 10.01\n");
  const vesk_result r = runVesk({"--area", "a.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot lay out a survey of a.txt\n");
  EXPECT_EQ(r.errors, "the lines need a spacing: give --line-spacing M, or --swath-width M (with --overlap PCT)\n");
}

// The files of the set a run wrote, with its stem replaced so that two runs compare.
struct writtenSet {
  std::string stem;
  std::vector<std::string> files;  // cfg, wpt, pts
};

writtenSet setOf(const TempDir& dir, const vesk_result& r) {
  const std::string written = afterDialogue(r.output);
  const size_t from = written.find("script: ") + 8;
  writtenSet set;
  set.stem = written.substr(from, written.find("cfg", from) - from);
  for (const char* extension : {"cfg", "wpt", "pts"}) {
    std::string text = readFile(dir.file(set.stem + extension));
    for (size_t at = text.find(set.stem); at != std::string::npos; at = text.find(set.stem, at)) {
      text.replace(at, set.stem.size(), "STEM.");
    }
    set.files.push_back(text);
  }
  return set;
}

// An area saved as a KMZ or as UTF-16 text, as globe programs and Windows editors save it,
// plans the very mission of the same area as KML or UTF-8 text, and is summed up alike.
TEST(SurveyRun, AKmzOrUtf16AreaPlansAsItsKmlOrText) {
  const std::vector<std::pair<std::string, std::string>> plain = {{"area.kml", kmlWithHole},
                                                                  {"area.txt", textWithHole}};
  struct savedCase {
    const char* name;
    size_t plain;  // the file of `plain` it is saved from
    std::string file;
    std::string content;
  };
  const std::u16string crLfText =
      u"45 10\r\n45 10.014\r\n45.005 10.014\r\n45.005 10.007\r\n45.01 10.007\r\n45.01 10\r\n"
      u"hole \u2014 a wreck\r\n45.002 10.002\r\n45.003 10.002\r\n45.003 10.003\r\n45.002 10.003";
  const std::vector<savedCase> cases = {
      {"KMZ", 0, "area.kmz", zipOf({{"doc.kml", kmlWithHole}})},
      {"KMZ, stored, beside a picture", 0, "area.kmz", zipOf({{"files/a.png", "png"}, {"Area.kml", kmlWithHole, 0}})},
      {"KMZ holding UTF-16 KML", 0, "area.kmz", zipOf({{"doc.kml", utf16Of(kmlWithHole, false)}})},
      {"UTF-16 KML, big endian", 0, "area.kml", utf16Of(kmlWithHole, false)},
      {"UTF-16 text, little endian", 1, "area.txt", utf16Of(textWithHole, true)},
      {"UTF-16 text with CR LF, big endian", 1, "area.txt", utf16Of(crLfText, false)},
  };
  // The files a run writes and its summaries, with the stem and the area file's name
  // replaced so that two runs compare.
  const auto planOf = [](const std::string& file, const std::string& content) {
    TempDir dir;
    dir.write(file, content);
    const vesk_result r = runVesk({"--line-spacing", "100", "--area", file}, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 0) << file << "\n" << r.output << r.errors;
    if (r.status != 0) return std::vector<std::string>{};
    const writtenSet set = setOf(dir, r);
    std::vector<std::string> plan = set.files;
    plan.push_back(r.errors);
    for (const auto& [from, to] : {std::pair{set.stem, std::string("STEM.")}, std::pair{file, std::string("AREA")}}) {
      std::string& errors = plan.back();
      for (size_t at = errors.find(from); at != std::string::npos; at = errors.find(from, at + to.size())) {
        errors.replace(at, from.size(), to);
      }
    }
    return plan;
  };
  std::vector<std::vector<std::string>> expected;
  for (const auto& [file, content] : plain) expected.push_back(planOf(file, content));
  ASSERT_NE(expected[0][3].find("survey AREA:\n  lines        "), std::string::npos) << expected[0][3];
  for (const savedCase& c : cases) EXPECT_EQ(planOf(c.file, c.content), expected[c.plain]) << c.name;
}

// The survey is laid out with the meters between surfacings the operator answers, and the
// route file it writes plans the very same mission.
TEST(SurveyRun, TheWrittenRoutePlansTheSameMissionByteForByte) {
  TempDir dir;
  dir.write("area.kml", kmlWithHole);
  // Meters between surfacings 700: the lines, about 1.1 km long, are cut in two.
  const std::string answers = "4\n700\n0\ny\n0\nn\n";
  const vesk_result area =
      runVesk({"--area", "area.kml", "--line-spacing", "60", "--cross-lines", "2", "--write-route", "out/route.txt"},
              answers, dir.path());
  EXPECT_EQ(area.status, 1) << "the route's folder must exist";
  EXPECT_EQ(area.output, "cannot use output folder out/: there is no such folder\n");
  const vesk_result over =
      runVesk({"--area", "area.kml", "--line-spacing", "60", "--write-route", "./area.kml"}, answers, dir.path());
  EXPECT_EQ(over.status, 1);
  EXPECT_EQ(over.output, "cannot write route output file ./area.kml over the area file\n");
  EXPECT_EQ(readFile(dir.file("area.kml")), kmlWithHole);
  // A folder with no file name is found only when the files are written: none of them is.
  const vesk_result folderOnly =
      runVesk({"--area", "area.kml", "--line-spacing", "60", "--write-route", "./"}, answers, dir.path());
  EXPECT_EQ(folderOnly.status, 1);
  EXPECT_EQ(afterDialogue(folderOnly.output), "cannot open route output file ./ ");
  EXPECT_EQ(dir.list(), std::vector<std::string>{"area.kml"});

  const vesk_result fromArea = runVesk({"--area", "area.kml", "--line-spacing", "60", "--cross-lines", "2", "--run-in",
                                        "25", "--write-route", "route.txt"},
                                       answers, dir.path());
  ASSERT_EQ(fromArea.status, 0) << fromArea.output << fromArea.errors;
  EXPECT_NE(afterDialogue(fromArea.output).find("\n **** Wrote route : route.txt ****\n"), std::string::npos);
  const writtenSet first = setOf(dir, fromArea);

  const std::string route = readFile(dir.file("route.txt"));
  ASSERT_FALSE(route.empty());
  double lat0 = 0, lon0 = 0, longest = 0;
  size_t count = 0;
  for (size_t at = 0; at < route.size();) {
    const size_t end = route.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
    double lat = 0, lon = 0;
    ASSERT_EQ(std::sscanf(route.substr(at, end - at).c_str(), "%lf %lf", &lat, &lon), 2);
    if (count++ > 0) longest = std::max(longest, dist(lat0, lon0, lat, lon));
    lat0 = lat, lon0 = lon;
    at = end + 2;
  }
  EXPECT_GT(longest, 500) << "the lines are cut at the surfacings answered, not at the default 3600 m";
  EXPECT_LE(longest, 700);

  const vesk_result fromRoute = runVesk({"route.txt"}, answers, dir.path());
  ASSERT_EQ(fromRoute.status, 0) << fromRoute.output << fromRoute.errors;
  const writtenSet second = setOf(dir, fromRoute);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(first.files[i], second.files[i]) << "file " << i;
}

// The summary counts lines as they are run, a line a hole or a notch splits as several;
// when the cross lines run are not those asked for, it says how many were asked and why.
// The lines run east and west, so that the cross lines meet the hole where they are laid.
TEST(SurveyRun, TheSummaryTellsTheCrossLinesAskedForFromThoseRun) {
  struct crossCase {
    const char* area;
    const char* crossLines;
    const char* lines;  // the summary's line, from its count of lines on
  };
  const std::vector<crossCase> cases = {
      {"45 10\n45 10.014\n45.01 10.014\n45.01 10\n", "2", "19 lines and 2 cross lines, "},
      {textWithHole, "1", "22 lines and 1 cross line, "},
      {textWithHole, "3", "22 lines and 4 cross lines (3 asked for; a hole or a notch splits 1 of them), "},
  };
  for (const crossCase& c : cases) {
    TempDir dir;
    dir.write("a.txt", c.area);
    const vesk_result r = runVesk(
        {"--area", "a.txt", "--line-spacing", "60", "--line-angle", "90", "--cross-lines", c.crossLines, "--dry-run"},
        acceptDefaults, dir.path());
    ASSERT_EQ(r.status, 0) << r.output << r.errors;
    EXPECT_NE(r.errors.find("\n  lines        " + std::string(c.lines)), std::string::npos)
        << "--cross-lines " << c.crossLines << "\n"
        << r.errors;
  }
}

TEST(SurveyRun, TheExampleAreaPlansCleanlyAndIsDrawn) {
  TempDir dir;
  const vesk_result r =
      runVesk({"--area", VESK_EXAMPLES "/area.kml", "--swath-width", "120", "--overlap", "20", "--map", "svg"},
              acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output << r.errors;
  EXPECT_EQ(r.errors.find("warning"), std::string::npos) << r.errors;
  const size_t survey = r.errors.find("survey " VESK_EXAMPLES "/area.kml:\n");
  ASSERT_NE(survey, std::string::npos) << r.errors;
  EXPECT_NE(r.errors.find("  coverage     100.00 % of ", survey), std::string::npos) << r.errors;
  // The area's parts, each swept back and forth in one go: the wreck splits the lines.
  EXPECT_NE(r.errors.find(" m apart at 90.0 degrees in 5 parts\n", survey), std::string::npos) << r.errors;
  EXPECT_NE(r.errors.find("  survey time  ", survey), std::string::npos) << r.errors;

  const std::string written = afterDialogue(r.output);
  const size_t from = written.find("script: ") + 8;
  const std::string stem = written.substr(from, written.find("cfg", from) - from);
  const std::string svg = readFile(dir.file(stem + "svg"));
  const size_t area = svg.find("<path id=\"area\" d=\"");
  ASSERT_NE(area, std::string::npos);
  const std::string outline = svg.substr(area, svg.find('"', area + 19) - area);
  size_t rings = 0;
  for (size_t at = outline.find('M'); at != std::string::npos; at = outline.find('M', at + 1)) ++rings;
  EXPECT_EQ(rings, 2u) << "the boundary and the wreck's hole";
  EXPECT_NE(svg.find("<path id=\"swaths\" d=\"M"), std::string::npos);
  EXPECT_NE(svg.find(">survey area<"), std::string::npos);

  // Lines the operator lays across the edges at a slant leave strips between their ends:
  // the run says how much is swept, and --strict writes nothing.
  const std::vector<std::string> slanted = {"--area",          VESK_EXAMPLES "/area.kml",
                                            "--line-spacing",  "100",
                                            "--line-angle",    "30",
                                            "--no-input",      "--set",
                                            "yoyoMission=0",   "--set",
                                            "kallopMission=0", "--set",
                                            "wayPointDepth=5"};
  const vesk_result warned = runVesk(slanted, "", dir.path());
  ASSERT_EQ(warned.status, 0) << warned.errors;
  const size_t told = warned.errors.find("warning: the swaths of the survey lines cover 99.54 % of " VESK_EXAMPLES
                                         "/area.kml; the largest gap, about ");
  ASSERT_NE(told, std::string::npos) << warned.errors;
  // Where the gap lies, in degrees and minutes as a chart gives it.
  EXPECT_NE(warned.errors.find(" 11.215' N 7", told), std::string::npos) << warned.errors;
  EXPECT_NE(warned.errors.find(" 49.650' E: strips are left between the ends of lines that meet an edge at a slant; "
                               "lines along that edge (lineAngle) or a closer spacing cover more\n",
                               told),
            std::string::npos)
      << warned.errors;
  std::vector<std::string> strict = slanted;
  strict.push_back("--strict");
  EXPECT_EQ(runVesk(strict, "", dir.path()).status, 1);

  // Kept 30 m off the shore and the wreck, the lines leave a strip their 50 m swaths only
  // partly reach: the run tells how much of it, in the summary and in the warning.
  std::vector<std::string> keptOff = slanted;
  keptOff.erase(keptOff.begin() + 4, keptOff.begin() + 6);
  keptOff.insert(keptOff.end(), {"--set", "edgeMargin=30", "--map", "svg"});
  const vesk_result margin = runVesk(keptOff, "", dir.path());
  ASSERT_EQ(margin.status, 0) << margin.errors;
  // The picture draws the margin's edge, the boundary and the wreck's shore moved in.
  const size_t named = margin.output.find("script: ") + 8;
  const std::string picture =
      readFile(dir.file(margin.output.substr(named, margin.output.find("cfg", named) - named) + "svg"));
  const size_t edge = picture.find("<path id=\"margin\" d=\"");
  ASSERT_NE(edge, std::string::npos);
  const std::string edges = picture.substr(edge, picture.find('"', edge + 21) - edge);
  EXPECT_EQ(std::count(edges.begin(), edges.end(), 'M'), 2) << edges;
  EXPECT_NE(picture.find(">edge margin<"), std::string::npos);
  EXPECT_NE(margin.errors.find("the edgeMargin of 30 m leaves "), std::string::npos) << margin.errors;
  EXPECT_NE(margin.errors.find(" m2 along the boundary and holes unswept (a smaller edgeMargin, or a swath wider "
                               "than twice it, sweeps more); "),
            std::string::npos)
      << margin.errors;
  EXPECT_NE(margin.errors.find(" km2 left unswept by the edge margin of 30 m\n"), std::string::npos) << margin.errors;
}

}  // namespace
