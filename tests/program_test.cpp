// The built program end to end: command line, waypoint file rules, messages, exit status.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "calcs.h"
#include "runVesk.h"

namespace {

struct badFileCase {
  const char* content;
  int line;
};

TEST(Program, RejectsInvalidWaypointLinesNamingTheLine) {
  const std::vector<badFileCase> cases = {
      {"45 10\nheading text\n46 10\n", 2},
      {"\n\n45 10\n  \t\r\n46\n", 5},  // one number only; blank lines still count
      {"91 10\n", 1},
      {"45 10\n-90.5 10\n", 2},
      {"45 180.0001\n", 1},
      {"45 -181\n", 1},
      {"nan 10\n", 1},
      {"45 inf\n", 1},
      {"45 1e999\n", 1},
      {"45,10\n", 1},
      {"45 10\r\n46 10\r\nx\r\n", 3},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", c.content);
    const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1) << c.content;
    EXPECT_EQ(afterDialogue(r.output), "invalid waypoint on line " + std::to_string(c.line) + " of route.txt\n")
        << c.content;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"}) << "nothing may be written";
  }
}

TEST(Program, FileProblemsStopTheRunWithAMessage) {
  TempDir dir;
  vesk_result r = runVesk({"missing.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot open file missing.txt ");

  r = runVesk({dir.path()}, "", dir.path());  // a directory is not a waypoint file
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot open file " + dir.path() + " ");

  dir.write("empty.txt", "");
  r = runVesk({"empty.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(afterDialogue(r.output), "list is empty\n");

  dir.write("blank.txt", "\n   \n\t\r\n");
  r = runVesk({"blank.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(afterDialogue(r.output), "list is empty\n");
}

TEST(Program, HelpAndVersion) {
  TempDir dir;
  for (const char* flag : {"-h", "--help"}) {
    const vesk_result r = runVesk({flag}, "", dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("usage: vesk [OPTIONS] [WAYPOINT_FILE]"), std::string::npos);
    EXPECT_NE(r.output.find("--output-dir"), std::string::npos);
    EXPECT_NE(r.output.find("Exit status"), std::string::npos);
  }
  const vesk_result r = runVesk({"--version"}, "", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind("vesk ", 0), 0u);
  EXPECT_EQ(r.output.back(), '\n');
}

// The option names among the words of `lines` ("-o, --output-dir DIR" gives -o and
// --output-dir).
std::set<std::string> optionNames(const std::vector<std::string>& lines) {
  std::set<std::string> names;
  for (const std::string& line : lines) {
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      if (!word.empty() && word.back() == ',') word.pop_back();
      const bool option = word.size() >= 2 && word[0] == '-' &&
                          word.find_first_not_of("-abcdefghijklmnopqrstuvwxyz") == std::string::npos;
      if (option) names.insert(word);
    }
  }
  return names;
}

// `text` with every `from` replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// One usage text: what --help prints is doc/usage.txt, the README shows it whole, and the
// manual page describes the same options.
TEST(Program, HelpTheReadmeAndTheManualPageShowOneUsage) {
  const std::string usage = readFile(VESK_SOURCE_DIR "/doc/usage.txt");
  ASSERT_FALSE(usage.empty());
  TempDir dir;
  EXPECT_EQ(runVesk({"--help"}, "", dir.path()).output, usage);

  std::string indented;
  std::vector<std::string> usageOptions;
  bool inOptions = false;
  std::istringstream lines(usage);
  for (std::string line; std::getline(lines, line);) {
    indented += (line.empty() ? "" : "    " + line) + "\n";
    if (line == "Options:" || line.rfind("Survey options", 0) == 0) {
      inOptions = true;
    } else if (line.empty()) {
      inOptions = false;
    } else if (inOptions && line.rfind("  -", 0) == 0) {
      usageOptions.push_back(line.substr(0, line.find("   ", 2)));  // the first column
    }
  }
  EXPECT_NE(readFile(VESK_SOURCE_DIR "/README.md").find(indented), std::string::npos)
      << "README.md must show doc/usage.txt whole, each line indented by four blanks";

  // The tags of the manual page's OPTIONS, their \- read as -.
  const std::string manual = readFile(VESK_SOURCE_DIR "/doc/vesk.1");
  const size_t from = manual.find(".SH OPTIONS");
  const size_t to = manual.find(".SH ", from + 1);
  ASSERT_NE(from, std::string::npos);
  std::vector<std::string> tags;
  std::istringstream section(manual.substr(from, to - from));
  bool tagNext = false;
  for (std::string line; std::getline(section, line);) {
    if (tagNext) {
      std::string tag = replaced(line, "\\-", "-");
      for (const char* font : {"\\fR", "\\fP", "\\fB", "\\fI", "\""}) tag = replaced(tag, font, " ");
      tags.push_back(tag);
    }
    tagNext = line == ".TP";
  }
  const std::set<std::string> expected = {"-h",
                                          "--help",
                                          "--version",
                                          "--map",
                                          "-o",
                                          "--output-dir",
                                          "--settings",
                                          "--set",
                                          "--no-input",
                                          "--dry-run",
                                          "--strict",
                                          "--save-settings",
                                          "--",
                                          "--area",
                                          "--line-spacing",
                                          "--swath-width",
                                          "--overlap",
                                          "--line-angle",
                                          "--entry",
                                          "--start",
                                          "--run-in",
                                          "--cross-lines",
                                          "--write-route",
                                          "--bathymetry",
                                          "--max-dive-hours",
                                          "--max-dive-hours",
                                          "--path",
                                          "--launch-time",
                                          "--checklist"};
  EXPECT_EQ(optionNames(usageOptions), expected);
  EXPECT_EQ(optionNames(tags), optionNames(usageOptions));
}

// A file of several tracks is refused with their list; --path picks one by its name or
// number, and a value that names no path, or a survey, is refused before anything is read.
TEST(Program, PathPicksOneOfTheTracksOfAFile) {
  TempDir dir;
  dir.write("two.gpx",
            "<gpx version=\"1.1\"><trk><name>Out</name><trkseg><trkpt lat=\"45\" lon=\"10\"/><trkpt lat=\"45.02\" "
            "lon=\"10\"/></trkseg></trk>\n<trk><name>Back</name><trkseg><trkpt lat=\"45.02\" lon=\"10\"/><trkpt "
            "lat=\"45.01\" lon=\"10\"/><trkpt lat=\"45\" lon=\"10\"/></trkseg></trk></gpx>\n");
  const std::vector<std::string> plan = {"--no-input",       "--dry-run", "--set",
                                         "yoyoMission=true", "--set",     "kallopMission=false"};
  const auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> args = plan;
    args.insert(args.end(), more.begin(), more.end());
    return runVesk(args, "", dir.path());
  };
  const vesk_result both = run({"two.gpx"});
  EXPECT_EQ(both.status, 1);
  EXPECT_EQ(both.output, "two.gpx holds 2 tracks; pick one with --path N or --path NAME, or keep one in the file\n");
  EXPECT_EQ(both.errors, "track 1 \"Out\": 2 positions\ntrack 2 \"Back\": 3 positions\n");
  for (const char* path : {"Back", "2"}) {
    const vesk_result back = run({"--path", path, "two.gpx"});
    EXPECT_EQ(back.status, 0) << back.errors;
    EXPECT_NE(back.errors.find("two.gpx: 3 waypoints, 2.224 km"), std::string::npos) << back.errors;
  }
  const vesk_result zero = run({"--path", "00", "two.gpx"});
  EXPECT_EQ(zero.status, 1);
  EXPECT_EQ(zero.errors, "vesk: --path takes the number of a path from 1, or its name, not '00' (see vesk --help)\n");
  const vesk_result survey = run({"--path", "1", "--area", "a.kml", "--line-spacing", "50"});
  EXPECT_EQ(survey.status, 1);
  EXPECT_EQ(survey.errors,
            "vesk: --path picks a path of a waypoint file; a survey with --area has none (see vesk --help)\n");
  EXPECT_EQ(dir.list(), std::vector<std::string>{"two.gpx"});
}

// Memory that runs out (a huge GeoJSON file under a memory limit) ends the run with a
// message and status 1, as any other failure does, and leaves no file behind.
TEST(Program, RunningOutOfMemoryEndsTheRunWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit leaves";
#else
  std::string route = "{\"type\":\"LineString\",\"coordinates\":[";
  for (int i = 0; i < 2000000; ++i) route += (i > 0 ? ",[10." : "[10.") + std::to_string(i) + ",45.5]";
  route += "]}";
  TempDir dir;
  dir.write("big.geojson", route);
  const vesk_result r = runVesk({"big.geojson"}, acceptDefaults, dir.path(), false, false, 256LL << 20);
  EXPECT_EQ(r.status, 1) << r.errors;
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(r.errors, "vesk: out of memory; the run is stopped, and the files it had not finished are removed\n");
  EXPECT_EQ(dir.list(), std::vector<std::string>{"big.geojson"});
#endif
}

// The picture shows every warning the run gave before it was drawn: of the settings, of
// the plan, and of the files written before the set (an earlier settings file kept).
TEST(Program, ThePictureShowsTheWarningsGivenBeforeItIsDrawn) {
  struct pictureCase {
    std::vector<std::string> args;
    std::string earlier;  // a file in the folder before the run
    std::vector<std::string> shown;
  };
  const std::vector<std::string> noQuestions = {
      "--map", "svg", "--no-input", "--set", "yoyoMission=true", "--set", "kallopMission=false"};
  const auto with = [&](std::vector<std::string> more) {
    std::vector<std::string> args = noQuestions;
    args.insert(args.end(), more.begin(), more.end());
    args.push_back("route.txt");
    return args;
  };
  const std::vector<pictureCase> cases = {
      {with({}), "", {"Warnings</text>", ">none</text>"}},
      {with({"--set", "missionSpeed=0.1"}),
       "",
       {">warning: the mission speed is 0.1 m/s", ">warning: the mission timer is "}},
      {with({"--save-settings", "s.toml"}), "s.toml", {">warning: the earlier s.toml is kept as s.toml.~1~</text>"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n45.06 10.05\n");
    if (!c.earlier.empty()) dir.write(c.earlier, "earlier\n");
    const vesk_result r = runVesk(c.args, "", dir.path());
    ASSERT_EQ(r.status, 0) << r.errors;
    std::string svg;
    for (const std::string& name : dir.list()) {
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".svg") == 0) svg = readFile(dir.file(name));
    }
    for (const std::string& text : c.shown) EXPECT_NE(svg.find(text), std::string::npos) << text << "\n" << r.errors;
  }
}

// The seabed grid through the whole program: its warnings are errors under --strict, its
// summary follows the plan's, and a grid that cannot be used stops the run before any
// question, with nothing written.
TEST(Program, TheSeabedGridWarnsSumsUpAndRefuses) {
  TempDir dir;
  dir.write("route.txt", "45.000125 10.000125\n45.030125 10.000125\n");
  // 0.001 degree cells from 44.95 N, 9.95 E, 60 m deep but for a 45 m ridge at 45.015 N.
  std::string grid = "ncols 100\nnrows 100\nxllcorner 9.95\nyllcorner 44.95\ncellsize 0.001\n";
  for (int row = 99; row >= 0; --row) {
    for (int col = 0; col < 100; ++col) grid += row == 65 && col == 50 ? "-45 " : "-60 ";
    grid += "\n";
  }
  dir.write("grid.asc", grid);
  const std::vector<std::string> plan = {"--bathymetry",       "grid.asc", "--no-input",       "--set",
                                         "yoyoMission=false",  "--set",    "wayPointDepth=50", "--set",
                                         "kallopMission=false"};
  std::vector<std::string> strict = plan;
  strict.insert(strict.end(), {"--strict", "route.txt"});
  const vesk_result refused = runVesk(strict, "", dir.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.errors.find("error: leg 1 to 2 runs at wayPointDepth 50 m where the seabed at 45\xC2\xB0 00.900' N "
                                "10\xC2\xB0 00.008' E is 45.0 m deep"),
            std::string::npos)
      << refused.errors;
  EXPECT_EQ(dir.list(), (std::vector<std::string>{"grid.asc", "route.txt"}));

  std::vector<std::string> written = plan;
  written.insert(written.end(), {"--map", "svg", "route.txt"});
  const vesk_result run = runVesk(written, "", dir.path());
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_NE(run.errors.find("seabed grid.asc:\n  shallowest   45.0 m at 45\xC2\xB0 00.900' N"), std::string::npos)
      << run.errors;
  const std::vector<std::string> files = dir.list();
  ASSERT_EQ(files.size(), 6u);
  // The picture draws the seabed under the dive and marks the ridge on the chart and above
  // the profile.
  const auto picture = std::find_if(files.begin(), files.end(), [](const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".svg") == 0;
  });
  ASSERT_NE(picture, files.end());
  const std::string svg = readFile(dir.file(*picture));
  for (const char* id : {"id=\"seabed\"", "id=\"seabed-abort-altitude\"", "id=\"seabed-warnings\""}) {
    EXPECT_NE(svg.find(id), std::string::npos) << id;
  }

  dir.write("grid.asc", "ncols 4\nnrows 2\nxllcorner 500000\nyllcorner 5000000\ncellsize 100\n1 2 3 4 5 6 7 8\n");
  const vesk_result projected = runVesk({"--bathymetry", "grid.asc", "route.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(projected.status, 1);
  EXPECT_EQ(projected.output.find("Parameter"), std::string::npos) << "a question was asked: " << projected.output;
  EXPECT_NE(projected.errors.find("gdalwarp -t_srs EPSG:4326"), std::string::npos) << projected.errors;
}

TEST(Program, AcceptsBlankLinesCrLfAndLongLines) {
  TempDir dir;
  const std::string comment(200, 'x');
  dir.write("route.txt", "\n45 10  " + comment + "\r\n\r\n   \t\n45.05 10.05\t" + comment + "\r\n46 10\n\n");
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(r.status, 0) << r.output;
  // Launch waypoint, three waypoints and the 30 cuts of their two legs: no blank line or
  // piece of a long line adds a waypoint.
  const auto names = dir.list();
  ASSERT_EQ(names.size(), 4u);
  const std::string wpt = readFile(dir.file(names[2]));
  EXPECT_EQ(std::count(wpt.begin(), wpt.end(), '\n'), 34);
}

}  // namespace

namespace {

bool endsEveryLineWithCrLf(const std::string& text) {
  if (text.empty() || text.back() != '\n') return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
  }
  return true;
}

// The stems a run starting now can use; a run may straddle a minute boundary.
std::vector<std::string> stemsNearNow() {
  const std::time_t now = std::time(nullptr);
  return {fileNameAt(now), fileNameAt(now + 60)};
}

std::string fileWithExtension(const TempDir& dir, const std::string& extension) {
  for (const auto& name : dir.list()) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, "." + extension) == 0) {
      return readFile(dir.file(name));
    }
  }
  return "";
}

TEST(Program, TwoWaypointRouteWritesThreeFilesWithCrLf) {
  TempDir dir;
  dir.write("route.txt", "45 10\n45.045 10\n");
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  const auto names = dir.list();
  ASSERT_EQ(names.size(), 4u) << r.output;
  const std::string cfgName = names[0];
  ASSERT_EQ(cfgName.substr(cfgName.size() - 4), ".cfg");
  const std::string stem = cfgName.substr(0, cfgName.size() - 3);
  EXPECT_EQ(afterDialogue(r.output), " **** Wrote mission script: " + stem +
                                         "cfg **** \n\n **** Wrote waypoints file : " + stem +
                                         "wpt ****\n\n **** Wrote survey line : " + stem + "pts ****\n");

  const std::string cfg = readFile(dir.file(cfgName));
  const std::string wpt = fileWithExtension(dir, "wpt");
  const std::string pts = fileWithExtension(dir, "pts");
  for (const std::string* text : {&cfg, &wpt, &pts}) EXPECT_TRUE(endsEveryLineWithCrLf(*text));

  EXPECT_EQ(wpt,
            "0,N44.9955034,10,5,250.000,0.0,0.0,255,0.000  \r\n"
            "1,N45,10,5,250.000,0.0,0.0,255,0.000  \r\n"
            "2,N45.0323756,10,5,250.000,0.0,0.0,255,0.000  \r\n"
            "3,N45.045,10,5,250.000,0.0,0.0,255,0.000  \r\n");
  EXPECT_EQ(pts.substr(0, pts.find('\r')), "0," + stem + "pts,0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 ");
  EXPECT_EQ(pts.substr(pts.find('\n') + 1),
            "1,44.9955034,10,0.00m,0.00m,0.0,0.0,0.0  \r\n"
            "1,45,10,0.00m,0.00m,0.0,0.0,0.0  \r\n"
            "1,45.0323756,10,0.00m,0.00m,0.0,0.0,0.0  \r\n"
            "1,45.045,10,0.00m,0.00m,0.0,0.0,0.0  \r\n");

  EXPECT_EQ(cfg.rfind("# Mission Filename: " + cfgName + "\r\n", 0), 0u);
  const size_t g3 = cfg.find("\r\n# ***** FINAL WAYPOINT NUMBER: 3 ^ *****\r\n");
  const size_t g2 = cfg.find("\r\n# ***** WAYPOINT NUMBER: 2 ^ *****\r\n");
  const size_t g1 = cfg.find("\r\n# ***** WAYPOINT NUMBER: 1 ^ *****\r\n");
  EXPECT_LT(cfg.find("# ***** Mission Ends ^ *****"), g3);
  EXPECT_LT(g3, g2);
  EXPECT_LT(g2, g1);
  EXPECT_NE(g1, std::string::npos);
  EXPECT_NE(cfg.find("timeOut = 4403;\r\n"), std::string::npos);
  EXPECT_NE(cfg.find("latitude      = 45.0323756;\r\nlongitude     = 10;\r\ncaptureRadius = 10;\r\n"
                     "duration      = 2400;\r\n"),
            std::string::npos);
  const std::string tail = "# ***** LAUNCH WAYPOINT *****\r\n# LAT/LON: 44.9955034 10\r\n# INITIAL HEADING:  360  \r\n";
  EXPECT_EQ(cfg.substr(cfg.size() - tail.size()), tail);
}

// The initial great-circle bearing from a to b in degrees, worked out here, not by the program.
double bearingBetween(std::pair<double, double> a, std::pair<double, double> b) {
  const double rad = 3.14159265358979323846 / 180, dLon = (b.second - a.second) * rad;
  return std::atan2(std::sin(dLon) * std::cos(b.first * rad),
                    std::cos(a.first * rad) * std::sin(b.first * rad) -
                        std::sin(a.first * rad) * std::cos(b.first * rad) * std::cos(dLon)) /
         rad;
}

// The script runs from the bottom up: a group fixes its position where its leg starts,
// sets off on the setpoint and dives on the descend's heading, runs the leg to its
// waypoint and ascends there, turning onto the next leg. Setpoint and descend steer the
// leg the group flies (the launch leg for waypoint 1, the last leg at the end); an ascend
// that steers, the leg after it. The legs' headings come from the waypoint file.
TEST(Program, EveryGroupSteersTheLegItFlies) {
  const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
      {{VESK_EXAMPLES "/route.txt"}, acceptDefaults},
      {{VESK_EXAMPLES "/route.txt"}, "0\nn\n50\nn\n"},
      {{"--area", VESK_EXAMPLES "/area.kml", "--swath-width", "120", "--overlap", "20"}, acceptDefaults},
      {{"pole.txt"}, acceptDefaults},  // one waypoint, at the South Pole: the launch leg runs south
  };
  for (const auto& [args, answers] : cases) {
    SCOPED_TRACE(args[0] + " " + answers);
    TempDir dir;
    dir.write("pole.txt", "-90 0\n");
    ASSERT_EQ(runVesk(args, answers, dir.path()).status, 0);
    const std::string cfg = fileWithExtension(dir, "cfg"), wpt = fileWithExtension(dir, "wpt");
    std::vector<std::pair<double, double>> at;  // by waypoint number
    for (size_t line = 0; line < wpt.size(); line = wpt.find('\n', line) + 1) {
      double lat = 0, lon = 0;
      ASSERT_EQ(std::sscanf(wpt.c_str() + line, "%*d,N%lf,%lf", &lat, &lon), 2);
      at.emplace_back(lat, lon);
    }
    // Degrees the script's whole number `key` in the group steers off `heading`; NaN when
    // the group has no such line.
    const auto off = [&](size_t from, size_t to, const std::string& key, double heading) {
      const size_t found = cfg.find(key, from);
      if (found > to) return std::nan("");
      return std::fabs(std::remainder(std::atoi(cfg.c_str() + found + key.size()) - heading, 360));
    };
    size_t from = cfg.find("# ***** Mission Ends ^ *****");
    for (size_t n = at.size() - 1; n >= 1; --n) {
      const size_t to = cfg.find("WAYPOINT NUMBER: " + std::to_string(n) + " ^", from);
      ASSERT_NE(to, std::string::npos) << n;
      const double leg = bearingBetween(at[n - 1], at[n]);
      EXPECT_LE(off(from, to, "\r\nhorizontal      = ", leg), 0.5 + 1e-6) << "descend to waypoint " << n;
      EXPECT_LE(off(from, to, "\r\nheading      = ", leg), 0.5 + 1e-6) << "setpoint to waypoint " << n;
      if (n + 1 < at.size()) {
        const double ascend = off(from, to, "heading;\r\nhorizontal       = ", bearingBetween(at[n], at[n + 1]));
        EXPECT_TRUE(std::isnan(ascend) || ascend <= 0.5 + 1e-6) << "ascend at waypoint " << n;
      }
      from = to;
    }
  }
}

TEST(Program, AFileThatCannotBeWrittenLeavesNoFileOfTheSet) {
  struct failCase {
    const char* extension;
    const char* message;
  };
  const std::vector<failCase> cases = {
      {"cfg", "cannot write mission output file "},
      {"wpt", "cannot write waypoint output file "},
      {"pts", "cannot write surveyline output file "},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n");
    // A folder where the file should go: it cannot take the file's name.
    for (const auto& stem : stemsNearNow()) {
      std::filesystem::create_directories(dir.file(stem + c.extension + "/keep"));
    }
    const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1) << c.extension;
    const std::string said = afterDialogue(r.output);
    EXPECT_EQ(said.rfind(c.message, 0), 0u) << said;
    EXPECT_EQ(said.substr(said.size() - 5), "." + std::string(c.extension) + " ");
    EXPECT_EQ(r.output.find("Wrote"), std::string::npos);
    // All or none: only the route and the folders planted remain.
    for (const auto& name : dir.list()) {
      EXPECT_TRUE(name == "route.txt" || std::filesystem::is_directory(dir.file(name))) << name;
    }
  }
}

TEST(Program, UnwritableDirectoryIsReported) {
  TempDir inputs;
  inputs.write("route.txt", "45 10\n");
  {
    TempDir gone;
    const vesk_result r = runVesk({inputs.file("route.txt")}, acceptDefaults, gone.path(), true);
    EXPECT_EQ(r.status, 1);
    // Found before the first question, not after the whole dialogue.
    EXPECT_EQ(r.output, "cannot write into the current folder\n");
    EXPECT_EQ(r.errors, "vesk: .: No such file or directory; no file was written and no question asked\n");
  }
}

TEST(Program, ExistingOutputsAreReplaced) {
  TempDir dir;
  dir.write("route.txt", "45 10\n");
  for (const auto& stem : stemsNearNow()) dir.write(stem + "wpt", std::string(5000, 'x'));
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string wpt = r.output.substr(r.output.find("file : ") + 7);
  EXPECT_EQ(readFile(dir.file(wpt.substr(0, wpt.find(' ')))).size(), 88u);  // 48 + 40 bytes
}

}  // namespace

namespace {

struct optionCase {
  std::vector<std::string> args;
  std::string output;  // standard output
  std::string errors;  // standard error
};

TEST(Program, BadOptionsAndOutputFoldersStopTheRunBeforeAnyQuestion) {
  const std::vector<optionCase> cases = {
      {{"--bogus", "route.txt"}, "", "vesk: unknown option '--bogus' (see vesk --help)\n"},
      {{"route.txt", "-x"}, "", "vesk: unknown option '-x' (see vesk --help)\n"},
      {{"--map", "kml,shp", "route.txt"},
       "",
       "vesk: unknown map format 'shp' for --map: use kml, gpx, geojson, svg or html (see vesk --help)\n"},
      {{"route.txt", "--map"}, "", "vesk: --map: 1 required TEXT missing (see vesk --help)\n"},
      {{"-o", "missing", "route.txt"}, "cannot use output folder missing: there is no such folder\n", ""},
      {{"-o", "route.txt", "route.txt"}, "cannot use output folder route.txt: it is not a folder\n", ""},
      // A folder no file can be created in, even by root.
      {{"--output-dir", "/proc", "route.txt"},
       "cannot write into output folder /proc\n",
       "vesk: /proc: No such file or directory; no file was written and no question asked\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", "45 10\n");
    const vesk_result r = runVesk(c.args, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1) << c.errors;
    EXPECT_EQ(r.output, c.output);
    EXPECT_EQ(r.errors, c.errors);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"}) << "nothing may be written";
  }
}

TEST(Program, DoubleDashEndsTheOptionsAndExtraFilesAreNamedAsIgnored) {
  TempDir dir;
  dir.write("-x", "45 10\n");
  vesk_result r = runVesk({"--", "-x", "--map"}, acceptDefaults, dir.path());
  EXPECT_EQ(r.status, 0) << r.output << r.errors;
  EXPECT_EQ(r.errors.rfind("warning: only one waypoint file is read; ignored: --map\n-x: 1 waypoint, 0.000 km\n", 0),
            0u)
      << r.errors;
  EXPECT_EQ(dir.list().size(), 4u);
}

// The files of a run with every map written into a folder of their own.
struct mappedRun {
  vesk_result result;
  std::string stem;  // with its final "."
  std::string folder;
};

mappedRun runWithMaps(const TempDir& dir) {
  dir.write("route.txt", "45 10\n45.045 10\n");
  std::filesystem::create_directory(dir.file("out"));
  mappedRun m;
  m.folder = dir.file("out");
  m.result = runVesk({"--map", "kml", "--map=GPX,geojson", "-o", "out/", "route.txt"}, acceptDefaults, dir.path());
  const std::string written = afterDialogue(m.result.output);
  const size_t from = written.find("out/") + 4;
  m.stem = written.substr(from, written.find("cfg", from) - from);
  return m;
}

TEST(Program, MapsJoinTheMissionFilesInTheOutputFolder) {
  TempDir dir;
  const mappedRun m = runWithMaps(dir);
  ASSERT_EQ(m.result.status, 0) << m.result.output << m.result.errors;
  const std::string& s = m.stem;
  EXPECT_EQ(afterDialogue(m.result.output),
            " **** Wrote mission script: out/" + s + "cfg **** \n\n **** Wrote waypoints file : out/" + s +
                "wpt ****\n\n **** Wrote survey line : out/" + s + "pts ****\n\n **** Wrote map : out/" + s +
                "kml ****\n\n **** Wrote map : out/" + s + "gpx ****\n\n **** Wrote map : out/" + s + "geojson ****\n");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(m.folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{s + "cfg", s + "geojson", s + "gpx", s + "kml", s + "pts", s + "wpt"}));
  // Inside the files the names carry no folder: the files may be moved together.
  EXPECT_EQ(readFile(m.folder + "/" + s + "cfg").rfind("# Mission Filename: " + s + "cfg\r\n", 0), 0u);
  EXPECT_EQ(readFile(m.folder + "/" + s + "pts").rfind("0," + s + "pts,", 0), 0u);
  for (const char* map : {"kml", "gpx", "geojson"}) {
    EXPECT_TRUE(endsEveryLineWithCrLf(readFile(m.folder + "/" + s + map))) << map;
  }
}

// How often `what` stands in `text`.
int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// What a command prints on its standard output and standard error.
std::string commandOutput(const std::string& command) {
  std::string listing;
  if (std::FILE* const pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) listing.append(buffer, n);
    pclose(pipe);
  }
  return listing;
}

TEST(Program, AnIndependentReaderOpensEveryMap) {
  if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ogrinfo (Debian package gdal-bin) is not installed: the maps are not checked by it";
  }
  TempDir dir;
  const mappedRun m = runWithMaps(dir);
  ASSERT_EQ(m.result.status, 0) << m.result.output << m.result.errors;
  for (const char* map : {"kml", "gpx", "geojson"}) {
    const std::string listing = commandOutput("ogrinfo -ro -al -q '" + m.folder + "/" + m.stem + map + "'");
    // Launch waypoint, two given waypoints and the surfacing between them; one route line.
    EXPECT_EQ(occurrences(listing, "POINT ("), 4) << map << "\n" << listing;
    EXPECT_EQ(occurrences(listing, "LINESTRING ("), 1) << map << "\n" << listing;
  }
}

// The three mission files of the run in `folder` named by the stem it printed, with that
// stem replaced, so that two runs compare byte for byte apart from their names.
std::string missionOf(const vesk_result& run, const TempDir& dir, const std::string& folder) {
  const std::string written = afterDialogue(run.output);
  const size_t from = written.find(folder + "/") + folder.size() + 1;
  const std::string stem = written.substr(from, written.find("cfg", from) - from);
  std::string files;
  for (const char* ext : {"cfg", "wpt", "pts"}) files += readFile(dir.file(folder + "/" + stem + ext));
  for (size_t at = files.find(stem); at != std::string::npos; at = files.find(stem, at))
    files.replace(at, stem.size(), "STEM.");
  return files;
}

// A survey across 180°, each leg long enough to be cut: its maps read by GDAL with the line
// cut at the date line and the extent of the route itself, and read by this program as the
// route they were planned from, giving the same mission byte for byte.
TEST(Program, MapsOfARouteAcross180ReadBackAsTheRouteTheyWerePlannedFrom) {
  TempDir dir;
  dir.write("route.txt", "-17.00 179.95\n-17.05 -179.97\n-17.10 179.90\n-17.15 180\n-17.20 -179.95\n");
  std::filesystem::create_directory(dir.file("out"));
  const vesk_result planned =
      runVesk({"--map", "kml,gpx,geojson", "-o", "out", "route.txt"}, acceptDefaults, dir.path());
  ASSERT_EQ(planned.status, 0) << planned.output << planned.errors;
  const std::string mission = missionOf(planned, dir, "out");
  ASSERT_NE(mission.find("-179.95"), std::string::npos);
  std::string stem = afterDialogue(planned.output);
  stem = stem.substr(stem.find("out/") + 4);
  stem = stem.substr(0, stem.find("cfg"));
  for (const char* map : {"kml", "geojson", "gpx"}) {
    const std::string folder = std::string("again-") + map;
    std::filesystem::create_directory(dir.file(folder));
    const vesk_result again = runVesk({"-o", folder, "out/" + stem + map}, acceptDefaults, dir.path());
    ASSERT_EQ(again.status, 0) << map << again.output << again.errors;
    // Its five given waypoints, without a warning of points left out.
    EXPECT_EQ(again.errors.find("warning"), std::string::npos) << map << again.errors;
    EXPECT_EQ(again.errors.rfind("out/" + stem + map + ": 5 waypoints, ", 0), 0u) << map << again.errors;
    EXPECT_EQ(missionOf(again, dir, folder), mission) << map;
  }
  if (std::system("ogrinfo --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ogrinfo (Debian package gdal-bin) is not installed: the maps are not checked by it";
  }
  const std::string listing = commandOutput("ogrinfo -ro -al '" + dir.file("out/" + stem + "geojson") + "'");
  ASSERT_EQ(occurrences(listing, "MULTILINESTRING (("), 1) << listing;
  // The layer's extent: within -180..180, on the route's own latitudes (the launch point
  // lies 500 m north-west of the first waypoint); the parts keep to their sides of 180°
  // (MapExport.ARouteAcross180IsDrawnTheShortWayAndViewedFromAboveIt).
  const size_t extent = listing.find("Extent: (");
  ASSERT_NE(extent, std::string::npos) << listing;
  double west = 0;
  double south = 0;
  double east = 0;
  double north = 0;
  ASSERT_EQ(std::sscanf(listing.c_str() + extent, "Extent: (%lf, %lf) - (%lf, %lf)", &west, &south, &east, &north), 4);
  EXPECT_NEAR(south, -17.20, 0.01);
  EXPECT_NEAR(north, -17.00, 0.01);
  EXPECT_EQ(west, -180);
  EXPECT_EQ(east, 180);
}

// The picture of the plan comes with the set: announced as a map, CR LF like every file of
// the set, naming the run's files, its route file and its warnings, and drawn by an SVG
// renderer without a complaint, whatever bytes the route file's name holds.
TEST(Program, ThePictureOfThePlanNamesTheRunAndRenders) {
  TempDir dir;
  const std::string route = "route \xFF<&>.txt";
  dir.write(route, "45 10 7\n45.045 10\n");
  const vesk_result r = runVesk({"--map", "kml,svg", route}, acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output << r.errors;
  const std::string written = afterDialogue(r.output);
  const size_t from = written.find("script: ") + 8;
  const std::string stem = written.substr(from, written.find("cfg", from) - from);
  EXPECT_NE(written.find("\n **** Wrote map : " + stem + "kml ****\n\n **** Wrote map : " + stem + "svg ****\n"),
            std::string::npos)
      << written;
  const std::string svg = readFile(dir.file(stem + "svg"));
  EXPECT_TRUE(endsEveryLineWithCrLf(svg));
  for (const char* name : {"cfg", "wpt", "pts", "kml", "svg"})
    EXPECT_NE(svg.find(stem + name), std::string::npos) << name;
  EXPECT_NE(svg.find(">route \xEF\xBF\xBD&lt;&amp;&gt;.txt<"), std::string::npos);
  EXPECT_NE(svg.find("warning: line 1: &quot;45 10 7&quot;: only the first two numbers are used"), std::string::npos);

  if (std::system("rsvg-convert --version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "rsvg-convert (Debian package librsvg2-bin) is not installed: the picture is not rendered";
  }
  const std::string command = "rsvg-convert -o '" + dir.file("plan.png") + "' '" + dir.file(stem + "svg") + "' 2>&1";
  std::string complaints;
  int status = -1;
  if (std::FILE* const pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) complaints.append(buffer, n);
    status = pclose(pipe);
  }
  EXPECT_EQ(status, 0) << complaints;
  EXPECT_EQ(complaints, "");
  EXPECT_EQ(readFile(dir.file("plan.png")).substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
}

}  // namespace

namespace {

TEST(Program, ABadRouteIsReportedBeforeAnyQuestion) {
  struct badRoute {
    std::string content;
    std::string message;
    std::string reason;
  };
  const std::vector<badRoute> cases = {
      {"45 10\n45 10 W\n", "invalid waypoint on line 2 of route.txt\n",
       "line 2: \"45 10 W\": the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), "
       "each letter after its numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2\n"},
      {"45 10\n45.5 10 1e\n", "invalid waypoint on line 2 of route.txt\n",
       "line 2: \"45.5 10 1e\": the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), "
       "each letter after its numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2\n"},
      {"", "list is empty\n", ""},
      {"# nothing but a comment\r\n\r\n", "list is empty\n", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", c.content);
    // No answers at all: the dialogue must never start.
    const vesk_result r = runVesk({"route.txt"}, "", dir.path());
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.output, c.message);
    EXPECT_EQ(r.errors, c.reason);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"});
  }
}

TEST(Program, EachSlipIsWarnedAboutOnceAndTheExampleHasNone) {
  char nearlyOnePiece[64];  // a leg 5 cm longer than the distance between surfacings
  std::snprintf(nearlyOnePiece, sizeof nearlyOnePiece, "45 10\n%.12f 10\n", 45 + 3600.05 / 111194.9266);
  struct slipCase {
    std::string route;
    std::string answers;
    std::string warning;
  };
  const std::vector<slipCase> cases = {
      {"45 10 45.045 10\n45.045 10\n", acceptDefaults,
       "warning: line 1: \"45 10 45.045 10\": only the first two numbers are used\n"},
      {"45 10\n45 10\n", acceptDefaults, "warning: line 2: repeats the waypoint before it: a leg of length 0\n"},
      {nearlyOnePiece, acceptDefaults,
       "warning: the leg from waypoint 1 to waypoint 3 ends with a piece of 0.05 m: waypoint 2 surfaces just before "
       "waypoint 3\n"},
      {"45 10\n46 10\n", acceptDefaults, "warning: the mission timer is 24:49:16, a day or more"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", c.route);
    const vesk_result r = runVesk({"route.txt"}, c.answers, dir.path());
    EXPECT_EQ(r.status, 0) << c.warning << r.output;
    EXPECT_EQ(occurrences(r.errors, c.warning), 1) << r.errors;
    EXPECT_EQ(r.output.find("warning"), std::string::npos) << "warnings go to standard error only";
  }
  TempDir dir;
  const vesk_result example = runVesk({VESK_EXAMPLES "/route.txt"}, acceptDefaults, dir.path());
  EXPECT_EQ(example.status, 0);
  EXPECT_EQ(occurrences(example.errors, "warning"), 0) << example.errors;
}

// Where a warning of the settings must stand in what the operator sees: right after the
// menu or editor that set them, before the next question.
const std::string menuClosed = "  If parameters are OK, type 0 \n\n > 0\n";
const std::string depthAsked = "Please enter new depth \n\n > ";
const std::string yoyoAsked = " Will this be a YOYO Mission ? \n";
const std::string kallopAsked = " Will this be a KALLOP Mission ? \n";

TEST(Program, SettingsThatAbortOrDefeatTheDiveAreWarnedOfAsTheirMenuCloses) {
  struct settingCase {
    std::string answers;
    std::string warning;  // how its line begins
    const std::string& after;
    const std::string& before;
  };
  const std::vector<settingCase> cases = {
      {"5\n-3\n0\ny\n0\nn\n", "minDepth is -3 m: a depth or altitude cannot be negative", menuClosed, yoyoAsked},
      {"5\n95\n0\ny\n0\nn\n", "minDepth 95 m is deeper than maxDepth 90 m", menuClosed, yoyoAsked},
      {"6\n120\n0\ny\n0\nn\n", "maxDepth 120 m is beyond abortDepth 100 m: the vehicle would abort", menuClosed,
       yoyoAsked},
      {"9\n100\n0\ny\n0\nn\n", "abortLockoutDepth 100 m is at or beyond abortDepth 100 m: ", menuClosed, yoyoAsked},
      {"3\n0\n0\ny\n0\nn\n", "GPS hits is 0: the vehicle would go on without a position fix", menuClosed, yoyoAsked},
      {"3\n3000\n0\ny\n0\nn\n",
       "GPS hits is 3000: at the assumed 1 hit a second a fix gathers at most 300 in its 300 s, "
       "so every fix times out and the vehicle aborts",
       menuClosed, yoyoAsked},
      {"10\n0\n3\n301\n0\nn\n50\nn\n",
       "GPS hits is 301: at the assumed 1 hit a second a fix gathers at most 300 in "
       "its 300 s, so every fix times out and the vehicle dives on",
       menuClosed, yoyoAsked},
      {"4\n10000000\n0\ny\n0\nn\n",
       "the meters between surfacings of 1e+07 m are beyond the 10000 m a leg without a "
       "GPS fix can sensibly hold",
       menuClosed, yoyoAsked},
      {"4\n3.6\n0\ny\n0\nn\n",
       "the meters between surfacings of 3.6 m are below the 100 m a leg between two surfacings should run: the "
       "vehicle would spend the dive surfacing and diving again (kilometres typed as metres?)",
       menuClosed, yoyoAsked},
      {"2\n3.5\n0\ny\n0\nn\n", "the slow speed is 3.5 m/s: such a vehicle runs at 0.25 to 3 m/s", menuClosed,
       yoyoAsked},
      {"0\ny\n3\n95\n0\nn\n", "the yoyo maximum depth 95 m is deeper than maxDepth 90 m", menuClosed, kallopAsked},
      {"0\ny\n3\n150\n0\nn\n", "the yoyo maximum depth 150 m is beyond abortDepth 100 m", menuClosed, kallopAsked},
      {"0\ny\n2\n50\n3\n40\n0\nn\n", "the yoyo minimum depth 50 m is deeper than its maximum depth 40 m", menuClosed,
       kallopAsked},
      {"5\n5\n0\ny\n0\nn\n", "the yoyo minimum depth 2 m is shallower than minDepth 5 m", menuClosed, kallopAsked},
      {"0\ny\n1\n2\n0\nn\n",
       "YOYO_MIN_ALTITUDE 2 m is at or below abortAltitude 2.5 m: the vehicle aborts at the "
       "first yoyo bottom",
       menuClosed, kallopAsked},
      {"0\nn\n95\nn\n", "the waypoint depth 95 m is deeper than maxDepth 90 m", depthAsked, kallopAsked},
      {"0\nn\n150\nn\n", "the waypoint depth 150 m is beyond abortDepth 100 m", depthAsked, kallopAsked},
      {"5\n60\n0\nn\n50\nn\n", "the waypoint depth 50 m is shallower than minDepth 60 m", depthAsked, kallopAsked},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n");
    const vesk_result r = runVesk({"route.txt"}, c.answers, dir.path(), false, true);
    EXPECT_EQ(r.status, 0) << c.warning << r.output;
    const size_t at = r.output.find("warning: " + c.warning);
    ASSERT_NE(at, std::string::npos) << c.warning << "\n" << r.output;
    EXPECT_EQ(occurrences(r.output, "warning: " + c.warning), 1) << c.warning;
    const std::string line = r.output.substr(at, r.output.find('\n', at) + 1 - at);
    // The warnings given together, and what the operator saw just before and after them.
    size_t start = at;
    while (start > 0 && r.output.rfind("warning: ", start - 1) == r.output.rfind('\n', start - 2) + 1) {
      start = r.output.rfind('\n', start - 2) + 1;
    }
    size_t end = at + line.size();
    while (r.output.compare(end, 9, "warning: ") == 0) end = r.output.find('\n', end) + 1;
    EXPECT_EQ(r.output.substr(0, start).substr(std::max(start, c.after.size()) - c.after.size()), c.after) << c.warning;
    EXPECT_EQ(r.output.substr(end, c.before.size()), c.before) << c.warning;
  }
  {  // Given without questions it is warned of all the same, and --strict writes nothing.
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n");
    const vesk_result r = runVesk({"--strict", "--no-input", "--set", "maxLegMeters=3.6", "--set", "yoyoMission=1",
                                   "--set", "kallopMission=0", "route.txt"},
                                  "", dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(occurrences(r.errors, "error: the meters between surfacings of 3.6 m are below the 100 m"), 1)
        << r.errors;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"});
  }
  // The defaults, for a yoyo mission and one at constant depth, give no warning at all.
  for (const char* answers : {acceptDefaults, "0\nn\n50\nn\n"}) {
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n");
    const vesk_result r = runVesk({"route.txt"}, answers, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(occurrences(r.errors, "warning"), 0) << r.errors;
  }
}

// The positions of the waypoint file: latitude, longitude.
std::vector<std::pair<double, double>> writtenPositions(const TempDir& dir) {
  std::vector<std::pair<double, double>> positions;
  const std::string wpt = fileWithExtension(dir, "wpt");
  for (size_t start = 0; start < wpt.size(); start = wpt.find('\n', start) + 1) {
    const size_t lat = wpt.find(",N", start) + 2;
    const size_t lon = wpt.find(',', lat) + 1;
    positions.emplace_back(std::stod(wpt.substr(lat, lon - 1 - lat)), std::stod(wpt.substr(lon)));
  }
  return positions;
}

TEST(Program, RoutesOnTheEquatorAndAtThePolePlanWithTheirWaypointsKept) {
  // A survey across the equator, and one that starts on it.
  for (const std::string route : {"10 0\n0 20\n-5 25\n", "0 20\n-5 25\n"}) {
    TempDir dir;
    dir.write("route.txt", route);
    const vesk_result r = runVesk({"route.txt"}, "0\nn\n50\nn\n", dir.path());
    ASSERT_EQ(r.status, 0) << r.output << r.errors;
    const auto positions = writtenPositions(dir);
    EXPECT_EQ(std::count(positions.begin(), positions.end(), std::make_pair(0.0, 20.0)), 1) << route;
    EXPECT_EQ(positions.back(), std::make_pair(-5.0, 25.0));
    for (size_t i = 1; i + 1 < positions.size(); ++i) {
      const double leg = dist(positions[i].first, positions[i].second, positions[i + 1].first, positions[i + 1].second);
      ASSERT_LE(leg, 3600.01) << route << " leg " << i;
    }
  }
  // A start at the north pole: every piece on the meridian of the end, the last one true.
  TempDir dir;
  dir.write("route.txt", "90 0\n89.9 10\n");
  const vesk_result r = runVesk({"route.txt"}, "0\nn\n50\nn\n", dir.path());
  ASSERT_EQ(r.status, 0) << r.output << r.errors;
  const auto positions = writtenPositions(dir);
  ASSERT_EQ(positions.size(), 6u);
  EXPECT_EQ(positions[0].second, -170);  // the launch waypoint, behind the pole
  for (size_t i = 2; i < positions.size(); ++i) EXPECT_EQ(positions[i].second, 10) << i;
  EXPECT_NEAR(dist(positions[4].first, positions[4].second, 89.9, 10), 319.5, 0.5);
  // 11,619.5 m at 1.5 m/s is 7,746 s under way; the timer 120 % of it.
  EXPECT_NE(fileWithExtension(dir, "cfg").find("timeOut = 9296;\r\n"), std::string::npos);
  // Two waypoints at the pole have no great circle between them: the launch waypoint goes
  // 500 m down the first one's meridian.
  TempDir still;
  still.write("route.txt", "90 9.95\n90 20\n");
  const vesk_result s = runVesk({"route.txt"}, "0\nn\n50\nn\n", still.path());
  ASSERT_EQ(s.status, 0) << s.output << s.errors;
  EXPECT_EQ(fileWithExtension(still, "wpt").find("nan"), std::string::npos);
  const auto launch = writtenPositions(still).front();
  EXPECT_EQ(launch.second, 9.95);
  EXPECT_NEAR(dist(launch.first, launch.second, 90, 0), 500, 0.5);
}

TEST(Program, ADenseTrackIsWarnedThatItsSurfacingsOutlastTheTimer) {
  // 200 waypoints 133 m apart: each surfacing takes far longer than its leg.
  std::string track;
  for (int i = 0; i < 200; ++i) track += std::to_string(45 + i * 133 / 111194.9266) + " 10\n";
  TempDir dir;
  dir.write("route.txt", track);
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output << r.errors;
  EXPECT_NE(r.errors.find("warning: the 200 surfacings take about 13:13:59 (ascent from 90 m, GPS fix, setpoint, "
                          "descent), more than the 0:59:56 the mission timer leaves beyond the 4:59:38 under way: the "
                          "timer of 5:59:34 ends the mission before the vehicle surfaces at waypoint 66 of 200; raise "
                          "missionTimerFactor, or surfacingAllowance to 221 s\n"),
            std::string::npos)
      << r.errors;
}

TEST(Program, TheRouteAndThePlanAreSummedUp) {
  TempDir dir;
  dir.write("route.txt", "45 10\n45.045 10\n");
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string stem = dir.list()[0].substr(0, dir.list()[0].size() - 3);
  // 500 m of launch leg and 5003.77 m cut at 3600 m; 3669.2 s at 1.5 m/s, timer 4403 s. Each
  // of the 3 surfacings: the ascent from 90 m at pitch 20 and 1.5 m/s (171.5 s), a fix of
  // 30 hits (30 s), the setpoint (30 s) and the descent to 5 m (6.7 s).
  EXPECT_EQ(r.errors,
            "route.txt: 2 waypoints, 5.004 km\n"
            "plan " +
                stem +
                "cfg:\n"
                "  waypoints    4: launch, 2 given, 1 added at surfacings\n"
                "  length       5.504 km\n"
                "  time         1:01:09 under way at 1.5 m/s, 0:11:55 at 3 surfacings; mission timer 1:13:23\n"
                "  longest leg  3600 m, from waypoint 1 to waypoint 2\n");
  // The route summary comes before the first question, the plan after the last file.
  EXPECT_EQ(r.output.rfind(" **** Wrote survey line : " + stem + "pts ****\n"),
            r.output.size() - (" **** Wrote survey line : " + stem + "pts ****\n").size());
}

}  // namespace
