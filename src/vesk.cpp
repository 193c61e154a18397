#include "vesk.h"

#include <algorithm>
#include <cmath>
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
#include "console/dialogueInput.h"
#include "current/currentLegs.h"
#include "energy/energyBudget.h"
#include "files/fileSet.h"
#include "report/routeReport.h"
#include "report/surfacingTime.h"
#include "routes/areaImport.h"
#include "routes/routeDocument.h"
#include "routes/routeImport.h"
#include "seabed/seabedCheck.h"
#include "settings.h"
#include "settings/commandLine.h"
#include "settings/settingsFile.h"
#include "survey/surveyRoute.h"
#include "text/runMessages.h"
#include "vesk_brief.h"
#include "vesk_dives.h"
#include "vesk_user_if.h"
#include "wptList.h"
#include "writeMission.h"

namespace {

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

// The value of a step that worked; else the run ends with the failure shown.
template <typename T>
T valueOf(result<T> step) {
  if (!step) reportFailure(step.error());
  return std::move(*step);
}

// The survey's route becomes the list, through the route readers' checks as a route
// file's waypoints come in.
void listSurveyRoute(const areaSurvey& survey, warningLog& log) {
  destroyList();
  std::vector<geoPoint> points(survey.plan.route.begin(), survey.plan.route.end());
  std::vector<std::string> warnings;
  const result<std::vector<geoPoint>> route = checkRoutePoints(points, survey.name, warnings);
  for (const std::string& text : warnings) log.warn(text);
  if (!route) reportFailure(route.error());
  for (const geoPoint& p : *route) insertLatLonEnd(p.lat, p.lon);
}

// The area and the swaths of a survey, as the picture draws them.
missionSurvey surveyOutline(const areaSurvey& survey) {
  const auto ring = [](const std::vector<latLon>& given) {
    missionRing drawn;
    for (const latLon& p : given) drawn.push_back({p.lat, p.lon});
    return drawn;
  };
  missionSurvey outline{ring(survey.file.area.outer), {}, {}, {}, {}};
  for (const auto& hole : survey.file.area.holes) outline.holes.push_back(ring(hole));
  for (const std::vector<latLon>& swath : survey.plan.swaths) outline.swaths.push_back(ring(swath));
  for (const surveyGap& gap : survey.plan.gaps) outline.gaps.push_back({gap.where.lat, gap.where.lon});
  for (const std::vector<latLon>& edge : survey.plan.margin) outline.margin.push_back(ring(edge));
  return outline;
}

// The time of a surfacing at the end of a survey's line.
double surveySurfacingSeconds(const missionSettings& settings) {
  return surfacingSeconds(settings, legEndDepth(settings));
}

// What a metre and a surfacing cost the dive with the settings as they stand; a vehicle's
// usual figures while the speed or the depths are not yet set.
surveyCosts surveyCostsNow() {
  surveyCosts costs;
  const double seconds = surveySurfacingSeconds(currentValues().mission);
  if (std::isfinite(missionSpeed) && missionSpeed > 0) costs.metersPerSecond = missionSpeed;
  if (std::isfinite(seconds) && seconds > 0) costs.surfacingSeconds = seconds;
  return costs;
}

// The survey of the area file `name`, laid out with the settings as they stand.
areaSurvey surveyOfFile(const std::string& name, warningLog& log) {
  std::vector<std::string> warnings;
  result<areaFile> file = readArea(readRouteFile(name), name, warnings);
  for (const std::string& text : warnings) log.warn(text);
  areaFile area = valueOf(std::move(file));
  // The line showing progress is wiped before any message of the outcome.
  result<areaSurvey> laid = [&] {
    progressLine shown("laying out the survey, layouts tried");
    return surveyOf(name, std::move(area), surveySettings, maxLegMeters, surveyCostsNow(),
                    [&shown](size_t tried, size_t toTry) { shown.show(tried, toTry); });
  }();
  return valueOf(std::move(laid));
}

int run(int argc, char** argv) {
  // Every warning of the run, the command line's own included, goes to this log: the
  // picture shows them and --strict counts them.
  warningLog warnings;
  const commandLine options = valueOf(parseCommandLine(argc, argv));
  // Under --strict the command line's own warnings are errors already.
  warnings.treatAsErrors(options.strict);
  for (const std::string& text : options.warnings) warnings.warn(text);
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
  if (options.saveSettings && !options.dryRun) {
    if (const problem p = checkSettingsDestination(*options.saveSettings)) reportFailure(*p);
  }
  if (options.writeRoute && !options.dryRun) {
    if (const problem p = checkSurveyRoutePath(*options.writeRoute, *options.areaFile)) reportFailure(*p);
  }
  const bool survey = options.areaFile.has_value();
  if (options.noInput && !options.waypointFile && !survey) {
    toStderr("vesk: --no-input asks no question: give the waypoint file on the command line");
    return 1;
  }
  // Defaults, then the file, then --set: the dialogue starts from what they give.
  settingValues values = currentValues();
  const givenSettings given = valueOf(loadSettings(options.settingsFile, options.sets, values));
  if (options.start) values.survey.start = options.start;
  // A budget made of part of the vehicle's figures, or a current without its direction or
  // its speed, would be a guess: refused before any question, as a bad value is.
  for (const std::string& missing : {missingEnergyKeys(values.energy), missingCurrentKeys(values.current)}) {
    if (missing.empty()) continue;
    reportFailure(
        {"", "vesk: " + missing + "; give them in the settings file or with --set KEY=VALUE; nothing is planned"});
  }
  useValues(values);
  briefRun brief = valueOf(readBriefRun(given, 0));

  const std::string waypointFileName = survey                 ? *options.areaFile
                                       : options.waypointFile ? *options.waypointFile
                                                              : queryWaypointFileName();
  // The whole waypoint file, or the survey laid out in the area, before any question is
  // asked so that a bad route or area is reported at once.
  std::optional<areaSurvey> surveyed;
  if (survey) {
    surveyed = surveyOfFile(waypointFileName, warnings);
    listSurveyRoute(*surveyed, warnings);
  } else {
    readRoute(readRouteFile(waypointFileName), waypointFileName, &warnings, options.path.value_or(""));
  }
  const routeOutline route = outlineOfRoute();
  summariseRoute(waypointFileName, route);
  // The grid under the route, read before any question so that a grid that cannot be
  // used is refused at once; the launch waypoint, not yet placed, lies within the margin.
  std::optional<gridWindow> grid;
  const std::string& gridName = seabedSettings.grid;
  if (!gridName.empty()) {
    grid = valueOf(readSeabedGrid(gridName, boundsOf(describeMission(), gridMarginMeters), seabedSettings.values,
                                  seabedSettings.tide));
  }
  if (const problem p = checkSettingsAgainstRoute(given, currentValues(), plannableAt)) reportFailure(*p);

  brief.beforeAnswers = currentValues();
  brief.asked = !options.noInput;
  if (options.noInput) {
    if (const problem p = requireSettings(given, currentValues())) reportFailure(*p);
    warnAboutSettings(route, warnings);
    if (kallopMission == 1) remindOfArmedKallops();
  } else {
    askForSettings(route, warnings);
  }

  if (survey) {
    // The lines are cut at the surfacings the operator has just set, and the quickest
    // layout is the one for the speed and depths just set.
    const surveyCosts costs = surveyCostsNow();
    if (maxLegMeters != surveyed->parameters.maxLegMeters || costs.metersPerSecond != surveyed->costs.metersPerSecond ||
        costs.surfacingSeconds != surveyed->costs.surfacingSeconds) {
      result<areaSurvey> laid = [&] {
        progressLine shown("laying out the survey again, layouts tried");
        return surveyAgain(std::move(*surveyed), surveySettings, maxLegMeters, costs,
                           [&shown](size_t tried, size_t toTry) { shown.show(tried, toTry); });
      }();
      surveyed = valueOf(std::move(laid));
      listSurveyRoute(*surveyed, warnings);
    }
    warnAboutSurveyCoverage(*surveyed, warnings);
  }
  planRoute();
  // One stem for the whole set, taken once: a run that crosses a minute boundary still
  // writes files that belong together under one name.
  brief.madeAt = std::time(nullptr);
  const std::string stem = fileNameAt(brief.madeAt);
  plannedMission mission =
      describeMission(waypointFileName, missionFileNames(stem, options.maps), &warnings,
                      survey ? std::optional<missionSurvey>(surveyOutline(*surveyed)) : std::nullopt);
  // A plan longer than the vehicle's dive or battery, split into dives when the operator
  // gives the longest dive; each dive is checked as a plan of its own.
  std::optional<std::vector<divePlan>> dives = planDives(mission, lineEndsOf(mission, surveyed), stem, options.maps);
  if (!dives) {
    if (const problem p = planBeyondVehicle(mission)) reportFailure(*p);
  }
  std::vector<missionChecks> checks = checkPlan(mission, dives, grid, warnings);
  if (options.strict && warnings.count() > 0) {
    toStderr("vesk: --strict: warnings are errors; nothing is written");
    return 1;
  }
  const auto summarise = [&] {
    summarisePlanOrDives(mission, dives, stem);
    if (survey) {
      const missionChecks& whole = checks.front();
      summariseSurvey(*surveyed, mission.settings.missionSpeed, surveySurfacingSeconds(mission.settings),
                      !dives && whole.drift ? std::optional<double>(whole.drift->secondsFromWaypoint1) : std::nullopt);
    }
    for (size_t k = 0; k < checks.size(); ++k)
      summariseChecks(checks[k], grid, dives ? "dive " + std::to_string(k + 1) + " " : "");
  };
  if (options.dryRun) {
    summarise();
    toStderr("dry run: nothing is written");
    return 0;
  }
  if (options.writeRoute) {
    if (const problem p = writeSurveyRoute(*surveyed, *options.writeRoute, &warnings)) reportFailure(*p);
  }
  if (options.saveSettings) {
    if (const problem p = saveSettings(currentValues(), *options.saveSettings, waypointFileName, stem, &warnings)) {
      reportFailure(*p);
    }
  }
  writePlanFiles(
      mission, dives, folder, options.maps, &warnings,
      briefSourceOf(brief, surveyed, checks, dives, stem, grid ? std::optional<std::string>(gridName) : std::nullopt));
  summarise();
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

void readRoute(std::string_view content, const std::string& name, warningLog* log, const std::string& path) {
  std::vector<std::string> warnings;
  const result<std::vector<geoPoint>> route = readRoutePoints(content, name, warnings, path);
  warningLog shownOnly;
  for (const std::string& text : warnings) (log != nullptr ? *log : shownOnly).warn(text);
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
  timeLegsInCurrent();
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
