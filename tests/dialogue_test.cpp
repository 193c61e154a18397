// The operator dialogue end to end: scripted answers on standard input, no terminal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runVesk.h"

namespace {

struct menuValues {
  std::string speed = "1.5", slow = "1.25", gps = "30", legs = "3600", minD = "0", maxD = "90", abortD = "100",
              abortAlt = "2.5", lockout = "8", onTimeout = "1";
};

std::string parameterMenu(const menuValues& v) {
  return "\n\n Mission Parameters \n\n"
         " 1  MISSION_SPEED " +
         v.speed +
         "\n"
         " 2  MISSION_SPEED_SLOW " +
         v.slow +
         "\n"
         " 3  GPS_HITS " +
         v.gps +
         "\n"
         " 4  Meters between surfacings " +
         v.legs +
         "\n"
         " 5  minDepth " +
         v.minD +
         "\n"
         " 6  maxDepth " +
         v.maxD +
         "\n"
         " 7  abortDepth " +
         v.abortD +
         "\n"
         " 8  abortAltitude " +
         v.abortAlt +
         "\n"
         " 9  abortLockoutDepth " +
         v.lockout +
         "\n"
         "10  abortOnTimeout " +
         v.onTimeout +
         "\n\n"
         " 0   All parameters are OK\n"
         "  Choose number of parameter to modify.\n"
         "  If parameters are OK, type 0 \n\n > ";
}

std::string yoyoMenu(const std::string& alt = "15", const std::string& minD = "2", const std::string& maxD = "90",
                     const std::string& shallow = "20") {
  return "\n\n YOYO Mission Parameters \n\n"
         "1  YOYO_MIN_ALTITUDE " +
         alt +
         "\n"
         "2  MISSION_YOYO_MIN_DEPTH " +
         minD +
         "\n"
         "3  MISSION_YOYO_MAX_DEPTH " +
         maxD +
         "\n"
         "4  MISSION_YOYO_MAX_DEPTH_SHALLOW " +
         shallow +
         "\n"
         "0  All parameters are OK\n"
         "  Choose number of parameter to modify.\n"
         "  If parameters are OK, type 0 \n\n > ";
}

const std::string yoyoQuestion = " Will this be a YOYO Mission ? \n Please enter Y or N > ";
const std::string kallopQuestion = " Will this be a KALLOP Mission ? \n Please enter Y or N > ";
const std::string kallopReminder =
    " \n\n The Kallops will be armed at mission start \n"
    " Remember to move the behavior if necessary \n"
    " Hit any key to continue \n\n\n";
const std::string error = "Error ... please try again\n";
const std::string endOfInput = "\nunexpected end of input\n";

struct run {
  vesk_result result;
  std::string cfg;  // empty when no mission script was written
  int files = 0;    // output files written
};

run runWith(const std::string& answers, std::vector<std::string> args = {"route.txt"}) {
  TempDir dir;
  dir.write("route.txt", "45 10\n45.045 10\n");
  run r;
  r.result = runVesk(args, answers, dir.path());
  for (const auto& name : dir.list()) {
    if (name == "route.txt") continue;
    ++r.files;
    if (name.size() > 4 && name.substr(name.size() - 4) == ".cfg") r.cfg = readFile(dir.file(name));
  }
  return r;
}

bool has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST(Dialogue, DefaultsAcceptedAtOnceGiveTheWholeTranscript) {
  const run r = runWith("0\ny\n0\ny\n");
  ASSERT_EQ(r.result.status, 0);
  const std::string dialogue =
      parameterMenu({}) + "0\n" + yoyoQuestion + yoyoMenu() + "0\n" + kallopQuestion + kallopReminder;
  EXPECT_EQ(r.result.output.substr(0, dialogue.size()), dialogue);
  EXPECT_EQ(r.result.output.substr(dialogue.size(), 28), " **** Wrote mission script: ");
  EXPECT_EQ(r.files, 3);
  EXPECT_TRUE(has(r.cfg,
                  " minDepth          = 0;\r\n maxDepth          = 90;\r\n"
                  " abortDepth        = 100;\r\n abortAltitude     = 2.5;\r\n"
                  " abortLockoutDepth = 8;\r\n"));
  EXPECT_TRUE(has(r.cfg, "#define MISSION_SPEED 1.5\r\n#define MISSION_SPEED_SLOW 1.25\r\n"));
  EXPECT_TRUE(has(r.cfg, "minHits        = 30;\r\n"));
  EXPECT_TRUE(has(r.cfg, "behavior ArmTheKallop{"));
}

TEST(Dialogue, EveryParameterEditedReachesMenuAndScript) {
  const std::string answers =
      "1\n1.3\n2\n0.75\n3\n12\n4\n1000\n5\n1.5\n6\n60\n7\n70\n8\n3\n9\n6\n10\n0\n0\n"
      "n\n35\nn\n";
  const run r = runWith(answers);
  ASSERT_EQ(r.result.status, 0) << r.result.output;
  const std::string& out = r.result.output;
  EXPECT_TRUE(has(out, parameterMenu({}) + "mission Speed is 1.500000 meters per second\n"
                                           "Please enter new speed in meters per second \n\n >"));
  EXPECT_TRUE(has(out, "mission Speed Slow is 1.250000 meters per second\n"));
  EXPECT_TRUE(has(out, "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > "));
  EXPECT_TRUE(has(out, "Meters between AUV surfacings is 3600 \nPlease enter new distance in meters \n\n > "));
  EXPECT_TRUE(has(out, "minDepth is 0 meters\nPlease enter new minDepth in meters \n\n >"));
  EXPECT_TRUE(has(out, "maxDepth is 90 meters\nPlease enter new maxDepth in meters \n\n >"));
  EXPECT_TRUE(has(out, "abortDepth is 100 meters\nPlease enter new abortDepth in meters \n\n >"));
  EXPECT_TRUE(has(out, "abortAltitude is 2.5 meters\nPlease enter new abortAltitude in meters \n\n >"));
  EXPECT_TRUE(has(out, "abortLockoutDepth is 8 meters\nPlease enter new abortLockoutDepth in meters \n\n >"));
  EXPECT_TRUE(has(out,
                  "abortOnTimeout is 1 \nPlease enter new abortOnTimeout \n"
                  "1 for TRUE, or 0 for FALSE \n\n >"));
  menuValues edited;
  edited.speed = "1.3";
  edited.slow = "0.75";
  edited.gps = "12";
  edited.legs = "1000";
  edited.minD = "1.5";
  edited.maxD = "60";
  edited.abortD = "70";
  edited.abortAlt = "3";
  edited.lockout = "6";
  edited.onTimeout = "0";
  EXPECT_TRUE(has(out, parameterMenu(edited) + "0\n" + yoyoQuestion +
                           "Default Waypoint Depth is 50 \nPlease enter new depth \n\n > " + kallopQuestion +
                           " **** Wrote mission script: "));

  EXPECT_TRUE(has(r.cfg, "#define MISSION_SPEED 1.3\r\n#define MISSION_SPEED_SLOW 0.75\r\n"));
  EXPECT_TRUE(has(r.cfg,
                  " minDepth          = 1.5;\r\n maxDepth          = 60;\r\n"
                  " abortDepth        = 70;\r\n abortAltitude     = 3;\r\n"
                  " abortLockoutDepth = 6;\r\n"));
  EXPECT_TRUE(has(r.cfg, "minHits        = 12;\r\nabortOnTimeout = False;\r\n"));
  EXPECT_TRUE(has(r.cfg, "#             *** abortOnTimeout is False ***\r\n"));
  EXPECT_TRUE(has(r.cfg, "depth         = 35; \r\n"));
  EXPECT_FALSE(has(r.cfg, "YOYO"));
  EXPECT_FALSE(has(r.cfg, "kallop"));
  // 5003.77 m cut every 1000 m: waypoints 1 to 7, the last one final.
  EXPECT_TRUE(has(r.cfg, "# ***** FINAL WAYPOINT NUMBER: 7 ^ *****"));
  // The speed is the float nearest to 1.3, so the launch leg lasts 500 / 1.2999999523.
  EXPECT_TRUE(has(r.cfg, "duration      = 384.615;\r\n"));
}

TEST(Dialogue, YoyoMenuEditsReachTheScriptButShallowDepthDoesNot) {
  const run r = runWith("0\nY\n1\n12\n2\n3\n3\n80\n4\n0\n0\nN\n");
  ASSERT_EQ(r.result.status, 0) << r.result.output;
  const std::string& out = r.result.output;
  EXPECT_TRUE(has(out, yoyoMenu() + "YoYo Minimum Altitude is 15 meters\n"
                                    "Please enter new altitude in meters \n\n > "));
  EXPECT_TRUE(has(out, "mission YoYo Min Depth is 2 meters\nPlease enter new depth in meters \n\n > "));
  EXPECT_TRUE(has(out, "mission YoYo Max Depth is 90 meters\nPlease enter new depth in meters \n\n > "));
  EXPECT_TRUE(has(out, "mission YoYo Max Depth Shallow is 20 meters\nPlease enter new depth in meters \n\n > "));
  EXPECT_TRUE(has(out, yoyoMenu("12", "3", "80", "0") + "0\n" + kallopQuestion + " **** Wrote mission script: "));
  EXPECT_FALSE(has(out, "Default Waypoint Depth"));
  EXPECT_FALSE(has(out, "Hit any key"));
  EXPECT_TRUE(has(r.cfg,
                  "#define MISSION_YOYO_MIN_DEPTH 3\r\n#define MISSION_YOYO_MAX_DEPTH 80\r\n"
                  "#define YOYO_MIN_ALTITUDE 12\r\n"));
  EXPECT_FALSE(has(r.cfg, "kallop"));
  const run defaults = runWith("0\ny\n4\n0\n0\nn\n");
  const run untouched = runWith("0\ny\n0\nn\n");
  EXPECT_EQ(defaults.cfg.substr(defaults.cfg.find('\n')), untouched.cfg.substr(untouched.cfg.find('\n')));
  // The operator who opens the shallow depth hears, once for each time, that nothing uses it.
  const std::string note =
      "note: MISSION_YOYO_MAX_DEPTH_SHALLOW is kept as entered, but no output uses it: the mission script, the maps "
      "and the picture are the same whatever it holds\n";
  for (const run* opened : {&r, &defaults}) {
    const std::string& errors = opened->result.errors;
    EXPECT_NE(errors.find(note), std::string::npos) << errors;
    EXPECT_EQ(errors.find("SHALLOW"), errors.rfind("SHALLOW")) << errors;
  }
  EXPECT_EQ(untouched.result.errors.find("SHALLOW"), std::string::npos);
}

TEST(Dialogue, RefusedEntriesAreReportedAndChangeNothing) {
  // Selections that are not whole numbers, or are out of range.
  for (const std::string selection : {"11", "-1", "abc", "2.5", "3x", "99999999999", "+-3"}) {
    const run r = runWith(selection + "\n0\ny\n0\nn\n");
    EXPECT_EQ(r.result.status, 0) << selection;
    EXPECT_EQ(r.result.output.substr(0, parameterMenu({}).size() * 2 + error.size()),
              parameterMenu({}) + error + parameterMenu({}))
        << selection;
    EXPECT_EQ(r.files, 3);
  }
  // An entry an editor cannot take is refused, the rest of its line dropped, and the same
  // editor asks again: the next entry is its value, never a menu selection. Entries that are
  // numbers of the right kind but out of bounds are explained on standard error.
  const std::vector<std::string> editorTexts = {
      "mission Speed is 1.500000 meters per second\nPlease enter new speed in meters per second \n\n >",
      "mission Speed Slow is 1.250000 meters per second\nPlease enter new speed in meters per second \n\n >",
      "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > ",
      "Meters between AUV surfacings is 3600 \nPlease enter new distance in meters \n\n > ",
      "minDepth is 0 meters\nPlease enter new minDepth in meters \n\n >",
      "maxDepth is 90 meters\nPlease enter new maxDepth in meters \n\n >",
      "abortDepth is 100 meters\nPlease enter new abortDepth in meters \n\n >",
      "abortAltitude is 2.5 meters\nPlease enter new abortAltitude in meters \n\n >",
      "abortLockoutDepth is 8 meters\nPlease enter new abortLockoutDepth in meters \n\n >",
      "abortOnTimeout is 1 \nPlease enter new abortOnTimeout \n1 for TRUE, or 0 for FALSE \n\n >"};
  struct editCase {
    int item;
    std::string refused, intended, reason;
  };
  const std::vector<editCase> edits = {
      {1, "0", "1.75", "a speed must be greater than 0\n"},
      {1, "-2", "1.75", "a speed must be greater than 0\n"},
      {1, "1e39", "1.75", ""},
      {1, "fast", "1.75", ""},
      {2, "nan", "1", ""},
      {3, "2.5", "25", ""},
      {3, "x", "25", ""},
      {4, "0", "2000", "the meters between surfacings must be greater than 0\n"},
      {4, "-100", "2000", "the meters between surfacings must be greater than 0\n"},
      {4, "0.0001", "2000", "at 0.0001 m between surfacings the route would need more than 10000000 waypoints\n"},
      {5, "inf", "3", ""},
      {6, "deep", "80", ""},
      {7, "1e999", "95", ""},
      {8, "2,5", "3", ""},
      {9, "8m", "6", ""},
      {10, "true", "0", ""},
      {10, "1.0", "0", ""},
      {10, "2", "0", "abortOnTimeout is 1 for True or 0 for False\n"},
      {10, "-1", "0", "abortOnTimeout is 1 for True or 0 for False\n"}};
  for (const auto& e : edits) {
    const std::string label = std::to_string(e.item) + " " + e.refused;
    const run r =
        runWith(std::to_string(e.item) + "\n" + e.refused + " rest of line\n" + e.intended + "\n0\ny\n0\nn\n");
    EXPECT_EQ(r.result.status, 0) << label;
    menuValues v;
    std::string* const fields[] = {&v.speed, &v.slow,   &v.gps,      &v.legs,    &v.minD,
                                   &v.maxD,  &v.abortD, &v.abortAlt, &v.lockout, &v.onTimeout};
    *fields[e.item - 1] = e.intended;
    const std::string& texts = editorTexts[static_cast<size_t>(e.item - 1)];
    EXPECT_TRUE(has(r.result.output, parameterMenu({}) + texts + error + texts + parameterMenu(v) + "0\n")) << label;
    // After the route's summary: the reason, if any, then warnings or the plan.
    const std::string said = r.result.errors.substr(r.result.errors.find('\n') + 1);
    EXPECT_EQ(said.rfind(e.reason, 0), 0u) << label << ": " << r.result.errors;
    const std::string next = said.substr(e.reason.size());
    EXPECT_TRUE(next.rfind("warning: ", 0) == 0 || next.rfind("plan ", 0) == 0) << label << ": " << r.result.errors;
  }
  // The waypoint depth editor has no menu: it asks again until a whole number comes.
  const run depth = runWith("0\nn\nfifty\n-5.5\n40\nn\n");
  EXPECT_EQ(depth.result.status, 0);
  const std::string ask = "Default Waypoint Depth is 50 \nPlease enter new depth \n\n > ";
  EXPECT_TRUE(has(depth.result.output, yoyoQuestion + ask + error + ask + error + ask + kallopQuestion));
  EXPECT_TRUE(has(depth.cfg, "depth         = 40; \r\n"));
}

TEST(Dialogue, TypeAheadAndCrLfAnswers) {
  const run ahead = runWith("3 25\n0\ny\n0\nn\n");
  ASSERT_EQ(ahead.result.status, 0);
  menuValues v;
  v.gps = "25";
  EXPECT_TRUE(has(ahead.result.output, parameterMenu({}) +
                                           "Number of GPS hits per surfacing is 30 \n"
                                           "Please enter new number of hits \n\n > " +
                                           parameterMenu(v) + "0\n"));
  EXPECT_TRUE(has(ahead.cfg, "minHits        = 25;\r\n"));

  const run crlf = runWith("6\r\n75\r\n0\r\nn\r\n20\r\ny\r\n");
  ASSERT_EQ(crlf.result.status, 0) << crlf.result.output;
  EXPECT_FALSE(has(crlf.result.output, "Error"));
  EXPECT_FALSE(has(crlf.result.output, "Please enter y or n"));
  EXPECT_TRUE(has(crlf.cfg, " maxDepth          = 75;\r\n"));
  EXPECT_TRUE(has(crlf.cfg, "depth         = 20; \r\n"));
  EXPECT_TRUE(has(crlf.cfg, "behavior ArmTheKallop{"));

  // The last answer may end without a line end.
  EXPECT_EQ(runWith("0\ny\n0\nn").result.status, 0);
}

TEST(Dialogue, QuestionsJudgeTheFirstCharacterOfAWholeLine) {
  const run r = runWith("0\nx\n\nyes please\n0\nnope\n");
  ASSERT_EQ(r.result.status, 0);
  const std::string retry = " Please enter y or n ";
  EXPECT_TRUE(has(r.result.output, "0\n" + yoyoQuestion + retry + yoyoQuestion + retry + yoyoQuestion + yoyoMenu() +
                                       "0\n" + kallopQuestion + " **** Wrote"));
  EXPECT_TRUE(has(r.cfg, "waypoint_yoyo"));
}

TEST(Dialogue, IntegerEditorsRefuseADoubledSignAndAskAgain) {
  const std::string gpsTexts = "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > ";
  const run gps = runWith("3\n+-5\n7\n0\ny\n0\nn\n");
  menuValues v;
  v.gps = "7";
  EXPECT_TRUE(has(gps.result.output, gpsTexts + error + gpsTexts + parameterMenu(v)));
  EXPECT_TRUE(has(gps.cfg, "minHits        = 7;\r\n"));

  const std::vector<std::string> yoyoPrompts = {
      "YoYo Minimum Altitude is 15 meters\nPlease enter new altitude in meters \n\n > ",
      "mission YoYo Min Depth is 2 meters\nPlease enter new depth in meters \n\n > ",
      "mission YoYo Max Depth is 90 meters\nPlease enter new depth in meters \n\n > ",
      "mission YoYo Max Depth Shallow is 20 meters\nPlease enter new depth in meters \n\n > "};
  for (size_t item = 1; item <= yoyoPrompts.size(); ++item) {
    const run r = runWith("0\ny\n" + std::to_string(item) + "\n-+5\n9\n0\nn\n");
    EXPECT_EQ(r.result.status, 0) << item;
    std::vector<std::string> shown = {"15", "2", "90", "20"};
    shown[item - 1] = "9";
    EXPECT_TRUE(has(r.result.output, yoyoPrompts[item - 1] + error + yoyoPrompts[item - 1] +
                                         yoyoMenu(shown[0], shown[1], shown[2], shown[3]) + "0\n"))
        << item;
  }

  const run depth = runWith("0\nn\n+-5\n40\nn\n");
  const std::string ask = "Default Waypoint Depth is 50 \nPlease enter new depth \n\n > ";
  EXPECT_TRUE(has(depth.result.output, ask + error + ask + kallopQuestion));
  EXPECT_TRUE(has(depth.cfg, "depth         = 40; \r\n"));
}

// An operator who mistypes a value types the intended one next, believing the editor still
// asks: it must reach that setting and not open another menu item.
TEST(Dialogue, AMistypedValueFollowedByTheIntendedOneStoresTheIntendedOne) {
  const run r = runWith("9\n10m\n10\n0\ny\n0\nn\n");
  ASSERT_EQ(r.result.status, 0) << r.result.output;
  const std::string texts = "abortLockoutDepth is 8 meters\nPlease enter new abortLockoutDepth in meters \n\n >";
  menuValues v;
  v.lockout = "10";
  EXPECT_TRUE(
      has(r.result.output, parameterMenu({}) + texts + error + texts + parameterMenu(v) + "0\n" + yoyoQuestion));
  EXPECT_FALSE(has(r.result.output, "abortOnTimeout is 1 \n"));
  EXPECT_TRUE(has(r.cfg, " abortLockoutDepth = 10;\r\n"));
  EXPECT_TRUE(has(r.cfg, "abortOnTimeout = True;\r\n"));
}

TEST(Dialogue, AnAnswerRefusedOnceWithCrLfIsAskedAgainOnce) {
  const run r = runWith("0\r\nx\r\ny\r\n0\r\nn\r\n");
  ASSERT_EQ(r.result.status, 0) << r.result.output;
  const std::string retry = " Please enter y or n ";
  EXPECT_TRUE(has(r.result.output, yoyoQuestion + retry + yoyoQuestion + yoyoMenu() + "0\n" + kallopQuestion));
  EXPECT_EQ(r.result.output.find(retry), r.result.output.rfind(retry));
}

TEST(Dialogue, BannerAsksForTheFileName) {
  const std::string banner =
      "\n\nWelcome to Waypoints to TEVORAN mission utility.\n"
      "Waypoint lat/lon's must be in decimal degree format.\n"
      "What's the name of the waypoint file ? \n > ";
  const run typed = runWith("route.txt\r\n0\ny\n0\nn\n", {});
  ASSERT_EQ(typed.result.status, 0) << typed.result.output;
  EXPECT_EQ(typed.result.output.substr(0, banner.size() + parameterMenu({}).size()), banner + parameterMenu({}));
  EXPECT_EQ(typed.files, 3);

  // A name pasted with its quotes ("Copy as path") opens the file; one quote alone stays.
  const run quoted = runWith("\"route.txt\"\r\n0\ny\n0\nn\n", {});
  EXPECT_EQ(quoted.result.status, 0) << quoted.result.output;
  EXPECT_EQ(quoted.files, 3);
  const run halfQuoted = runWith("\"route.txt\n", {});
  EXPECT_EQ(halfQuoted.result.output, banner + "cannot open file \"route.txt ");

  const std::string longName(300, 'w');
  const run missing = runWith(longName + "\n", {});
  EXPECT_EQ(missing.result.status, 1);
  EXPECT_EQ(missing.result.output, banner + "cannot open file " + longName + " ");

  const run withArgument = runWith(acceptDefaults);
  EXPECT_EQ(withArgument.result.output.substr(0, parameterMenu({}).size()), parameterMenu({}));
}

// A line too long to be an answer is dropped whole, wherever it comes, as a refused entry
// is: the prompt asks again, and what the line began with is never taken. A line of the
// longest length, CR LF not counted, is an answer like any other.
TEST(Dialogue, AnAnswerLineTooLongIsDroppedWholeAndAskedAgain) {
  const std::string tooLong = "an answer line is at most 4096 characters; that one is dropped\n";
  const std::string gpsTexts = "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > ";
  const std::string banner =
      "\n\nWelcome to Waypoints to TEVORAN mission utility.\n"
      "Waypoint lat/lon's must be in decimal degree format.\n";
  const std::string fileQuestion = "What's the name of the waypoint file ? \n > ";
  menuValues gps7;
  gps7.gps = "7";
  struct longCase {
    const char* where;
    std::string answers;
    std::vector<std::string> args;
    std::string shown;  // on standard output, in a row
    bool refused;
  };
  const std::vector<longCase> cases = {
      // Taken whole, these 0s would end the menu.
      {"menu",
       std::string(5000, '0') + "\n0\ny\n0\nn\n",
       {"route.txt"},
       parameterMenu({}) + error + parameterMenu({}),
       true},
      {"editor",
       "3\n" + std::string(5000, '0') + "9\n7\n0\ny\n0\nn\n",
       {"route.txt"},
       gpsTexts + error + gpsTexts + parameterMenu(gps7),
       true},
      {"question",
       "0\n" + std::string(5000, 'y') + "\nn\n8\nn\n",
       {"route.txt"},
       yoyoQuestion + " Please enter y or n " + yoyoQuestion + "Default Waypoint Depth",
       true},
      {"file name",
       std::string(5000, 'w') + "\nroute.txt\n0\ny\n0\nn\n",
       {},
       banner + fileQuestion + error + fileQuestion + parameterMenu({}),
       true},
      {"longest selection",
       std::string(4095, '0') + "3\r\n7\n0\ny\n0\nn\n",
       {"route.txt"},
       parameterMenu({}) + gpsTexts + parameterMenu(gps7),
       false},
  };
  for (const longCase& c : cases) {
    const run r = runWith(c.answers, c.args);
    EXPECT_EQ(r.result.status, 0) << c.where << ": " << r.result.errors;
    EXPECT_TRUE(has(r.result.output, c.shown)) << c.where;
    EXPECT_EQ(has(r.result.errors, tooLong), c.refused) << c.where << ": " << r.result.errors;
    EXPECT_EQ(r.files, 3) << c.where;
  }
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer reserves more address space than the limit
  // Read in pieces and never kept: a line of 64 MiB passes a program held to 32 MiB.
  TempDir dir;
  dir.write("route.txt", "45 10\n45.045 10\n");
  const vesk_result endless = runVesk({"--dry-run", "route.txt"}, std::string(64 << 20, '0') + "\n0\ny\n0\nn\n",
                                      dir.path(), false, false, 32LL << 20);
  EXPECT_EQ(endless.status, 0) << endless.errors;
  EXPECT_TRUE(has(endless.errors, tooLong)) << endless.errors;
#endif
}

TEST(Dialogue, EndOfInputAtAnyStageStopsWithoutWriting) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> stages = {
      {{}, ""},                    // file name prompt
      {{"route.txt"}, ""},         // parameter menu
      {{"route.txt"}, "1\n"},      // speed editor
      {{"route.txt"}, "5\n  \n"},  // real editor, blank line only
      {{"route.txt"}, "0\n"},      // yoyo question
      {{"route.txt"}, "0\ny\n"},   // yoyo menu
      {{"route.txt"}, "0\ny\n2"},  // yoyo editor
      {{"route.txt"}, "0\nn\n"},   // waypoint depth
      {{"route.txt"}, "0\nn\nx\n"},
      {{"route.txt"}, "0\nn\n5\n"},  // sampler question
      {{"route.txt"}, "abc"},        // refused entry, then nothing more
  };
  for (const auto& [args, answers] : stages) {
    const run r = runWith(answers, args);
    EXPECT_EQ(r.result.status, 1) << answers;
    const std::string& out = r.result.output;
    ASSERT_GE(out.size(), endOfInput.size());
    EXPECT_EQ(out.substr(out.size() - endOfInput.size()), endOfInput) << answers;
    EXPECT_EQ(r.files, 0) << answers;
  }
}

}  // namespace
