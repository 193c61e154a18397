// The energy budget end to end: the figures of a plan worked out by hand, the reserve
// broken where the vehicle crosses it, and energy keys that cannot make a budget refused
// before any question.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "runVesk.h"

namespace {

// A plan without questions or files: a yoyo mission to 90 m, the samplers not armed.
vesk_result dryRun(const std::string& route, std::vector<std::string> args) {
  TempDir dir;
  dir.write("route.txt", route);
  for (const char* fixed : {"--set", "yoyoMission=1", "--set", "kallopMission=0", "--no-input", "route.txt"}) {
    args.emplace_back(fixed);
  }
  if (args.front() != "--strict") args.insert(args.begin(), "--dry-run");
  return runVesk(args, "", dir.path());
}

// The vehicle of the textbook case: hotel 8 W, propulsion 40 W at 1 m/s, times the cube of
// the speed; `battery` Wh at launch.
std::vector<std::string> textbookVehicle(double speed, const std::string& battery) {
  return {"--set", "missionSpeed=" + std::to_string(speed),
          "--set", "propulsionWatts=" + std::to_string(40 * speed * speed * speed),
          "--set", "hotelWatts=8",
          "--set", "batteryWh=" + battery};
}

// The line of `text` that starts with `start`, without its line end.
std::string lineOf(const std::string& text, const std::string& start) {
  const size_t at = text.find("\n" + start);
  EXPECT_NE(at, std::string::npos) << start << " not in\n" << text;
  return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

// The number after `label` in `text`.
double numberAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  EXPECT_NE(at, std::string::npos) << label << " not in\n" << text;
  return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + label.size(), nullptr);
}

// The least energy a kilometre is where the propulsion draws half the hotel load, whatever
// speed the propulsion's figure is given at: (8 / (2 x 40))^(1/3) m/s, 12 W there, and
// 1500 Wh last 1500 x 3600 x 0.464 / 12 m.
TEST(EnergyRun, TheBestSpeedAndItsRangeDoNotHangOnTheSpeedPlanned) {
  for (const double speed : {1.5, 1.0, 0.6}) {
    const vesk_result r = dryRun("45 10\n", textbookVehicle(speed, "1500"));
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_NE(r.errors.find("  best speed   0.464 m/s, 7.18 Wh a km"), std::string::npos) << speed << r.errors;
    EXPECT_NE(r.errors.find(": 209 km on the battery, 167 km to the reserve"), std::string::npos) << r.errors;
  }
}

// One waypoint: the launch leg of exactly 500 m and one surfacing after it. Slower, the leg
// takes longer but far less power; the surfacing's behaviours run at 1.5 m/s whatever
// the cruise speed, so its energy is the same.
TEST(EnergyRun, ALegAndASurfacingCostWhatTheyCostByHand) {
  // The surfacing: a 30 s GPS fix on the hotel load alone; the 30 s setpoint, the descent
  // to 5 m at 0.75 m/s and the ascent from 90 m to 2 m at 1.5 x sin 20 m/s, each at
  // 8 + 40 x 1.5^3 = 143 W.
  const double ascent = 88 / (1.5 * std::sin(20 * std::acos(-1.0) / 180));
  const double surfacingWh = (8 * 30 + 143 * (30 + 5 / 0.75 + ascent)) / 3600;
  struct legCase {
    double speed;
    double legWh;  // (8 + 40 U^3) W for 500 / U s
  };
  for (const legCase& c : {legCase{1.5, 143 * 500 / 1.5 / 3600}, legCase{0.5, 13 * 500 / 0.5 / 3600}}) {
    const vesk_result r = dryRun("45 10\n", textbookVehicle(c.speed, "1500"));
    ASSERT_EQ(r.status, 0) << r.errors;
    const std::string usedLine = lineOf(r.errors, "  used ");
    const double used = numberAfter(usedLine, "  used         ");
    EXPECT_NEAR(numberAfter(usedLine, " Wh: "), c.legWh, 0.051) << usedLine;
    EXPECT_NEAR(numberAfter(usedLine, " m/s, "), surfacingWh, 0.051) << usedLine;
    EXPECT_NEAR(used, c.legWh + surfacingWh, 0.051) << c.speed;
    EXPECT_NEAR(numberAfter(r.errors, "  left         "), 1500 - used, 0.051) << c.speed;
    EXPECT_EQ(r.errors.find(" Wh at launch to keep the reserve"), std::string::npos) << r.errors;
    EXPECT_EQ(r.errors.find("runs flat"), std::string::npos) << r.errors;
  }
}

// Four waypoints a kilometre apart due north at 1.5 m/s: about 21.6 Wh to waypoint 1
// (the launch leg and its surfacing), then 26.5 Wh a leg and 8.3 a surfacing, 126.1 Wh
// in all. The reserve is crossed where the energy used passes the battery less it.
TEST(EnergyRun, TheReserveIsBrokenWhereTheVehicleCrossesIt) {
  const std::string route = "45 10\n45.009 10\n45.018 10\n45.027 10\n";
  struct reserveCase {
    std::string battery;
    std::string reserve;
    const char* broken;  // where the reserve is crossed; null: it holds
    const char* flat;    // where the battery runs flat; null: it lasts
  };
  const std::vector<reserveCase> cases = {
      {"66", "20", "at the surfacing at waypoint 2", "on the leg from waypoint 2 to waypoint 3"},
      {"130", "60", "at the surfacing at waypoint 2", nullptr},
      {"100", "20", "on the leg from waypoint 2 to waypoint 3", "on the leg from waypoint 3 to waypoint 4"},
      {"140", "20", "on the leg from waypoint 3 to waypoint 4", nullptr},
      {"140", "5", nullptr, nullptr},
  };
  for (const reserveCase& c : cases) {
    SCOPED_TRACE(c.battery + " Wh, " + c.reserve + " %");
    std::vector<std::string> args = textbookVehicle(1.5, c.battery);
    args.insert(args.end(), {"--set", "reservePercent=" + c.reserve});
    const vesk_result r = dryRun(route, args);
    ASSERT_EQ(r.status, 0) << r.errors;
    EXPECT_NEAR(numberAfter(r.errors, "  used         "), 126.1, 0.5);
    const size_t warned = r.errors.find("warning: the mission uses ");
    if (c.broken == nullptr) {
      EXPECT_EQ(warned, std::string::npos) << r.errors;
      continue;
    }
    ASSERT_NE(warned, std::string::npos) << r.errors;
    const std::string warning = r.errors.substr(warned, r.errors.find('\n', warned) - warned);
    EXPECT_NE(warning.find("(" + c.reserve + " %) " + c.broken + ";"), std::string::npos) << warning;
    const size_t flat = r.errors.find("warning: the battery runs flat ");
    EXPECT_EQ(flat != std::string::npos, c.flat != nullptr) << r.errors;
    if (c.flat != nullptr) {
      EXPECT_NE(r.errors.find(c.flat, flat), std::string::npos) << r.errors;
    }

    // Under --strict the broken reserve stops the run before anything is written.
    args.insert(args.begin(), "--strict");
    const vesk_result strict = dryRun(route, args);
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.errors.find("error: the mission uses "), std::string::npos) << strict.errors;
    EXPECT_NE(strict.errors.find("vesk: --strict: warnings are errors; nothing is written\n"), std::string::npos);
  }
}

// Refused before the route is read and before any question: nothing on standard output.
TEST(EnergyRun, EnergyKeysThatCannotMakeABudgetAreRefused) {
  struct refusedCase {
    std::vector<std::string> sets;
    std::string reason;
  };
  const std::string needs =
      ": the energy budget needs batteryWh, hotelWatts and propulsionWatts together; give them "
      "in the settings file or with --set KEY=VALUE; nothing is planned\n";
  const std::vector<refusedCase> cases = {
      {{"batteryWh=1500"}, "vesk: batteryWh is given without hotelWatts and propulsionWatts" + needs},
      {{"batteryWh=1500", "hotelWatts=8"}, "vesk: batteryWh and hotelWatts are given without propulsionWatts" + needs},
      {{"hotelWatts=8", "propulsionWatts=135", "reservePercent=30"},
       "vesk: hotelWatts, propulsionWatts and reservePercent are given without batteryWh" + needs},
      {{"reservePercent=30"},
       "vesk: reservePercent is given without batteryWh, hotelWatts and propulsionWatts" + needs},
      {{"batteryWh=0"}, "vesk: --set batteryWh=0: batteryWh is watt-hours greater than 0, at most 100000\n"},
      {{"reservePercent=100"},
       "vesk: --set reservePercent=100: reservePercent is a percentage from 0 up to, not including, 100\n"},
      {{"hotelWatts=-8"}, "vesk: --set hotelWatts=-8: hotelWatts is watts greater than 0, at most 10000\n"},
      {{"propulsionWatts=135000"},
       "vesk: --set propulsionWatts=135000: propulsionWatts is watts greater than 0, at most 100000\n"},
  };
  for (const refusedCase& c : cases) {
    SCOPED_TRACE(c.sets.front());
    std::vector<std::string> args;
    for (const std::string& set : c.sets) args.insert(args.end(), {"--set", set});
    args.emplace_back("route.txt");
    TempDir dir;
    dir.write("route.txt", "45 10\n");
    const vesk_result r = runVesk(args, "", dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.errors, c.reason);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"});
  }
}

}  // namespace
