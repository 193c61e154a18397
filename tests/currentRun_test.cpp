// The current end to end: the leg durations in the script, the timer, the energy and the
// survey's time from the speed over the ground the triangle of velocities gives; the
// drift at the surfacings; and currents, or legs in them, that are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "runVesk.h"

namespace {

const char* const northward = "45 10\n45.02 10\n";  // tracks of 360: 500 m, then 2224 m
const char* const eastward = "1 10\n1 10.02\n";     // tracks of about 90

struct writtenRun {
  vesk_result result;
  std::string cfg;  // the script, empty when none was written
  std::vector<std::string> names;
};

// A mission at constant depth without questions, at 1.5 m/s, with `sets`; `args` before them.
writtenRun plan(const std::string& route, const std::vector<std::string>& sets, std::vector<std::string> args = {}) {
  args.insert(args.end(), {"--set", "yoyoMission=0", "--set", "wayPointDepth=50", "--set", "kallopMission=0"});
  for (const std::string& set : sets) args.insert(args.end(), {"--set", set});
  args.emplace_back("--no-input");
  if (!route.empty()) args.emplace_back("route.txt");  // else the area a.txt
  TempDir dir;
  dir.write("route.txt", route);
  dir.write("a.txt", "45 10\n45 10.01\n45.01 10.01\n45.01 10\n");
  writtenRun run{runVesk(args, "", dir.path()), "", dir.list()};
  for (const std::string& name : run.names) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cfg") == 0) run.cfg = readFile(dir.file(name));
  }
  return run;
}

// The numbers after every `label` in `text`, in order; H:MM:SS read as seconds.
std::vector<double> numbersAfter(const std::string& text, const std::string& label) {
  std::vector<double> found;
  for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1)) {
    char* end = nullptr;
    double value = std::strtod(text.c_str() + at + label.size(), &end);
    while (*end == ':') value = value * 60 + std::strtod(end + 1, &end);
    found.push_back(value);
  }
  return found;
}

const std::vector<std::string> vehicle = {"batteryWh=1500", "hotelWatts=8", "propulsionWatts=135"};

// Each leg (durations last leg first) takes its length over its speed over the ground: its
// time in still water times 1.5 over that speed; the timer is 1.2 times their sum, and the
// energy under way follows. The vehicle points up into the current across its track.
TEST(CurrentRun, LegsAreTimedAtTheirSpeedOverTheGround) {
  struct triangleCase {
    const char* route;
    std::string toward, speed;
    double overGround;  // m/s, by hand
    std::string steering;
  };
  const std::vector<triangleCase> cases = {
      {northward, "0", "0.5", 2.0, "0.0° off the track: 360.0° for 360.0°"},    // along
      {northward, "180", "0.5", 1.0, "0.0° off the track: 360.0° for 360.0°"},  // against
      {northward, "90", "0.9", 1.2, "36.9° off the track: 323.1° for 360.0°"},  // from the west
      {northward, "270", "0.9", 1.2, "36.9° off the track: 36.9° for 360.0°"},  // from the east
      {eastward, "180", "0.9", 1.2, "36.9° off the track: 53.1° for 90.0°"},    // from the north
      {northward, "45", "0.70710678118654757", 0.5 + std::sqrt(2.0), "19.5° off the track: 340.5° for 360.0°"},
      {northward, "180", "1.49", 0.01, "0.0° off the track: 360.0° for 360.0°"},  // just held
      {northward, "90", "1.49", std::sqrt(1.5 * 1.5 - 1.49 * 1.49), "83.4° off the track: 276.6° for 360.0°"},
      {northward, "90", "0", 1.5, "0.0° off the track: 360.0° for 360.0°"},  // still water
  };
  for (const triangleCase& c : cases) {
    SCOPED_TRACE(c.toward + "° at " + c.speed);
    const writtenRun still = plan(c.route, vehicle);
    std::vector<std::string> sets = vehicle;
    sets.insert(sets.end(), {"currentToward=" + c.toward, "currentSpeed=" + c.speed});
    const writtenRun moving = plan(c.route, sets);
    ASSERT_EQ(moving.result.status, 0) << moving.result.errors;
    const std::vector<double> before = numbersAfter(still.cfg, "\nduration      = ");
    const std::vector<double> after = numbersAfter(moving.cfg, "\nduration      = ");
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(after.size(), 2u);
    double sum = 0;
    for (size_t i = 0; i < after.size(); ++i) {
      EXPECT_NEAR(after[i], before[i] * 1.5 / c.overGround, after[i] * 2e-5) << i;
      sum += before[i] * 1.5 / c.overGround;
    }
    EXPECT_NEAR(numbersAfter(moving.cfg, "timeOut = ").at(0), 1.2 * sum, 1.0);
    EXPECT_NEAR(numbersAfter(moving.result.errors, " Wh: ").at(0),
                numbersAfter(still.result.errors, " Wh: ").at(0) * 1.5 / c.overGround, 0.06 * (1 + 1.5 / c.overGround));
    EXPECT_NE(moving.result.errors.find("  steering     up to " + c.steering), std::string::npos)
        << moving.result.errors;
    if (c.speed == "0") {  // the same script but for its name
      EXPECT_EQ(moving.cfg.substr(moving.cfg.find('\n')), still.cfg.substr(still.cfg.find('\n')));
    }
  }
}

// Carried with the water all the time under, a vehicle that lost its track would surface
// 0.5 m/s x 1112 s = 556 m off waypoint 2 and 125 m off waypoint 1: beyond 100 m a
// warning, an error under --strict. A slow current is told of without one.
TEST(CurrentRun, TheDriftAtTheSurfacingsIsToldAndWarnedOfBeyond100m) {
  const writtenRun fast = plan(northward, {"currentToward=0", "currentSpeed=0.5"}, {"--strict"});
  EXPECT_EQ(fast.result.status, 1);
  EXPECT_NE(fast.result.errors.find("more than 100 m from waypoints 1 and 2 by its surfacing there, the most 556 m "
                                    "at waypoint 2;"),
            std::string::npos)
      << fast.result.errors;
  EXPECT_EQ(fast.names, (std::vector<std::string>{"a.txt", "route.txt"}));
  const writtenRun slow = plan(northward, {"currentToward=0", "currentSpeed=0.05"}, {"--strict"});
  ASSERT_EQ(slow.result.status, 0) << slow.result.errors;
  EXPECT_NE(slow.result.errors.find("  drift        up to 72 m at waypoint 2, 0:23:55 submerged"), std::string::npos)
      << slow.result.errors;
}

// A survey's time under way is that of its legs in the current, as the plan's is: the
// plan's less the launch leg, the duration at the foot of the script.
TEST(CurrentRun, ASurveysTimeUnderWayIsTheTimeOfItsLegsInTheCurrent) {
  const writtenRun r = plan("", {"currentToward=30", "currentSpeed=0.6"}, {"--area", "a.txt", "--line-spacing", "100"});
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  const double launchLeg = numbersAfter(r.cfg, "\nduration      = ").back();
  EXPECT_NEAR(numbersAfter(r.result.errors, "  survey time  ").at(0),
              numbersAfter(r.result.errors, "  time         ").at(0) - launchLeg, 1.0);
}

// Refused with the reason, nothing on standard output and nothing written: keys that cannot
// make a current before any question, a leg the vehicle cannot hold once it is planned.
TEST(CurrentRun, CurrentsThatCannotBeMeantOrHeldAreRefused) {
  const std::string needs =
      ": the current needs currentToward and currentSpeed together; give them in the settings "
      "file or with --set KEY=VALUE; nothing is planned\n";
  const std::string leg =
      "the vehicle cannot hold the leg from waypoint 0 to waypoint 1, 500 m on 360.0°, in the "
      "current\n";
  struct refusedCase {
    std::vector<std::string> sets;
    std::string reason;
    std::string said = "";  // on standard output
  };
  const std::vector<refusedCase> cases = {
      {{"currentToward=90"}, "vesk: currentToward is given without currentSpeed" + needs},
      {{"currentSpeed=0.5"}, "vesk: currentSpeed is given without currentToward" + needs},
      {{"currentToward=360.5"}, "vesk: --set currentToward=360.5: currentToward is degrees true from 0 to 360\n"},
      {{"currentSpeed=10.5"}, "vesk: --set currentSpeed=10.5: currentSpeed is m/s from 0 to 10\n"},
      {{"currentToward=90", "currentSpeed=1.5"},
       "vesk: the current of 1.5 m/s toward 90° sets it 1.5 m/s across the track, and it makes 1.5 m/s through the "
       "water; nothing is written\n",
       leg},
      {{"currentToward=180", "currentSpeed=1.5"},
       "vesk: the current of 1.5 m/s toward 180° runs 1.5 m/s against the track, and at 1.5 m/s through the water "
       "the vehicle makes 0 m/s over the ground; nothing is written\n",
       leg},
      {{"currentToward=170", "currentSpeed=2"},
       "vesk: the current of 2 m/s toward 170° runs 1.97 m/s against the track, and at 1.5 m/s through the water "
       "the vehicle makes -0.51 m/s over the ground; nothing is written\n",
       leg},
  };
  for (const refusedCase& c : cases) {
    SCOPED_TRACE(c.sets.back());
    const writtenRun r = plan(northward, c.sets);
    EXPECT_EQ(r.result.status, 1);
    EXPECT_EQ(r.result.output, c.said);
    EXPECT_EQ(r.result.errors.substr(r.result.errors.find("vesk: ")), c.reason);
    EXPECT_EQ(r.names, (std::vector<std::string>{"a.txt", "route.txt"}));
  }
}

}  // namespace
