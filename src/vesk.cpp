#include "vesk.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calcs.h"
#include "console/consoleInput.h"
#include "console/dialogueInput.h"
#include "files/fileSet.h"
#include "report/routeReport.h"
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
}

missionSettings currentSettings() {
  missionSettings s;
  s.abortOnTimeout = abortOnTimeout;
  s.kallopMission = kallopMission;
  s.yoyoMission = yoyoMission;
  s.maxLegMeters = maxLegMeters;
  s.missionSpeed = missionSpeed;
  s.missionSpeedSlow = missionSpeedSlow;
  s.gpsHits = gpsHits;
  s.wayPointDepth = wayPointDepth;
  s.minDepth = minDepth;
  s.maxDepth = maxDepth;
  s.abortDepth = abortDepth;
  s.abortAltitude = abortAltitude;
  s.abortLockoutDepth = abortLockoutDepth;
  s.yoyoMinAltitude = yoyoMinAltitude;
  s.missionYoyoMinDepth = missionYoyoMinDepth;
  s.missionYoyoMaxDepth = missionYoyoMaxDepth;
  s.missionYoyoMaxDepthShallow = missionYoyoMaxDepthShallow;
  s.launchOffset = LAUNCH_OFFSET;
  s.missionTimerFactor = missionTimerFactor;
  s.surfacingAllowance = surfacingAllowance;
  return s;
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

// The route as read, before any leg is computed: its waypoints, length and longest leg.
routeOutline outlineOfRoute() {
  routeOutline route;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    ++route.waypoints;
    if (n->nextPtr == nullptr) continue;
    const double leg = dist(n->Lat, n->Lon, n->nextPtr->Lat, n->nextPtr->Lon);
    route.meters += leg;
    route.longestLeg = std::max(route.longestLeg, leg);
  }
  return route;
}

// The dialogue. Each warning of the settings comes as soon as the menu that sets them is
// closed.
void askForSettings(const routeOutline& route, warningLog& warnings) {
  queryMissionParameters();
  warnAboutMissionParameters(currentSettings(), route, warnings);
  yoyoMission = queryYoyo();
  if (yoyoMission == 1) {
    queryYoYoParameters();
    warnAboutYoyoParameters(currentSettings(), warnings);
  } else {
    wayPointDepth = queryWaypointDepth();
    warnAboutWaypointDepth(currentSettings(), warnings);
  }
  kallopMission = queryKallop();
}

// The same warnings, in the same order, for settings that no dialogue has set.
void warnAboutSettings(const routeOutline& route, warningLog& warnings) {
  const missionSettings settings = currentSettings();
  warnAboutMissionParameters(settings, route, warnings);
  if (settings.yoyoMission == 1) {
    warnAboutYoyoParameters(settings, warnings);
  } else {
    warnAboutWaypointDepth(settings, warnings);
  }
}

int run(int argc, char** argv) {
  // Every warning of the run, the command line's own included, goes to this log: the
  // picture shows them and --strict counts them.
  warningLog warnings;
  const warningsTo runWarnings(warnings);
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
  if (const problem refused = checkOutputFolder(folder, !options.dryRun)) reportFailure(*refused);
  if (options.saveSettings && !options.dryRun) checkSettingsDestination(*options.saveSettings);
  if (options.writeRoute && !options.dryRun) checkSurveyRoutePath(*options.writeRoute, *options.areaFile);
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
  // The whole waypoint file, or the survey laid out in the area, before any question is
  // asked so that a bad route or area is reported at once.
  if (survey) {
    readSurvey(waypointFileName);
  } else {
    readRoute(readRouteFile(waypointFileName), waypointFileName);
  }
  const routeOutline route = outlineOfRoute();
  summariseRoute(waypointFileName, route);
  checkSettingsAgainstRoute(given);

  if (options.noInput) {
    requireSettings(given);
    warnAboutSettings(route, warnings);
    if (kallopMission == 1) remindOfArmedKallops();
  } else {
    askForSettings(route, warnings);
  }

  if (survey) {
    // The lines are cut at the surfacings the operator has just set.
    fitSurveyToSettings();
    warnAboutSurveyCoverage();
  }
  planRoute();
  // One stem for the whole set, taken once: a run that crosses a minute boundary still
  // writes files that belong together under one name.
  const std::string stem = fileNameAt(std::time(nullptr));
  const plannedMission mission = describeMission(waypointFileName, missionFileNames(stem, options.maps), &warnings,
                                                 survey ? std::optional<missionSurvey>(surveyOutline()) : std::nullopt);
  warnAboutPlan(mission, warnings);
  if (options.strict && warnings.count() > 0) {
    toStderr("vesk: --strict: warnings are errors; nothing is written");
    return 1;
  }
  if (options.dryRun) {
    summarisePlan(mission, stem);
    if (survey) summariseSurvey();
    toStderr("dry run: nothing is written");
    return 0;
  }
  if (options.writeRoute) writeSurveyRoute(*options.writeRoute);
  if (options.saveSettings) saveSettings(*options.saveSettings, waypointFileName, stem);
  writeMissionFiles(mission, folder, options.maps);
  summarisePlan(mission, stem);
  if (survey) summariseSurvey();
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

plannedMission describeMission(std::string routeFile, std::vector<std::string> setFiles, const warningLog* warnings,
                               std::optional<missionSurvey> survey) {
  plannedMission mission;
  size_t count = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count;
  mission.waypoints.reserve(count);
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    const waypointKind kind = n == headNodePtr ? waypointKind::launch
                              : n->inserted    ? waypointKind::added
                                               : waypointKind::given;
    mission.waypoints.push_back({n->wptNumber, n->Lat, n->Lon, n->legMeters, n->heading, n->legSecs, kind});
  }
  mission.settings = currentSettings();
  mission.missionTime = missionTime;
  mission.warnings = warnings;
  mission.routeFile = std::move(routeFile);
  mission.setFiles = std::move(setFiles);
  mission.survey = std::move(survey);
  return mission;
}

int veskMain(int argc, char** argv) {
  const listGuard route;
  prepareConsole();
  resetSettings();
  resetDialogue();
  try {
    try {
      return run(argc, argv);
    } catch (const inputEnded& ended) {
      // The end of the operator's answers, from wherever the dialogue was reading.
      reportFailure({ended.message, ended.reason});
    }
  } catch (const runEnd& end) {
    std::fflush(stdout);
    return end.status;
  } catch (const std::bad_alloc&) {
    toStderr("vesk: out of memory; the run is stopped, and the files it had not finished are removed");
    return 1;
  } catch (const std::exception& e) {
    // Anything else (memory running out while a huge file is parsed): a message instead of
    // an abort, and the files being written removed on the way here.
    toStderr(std::string("vesk: ") + e.what());
    return 1;
  } catch (...) {
    toStderr("vesk: unexpected error");
    return 1;
  }
}
