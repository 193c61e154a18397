#include "vesk_user_if.h"

#include <cstdio>
#include <optional>
#include <string>

#include "console/dialogueInput.h"
#include "console/keyWait.h"
#include "console/pastedName.h"
#include "settings.h"
#include "settings/settingKeys.h"
#include "text/runMessages.h"
#include "wptList.h"

namespace {

// An entry that cannot be taken: the error on the console, the rest of its line dropped,
// and why, when there is more to say than that it is no number of the kind asked for.
void refuseEntry(const std::string& reason = "") {
  std::printf("Error ... please try again\n");
  discardRestOfLine();
  if (!reason.empty()) toStderr(reason);
}

// One character is discarded after an entry that is taken, normally the line end.
template <typename T>
std::optional<T> accepted(std::optional<T> value) {
  if (value) {
    discardOneChar();
  } else {
    refuseEntry();
  }
  return value;
}

// Why an answer line is dropped unread.
std::string tooLong() {
  return "an answer line is at most " + std::to_string(longestAnswerLine) + " characters; that one is dropped";
}

std::optional<int> readInt() {
  const std::optional<std::string> word = readWord();
  if (!word) {
    refuseEntry(tooLong());
    return std::nullopt;
  }
  return accepted(intOf(*word));
}

// An editor: shows its texts and reads an entry until `take` accepts one, which it
// returns. `take` gets the word typed and gives its value, or nothing and perhaps a
// reason; after each refused entry the editor's texts are shown again, so that the next
// entry goes to the same setting and never to the menu.
template <typename T, typename Show, typename Take>
T edit(Show show, Take take) {
  for (;;) {
    show();
    const std::optional<std::string> word = readWord();
    std::string reason = word ? "" : tooLong();
    if (const std::optional<T> value = word ? take(*word, reason) : std::nullopt) {
      discardOneChar();
      return *value;
    }
    refuseEntry(reason);
  }
}

// The yes/no questions judge the first character of one whole answer line.
int askYesNo(const char* question) {
  for (;;) {
    std::printf("%s\n", question);
    std::fputs(" Please enter Y or N > ", stdout);
    const std::optional<std::string> answer = readLine();
    if (answer) {
      reply = answer->empty() ? '\n' : answer->front();
      if (reply == 'Y' || reply == 'y') return 1;
      if (reply == 'N' || reply == 'n') return 0;
    }
    if (!answer) toStderr(tooLong());
    std::fputs(" Please enter y or n ", stdout);
  }
}

// A speed is taken as the float nearest to what was typed; the menu widens it to double.
float editSpeed(const char* name, double current) {
  const auto show = [&] {
    std::printf("%s is %f meters per second\n", name, current);
    std::fputs("Please enter new speed in meters per second \n\n >", stdout);
  };
  return edit<float>(show, [](const std::string& word, std::string& reason) {
    const std::optional<float> value = speedOf(word);
    const std::optional<double> number = doubleOf(word);
    if (!value && number) reason = speedRefusal(*number, word);
    if (value) spd = *value;
    return value;
  });
}

template <typename Show>
int editInt(Show show) {
  return edit<int>(show, [](const std::string& word, std::string&) {
    const std::optional<int> value = intOf(word);
    if (value) choice = *value;
    return value;
  });
}

// The editors of the depth envelope, which differ in the name of their setting only.
double editEnvelope(const char* name, double current) {
  const auto show = [&] {
    std::printf("%s is %g meters\n", name, current);
    std::printf("Please enter new %s in meters \n\n >", name);
  };
  return edit<double>(show, [](const std::string& word, std::string&) { return doubleOf(word); });
}

// The yoyo depths, as editInt takes them.
int editYoyoDepth(const char* name, int current) {
  return editInt([&] {
    std::printf("mission YoYo %s is %d meters\n", name, current);
    std::fputs("Please enter new depth in meters \n\n > ", stdout);
  });
}

void showMissionParameters() {
  std::printf("\n\n Mission Parameters \n\n");
  std::printf(" 1  MISSION_SPEED %g\n", missionSpeed);
  std::printf(" 2  MISSION_SPEED_SLOW %g\n", missionSpeedSlow);
  std::printf(" 3  GPS_HITS %d\n", gpsHits);
  std::printf(" 4  Meters between surfacings %g\n", maxLegMeters);
  std::printf(" 5  minDepth %g\n", minDepth);
  std::printf(" 6  maxDepth %g\n", maxDepth);
  std::printf(" 7  abortDepth %g\n", abortDepth);
  std::printf(" 8  abortAltitude %g\n", abortAltitude);
  std::printf(" 9  abortLockoutDepth %g\n", abortLockoutDepth);
  std::printf("10  abortOnTimeout %d\n\n", abortOnTimeout);
  std::printf(" 0   All parameters are OK\n");
  std::printf("  Choose number of parameter to modify.\n");
  std::fputs("  If parameters are OK, type 0 \n\n > ", stdout);
}

void showYoYoParameters() {
  std::printf("\n\n YOYO Mission Parameters \n\n");
  std::printf("1  YOYO_MIN_ALTITUDE %d\n", yoyoMinAltitude);
  std::printf("2  MISSION_YOYO_MIN_DEPTH %d\n", missionYoyoMinDepth);
  std::printf("3  MISSION_YOYO_MAX_DEPTH %d\n", missionYoyoMaxDepth);
  std::printf("4  MISSION_YOYO_MAX_DEPTH_SHALLOW %d\n", missionYoyoMaxDepthShallow);
  std::printf("0  All parameters are OK\n");
  std::printf("  Choose number of parameter to modify.\n");
  std::fputs("  If parameters are OK, type 0 \n\n > ", stdout);
}

// Runs a menu until the operator selects 0. `act` handles the selections 1 to `items`.
template <typename Act>
int runMenu(void (*show)(), int items, Act act) {
  for (;;) {
    show();
    const std::optional<int> selection = readInt();
    if (!selection) continue;
    choice = *selection;
    if (choice == 0) {
      std::printf("0\n");
      return 0;
    }
    if (choice >= 1 && choice <= items) {
      act(choice);
    } else {
      std::printf("Error ... please try again\n");
    }
  }
}

}  // namespace

void resetDialogue() { resetInput(); }

std::string queryWaypointFileName() {
  std::printf("\n\nWelcome to Waypoints to TEVORAN mission utility.\n");
  std::printf("Waypoint lat/lon's must be in decimal degree format.\n");
  for (;;) {
    std::printf("What's the name of the waypoint file ? \n");
    std::fputs(" > ", stdout);
    // Pasted names come quoted or escaped as the desktop or the shell gives them.
    if (const std::optional<std::string> name = readLine()) return pastedFileName(*name);
    std::printf("Error ... please try again\n");
    toStderr(tooLong());
  }
}

float Speed() { return editSpeed("mission Speed", missionSpeed); }

float SpeedSlow() { return editSpeed("mission Speed Slow", missionSpeedSlow); }

int gpsNum() {
  return editInt([] {
    std::printf("Number of GPS hits per surfacing is %d \n", gpsHits);
    std::fputs("Please enter new number of hits \n\n > ", stdout);
  });
}

double get_maxLegMeters() {
  const auto show = [] {
    std::printf("Meters between AUV surfacings is %g \n", maxLegMeters);
    std::fputs("Please enter new distance in meters \n\n > ", stdout);
  };
  // The route is known by now: a distance that would cut it into more waypoints than
  // the program plans is refused here, not after the whole dialogue.
  return edit<double>(show, [](const std::string& word, std::string& reason) -> std::optional<double> {
    const std::optional<double> value = doubleOf(word);
    if (value) reason = maxLegMetersRefusal(*value, word);
    if (value && reason.empty() && !plannableAt(*value)) reason = tooManyWaypointsRefusal(word);
    if (!reason.empty()) return std::nullopt;
    return value;
  });
}

double get_minDepth() { return editEnvelope("minDepth", minDepth); }
double get_maxDepth() { return editEnvelope("maxDepth", maxDepth); }
double get_abortDepth() { return editEnvelope("abortDepth", abortDepth); }
double get_abortAltitude() { return editEnvelope("abortAltitude", abortAltitude); }
double get_abortLockoutDepth() { return editEnvelope("abortLockoutDepth", abortLockoutDepth); }

double get_abortOnTimeout() {
  const auto show = [] {
    std::printf("abortOnTimeout is %d \n", abortOnTimeout);
    std::printf("Please enter new abortOnTimeout \n");
    std::fputs("1 for TRUE, or 0 for FALSE \n\n >", stdout);
  };
  return edit<int>(show, [](const std::string& word, std::string& reason) -> std::optional<int> {
    const std::optional<int> value = intOf(word);
    if (value) reason = flagRefusal("abortOnTimeout", *value);
    if (!reason.empty()) return std::nullopt;
    return value;
  });
}

int queryMissionParameters() {
  return runMenu(showMissionParameters, 10, [](int item) {
    switch (item) {
      case 1: missionSpeed = Speed(); break;
      case 2: missionSpeedSlow = SpeedSlow(); break;
      case 3: gpsHits = gpsNum(); break;
      case 4: maxLegMeters = get_maxLegMeters(); break;
      case 5: minDepth = get_minDepth(); break;
      case 6: maxDepth = get_maxDepth(); break;
      case 7: abortDepth = get_abortDepth(); break;
      case 8: abortAltitude = get_abortAltitude(); break;
      case 9: abortLockoutDepth = get_abortLockoutDepth(); break;
      default: abortOnTimeout = static_cast<int>(get_abortOnTimeout()); break;
    }
  });
}

int queryYoyo() { return askYesNo(" Will this be a YOYO Mission ? "); }

int queryKallop() {
  const int answer = askYesNo(" Will this be a KALLOP Mission ? ");
  if (answer == 1) {
    std::printf(" \n\n The Kallops will be armed at mission start \n");
    std::printf(" Remember to move the behavior if necessary \n");
    std::printf(" Hit any key to continue \n");
    waitForKey();
    std::printf("\n\n");
  }
  return answer;
}

void remindOfArmedKallops() {
  toStderr("The Kallops will be armed at mission start. Remember to move the behavior if necessary.");
}

int yoyoMinAlt() {
  return editInt([] {
    std::printf("YoYo Minimum Altitude is %d meters\n", yoyoMinAltitude);
    std::fputs("Please enter new altitude in meters \n\n > ", stdout);
  });
}

int yoyoMinDepth() { return editYoyoDepth("Min Depth", missionYoyoMinDepth); }
int yoyoMaxDepth() { return editYoyoDepth("Max Depth", missionYoyoMaxDepth); }
int yoyoMaxDepthShallow() {
  // The menu offers the depth as it always has, but nothing the program writes depends on
  // it: the operator hears so before spending time on it.
  toStderr(
      "note: MISSION_YOYO_MAX_DEPTH_SHALLOW is kept as entered, but no output uses it: the mission script, "
      "the maps and the picture are the same whatever it holds");
  return editYoyoDepth("Max Depth Shallow", missionYoyoMaxDepthShallow);
}

int queryYoYoParameters() {
  return runMenu(showYoYoParameters, 4, [](int item) {
    switch (item) {
      case 1: yoyoMinAltitude = yoyoMinAlt(); break;
      case 2: missionYoyoMinDepth = yoyoMinDepth(); break;
      case 3: missionYoyoMaxDepth = yoyoMaxDepth(); break;
      default: missionYoyoMaxDepthShallow = yoyoMaxDepthShallow(); break;
    }
  });
}

int queryWaypointDepth() {
  return editInt([] {
    std::printf("Default Waypoint Depth is %d \n", wayPointDepth);
    std::fputs("Please enter new depth \n\n > ", stdout);
  });
}
