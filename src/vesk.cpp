#include "vesk.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "calcs.h"
#include "commandLine.h"
#include "consoleInput.h"
#include "fileSetPlatform.h"
#include "routeImport.h"
#include "routeReport.h"
#include "svgMap.h"
#include "vesk_user_if.h"
#include "wptList.h"
#include "writeMission.h"

int abortOnTimeout;
int kallopMission;
int yoyoMission;
double maxLegMeters;
double missionSpeed;
double missionSpeedSlow;
int gpsHits;
int wayPointDepth;
double minDepth;
double maxDepth;
double abortDepth;
double abortAltitude;
double abortLockoutDepth;
int yoyoMinAltitude;
int missionYoyoMinDepth;
int missionYoyoMaxDepth;
int missionYoyoMaxDepthShallow;
const int LAUNCH_OFFSET = 500;

std::string outputFolder;

std::string outputPath(const std::string& name) {
  if (outputFolder.empty()) return name;
  const char last = outputFolder.back();
  return last == '/' || last == '\\' ? outputFolder + name : outputFolder + "/" + name;
}

double missionTime;

int choice;
char reply;
float spd;
int headingInt;
int missionTimeInt;
int legSecsInt;

void resetSettings() {
  abortOnTimeout = 1;
  kallopMission = 1;
  yoyoMission = 1;
  maxLegMeters = 3600.0;
  missionSpeed = 1.5;
  missionSpeedSlow = 1.25;
  gpsHits = 30;
  wayPointDepth = 50;
  minDepth = 0.0;
  maxDepth = 90.0;
  abortDepth = 100.0;
  abortAltitude = 2.5;
  abortLockoutDepth = 8.0;
  yoyoMinAltitude = 15;
  missionYoyoMinDepth = 2;
  missionYoyoMaxDepth = 90;
  missionYoyoMaxDepthShallow = 20;
  missionTime = 0.0;
  choice = 0;
  reply = '0';
  spd = 1.5f;
  headingInt = 0;
  missionTimeInt = 0;
  legSecsInt = 0;
  outputFolder.clear();
  runWarnings.clear();
}

namespace {
// The settings hold their defaults from the moment the program starts.
const bool settingsReady = (resetSettings(), true);
}  // namespace

// Messages may quote the waypoint file, NUL bytes included: written whole, so that no
// message loses its end and its line end.
void failRun(const std::string& message, const std::string& reason) {
  std::fwrite(message.data(), 1, message.size(), stdout);
  if (!reason.empty()) toStderr(reason);
  throw runEnd{1};
}

void toStderr(const std::string& line) {
  std::fflush(stdout);
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::vector<std::string> runWarnings;

void warn(const std::string& text) {
  toStderr("warning: " + text);
  runWarnings.push_back(text);
}

namespace {

// Gives the nodes from `first` up to `last` (not included) the length and heading of the
// leg to their successor.
void calcLegs(node* first, const node* last) {
  for (node* n = first; n != last && n->nextPtr != nullptr; n = n->nextPtr) {
    const node* const next = n->nextPtr;
    n->legMeters = dist(n->Lat, n->Lon, next->Lat, next->Lon);
    n->heading = heading(n->Lat, n->Lon, next->Lat, next->Lon);
  }
}

// Gives every node that has a successor the length and heading of the leg to it. A leg
// depends on its two ends only, so on a long route a second thread takes the second half.
void calcLegs() {
  long count = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count;
  if (count < threadedFromWaypoints) {
    calcLegs(headNodePtr, nullptr);
    return;
  }
  node* middle = headNodePtr;
  for (long i = 0; i < count / 2; ++i) middle = middle->nextPtr;
  std::thread secondHalf([middle] { calcLegs(middle, nullptr); });
  calcLegs(headNodePtr, middle);
  secondHalf.join();
}

// Frees the route when the run ends, however it ends.
struct listGuard {
  listGuard() = default;
  listGuard(const listGuard&) = delete;
  listGuard& operator=(const listGuard&) = delete;
  ~listGuard() { destroyList(); }
};

// A name as the file system library takes it: the program's names are UTF-8 everywhere,
// and on Windows a plain string would be read in the legacy code page instead.
std::filesystem::path pathOf(const std::string& name) { return std::filesystem::u8path(name); }

// An output folder named on the command line must take files before the operator answers
// any question.
void checkOutputFolder(const std::string& folder) {
  std::error_code ec;
  if (!std::filesystem::exists(pathOf(folder), ec)) {
    failRun("cannot use output folder " + folder + ": there is no such folder\n");
  }
  if (!std::filesystem::is_directory(pathOf(folder), ec)) {
    failRun("cannot use output folder " + folder + ": it is not a folder\n");
  }
  const std::string probe = outputPath(".vesk-write-test." + platform::uniqueTag());
  const platform::fileHandle file = platform::createNew(probe);
  if (file == platform::noFile) failRun("cannot write into output folder " + folder + "\n");
  platform::closeQuietly(file);
  platform::remove(probe);
}

int run(int argc, char** argv) {
  const commandLine options = parseCommandLine(argc, argv);
  if (options.help) {
    std::fputs(usageText, stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(versionText().c_str(), stdout);
    return 0;
  }
  outputFolder = options.outputDir;
  if (!outputFolder.empty()) checkOutputFolder(outputFolder);

  const std::string waypointFileName =
      options.waypointFile ? *options.waypointFile : queryWaypointFileName();
  planPicture = pictureInputs{};
  planPicture.routeFile = waypointFileName;
  // The whole waypoint file, read before any question is asked so that a bad route is
  // reported at once.
  readRoute(readRouteFile(waypointFileName).text(), waypointFileName);
  summariseRoute(waypointFileName);

  // Each warning of the settings comes as soon as the menu that sets them is closed.
  queryMissionParameters();
  warnAboutMissionParameters();
  yoyoMission = queryYoyo();
  if (yoyoMission == 1) {
    queryYoYoParameters();
    warnAboutYoyoParameters();
  } else {
    wayPointDepth = queryWaypointDepth();
    warnAboutWaypointDepth();
  }
  kallopMission = queryKallop();

  planRoute();
  warnAboutPlan();
  writeMissionFiles(std::time(nullptr), options.maps);
  summarisePlan();
  return 0;
}

}  // namespace

void planRoute() {
  calcLegs();
  insertIfBig_legMeters();
  fillBlankLatLons();
  itemizeList();
  calcWaypointTimes();
  launch_waypoint();
  missionTime = calcMissionTime();
}

int veskMain(int argc, char** argv) {
  const listGuard route;
  prepareConsole();
  resetSettings();
  resetDialogue();
  try {
    return run(argc, argv);
  } catch (const runEnd& end) {
    std::fflush(stdout);
    return end.status;
  }
}
