#include "vesk.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calcs.h"
#include "console/consoleInput.h"
#include "files/fileSet.h"
#include "picture/svgMap.h"
#include "report/routeReport.h"
#include "report/surfacingTime.h"
#include "routes/areaImport.h"
#include "routes/routeDocument.h"
#include "routes/routeImport.h"
#include "settings.h"
#include "settings/commandLine.h"
#include "settings/settingsFile.h"
#include "survey/surveyRoute.h"
#include "text/runMessages.h"
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
double missionTimerFactor;
double surfacingAllowance;
surveyParameters surveySettings;

double missionTime;

int choice;
char reply;
float spd;
int headingInt;
int missionTimeInt;
int legSecsInt;

const char* const veskVersion = VESK_VERSION;

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
  missionTimerFactor = 1.2;
  surfacingAllowance = 0.0;
  surveySettings = surveyParameters{};
  missionTime = 0.0;
  choice = 0;
  reply = '0';
  spd = 1.5f;
  headingInt = 0;
  missionTimeInt = 0;
  legSecsInt = 0;
  runWarnings.clear();
}

namespace {

// The settings hold their defaults from the moment the program starts.
const bool settingsReady = (resetSettings(), true);

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

// The dialogue. Each warning of the settings comes as soon as the menu that sets them is
// closed.
void askForSettings() {
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
}

// The same warnings, in the same order, for settings that no dialogue has set.
void warnAboutSettings() {
  warnAboutMissionParameters();
  if (yoyoMission == 1) {
    warnAboutYoyoParameters();
  } else {
    warnAboutWaypointDepth();
  }
}

// The value of a step that worked; else the run ends with the failure shown.
template <typename T>
T valueOf(result<T> step) {
  if (!step) reportFailure(step.error());
  return std::move(*step);
}

// The survey's route becomes the list, through the route readers' checks as a route
// file's waypoints come in.
void listSurveyRoute(const areaSurvey& survey) {
  destroyList();
  std::vector<geoPoint> points(survey.plan.route.begin(), survey.plan.route.end());
  std::vector<std::string> warnings;
  const result<std::vector<geoPoint>> route = checkRoutePoints(points, survey.name, warnings);
  for (const std::string& text : warnings) warn(text);
  if (!route) reportFailure(route.error());
  for (const geoPoint& p : *route) insertLatLonEnd(p.lat, p.lon);
}

// The survey of the area file `name`, laid out with the settings as they stand.
areaSurvey surveyOfFile(const std::string& name) {
  std::vector<std::string> warnings;
  result<areaFile> file = readArea(readRouteFile(name), name, warnings);
  for (const std::string& text : warnings) warn(text);
  return valueOf(surveyOf(name, valueOf(std::move(file)), surveySettings, maxLegMeters));
}

int run(int argc, char** argv) {
  // The command line's own warnings count for --strict too.
  const long long warningsBefore = warningCount();
  const commandLine options = parseCommandLine(argc, argv);
  if (options.help) {
    std::fputs(usageText, stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(versionText().c_str(), stdout);
    return 0;
  }
  const std::string& folder = options.outputDir;
  checkOutputFolder(folder, !options.dryRun);
  if (options.saveSettings && !options.dryRun) checkSettingsDestination(*options.saveSettings);
  if (options.writeRoute && !options.dryRun) {
    if (const problem p = checkSurveyRoutePath(*options.writeRoute, *options.areaFile)) reportFailure(*p);
  }
  const bool survey = options.areaFile.has_value();
  if (options.noInput && !options.waypointFile && !survey) {
    toStderr("vesk: --no-input asks no question: give the waypoint file on the command line");
    return 1;
  }
  // Defaults, then the file, then --set: the dialogue starts from what they give.
  const givenSettings given = loadSettings(options.settingsFile, options.sets);

  const std::string waypointFileName = survey                 ? *options.areaFile
                                       : options.waypointFile ? *options.waypointFile
                                                              : queryWaypointFileName();
  planPicture = pictureInputs{};
  planPicture.routeFile = waypointFileName;
  // The whole waypoint file, or the survey laid out in the area, before any question is
  // asked so that a bad route or area is reported at once.
  std::optional<areaSurvey> surveyed;
  if (survey) {
    surveyed = surveyOfFile(waypointFileName);
    listSurveyRoute(*surveyed);
  } else {
    readRoute(readRouteFile(waypointFileName), waypointFileName);
  }
  summariseRoute(waypointFileName);
  checkSettingsAgainstRoute(given);

  if (options.noInput) {
    requireSettings(given);
    warnAboutSettings();
    if (kallopMission == 1) remindOfArmedKallops();
  } else {
    askForSettings();
  }

  if (survey) {
    // The lines are cut at the surfacings the operator has just set.
    if (maxLegMeters != surveyed->parameters.maxLegMeters) {
      surveyed = valueOf(surveyAgain(std::move(*surveyed), surveySettings, maxLegMeters));
      listSurveyRoute(*surveyed);
    }
    warnAboutSurveyCoverage(*surveyed);
    if (std::find(options.maps.begin(), options.maps.end(), mapFormat::svg) != options.maps.end()) {
      planPicture.area = pictureArea{surveyed->file.area.outer, surveyed->file.area.holes};
      planPicture.swaths = surveyed->plan.swaths;
    }
  }
  planRoute();
  warnAboutPlan();
  if (options.strict && warningCount() > warningsBefore) {
    toStderr("vesk: --strict: warnings are errors; nothing is written");
    return 1;
  }
  // One stem for the whole set, taken once: a run that crosses a minute boundary still
  // writes files that belong together under one name.
  const std::string stem = fileNameAt(std::time(nullptr));
  if (options.dryRun) {
    summarisePlan(stem);
    if (survey) summariseSurvey(*surveyed, missionSpeed, surfacingSeconds(legEndDepth()));
    toStderr("dry run: nothing is written");
    return 0;
  }
  if (options.writeRoute) {
    if (const problem p = writeSurveyRoute(*surveyed, *options.writeRoute)) reportFailure(*p);
  }
  if (options.saveSettings) saveSettings(*options.saveSettings, waypointFileName, stem);
  writeMissionFiles(stem, folder, options.maps);
  summarisePlan(stem);
  if (survey) summariseSurvey(*surveyed, missionSpeed, surfacingSeconds(legEndDepth()));
  return 0;
}

// The message of a run that memory ran out in, which takes none: there may be none left.
// The files being written were removed on the way here.
int outOfMemory() {
  std::fflush(stdout);
  std::fputs("vesk: out of memory; the run is stopped, and the files it had not finished are removed\n", stderr);
  std::fflush(stderr);
  return 1;
}

}  // namespace

std::string readRouteFile(const std::string& name) {
  result<std::string> content = readDocumentFile(name);
  if (!content) reportFailure(content.error());
  return std::move(*content);
}

void readRoute(std::string_view content, const std::string& name) {
  std::vector<std::string> warnings;
  const result<std::vector<geoPoint>> route = readRoutePoints(content, name, warnings);
  for (const std::string& text : warnings) warn(text);
  if (!route) reportFailure(route.error());
  for (const geoPoint& p : *route) insertLatLonEnd(p.lat, p.lon);
}

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
  } catch (const std::bad_alloc&) {
    return outOfMemory();
  } catch (const std::exception& e) {
    // Anything else: a message instead of an abort, and the files being written removed
    // on the way here.
    try {
      toStderr(std::string("vesk: ") + e.what());
    } catch (const std::bad_alloc&) {
      return outOfMemory();
    }
    return 1;
  } catch (...) {
    std::fflush(stdout);
    std::fputs("vesk: unexpected error\n", stderr);
    return 1;
  }
}
