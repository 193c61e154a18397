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

// The files of the set in `folder` by extension, the name stem (which comes from the
// clock) written as STEM, so that sets of runs minutes apart compare.
std::map<std::string, std::string> setIn(const std::string& folder) {
  std::map<std::string, std::string> set;
  std::string stem;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".cfg") == 0) stem = name.substr(0, name.size() - 3);
  }
  if (stem.empty()) return set;
  for (const char* extension : {"cfg", "wpt", "pts"}) {
    std::string content = readFile(folder + "/" + stem + extension);
    for (size_t at = content.find(stem); at != std::string::npos; at = content.find(stem, at)) {
      content.replace(at, stem.size(), "STEM.");
    }
    set[extension] = content;
  }
  return set;
}

// The mission without yoyo whose legs run at 25 m, its samplers armed, its cruise speed and
// depth envelope changed, given three ways.
TEST(SettingsRun, TypedAnswersASettingsFileAndSetOptionsGiveTheSameSet) {
  TempDir typed;
  typed.write("route.txt", route);
  vesk_result r = runVesk({"route.txt"}, "1\n1.3\n6\n80\n7\n110\n0\nn\n25\ny\n", typed.path());
  ASSERT_EQ(r.status, 0) << r.output << r.errors;
  const std::map<std::string, std::string> expected = setIn(typed.path());
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_NE(expected.at("cfg").find("110"), std::string::npos);

  TempDir fromFile;
  fromFile.write("route.txt", route);
  fromFile.write("dive.toml",
                 "missionSpeed = 1.3\nmaxDepth = 80\nabortDepth = 110\n"
                 "yoyoMission = false\nwayPointDepth = 25\nkallopMission = true\n");
  r = runVesk({"--settings", "dive.toml", "--no-input", "route.txt"}, "", fromFile.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(setIn(fromFile.path()), expected);
  EXPECT_EQ(r.output.find("Mission Parameters"), std::string::npos) << "no question is asked";
  EXPECT_NE(r.errors.find("The Kallops will be armed at mission start."), std::string::npos);

  TempDir fromSets;
  fromSets.write("route.txt", route);
  r = runVesk({"--set", "missionSpeed=1.3", "--set", "maxDepth=80", "--set", "abortDepth=110", "--set",
               "yoyoMission=0", "--set", "wayPointDepth=25", "--set", "kallopMission=1", "--no-input", "route.txt"},
              "", fromSets.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(setIn(fromSets.path()), expected);

  // --set over the file, and the dialogue starting from both: 0 keeps the menu's, the
  // waypoint depth is typed again as its editor shows it.
  TempDir layered;
  layered.write("route.txt", route);
  layered.write("dive.toml", "missionSpeed = 1.3\nmaxDepth = 70\nabortDepth = 110\nwayPointDepth = 25\n");
  r = runVesk({"--settings", "dive.toml", "--set", "maxDepth=80", "route.txt"}, "0\nn\n25\ny\n", layered.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(r.output.find(" 6  maxDepth 80\n 7  abortDepth 110\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Default Waypoint Depth is 25 \n"), std::string::npos) << r.output;
  EXPECT_EQ(setIn(layered.path()), expected);
}

TEST(SettingsRun, SavedSettingsPlanTheSameSetAgain) {
  TempDir first;
  first.write("route.txt", route);
  std::filesystem::create_directory(first.file("kept"));
  vesk_result r = runVesk({"--set", "missionSpeedSlow=0.7", "--set", "yoyoMission=1", "--set", "kallopMission=0",
                           "--set", "missionYoyoMaxDepth=41", "--set", "missionTimerFactor=1.35", "--set",
                           "surfacingAllowance=75", "--save-settings", "kept/dive.toml", "--no-input", "route.txt"},
                          "", first.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string saved = readFile(first.file("kept/dive.toml"));
  EXPECT_NE(saved.find("planned from route.txt as "), std::string::npos) << saved;
  EXPECT_NE(saved.find("surfacingAllowance = 75.0"), std::string::npos) << saved;
  EXPECT_NE(setIn(first.path()).at("cfg").find("# mission timer set to 135% of estimated time of mission plus 75 s"),
            std::string::npos);

  TempDir second;
  second.write("route.txt", route);
  second.write("dive.toml", saved);
  r = runVesk({"--settings", "dive.toml", "--no-input", "route.txt"}, "", second.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(setIn(second.path()), setIn(first.path()));
}

struct refusedRunCase {
  std::vector<std::string> args;
  std::string errorsEnd;  // how standard error ends
};

// Runs that stop before planning, or plan and then write nothing: the folder as it was.
TEST(SettingsRun, RefusedRunsWriteNothing) {
  const std::vector<refusedRunCase> cases = {
      {{"--no-input", "route.txt"},
       "vesk: --no-input: no value given for yoyoMission, kallopMission: give them in the settings file or with "
       "--set KEY=VALUE; nothing is planned\n"},
      {{"--set", "yoyoMission=0", "--set", "kallopMission=0", "--no-input", "route.txt"},
       "vesk: --no-input: no value given for wayPointDepth: give them in the settings file or with --set "
       "KEY=VALUE; nothing is planned\n"},
      {{"--no-input"}, "vesk: --no-input asks no question: give the waypoint file on the command line\n"},
      {{"--settings", "bad.toml", "route.txt"}, "bad.toml:2:1: unknown key 'abortDepht': did you mean 'abortDepth'?\n"},
      {{"--settings", "missing.toml", "route.txt"}, "vesk: cannot read settings file missing.toml\n"},
      {{"--set", "maxLegMeters=0.001", "--no-input", "--set", "yoyoMission=1", "--set", "kallopMission=0", "route.txt"},
       "vesk: --set maxLegMeters=0.001: maxLegMeters = 0.001: at 0.001 m between surfacings the route would need more "
       "than 10000000 waypoints\n"},
      // A warned setting under --strict.
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
    TempDir dir;
    dir.write("route.txt", route);
    dir.write("bad.toml", "maxDepth = 80\nabortDepht = 100\n");
    std::filesystem::create_directory(dir.file("out"));
    const std::vector<std::string> before = dir.list();
    const vesk_result r = runVesk(c.args, "", dir.path());
    const bool dry = c.args[0] == "--dry-run";
    EXPECT_EQ(r.status, dry ? 0 : 1) << c.errorsEnd;
    ASSERT_GE(r.errors.size(), c.errorsEnd.size()) << r.errors;
    EXPECT_EQ(r.errors.substr(r.errors.size() - c.errorsEnd.size()), c.errorsEnd) << r.errors;
    EXPECT_EQ(dir.list(), before) << c.errorsEnd;
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("out"))) << c.errorsEnd;
    if (dry) {
      EXPECT_NE(r.errors.find("plan "), std::string::npos) << r.errors;
    }
    if (c.args[0] == "--strict") {
      EXPECT_NE(r.errors.find("error: "), std::string::npos) << r.errors;
    }
  }
}

// A script that gives no answers is told of --no-input; one whose answers run out is not.
TEST(SettingsRun, AnEmptyInputPointsToRunsWithoutQuestions) {
  TempDir dir;
  dir.write("route.txt", route);
  vesk_result r = runVesk({"route.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("standard input holds no answers: to plan without questions"), std::string::npos)
      << r.errors;
  r = runVesk({"route.txt"}, "0\n", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors.find("--no-input"), std::string::npos) << r.errors;
  EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"});
}

// The allowance the timer warning names makes room for the surfacings of a dense track.
TEST(SettingsRun, TheAllowanceTheTimerWarningNamesSilencesIt) {
  std::string track;
  for (int i = 0; i < 200; ++i) track += std::to_string(45 + i * 133 / 111194.9266) + " 10\n";
  const std::vector<std::string> given = {"--set", "yoyoMission=1", "--set", "kallopMission=0", "--no-input"};
  TempDir warned;
  warned.write("route.txt", track);
  std::vector<std::string> args = given;
  args.push_back("route.txt");
  vesk_result r = runVesk(args, "", warned.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(r.errors.find("raise missionTimerFactor, or surfacingAllowance to 221 s\n"), std::string::npos)
      << r.errors;

  TempDir roomy;
  roomy.write("route.txt", track);
  args.insert(args.begin(), {"--set", "surfacingAllowance=221"});
  r = runVesk(args, "", roomy.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors.find("warning"), std::string::npos) << r.errors;
  // The timer of 5:59:34 (21,574 s) and 221 s for each of the 200 surfacings.
  EXPECT_NE(setIn(roomy.path()).at("cfg").find("timeOut = 65774;\r\n"), std::string::npos);
}

}  // namespace

namespace {

// The README's example settings file holds the defaults: planned without a question it
// gives the set of the answers that accept every default.
TEST(SettingsRun, TheExampleSettingsFileGivesTheDefaultMission) {
  TempDir typed;
  typed.write("route.txt", route);
  ASSERT_EQ(runVesk({"route.txt"}, acceptDefaults, typed.path()).status, 0);
  TempDir fromFile;
  fromFile.write("route.txt", route);
  const vesk_result r =
      runVesk({"--settings", VESK_EXAMPLES "/settings.toml", "--no-input", "route.txt"}, "", fromFile.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(setIn(fromFile.path()), setIn(typed.path()));
}

}  // namespace
