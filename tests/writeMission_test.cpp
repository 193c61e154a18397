#include "writeMission.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "calcs.h"
#include "goldenFiles.h"
#include "report/surfacingTime.h"
#include "support/routeTest.h"
#include "support/setDestinations.h"
#include "vesk.h"
#include "wptList.h"

namespace {

std::string missionOf(const std::string& name) { return missionText(name, false); }
std::string waypointsOf() { return waypointRecords(); }
std::string surLineOf(const std::string& name) { return surLineRecords(name); }

int countOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class WriterTest : public routeTest {
 protected:
  static node* add(double lat, double lon, double head, double secs) {
    insertLatLonEnd(lat, lon);
    tailNodePtr->heading = head;
    tailNodePtr->legSecs = secs;
    return tailNodePtr;
  }

  // The planned route of the worked example: launch waypoint and waypoints 1 to 3.
  static void workedExample() {
    add(44.9955027, 10, 45.5, 333.3333333);
    add(45, 10, 45.5, 234.5678);
    add(45.0078612, 10.0125547, 130.25, 200.5);
    add(44.9912345, 10.0387655, 0, 0);
    itemizeList();
    for (node* n = headNodePtr; n != nullptr; n = n->nextPtr) --n->wptNumber;
    missionTime = 922.08136;
  }

  // The ascend turn lines of waypoint 1's group for the given two headings.
  static std::string turnLines(double launchHeading, double firstHeading) {
    destroyList();
    add(44.99, 10, launchHeading, 100);
    add(45, 10, firstHeading, 100);
    add(45.01, 10, 0, 0);
    itemizeList();
    const std::string text = missionOf("x.cfg");
    const size_t group1 = text.find("# ***** WAYPOINT NUMBER: 1 ^");
    const size_t ascend = text.rfind("behavior ascend {", group1);
    const size_t from = text.find("horizontalMode", ascend);
    return text.substr(from, text.find("pitch", from) - from);
  }
};

TEST_F(WriterTest, WorkedExampleYoyoAndPlainScriptsByteForByte) {
  workedExample();
  EXPECT_EQ(missionOf("2014_119_148.cfg"), goldenFile("worked_yoyo.cfg"));
  EXPECT_EQ(missionTimeInt, 922);
  EXPECT_EQ(legSecsInt, 333);
  EXPECT_EQ(headingInt, 46);

  yoyoMission = 0;
  kallopMission = 0;
  abortOnTimeout = 0;
  EXPECT_EQ(missionOf("2014_119_148.cfg"), goldenFile("worked_plain.cfg"));
}

// The time at the surfacings is estimated from the behaviours each waypoint's group gives
// the vehicle: the script must still say what the estimate assumes.
TEST_F(WriterTest, EachGroupHasTheSurfacingBehavioursTheTimeEstimateAssumes) {
  workedExample();
  const std::string cfg = missionOf("m.cfg");
  const auto value = [](double v) { return std::to_string(static_cast<int>(v)) + (v == std::floor(v) ? "" : ".5"); };
  EXPECT_EQ(countOf(cfg, "pitch            = " + value(ascentPitchDegrees) + ";\nspeed            = " +
                             value(ascentSpeed) + ";\nendDepth         = " + value(ascentEndDepth) + ";\n}"),
            3);
  EXPECT_EQ(countOf(cfg, "pitch           = -" + value(descentPitchDegrees) + ";\nspeed           = " +
                             value(descentSpeed) + ";\nmaxDepth        = " + value(descentDepth) + ";\n"),
            3);
  EXPECT_EQ(countOf(cfg, "behavior setpoint {\nduration     = " + value(setpointSeconds) + ";\n"), 3);
  EXPECT_EQ(countOf(cfg, "behavior getgps {\nduration       = " + value(gpsFixLimitSeconds) + ";\n"), 3);
  EXPECT_DOUBLE_EQ(sineOfAscentPitch, std::sin(ascentPitchDegrees * 3.14159265358979323846 / 180));
}

TEST_F(WriterTest, FlagsCountAsSetOnlyWhenExactlyOne) {
  workedExample();
  yoyoMission = 2;
  kallopMission = 2;
  abortOnTimeout = 2;
  const std::string text = missionOf("n.cfg");
  EXPECT_EQ(countOf(text, "abortOnTimeout = False;\n"), 4);
  EXPECT_EQ(countOf(text, "True"), 0);
  EXPECT_NE(text.find("#             *** abortOnTimeout is False ***\n#\n#define MISSION_SPEED 1.5\n"),
            std::string::npos);
  EXPECT_EQ(text.find("YOYO"), std::string::npos);
  EXPECT_EQ(text.find("KALLOP"), std::string::npos);
  EXPECT_EQ(text.find("kallop"), std::string::npos);
  EXPECT_EQ(countOf(text, "behavior waypoint {\n"), 3);
}

TEST_F(WriterTest, TurnRuleThresholdIsStrictAndNotReducedModulo360) {
  EXPECT_EQ(turnLines(10, 80), "horizontalMode   = heading;\nhorizontal       = 80;\n");
  EXPECT_EQ(turnLines(10, 80.5), "horizontalMode   = rudder;\nhorizontal       = 5;\n");
  EXPECT_EQ(turnLines(350, 10), "horizontalMode   = rudder;\nhorizontal       = 5;\n");
  EXPECT_EQ(turnLines(10, 75), "horizontalMode   = heading;\nhorizontal       = 75;\n");
  EXPECT_EQ(turnLines(300, 359.5), "horizontalMode   = heading;\nhorizontal       = 360;\n");
  EXPECT_EQ(turnLines(30, 0.4), "horizontalMode   = heading;\nhorizontal       = 0;\n");
}

TEST_F(WriterTest, NearestIntegerSendsHalvesToTheEvenNeighbour) {
  int scratch = 0;
  EXPECT_EQ(nearestInt(0.5, scratch), "0");
  EXPECT_EQ(nearestInt(1.5, scratch), "2");
  EXPECT_EQ(nearestInt(44.5, scratch), "44");
  EXPECT_EQ(nearestInt(45.5, scratch), "46");
  EXPECT_EQ(nearestInt(332.5, scratch), "332");
  EXPECT_EQ(nearestInt(333.5, scratch), "334");
  EXPECT_EQ(scratch, 334);
  EXPECT_EQ(nearestInt(359.7, scratch), "360");
  EXPECT_EQ(nearestInt(-2.5, scratch), "-2");
  // Values beyond an int are printed in full rather than wrapped.
  EXPECT_EQ(nearestInt(2147483647.4, scratch), "2147483647");
  EXPECT_EQ(nearestInt(2147483648.0, scratch), "2147483648");
  EXPECT_EQ(nearestInt(1e12 + 0.5, scratch), "1000000000000");
  EXPECT_EQ(nearestInt(-3e9, scratch), "-3000000000");
}

TEST_F(WriterTest, HugeMissionTimeAndDurationsAreWrittenInFull) {
  workedExample();
  missionTime = 5e9;
  headNodePtr->legSecs = 3000000000.5;
  const std::string text = missionOf("h.cfg");
  EXPECT_NE(text.find("timeOut = 5000000000;\n"), std::string::npos);
  EXPECT_NE(text.find("duration      = 3000000000;\n"), std::string::npos);
}

TEST_F(WriterTest, WaypointAndSurveyLineRecords) {
  add(44.9955034, 10, 0, 0);
  add(45, 10, 0, 0);
  add(45.05, 10.05, 0, 0);
  itemizeList();
  for (node* n = headNodePtr; n != nullptr; n = n->nextPtr) --n->wptNumber;
  EXPECT_EQ(waypointsOf(),
            "0,N44.9955034,10,5,250.000,0.0,0.0,255,0.000  \n"
            "1,N45,10,5,250.000,0.0,0.0,255,0.000  \n"
            "2,N45.05,10.05,5,250.000,0.0,0.0,255,0.000  \n");
  EXPECT_EQ(surLineOf("2014_119_148.pts"),
            "0,2014_119_148.pts,0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n"
            "1,44.9955034,10,0.00m,0.00m,0.0,0.0,0.0  \n"
            "1,45,10,0.00m,0.00m,0.0,0.0,0.0  \n"
            "1,45.05,10.05,0.00m,0.00m,0.0,0.0,0.0  \n");

  destroyList();
  add(-12.34567, 0.00005, 0, 0);
  EXPECT_EQ(waypointsOf(), "0,N-12.34567,5e-05,5,250.000,0.0,0.0,255,0.000  \n");
}

TEST_F(WriterTest, CoordinatesKeepNineSignificantDigitsInEveryFile) {
  struct coordinateCase {
    double value;
    const char* text;
  };
  const std::vector<coordinateCase> cases = {
      {1.23456789, "1.23456789"},    {-1.2345, "-1.2345"},        {12.3456789012, "12.3456789"},
      {-45.12345678, "-45.1234568"}, {44.99550336, "44.9955034"}, {-122.4795, "-122.4795"},
      {123.456789123, "123.456789"}, {-179.12345, "-179.12345"},  {45, "45"},
      {0.00012345, "0.00012345"},    {0.00001234, "1.234e-05"},   {-0.00005, "-5e-05"},
  };
  for (const auto& c : cases) {
    destroyList();
    add(c.value, c.value / 2 + 10, 90, 100);
    add(c.value, c.value, 0, 0);
    itemizeList();
    const std::string text = c.text;
    EXPECT_NE(waypointsOf().find(",N" + text + "," + text + ",5,"), std::string::npos) << text;
    EXPECT_NE(surLineOf("x.pts").find("\n1," + text + "," + text + ",0.00m"), std::string::npos) << text;
    const std::string mission = missionOf("x.cfg");
    EXPECT_NE(mission.find("latitude      = " + text + ";\nlongitude     = " + text + ";\n"), std::string::npos)
        << text;
    EXPECT_NE(mission.find("#               LAT/LON: " + text + " "), std::string::npos) << text;
    EXPECT_NE(mission.find("\n# LAT/LON: " + text + " "), std::string::npos) << text;
  }
}

TEST_F(WriterTest, ALaunchWaypointAcrossTheAntimeridianIsWrittenWrapped) {
  // The first leg runs west from just short of +180: the launch waypoint lies east of it,
  // beyond the meridian.
  insertLatLonEnd(10, 179.999);
  insertLatLonEnd(10, 179.9);
  planRoute();
  ASSERT_LT(headNodePtr->Lon, -179.99);
  char text[64];
  std::snprintf(text, sizeof text, "%.9g %.9g", headNodePtr->Lat, headNodePtr->Lon);
  const std::string position = text;  // "10 -179.99..."
  const std::string lat = position.substr(0, position.find(' '));
  const std::string lon = position.substr(position.find(' ') + 1);
  EXPECT_EQ(lon.rfind("-179.99", 0), 0u) << lon;
  EXPECT_EQ(waypointsOf().rfind("0,N" + lat + "," + lon + ",", 0), 0u) << position;
  EXPECT_NE(surLineOf("x.pts").find("\n1," + lat + "," + lon + ",0.00m"), std::string::npos) << position;
  const std::string mission = missionOf("x.cfg");
  EXPECT_NE(mission.find("#               LAT/LON: " + position + "\n"), std::string::npos);
  EXPECT_NE(mission.find("# LAT/LON: " + position + "\n# INITIAL"), std::string::npos);
}

TEST_F(WriterTest, FileNamesFromUtcTimeWithoutZeroPadding) {
  EXPECT_EQ(fileNameAt(1398866880), "2014_119_148.");         // 30 April 2014, 14:08
  EXPECT_EQ(fileNameAt(1420070400), "2015_0_00.");            // 1 January 2015, 00:00
  EXPECT_EQ(fileNameAt(1423127100), "2015_35_95.");           // 5 February 2015, 09:05
  EXPECT_EQ(fileNameAt(1420074660), fileNameAt(1420110060));  // 01:11 and 11:01
  const std::string stem = fileName();
  EXPECT_EQ(file_name, stem);
  EXPECT_EQ(stem.back(), '.');
}

TEST_F(WriterTest, PreviewsShowTheirOwnVariant) {
  workedExample();
  abortOnTimeout = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(displayMission(), 0);
  const std::string preview = testing::internal::GetCapturedStdout();
  const std::string stem = file_name;
  EXPECT_EQ(
      preview.rfind("\n\n **** begin writing file " + stem + " **** \n# Mission Filename: " + stem + "\n#\n#\n", 0),
      0u);
  EXPECT_NE(preview.find("#                        45.5  \n#\n#\n"
                         "#define MISSION_SPEED 1.5\n#define MISSION_SPEED_SLOW 1.25\n"
                         "# KALLOPS ARMED AT START OF MISSION\n"
                         "# MOVE THE ARMING BEHAVIOR IF NECESSARY\n#\n"
                         "#define MISSION_YOYO_MIN_DEPTH 2\n#define YOYO_MIN_ALTITUDE 15\n\n"),
            std::string::npos);
  EXPECT_NE(preview.find("timeOut = 922.081;\n"), std::string::npos);
  EXPECT_EQ(countOf(preview, "abortOnTimeout = True;\n"), 4);
  EXPECT_EQ(countOf(preview, "horizontalMode   = rudder;\nhorizontal       = 5;\n"), 3);
  EXPECT_EQ(preview.find("FINAL"), std::string::npos);
  EXPECT_EQ(countOf(preview, "# ***** WAYPOINT NUMBER: "), 3);
  EXPECT_EQ(countOf(preview, "maxDepth      = 90;\n"), 3);
  EXPECT_NE(preview.find("duration      = 333.333;\n"), std::string::npos);
  // Each group steers the leg it flies, the last one too: never the 0 of the tail.
  EXPECT_EQ(countOf(preview, "horizontal      = 45.5;\n"), 2);
  EXPECT_EQ(countOf(preview, "heading      = 130.25;\n"), 1);
  EXPECT_EQ(preview.find("heading      = 0;\n"), std::string::npos);
  EXPECT_EQ(preview.find("Wrote"), std::string::npos);
  EXPECT_EQ(preview.find('\r'), std::string::npos);
  EXPECT_EQ(preview.substr(preview.size() - 27), "# INITIAL HEADING:  45.5  \n");

  testing::internal::CaptureStdout();
  EXPECT_EQ(displayWaypoints(), 0);
  EXPECT_EQ(displaySurLine(), 0);
  const std::string records = testing::internal::GetCapturedStdout();
  EXPECT_EQ(records.rfind(waypointsOf() + "\n**** Wrote waypoints file : ", 0), 0u);
  EXPECT_NE(
      records.find("\n\n\n ------displaySurLine()------\n\n\n " + file_name + "pts \n" + surLineOf(file_name + "pts")),
      std::string::npos);
}

// Every file of a long route holds every position, in its own order, as printf gives it,
// across every buffer the writers fill.
TEST_F(WriterTest, ALongRouteHasEveryPositionInEveryFileInOrder) {
  for (int i = 0; i < 20000; ++i) insertLatLonEnd(40 + i * 1.0000001e-4 / 3, -170 + i * 7e-4 / 7.1);
  planRoute();
  // Every kind of text a number can take, kept and given back alike. (Not a NaN with its
  // sign set: printf shows the sign on Linux and drops it on Windows.)
  const double extremes[] = {-0.0,         1e-300,    -2.5e-310,  1.7976931348623157e308,
                             -1234567.891, 1.0 / 0.0, -1.0 / 0.0, std::nan(""),
                             0.0001,       123456789};
  node* n = headNodePtr->nextPtr;
  for (const double x : extremes) {
    n->Lat = x;
    n = n->nextPtr->nextPtr;
    n->Lon = x;
    n = n->nextPtr->nextPtr->nextPtr;
  }
  const auto printed = [](double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", v);
    return std::string(text);
  };
  std::string waypoints, surLine, script;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    const std::string lat = printed(n->Lat), lon = printed(n->Lon);
    waypoints += std::to_string(n->wptNumber) + ",N" + lat + "," + lon + ",5,250.000,0.0,0.0,255,0.000  \r\n";
    surLine += "1," + lat + "," + lon + ",0.00m,0.00m,0.0,0.0,0.0  \r\n";
  }
  for (const node* n = tailNodePtr; n != headNodePtr; n = n->prevPtr) {
    script += "latitude      = " + printed(n->Lat) + ";\r\nlongitude     = " + printed(n->Lon) + ";\r\n";
  }
  const std::string launch = printed(headNodePtr->Lat) + " " + printed(headNodePtr->Lon);

  keptSets sets;
  {
    const divertedSets toMemory(sets);
    testing::internal::CaptureStdout();
    writeMissionFiles(describeMission("", missionFileNames(fileNameAt(1398866880), {})), "", {});
    testing::internal::GetCapturedStdout();
  }
  const std::vector<keptFile>& kept = sets.files;
  ASSERT_EQ(kept.size(), 3u);
  const std::string& cfg = kept[0].content;
  // Compared whole, reported briefly: a diff of megabytes helps no one.
  EXPECT_TRUE(kept[1].content == waypoints) << "the waypoint file differs";
  EXPECT_TRUE(kept[2].content.substr(kept[2].content.find("\r\n") + 2) == surLine) << "the survey line differs";
  std::string positions;
  for (size_t at = 0, end; (end = cfg.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string line = cfg.substr(at, end + 2 - at);
    if (line.rfind("latitude ", 0) == 0 || line.rfind("longitude ", 0) == 0) positions += line;
  }
  EXPECT_TRUE(positions == script) << "the positions in the mission script differ";
  EXPECT_NE(cfg.find("LAT/LON: " + launch + "\r\n"), std::string::npos);
  EXPECT_NE(cfg.find("\r\n# LAT/LON: " + launch + "\r\n", cfg.size() - 100), std::string::npos);
  // The console's variant, each text formatting on its own.
  std::string lf;
  for (const char c : waypoints) {
    if (c != '\r') lf += c;
  }
  EXPECT_TRUE(waypointsOf() == lf) << "the console's waypoint records differ";
}

}  // namespace
