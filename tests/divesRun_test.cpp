// Plans split into dives, end to end: each dive within the timer and the battery, the dives
// together the whole route in order and no more of them than needed, each dive the very
// mission a route of its waypoints gives, and the set of every dive written whole or not at
// all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "calcs.h"
#include "runVesk.h"
#include "support/readFile.h"

namespace {

const std::vector<std::string> noQuestions = {"--no-input",      "--set", "yoyoMission=0",  "--set",
                                              "kallopMission=0", "--set", "wayPointDepth=5"};

// `count` waypoints east along 54 N, 0.02 degrees (1.3 km) apart: no leg is cut, so that
// every waypoint of a dive is one of the route's, written exactly.
std::vector<std::string> eastwardRoute(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("54.0 " + std::to_string(7 + 0.02 * i).substr(0, 4 + (i >= 50)));
  return lines;
}

std::string routeText(const std::vector<std::string>& lines, size_t first, size_t last) {
  std::string text;
  for (size_t i = first; i <= last; ++i) text += lines[i] + "\n";
  return text;
}

vesk_result plan(const TempDir& dir, const std::string& file, std::vector<std::string> more) {
  std::vector<std::string> args = noQuestions;
  args.insert(args.end(), more.begin(), more.end());
  args.push_back(file);
  return runVesk(args, "", dir.path());
}

struct dive {
  size_t first = 0, last = 0;  // waypoints of the route, from 1
  int timerSeconds = 0;
  double wattHours = 0;
};

int seconds(const std::string& clock) {
  int h = 0, m = 0, s = 0;
  std::sscanf(clock.c_str(), "%d:%d:%d", &h, &m, &s);
  return h * 3600 + m * 60 + s;
}

// The lines of `text`, without their line ends.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The dives of the summary, in order: "  dive 2       waypoint 13 to 29: ..., 735.6 Wh;
// timer 5:55:21".
std::vector<dive> divesOf(const std::string& errors) {
  std::vector<dive> dives;
  for (const std::string& line : linesOf(errors)) {
    unsigned number = 0, first = 0, last = 0;
    if (std::sscanf(line.c_str(), "  dive %u waypoint %u to %u:", &number, &first, &last) != 3) continue;
    EXPECT_EQ(number, dives.size() + 1) << errors;
    const size_t timer = line.find("; timer ");
    const size_t wattHours = line.rfind(" Wh; timer ");
    EXPECT_NE(timer, std::string::npos) << line;
    const double wh = wattHours == std::string::npos ? 0 : std::atof(line.c_str() + line.rfind(", ", wattHours) + 2);
    dives.push_back({first, last, seconds(line.substr(timer + 8)), wh});
  }
  return dives;
}

// The stem the summary names, "2026_343_1510".
std::string stemOf(const std::string& errors) {
  const size_t at = errors.find("\nplan ");
  if (at == std::string::npos) return "";
  const size_t start = at + 6;
  return errors.substr(start, errors.find_first_not_of("0123456789_", start) - start);
}

// A file's text with the name it was written under made `common`, so that the files of two
// runs, or of a dive and a route, compare.
std::string named(std::string text, const std::string& name, const std::string& common) {
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + common.size())) {
    text.replace(at, name.size(), common);
  }
  return text;
}

// The timer a plan of `route` alone would set.
int timerOf(const std::string& route, std::vector<std::string> more = {}) {
  TempDir dir;
  dir.write("r.txt", route);
  more.push_back("--dry-run");
  const vesk_result r = plan(dir, "r.txt", more);
  const size_t at = r.errors.find("mission timer ");
  EXPECT_NE(at, std::string::npos) << r.errors;
  return at == std::string::npos ? 0 : seconds(r.errors.substr(at + 14));
}

// Two hours a dive on a route of seven hours under way: the fewest dives, each as long as
// the timer lets it be, and each the very files a route of its own waypoints gives.
TEST(DivesRun, EachDiveIsThePlanOfItsWaypointsAndNoFewerDivesFit) {
  const std::vector<std::string> route = eastwardRoute(30);
  TempDir dir;
  dir.write("route.txt", routeText(route, 0, route.size() - 1));
  const vesk_result r = plan(dir, "route.txt", {"--max-dive-hours", "2"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::vector<dive> dives = divesOf(r.errors);
  const std::string stem = stemOf(r.errors);
  ASSERT_GE(dives.size(), 3u) << r.errors;
  EXPECT_EQ(dives.front().first, 1u);
  EXPECT_EQ(dives.back().last, route.size());
  for (size_t k = 0; k < dives.size(); ++k) {
    const dive& d = dives[k];
    EXPECT_LE(d.timerSeconds, 7200) << "dive " << k + 1;
    if (k > 0) {
      EXPECT_EQ(d.first, dives[k - 1].last) << "dive " << k + 1 << " starts where the last one ended";
    }
    // One waypoint more and the dive would not fit: none could be fewer.
    if (k + 1 < dives.size()) {
      EXPECT_GT(timerOf(routeText(route, d.first - 1, d.last)), 7200) << "dive " << k + 1;
    }
    TempDir alone;
    alone.write("part.txt", routeText(route, d.first - 1, d.last - 1));
    const vesk_result single = plan(alone, "part.txt", {});
    ASSERT_EQ(single.status, 0) << single.errors;
    const std::string diveStem = stem + "-" + std::to_string(k + 1) + ".";
    const std::string routeStem = stemOf(single.errors) + ".";
    for (const char* extension : {"cfg", "wpt", "pts"}) {
      EXPECT_EQ(named(readFile(dir.file(diveStem + extension)), diveStem, "STEM."),
                named(readFile(alone.file(routeStem + extension)), routeStem, "STEM."))
          << "dive " << k + 1 << " " << extension;
    }
  }
  EXPECT_EQ(dir.list().size(), 1 + 3 * dives.size()) << "the route and each dive's three files";
  EXPECT_NE(r.output.find(" **** Wrote mission script: " + stem + "-" + std::to_string(dives.size()) + ".cfg"),
            std::string::npos)
      << r.output;
}

// The battery, not the timer, ends these dives: each keeps the reserve, and together they
// take what the whole plan would, less nothing but the launch legs they add.
TEST(DivesRun, TheBatteryWithItsReserveSplitsAPlanTheTimerAllows) {
  const std::vector<std::string> route = eastwardRoute(30);
  TempDir dir;
  dir.write("route.txt", routeText(route, 0, route.size() - 1));
  const std::vector<std::string> battery = {"--set", "batteryWh=400",      "--set",    "hotelWatts=20",
                                            "--set", "propulsionWatts=40", "--dry-run"};
  std::vector<std::string> args = battery;
  args.insert(args.end(), {"--max-dive-hours", "100"});
  const vesk_result r = plan(dir, "route.txt", args);
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors.find("warning"), std::string::npos) << "no dive breaks the reserve: " << r.errors;
  const std::vector<dive> dives = divesOf(r.errors);
  ASSERT_GE(dives.size(), 2u) << r.errors;
  for (const dive& d : dives) EXPECT_LE(d.wattHours, 320.05) << "400 Wh less the reserve of 20 %";
  // Without the key the same plan is one dive that breaks the reserve, and says where.
  const vesk_result whole = plan(dir, "route.txt", battery);
  EXPECT_NE(whole.errors.find("breaks the reserve of 80.0 Wh (20 %)"), std::string::npos) << whole.errors;
  EXPECT_TRUE(divesOf(whole.errors).empty());
}

// A plan that fits one dive is written as it is without the key: the same bytes.
TEST(DivesRun, APlanThatFitsOneDiveIsWrittenAsWithoutTheKey) {
  const std::vector<std::string> route = eastwardRoute(6);
  TempDir with, without;
  for (const TempDir* dir : {&with, &without}) dir->write("route.txt", routeText(route, 0, route.size() - 1));
  const vesk_result a = plan(with, "route.txt", {"--max-dive-hours", "24"});
  const vesk_result b = plan(without, "route.txt", {});
  ASSERT_EQ(a.status, 0) << a.errors;
  EXPECT_NE(a.errors.find("  dives        one: the plan fits a dive of at most 24 h on the timer\n"), std::string::npos)
      << a.errors;
  const std::string stemA = stemOf(a.errors) + ".", stemB = stemOf(b.errors) + ".";
  for (const char* extension : {"cfg", "wpt", "pts"}) {
    EXPECT_EQ(named(readFile(with.file(stemA + extension)), stemA, "STEM."),
              named(readFile(without.file(stemB + extension)), stemB, "STEM."))
        << extension;
  }
}

// What cannot be split is refused before anything is written.
TEST(DivesRun, ALegLongerThanADiveAndLimitsThatCannotBeMeantAreRefused) {
  struct refusal {
    std::vector<std::string> args;
    std::string output;
    std::string reason;
    std::string route = "54.0 7.0\n54.0 7.5\n";  // a leg of 32.8 km, cut into 10 by the surfacings
  };
  for (const refusal& c : {
           refusal{{"--max-dive-hours", "0.5"},
                   "the leg from waypoint 1 to waypoint 2 does not fit one dive\n",
                   "vesk: a dive of this leg alone takes 0:54:40 on the mission timer, more than the maxDiveHours of "
                   "0.5 h"},
           // No vehicle's timer holds this plan (1.2 x 33179 m at 0.00001 m/s): refused, with what
           // would split it.
           refusal{{"--set", "missionSpeed=0.00001"},
                   "the mission timer of 3981516237 s is beyond what the vehicle's timer holds\n",
                   "split the plan into dives with --max-dive-hours H; nothing is written"},
           // A route of one waypoint has the launch leg alone (500 m, 400 s on the timer).
           refusal{{"--max-dive-hours", "0.01"},
                   "the launch leg to waypoint 1 does not fit one dive\n",
                   "vesk: a dive of this leg alone takes 0:06:40 on the mission timer",
                   "54.0 7.0\n"},
           // Two legs of 16.6 km with a surfacing every 3 m: more waypoints than any mission holds.
           refusal{{"--set", "maxLegMeters=3"},
                   "the plan has 10895 waypoints, more than the 10000 a mission holds\n",
                   "vesk: a mission holds at most 10000 waypoints; check the route and maxLegMeters, or split",
                   "54.0 7.0\n54.0 7.25\n54.0 7.5\n"},
           refusal{{"--max-dive-hours", "0"},
                   "",
                   "vesk: --max-dive-hours takes hours greater than 0, at most 1000, not '0'"},
           refusal{{"--set", "maxDiveHours=2000"}, "", "maxDiveHours is hours greater than 0, at most 1000"},
       }) {
    TempDir dir;
    dir.write("route.txt", c.route);
    const vesk_result r = plan(dir, "route.txt", c.args);
    EXPECT_EQ(r.status, 1) << c.args[1];
    if (!c.output.empty()) {
      EXPECT_NE(r.output.find(c.output), std::string::npos) << r.output;
    }
    EXPECT_NE(r.errors.find(c.reason), std::string::npos) << r.errors;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"}) << c.args[1];
  }
}

// The same plan of too many waypoints flown as dives: each within what a mission holds.
TEST(DivesRun, APlanOfMoreWaypointsThanAMissionHoldsIsSplitWithinIt) {
  TempDir dir;
  dir.write("route.txt", "54.0 7.0\n54.0 7.25\n54.0 7.5\n");
  const vesk_result r = plan(dir, "route.txt", {"--set", "maxLegMeters=3", "--max-dive-hours", "1000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::vector<dive> dives = divesOf(r.errors);
  ASSERT_EQ(dives.size(), 2u) << r.errors;
  const std::string stem = stemOf(r.errors);
  std::vector<long> lines;
  for (size_t k = 1; k <= dives.size(); ++k) {
    const std::string wpt = readFile(dir.file(stem + "-" + std::to_string(k) + ".wpt"));
    lines.push_back(std::count(wpt.begin(), wpt.end(), '\n'));
  }
  // The first dive runs as far as a mission holds; the second takes the rest.
  EXPECT_GT(lines[0], 9990);
  EXPECT_LE(lines[0], 10001) << "the launch and at most 10000 waypoints";
  EXPECT_GT(lines[1], 800);
}

// A folder where dive 3's waypoint file would go: nothing of dives 1 and 2 stays either.
TEST(DivesRun, ADiveThatCannotBeWrittenLeavesNoFileOfTheOthers) {
  const std::vector<std::string> route = eastwardRoute(30);
  TempDir dir;
  dir.write("route.txt", routeText(route, 0, route.size() - 1));
  // The stem is the minute the run takes it: both minutes the run may fall in are blocked.
  const std::time_t now = std::time(nullptr);
  std::vector<std::string> before = {"route.txt"};
  for (const std::time_t when : {now, now + 60}) {
    const std::string name = fileNameAt(when);
    const std::string blocked = name.substr(0, name.size() - 1) + "-3.wpt";
    std::filesystem::create_directory(dir.file(blocked));
    before.push_back(blocked);
  }
  std::sort(before.begin(), before.end());
  const vesk_result r = plan(dir, "route.txt", {"--max-dive-hours", "2"});
  EXPECT_EQ(r.status, 1) << r.errors;
  EXPECT_NE(r.output.find("cannot write waypoint output file"), std::string::npos) << r.output;
  EXPECT_NE(r.errors.find("no file of the set"), std::string::npos) << r.errors;
  EXPECT_EQ(dir.list(), before);
}

// Legs of 13 km cut at every 3600 m: a dive that starts or ends at a cut measures its
// pieces again, and no piece may be cut once more into a surfacing a hair's breadth after
// the one before.
TEST(DivesRun, ADiveOfCutLegsSurfacesOnlyWhereThePlanDid) {
  TempDir dir;
  std::string route;
  for (int i = 0; i < 12; ++i) route += "54.0 " + std::to_string(7 + 0.2 * i).substr(0, 3) + "\n";
  dir.write("route.txt", route);
  const vesk_result r = plan(dir, "route.txt", {"--max-dive-hours", "3"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::vector<dive> dives = divesOf(r.errors);
  ASSERT_GE(dives.size(), 10u) << r.errors;
  EXPECT_EQ(r.errors.find("ends with a piece"), std::string::npos) << r.errors;
  for (size_t k = 0; k < dives.size(); ++k) {
    const std::string wpt = readFile(dir.file(stemOf(r.errors) + "-" + std::to_string(k + 1) + ".wpt"));
    EXPECT_EQ(static_cast<size_t>(std::count(wpt.begin(), wpt.end(), '\n')), dives[k].last - dives[k].first + 2)
        << "dive " << k + 1 << ": its launch waypoint and the plan's waypoints " << dives[k].first << " to "
        << dives[k].last;
  }
}

// A survey in dives: the dives' waypoints, joined where one dive ends and the next begins,
// are the whole survey's in order.
TEST(DivesRun, TheDivesOfASurveyAreTheWholeSurveyInOrder) {
  TempDir dir;
  dir.write("area.kml", readFile(std::string(VESK_SOURCE_DIR) + "/examples/area.kml"));
  const std::vector<std::string> survey = {"--area", "area.kml", "--line-spacing", "100"};
  const auto positions = [&dir](const std::string& file) {
    std::vector<std::string> all;
    const std::string text = readFile(dir.file(file));
    // "12,N54.1826184,7.8,5,...": the position of each record.
    for (const std::string& line : linesOf(text)) {
      const size_t north = line.find(",N");
      const size_t lonEnd = line.find(',', line.find(',', north + 2) + 1);
      if (north != std::string::npos && lonEnd != std::string::npos) {
        all.push_back(line.substr(north + 2, lonEnd - north - 2));
      }
    }
    return all;
  };
  std::vector<std::string> args = noQuestions;
  args.insert(args.end(), survey.begin(), survey.end());
  const vesk_result whole = runVesk(args, "", dir.path());
  ASSERT_EQ(whole.status, 0) << whole.errors;
  std::vector<std::string> expected = positions(stemOf(whole.errors) + ".wpt");
  expected.erase(expected.begin());  // the launch waypoint
  args.insert(args.end(), {"--max-dive-hours", "5"});
  const vesk_result split = runVesk(args, "", dir.path());
  ASSERT_EQ(split.status, 0) << split.errors;
  const std::vector<dive> dives = divesOf(split.errors);
  ASSERT_GE(dives.size(), 4u) << split.errors;
  std::vector<std::string> joined;
  for (size_t k = 0; k < dives.size(); ++k) {
    EXPECT_LE(dives[k].timerSeconds, 5 * 3600);
    std::vector<std::string> own = positions(stemOf(split.errors) + "-" + std::to_string(k + 1) + ".wpt");
    ASSERT_EQ(own.size(), dives[k].last - dives[k].first + 2) << "dive " << k + 1;
    joined.insert(joined.end(), own.begin() + (k == 0 ? 1 : 2), own.end());
  }
  EXPECT_EQ(joined, expected);
}

}  // namespace
