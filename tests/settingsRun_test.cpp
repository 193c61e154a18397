// The built program with settings from a file and the command line: runs without
// questions, dry runs, --strict, and the settings a run keeps.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "runVesk.h"

namespace {

const char* const route = "45 10\n45.05 10.02\n45.1 10\n";

struct plannedRun {
  vesk_result result;
  std::map<std::string, std::string> set;  // by extension, the name stem written as STEM.
  std::vector<std::string> names;          // what the folder holds afterwards
};

// Runs vesk in a fresh folder holding route.txt (`routeText`) and dive.toml (`settings`)
// and a folder out. The set's name stem comes from the clock: STEM. in its place lets
// sets of runs minutes apart compare.
plannedRun planned(const std::vector<std::string>& args, const std::string& input, const std::string& settings,
                   const std::string& routeText = route) {
  TempDir dir;
  dir.write("route.txt", routeText);
  dir.write("dive.toml", settings);
  std::filesystem::create_directory(dir.file("out"));
  plannedRun run{runVesk(args, input, dir.path()), {}, dir.list()};
  for (const std::string& name : run.names) {
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".cfg") != 0) continue;
    const std::string stem = name.substr(0, name.size() - 3);
    for (const char* extension : {"cfg", "wpt", "pts"}) {
      std::string content = readFile(dir.file(stem + extension));
      for (size_t at = content.find(stem); at != std::string::npos; at = content.find(stem, at)) {
        content.replace(at, stem.size(), "STEM.");
      }
      run.set[extension] = content;
    }
  }
  if (std::filesystem::exists(dir.file("out/dive.toml"))) run.set["toml"] = readFile(dir.file("out/dive.toml"));
  return run;
}

// The mission without yoyo whose legs run at 25 m, its samplers armed, its cruise speed and
// depth envelope changed, given three ways; and a file and --set under the dialogue.
TEST(SettingsRun, TypedAnswersASettingsFileAndSetOptionsGiveTheSameSet) {
  const plannedRun typed = planned({"route.txt"}, "1\n1.3\n6\n80\n7\n110\n0\nn\n25\ny\n", "");
  ASSERT_EQ(typed.result.status, 0) << typed.result.errors;
  ASSERT_EQ(typed.set.size(), 3u);
  EXPECT_NE(typed.set.at("cfg").find("abortDepth        = 110;"), std::string::npos);

  const std::string file =
      "missionSpeed = 1.3\nmaxDepth = 80\nabortDepth = 110\nyoyoMission = false\nwayPointDepth = 25\n"
      "kallopMission = true\n";
  plannedRun r = planned({"--settings", "dive.toml", "--no-input", "route.txt"}, "", file);
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_EQ(r.set, typed.set);
  EXPECT_EQ(r.result.output.find("Mission Parameters"), std::string::npos) << "no question is asked";
  EXPECT_NE(r.result.errors.find("The Kallops will be armed at mission start."), std::string::npos);

  // The same file saved as "Unicode" by a Windows editor.
  std::string utf16 = "\xFF\xFE";
  for (const char c : file) utf16 += std::string{c, '\0'};
  r = planned({"--settings", "dive.toml", "--no-input", "route.txt"}, "", utf16);
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_EQ(r.set, typed.set);

  r = planned({"--set", "missionSpeed=1.3", "--set", "maxDepth=80", "--set", "abortDepth=110", "--set", "yoyoMission=0",
               "--set", "wayPointDepth=25", "--set", "kallopMission=1", "--no-input", "route.txt"},
              "", "");
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_EQ(r.set, typed.set);

  // --set over the file, the dialogue starting from both: 0 keeps the menu's values, the
  // waypoint depth is typed again as its editor shows it.
  r = planned({"--settings", "dive.toml", "--set", "maxDepth=80", "route.txt"}, "0\nn\n25\ny\n",
              "missionSpeed = 1.3\nmaxDepth = 70\nabortDepth = 110\nwayPointDepth = 25\n");
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_NE(r.result.output.find(" 6  maxDepth 80\n 7  abortDepth 110\n"), std::string::npos) << r.result.output;
  EXPECT_NE(r.result.output.find("Default Waypoint Depth is 25 \n"), std::string::npos);
  EXPECT_EQ(r.set, typed.set);

  // The example settings file holds the defaults: the set of the answers that accept them.
  r = planned({"--settings", VESK_EXAMPLES "/settings.toml", "--no-input", "route.txt"}, "", "");
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_EQ(r.set, planned({"route.txt"}, acceptDefaults, "").set);
}

TEST(SettingsRun, SavedSettingsPlanTheSameSetAgain) {
  plannedRun first = planned({"--set", "missionSpeedSlow=0.7", "--set", "yoyoMission=1", "--set", "kallopMission=0",
                              "--set", "missionYoyoMaxDepth=41", "--set", "missionTimerFactor=1.35", "--set",
                              "surfacingAllowance=75", "--save-settings", "out/dive.toml", "--no-input", "route.txt"},
                             "", "");
  ASSERT_EQ(first.result.status, 0) << first.result.errors;
  const std::string saved = first.set.at("toml");
  first.set.erase("toml");
  EXPECT_NE(saved.find("planned from route.txt as "), std::string::npos) << saved;
  EXPECT_NE(first.set.at("cfg").find("# mission timer set to 135% of estimated time of mission plus 75 s"),
            std::string::npos);

  const plannedRun second = planned({"--settings", "dive.toml", "--no-input", "route.txt"}, "", saved);
  ASSERT_EQ(second.result.status, 0) << second.result.errors;
  EXPECT_EQ(second.set, first.set);
}

struct refusedRunCase {
  std::vector<std::string> args;
  std::string errorsEnd;  // how standard error ends
};

// Runs that stop before planning, or plan and then write nothing: the folder as it was.
TEST(SettingsRun, RefusedAndDryRunsWriteNothing) {
  const std::vector<refusedRunCase> cases = {
      {{"--no-input", "route.txt"},
       "vesk: --no-input: no value given for yoyoMission, kallopMission: give them in the settings file or with "
       "--set KEY=VALUE; nothing is planned\n"},
      {{"--set", "yoyoMission=0", "--set", "kallopMission=0", "--no-input", "route.txt"},
       "vesk: --no-input: no value given for wayPointDepth: give them in the settings file or with --set "
       "KEY=VALUE; nothing is planned\n"},
      {{"--no-input"}, "vesk: --no-input asks no question: give the waypoint file on the command line\n"},
      {{"--settings", "dive.toml", "route.txt"},
       "dive.toml:2:1: unknown key 'abortDepht': did you mean 'abortDepth'?\n"},
      {{"--settings", "missing.toml", "route.txt"}, "vesk: cannot read settings file missing.toml\n"},
      {{"--set", "maxLegMeters=0.001", "--no-input", "--set", "yoyoMission=1", "--set", "kallopMission=0", "route.txt"},
       "vesk: --set maxLegMeters=0.001: maxLegMeters = 0.001: at 0.001 m between surfacings the route would need "
       "more than 10000000 waypoints\n"},
      // A warned setting, and a warned command line, under --strict.
      {{"--strict", "--set", "abortDepth=50", "--set", "yoyoMission=1", "--set", "kallopMission=0", "--no-input",
        "route.txt"},
       "vesk: --strict: warnings are errors; nothing is written\n"},
      {{"--strict", "route.txt", "other.txt", "--set", "yoyoMission=1", "--set", "kallopMission=0", "--no-input"},
       "vesk: --strict: warnings are errors; nothing is written\n"},
      // A dry run plans and reports, with every option that writes.
      {{"--dry-run", "--set", "yoyoMission=1", "--set", "kallopMission=1", "--no-input", "-o", "out", "--map", "kml",
        "--save-settings", "out/dive.toml", "route.txt"},
       "dry run: nothing is written\n"},
  };
  for (const refusedRunCase& c : cases) {
    const plannedRun r = planned(c.args, "", "maxDepth = 80\nabortDepht = 100\n");
    const std::string& errors = r.result.errors;
    EXPECT_EQ(r.result.status, c.args[0] == "--dry-run" ? 0 : 1) << c.errorsEnd;
    ASSERT_GE(errors.size(), c.errorsEnd.size()) << errors;
    EXPECT_EQ(errors.substr(errors.size() - c.errorsEnd.size()), c.errorsEnd) << errors;
    EXPECT_EQ(r.names, (std::vector<std::string>{"dive.toml", "out", "route.txt"})) << c.errorsEnd;
    EXPECT_TRUE(r.set.empty()) << c.errorsEnd;
    if (c.args[0] == "--strict" || c.args[0] == "--dry-run") {
      EXPECT_NE(errors.find(c.args[0] == "--strict" ? "error: " : "plan "), std::string::npos) << errors;
    }
  }
}

// A script that gives no answers is told of --no-input; one whose answers run out is not.
TEST(SettingsRun, AnEmptyInputPointsToRunsWithoutQuestions) {
  plannedRun r = planned({"route.txt"}, "", "");
  EXPECT_EQ(r.result.status, 1);
  EXPECT_NE(r.result.errors.find("standard input holds no answers: to plan without questions"), std::string::npos)
      << r.result.errors;
  r = planned({"route.txt"}, "0\n", "");
  EXPECT_EQ(r.result.status, 1);
  EXPECT_EQ(r.result.errors.find("--no-input"), std::string::npos) << r.result.errors;
}

// The allowance the timer warning names makes room for the surfacings of a dense track.
TEST(SettingsRun, TheAllowanceTheTimerWarningNamesSilencesIt) {
  std::string track;
  for (int i = 0; i < 200; ++i) track += std::to_string(45 + i * 133 / 111194.9266) + " 10\n";
  std::vector<std::string> args = {"--set", "yoyoMission=1", "--set", "kallopMission=0", "--no-input", "route.txt"};
  plannedRun r = planned(args, "", "", track);
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_NE(r.result.errors.find("raise missionTimerFactor, or surfacingAllowance to 221 s\n"), std::string::npos);

  args.insert(args.begin(), {"--set", "surfacingAllowance=221"});
  r = planned(args, "", "", track);
  ASSERT_EQ(r.result.status, 0) << r.result.errors;
  EXPECT_EQ(r.result.errors.find("warning"), std::string::npos) << r.result.errors;
  // The timer of 5:59:34 (21,574 s) and 221 s for each of the 200 surfacings.
  EXPECT_NE(r.set.at("cfg").find("timeOut = 65774;\r\n"), std::string::npos);
}

}  // namespace
