#include "vesk.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "calcs.h"
#include "vesk_user_if.h"
#include "wptList.h"
#include "writeMission.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

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
}

namespace {
// The settings hold their defaults from the moment the program starts.
const bool settingsReady = (resetSettings(), true);
}  // namespace

void failRun(const std::string& message) {
  std::fputs(message.c_str(), stdout);
  throw runEnd{1};
}

namespace {

const char* const usageText =
    "usage: vesk [WAYPOINT_FILE]\n"
    "\n"
    "Waypoints to TEVORAN mission utility: turns a text file of waypoints, one\n"
    "\"latitude longitude\" pair in decimal degrees per line (north and east positive),\n"
    "into a mission for the vehicle. Without WAYPOINT_FILE the program asks for the\n"
    "file name. The mission parameters are then asked for on the console.\n"
    "\n"
    "Writes three files in the current directory, named from the UTC time as\n"
    "YEAR_DAYOFYEAR_HOURMINUTE. followed by the extension:\n"
    "  cfg  the mission script the vehicle runs\n"
    "  wpt  the waypoint file\n"
    "  pts  the survey-line file\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this text and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit status: 0 when all three files are written, 1 on any error.\n";

bool isBlankLine(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// Appends one waypoint per non-blank line. A line that does not begin with a valid
// latitude and longitude stops the run: a guessed position could send the vehicle astray.
void readWaypoints(std::istream& in, const std::string& name) {
  std::string line;
  long long lineNumber = 0;
  while (std::getline(in, line)) {
    ++lineNumber;
    if (isBlankLine(line)) continue;
    double latIn = 0.0;
    double lonIn = 0.0;
    const bool valid = std::sscanf(line.c_str(), "%lf%lf", &latIn, &lonIn) == 2 &&
                       std::isfinite(latIn) && std::isfinite(lonIn) && latIn >= -90 &&
                       latIn <= 90 && lonIn >= -180 && lonIn <= 180;
    if (!valid) {
      failRun("invalid waypoint on line " + std::to_string(lineNumber) + " of " + name + "\n");
    }
    insertLatLonEnd(latIn, lonIn);
  }
  if (in.bad()) failRun("cannot open file " + name + " ");
}

// Gives every node that has a successor the length and heading of the leg to it.
void calcLegs() {
  for (node* n = headNodePtr; n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    const node* const next = n->nextPtr;
    n->legMeters = dist(n->Lat, n->Lon, next->Lat, next->Lon);
    n->heading = heading(n->Lat, n->Lon, next->Lat, next->Lon);
  }
}

// Frees the route when the run ends, however it ends.
struct listGuard {
  listGuard() = default;
  listGuard(const listGuard&) = delete;
  listGuard& operator=(const listGuard&) = delete;
  ~listGuard() { destroyList(); }
};

int run(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::fputs(usageText, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("vesk %s\n", VESK_VERSION);
    return 0;
  }
  const std::string waypointFileName = argc < 2 ? queryWaypointFileName() : std::string(argv[1]);
  std::ifstream waypointFile(waypointFileName, std::ios::in | std::ios::binary);
  std::error_code ec;
  if (!waypointFile || std::filesystem::is_directory(waypointFileName, ec)) {
    failRun("cannot open file " + waypointFileName + " ");
  }

  queryMissionParameters();
  yoyoMission = queryYoyo();
  if (yoyoMission == 1) {
    queryYoYoParameters();
  } else {
    wayPointDepth = queryWaypointDepth();
  }
  kallopMission = queryKallop();

  readWaypoints(waypointFile, waypointFileName);
  if (headNodePtr == nullptr) failRun("list is empty\n");
  // Latitude 0 marks a position still to be computed from the waypoint before it; the
  // first waypoint has none before it.
  if (headNodePtr->Lat == 0) failRun("the first waypoint cannot lie on latitude 0\n");

  planRoute();
  writeMission();
  writeWaypoints();
  writeSurLine();
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
  resetSettings();
  resetDialogue();
  try {
    return run(argc, argv);
  } catch (const runEnd& end) {
    std::fflush(stdout);
    return end.status;
  }
}
