// Settings files and --set options: what each gives, and the refusals an operator reads.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "settings.h"
#include "settings/settingKeys.h"
#include "settings/settingsFile.h"

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { resetSettings(); }
  void TearDown() override { resetSettings(); }
};

double valueOf(const char* name, const settingValues& values) { return storedValue(*findSettingKey(name), values); }

struct fileCase {
  const char* text;
  std::vector<std::string> refusals;  // empty: the file is taken
  std::vector<std::pair<const char*, double>> stored;
};

TEST_F(SettingsFile, EachFileGivesItsSettingsOrItsRefusals) {
  const std::vector<fileCase> cases = {
      {"missionSpeed = 1.3\nmissionSpeedSlow = 1\ngpsHits = 20\nmaxLegMeters = 2500.5\nminDepth = 1.5\n"
       "maxDepth = 60\nabortDepth = 70.0\nabortAltitude = 3\nabortLockoutDepth = 5\nabortOnTimeout = false\n"
       "yoyoMission = 0\nwayPointDepth = 25\nyoyoMinAltitude = 9\nmissionYoyoMinDepth = 3\n"
       "missionYoyoMaxDepth = 40\nmissionYoyoMaxDepthShallow = 12\nkallopMission = true\n"
       "missionTimerFactor = 1.5\nsurfacingAllowance = 90\n",
       {},
       {{"missionSpeed", static_cast<double>(1.3f)},
        {"missionSpeedSlow", 1},
        {"gpsHits", 20},
        {"maxLegMeters", 2500.5},
        {"minDepth", 1.5},
        {"maxDepth", 60},
        {"abortDepth", 70},
        {"abortAltitude", 3},
        {"abortLockoutDepth", 5},
        {"abortOnTimeout", 0},
        {"yoyoMission", 0},
        {"wayPointDepth", 25},
        {"yoyoMinAltitude", 9},
        {"missionYoyoMinDepth", 3},
        {"missionYoyoMaxDepth", 40},
        {"missionYoyoMaxDepthShallow", 12},
        {"kallopMission", 1},
        {"missionTimerFactor", 1.5},
        {"surfacingAllowance", 90}}},
      // Comments, CR LF, digits set apart, a key left out keeps its default.
      {"# envelope\r\nabortDepth = 1_000 # deep\r\nyoyoMission = 1\r\n",
       {},
       {{"abortDepth", 1000}, {"yoyoMission", 1}, {"maxDepth", 90}}},
      {"abortDepht = 100\n", {"s.toml:1:1: unknown key 'abortDepht': did you mean 'abortDepth'?"}, {}},
      {"  abort-depth = 100\n", {"s.toml:1:3: unknown key 'abort-depth': did you mean 'abortDepth'?"}, {}},
      {"missionspeedslow = 1\n", {"s.toml:1:1: unknown key 'missionspeedslow': did you mean 'missionSpeedSlow'?"}, {}},
      {"abortDepth = 100\nabortDepth = 10\n", {"s.toml:2:14: duplicate key 'abortDepth': each key is given once"}, {}},
      // A key given twice is one fault among the file's others, quoted or not.
      {"maxDepth = 80\ngpsHits = 2.5\n\"maxDepth\" = 81\nabortDepht = 3\nmaxDepth = [\n  1,\n]\n",
       {"s.toml:2:11: gpsHits = 2.5: gpsHits takes a whole number from -2147483648 to 2147483647",
        "s.toml:3:14: duplicate key '\"maxDepth\"': each key is given once",
        "s.toml:4:1: unknown key 'abortDepht': did you mean 'abortDepth'?",
        "s.toml:5:12: duplicate key 'maxDepth': each key is given once"},
       {}},
      {"maxDepth = 1\nmaxDepth.x = 2\ngpsHits = 1.5\n",
       {"s.toml:2:14: duplicate key 'maxDepth.x': each key is given once",
        "s.toml:3:11: gpsHits = 1.5: gpsHits takes a whole number from -2147483648 to 2147483647"},
       {}},
      // What the TOML library cannot take safely is refused before it reads the file, with
      // the file's other faults: a character beyond ASCII outside quotes and comments, or
      // after a backslash in a """ string. In quotes and comments any character is text.
      {"maxDepth = \xD0\x99\ngpsHits = 1.5\n",
       {"s.toml:1:12: '\xD0\x99' (U+0419) stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:2:11: gpsHits = 1.5: gpsHits takes a whole number from -2147483648 to 2147483647"},
       {}},
      {"\xD0\x99 = 1\nabortDepth = 95 \xC2\xA0\nx = 1\xFF\nnote = \"\"\"x\\\n  \xD0\x99\"\"\"\n",
       {"s.toml:1:1: '\xD0\x99' (U+0419) stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:2:17: '\xC2\xA0' (U+00A0) stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:3:6: the byte 0xFF stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:5:3: '\xD0\x99' (U+0419) follows a backslash in a \"\"\" string, where only ASCII may"},
       {}},
      // A bracket inside a bare word opens nothing: the quotes after it are no string to the
      // library either.
      {"x = 2b[\"\xD0\x99\"]\ny = [2b{a=\"\xD0\x99\"}]\nz = [[\"\xD0\x99\"], {a = [\"\xD0\x99\"]}]\n",
       {"s.toml:1:9: '\xD0\x99' (U+0419) stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:2:12: '\xD0\x99' (U+0419) stands outside quotes and comments, where a settings file holds ASCII only",
        "s.toml:3:1: unknown key 'z': did you mean 'tide'?"},
       {}},
      {"# Tiefe \xD0\x99\nentry = \"\xD0\x99\" # \xC2\xA0\nabortDepth = 95\n",
       {"s.toml:2:9: entry = \"\xD0\x99\": entry takes a corner: \"NE\", \"NW\", \"SE\" or \"SW\""},
       {}},
      {"\xEF\xBB\xBFmaxDepth = 70 # \xD0\x99\n", {}, {{"maxDepth", 70}}},
      // Every refusal of the file at once, in its order, and nothing stored.
      {"maxDepth = 80\nminDepth = \"5\"\ngpsHits = 2.5\nabortOnTimeout = 2\nkallopMission = \"yes\"\n"
       "yoyoMission = 1.0\nabortAltitude = [1]\n",
       {"s.toml:2:12: minDepth = \"5\": minDepth takes a number, not a string",
        "s.toml:3:11: gpsHits = 2.5: gpsHits takes a whole number from -2147483648 to 2147483647",
        "s.toml:4:18: abortOnTimeout = 2: abortOnTimeout is 1 for True or 0 for False",
        "s.toml:5:17: kallopMission = \"yes\": kallopMission takes true or false, not a string",
        "s.toml:6:15: yoyoMission = 1.0: yoyoMission takes true or false (or 1 or 0)",
        "s.toml:7:17: abortAltitude = [1]: abortAltitude takes a number, not an array"},
       {{"maxDepth", 90}}},
      {"gpsHits = 3000000000\n",
       {"s.toml:1:11: gpsHits = 3000000000: gpsHits takes a whole number from -2147483648 to 2147483647"},
       {}},
      {"wayPointDepth = true\n",
       {"s.toml:1:17: wayPointDepth = true: wayPointDepth takes a whole number, not true or false"},
       {}},
      {"missionSpeed = 0\n", {"s.toml:1:16: missionSpeed = 0: a speed must be greater than 0"}, {}},
      {"missionSpeed = 1e39\n", {"s.toml:1:16: missionSpeed = 1e39: too large or too small for a speed"}, {}},
      {"maxLegMeters = 0\n",
       {"s.toml:1:16: maxLegMeters = 0: the meters between surfacings must be greater than 0"},
       {}},
      {"minDepth = nan\n", {"s.toml:1:12: minDepth = nan: minDepth takes a finite number"}, {}},
      {"missionTimerFactor = 0.9\n",
       {"s.toml:1:22: missionTimerFactor = 0.9: the mission timer must be at least the time under way: "
        "missionTimerFactor is 1 or more"},
       {}},
      {"surfacingAllowance = -1\n",
       {"s.toml:1:22: surfacingAllowance = -1: a surfacing cannot take less than no time: surfacingAllowance is 0 "
        "or more"},
       {}},
      // The timer's settings keep it within what the vehicle's timer holds.
      {"missionTimerFactor = 10\nsurfacingAllowance = 3600\n",
       {},
       {{"missionTimerFactor", 10}, {"surfacingAllowance", 3600}}},
      {"missionTimerFactor = 10.5\nsurfacingAllowance = 1e300\n",
       {"s.toml:1:22: missionTimerFactor = 10.5: missionTimerFactor is at most 10, ten times the time under way",
        "s.toml:2:22: surfacingAllowance = 1e300: surfacingAllowance is at most 3600 s, an hour for each surfacing"},
       {}},
      // A survey's lines: a corner is a word, a bearing below a full turn.
      {"entry = \"ne\"\nlineAngle = 359.5\noverlap = 20\n", {}, {{"entry", 3}, {"lineAngle", 359.5}, {"overlap", 20}}},
      {"entry = 3\nlineAngle = 360\n",
       {"s.toml:1:9: entry = 3: entry takes a corner: \"NE\", \"NW\", \"SE\" or \"SW\"",
        "s.toml:2:13: lineAngle = 360: lineAngle is degrees true from 0 up to, not including, 360"},
       {}},
      {"runIn = 200000\n", {}, {{"runIn", 200000}}},
      {"runIn = 1e9\n", {"s.toml:1:9: runIn = 1e9: runIn is metres from 0 to 200000, the widest area"}, {}},
      {"abortDepth = \n", {"s.toml:1:14: Error while parsing key-value pair: expected value, saw '\\n'"}, {}},
  };
  for (const fileCase& c : cases) {
    settingValues values;
    givenSettings given;
    EXPECT_EQ(readSettingsText(c.text, "s.toml", given, values), c.refusals) << c.text;
    for (const auto& [name, value] : c.stored) EXPECT_EQ(valueOf(name, values), value) << c.text << name;
    if (!c.refusals.empty()) {
      EXPECT_TRUE(given.empty()) << c.text;
    }
  }
  // Saved as "Unicode" by a Windows editor, as a route file may be: read as its UTF-8, the
  // refusals naming the lines of the file.
  const auto utf16 = [](const std::u16string& text, bool little, bool mark = true) {
    std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (const char16_t unit : text) {
      const char low = static_cast<char>(unit & 0xFF);
      const char high = static_cast<char>(unit >> 8);
      bytes += little ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> encoded = {
      {utf16(u"maxDepth = 70\r\n", true), {}},
      {utf16(u"maxDepth = 70\n", false), {}},
      {utf16(u"abortDepth = 95\nmaxDepth = 70\nmaxDepth = 71\n", true),
       {"s.toml:3:12: duplicate key 'maxDepth': each key is given once"}},
      {utf16(u"maxDepth = \u0419\n", false),
       {"s.toml:1:12: '\xD0\x99' (U+0419) stands outside quotes and comments, where a settings file holds ASCII only"}},
      {utf16(u"maxDepth = 70\n", true, false),
       {"vesk: settings file s.toml looks like UTF-16 text without a byte order mark (every other byte is NUL); "
        "save it as UTF-8, or as UTF-16 with a byte order mark"}},
      {std::string("\xFF\xFE\0\0m\0\0\0", 8),
       {"vesk: settings file s.toml is UTF-32 text; save it as UTF-8 or UTF-16"}},
  };
  for (const auto& [bytes, refusals] : encoded) {
    settingValues values;
    givenSettings given;
    EXPECT_EQ(readSettingsText(bytes, "s.toml", given, values), refusals) << bytes.size();
    EXPECT_EQ(values.mission.maxDepth, refusals.empty() ? 70 : 90) << bytes.size();
  }
}

TEST_F(SettingsFile, SetOptionsGiveTheSameValuesAndRefusals) {
  const std::vector<std::pair<const char*, const char*>> refused = {
      {"abortDepth", "--set abortDepth: give KEY=VALUE, as in --set abortDepth=100"},
      {"abortdepth=3", "--set abortdepth=3: unknown key 'abortdepth': did you mean 'abortDepth'?"},
      {"maxDepth= ", "--set maxDepth= : maxDepth takes a value after the ="},
      {"gpsHits=1.5", "--set gpsHits=1.5: gpsHits takes a whole number from -2147483648 to 2147483647"},
      {"kallopMission=yes", "--set kallopMission=yes: kallopMission takes true or false (or 1 or 0)"},
      {"missionSpeed=0", "--set missionSpeed=0: a speed must be greater than 0"},
      {"entry=N", "--set entry=N: entry takes a corner: \"NE\", \"NW\", \"SE\" or \"SW\""},
  };
  settingValues values;
  for (const auto& [assignment, refusal] : refused) {
    givenSettings given;
    EXPECT_EQ(applySetOption(assignment, given, values), std::optional<std::string>(refusal));
    EXPECT_TRUE(given.empty()) << assignment;
  }
  givenSettings given;
  for (const char* assignment : {"missionSpeed=1.3", "kallopMission=true", "yoyoMission=0", "abortDepth=1e2",
                                 "wayPointDepth = +25", "abortOnTimeout=false"}) {
    EXPECT_EQ(applySetOption(assignment, given, values), std::nullopt) << assignment;
  }
  EXPECT_EQ(values.mission.missionSpeed, static_cast<double>(1.3f));
  EXPECT_EQ(values.mission.kallopMission, 1);
  EXPECT_EQ(values.mission.yoyoMission, 0);
  EXPECT_EQ(values.mission.abortDepth, 100);
  EXPECT_EQ(values.mission.wayPointDepth, 25);
  EXPECT_EQ(values.mission.abortOnTimeout, 0);
  EXPECT_EQ(given.at("abortDepth").origin, "--set abortDepth=1e2");
}

// What --save-settings writes reads back as the same bits for every key, awkward numbers
// included.
TEST_F(SettingsFile, TheFileOfARunReadsBackAsTheSameSettings) {
  settingValues run;
  missionSettings& m = run.mission;
  m.missionSpeed = 1.3f, m.missionSpeedSlow = 0.1f, m.gpsHits = -7, m.maxLegMeters = 0.1 + 0.2, m.minDepth = 1e-7;
  m.maxDepth = 123456789.125, m.abortDepth = 3, m.abortAltitude = -0.5, m.abortLockoutDepth = 1.0 / 3;
  m.abortOnTimeout = 0, m.yoyoMission = 0, m.wayPointDepth = 2147483647, m.yoyoMinAltitude = -2147483647 - 1;
  m.missionYoyoMinDepth = 0, m.missionYoyoMaxDepth = 41, m.missionYoyoMaxDepthShallow = 13, m.kallopMission = 1;
  m.missionTimerFactor = 1.15, m.surfacingAllowance = 62.5;
  run.survey.lineSpacing = 12.5, run.survey.overlap = 99.9, run.survey.lineAngle = 359.75;
  run.survey.entry = entryCorner::northEast, run.survey.crossLines = 3;
  run.seabed.grid = "grids/North \"Sea\" \\ 1.asc", run.seabed.values = gridValues::depth, run.seabed.tide = -0.5;
  run.energy.batteryWh = 1234.5678, run.energy.reservePercent = 12.5, run.energy.hotelWatts = 0.1 + 0.2;
  run.energy.propulsionWatts = 1.0 / 3;
  run.current.toward = 359.75, run.current.speed = 0.1 + 0.7;
  run.dives.maxDiveHours = 7.75;
  run.brief.launchTime = "2026-12-31T23:30:00-03:30", run.brief.checklist = "deck \"list\".txt";
  std::vector<double> before;
  for (const settingKey& key : settingKeys()) before.push_back(storedValue(key, run));
  const std::string text = settingsText(run, "route \x01\xff.txt", "2026_001_0000.");
  EXPECT_EQ(text.rfind("# vesk settings of the mission planned from route ??.txt as 2026_001_0000.cfg", 0), 0u);

  settingValues read;
  givenSettings given;
  EXPECT_EQ(readSettingsText(text, "saved.toml", given, read), std::vector<std::string>{});
  EXPECT_EQ(given.size(), settingKeys().size());
  for (size_t i = 0; i < settingKeys().size(); ++i) {
    EXPECT_EQ(storedValue(settingKeys()[i], read), before[i]) << settingKeys()[i].name;
    EXPECT_EQ(storedText(settingKeys()[i], read), storedText(settingKeys()[i], run)) << settingKeys()[i].name;
  }
}

}  // namespace
