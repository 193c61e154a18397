#include "vesk_dives.h"

#include <set>
#include <utility>

#include "report/routeReport.h"
#include "settings.h"
#include "text/runMessages.h"
#include "text/textOut.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace {

std::vector<missionPosition> positionsOf(const divePlan& dive) {
  std::vector<missionPosition> points;
  for (size_t i = 1; i < dive.mission.waypoints.size(); ++i) {
    points.push_back({dive.mission.waypoints[i].lat, dive.mission.waypoints[i].lon});
  }
  return points;
}

// The stretch of the route through `points` made the list and planned as any route.
void listAndPlan(const std::vector<missionPosition>& points) {
  destroyList();
  for (const missionPosition& p : points) insertLatLonEnd(p.lat, p.lon);
  planRoute();
}

void addWarnings(const std::vector<std::string>& texts, warningLog& warnings) {
  for (const std::string& text : texts) warnings.warn(text);
}

}  // namespace

// Which waypoints after the launch end a line of the survey, if the route is a survey's: a
// plan split into dives is split there where it can be.
std::vector<bool> lineEndsOf(const plannedMission& mission, const std::optional<areaSurvey>& survey) {
  std::vector<bool> ends;
  if (!survey) return ends;
  std::set<std::pair<double, double>> lineEnds;
  for (const surveyLine& line : survey->plan.lines) {
    lineEnds.insert({line.start.lat, line.start.lon});
    lineEnds.insert({line.end.lat, line.end.lon});
  }
  for (size_t i = 1; i < mission.waypoints.size(); ++i) {
    ends.push_back(lineEnds.count({mission.waypoints[i].lat, mission.waypoints[i].lon}) > 0);
  }
  return ends;
}

missionChecks checkMission(plannedMission& mission, const std::optional<gridWindow>& grid, warningLog& warnings) {
  warnAboutPlan(mission, warnings);
  missionChecks checks;
  if (grid) {
    checks.seabed = checkSeabed(mission, *grid, seabedSettings.values, seabedSettings.margin);
    addWarnings(checks.seabed->warnings, warnings);
    mission.seabed = checks.seabed->profile;
  }
  if (currentGiven(waterCurrent)) {
    checks.drift = reportCurrent(mission, waterCurrent);
    addWarnings(checks.drift->warnings, warnings);
  }
  if (energyGiven(energySettings)) {
    checks.energy = budgetEnergy(mission, energySettings);
    addWarnings(checks.energy->warnings, warnings);
  }
  return checks;
}

void summariseChecks(const missionChecks& checks, const std::optional<gridWindow>& grid, const std::string& prefix) {
  const auto lines = [&prefix](const std::vector<std::string>& summary) {
    for (size_t i = 0; i < summary.size(); ++i) toStderr((i == 0 ? prefix : "") + summary[i]);
  };
  if (checks.seabed) lines(std::vector<std::string>{"seabed " + grid->name + ":"});
  if (checks.seabed) lines(checks.seabed->summary);
  if (checks.drift) lines(checks.drift->summary);
  if (checks.energy) lines(checks.energy->summary);
}

diveLimits diveLimitsNow() {
  diveLimits limits;
  limits.maxTimerSeconds = diveSettings.maxDiveHours.value_or(0) * 3600;
  if (energyGiven(energySettings)) limits.energy = energySettings;
  return limits;
}

std::optional<std::vector<divePlan>> planDives(const plannedMission& whole, const std::vector<bool>& lineEnds,
                                               const std::string& stem, const std::vector<mapFormat>& maps) {
  if (!diveSettings.maxDiveHours) return std::nullopt;
  const diveLimits limits = diveLimitsNow();
  if (diveOverrun(whole, limits).empty()) return std::nullopt;
  std::vector<missionPosition> points;
  for (size_t i = 1; i < whole.waypoints.size(); ++i)
    points.push_back({whole.waypoints[i].lat, whole.waypoints[i].lon});
  result<std::vector<divePlan>> dives =
      splitIntoDives(points, lineEnds, limits, [&whole](const std::vector<missionPosition>& stretch) {
        listAndPlan(stretch);
        return describeMission(whole.routeFile, {}, whole.warnings);
      });
  if (!dives) reportFailure(dives.error());
  const std::string base = stem.substr(0, stem.size() - 1);  // without the stem's final "."
  for (size_t k = 0; k < dives->size(); ++k) {
    plannedMission& mission = (*dives)[k].mission;
    mission.setFiles = missionFileNames(base + "-" + std::to_string(k + 1) + ".", maps);
    mission.survey = whole.survey;
    // A surfacing the whole plan added where it cut a long leg is one in the dive too: the
    // warnings of short pieces and the maps know it so.
    const size_t first = (*dives)[k].first;
    if (mission.waypoints.size() == (*dives)[k].last - first + 2) {
      for (size_t j = 1; j < mission.waypoints.size(); ++j) mission.waypoints[j].kind = whole.waypoints[first + j].kind;
    }
  }
  return std::move(*dives);
}

void listDive(const divePlan& dive) { listAndPlan(positionsOf(dive)); }

std::vector<missionChecks> checkPlan(plannedMission& mission, std::optional<std::vector<divePlan>>& dives,
                                     const std::optional<gridWindow>& grid, warningLog& warnings) {
  std::vector<missionChecks> checks;
  if (!dives) {
    checks.push_back(checkMission(mission, grid, warnings));
    return checks;
  }
  for (size_t k = 0; k < dives->size(); ++k) {
    warnings.startWith("dive " + std::to_string(k + 1) + ": ");
    checks.push_back(checkMission((*dives)[k].mission, grid, warnings));
  }
  warnings.startWith("");
  return checks;
}

void summarisePlanOrDives(const plannedMission& mission, const std::optional<std::vector<divePlan>>& dives,
                          const std::string& stem) {
  if (dives) {
    for (const std::string& line : summariseDives(*dives, diveLimitsNow(), stem)) toStderr(line);
    return;
  }
  summarisePlan(mission, stem);
  if (diveSettings.maxDiveHours) {
    toStderr("  dives        one: the plan fits a dive of at most " +
             numberText::general(*diveSettings.maxDiveHours, 6).text() + " h on the timer" +
             (energyGiven(energySettings) ? " and keeps the battery's reserve" : ""));
  }
}

void writePlanFiles(const plannedMission& mission, const std::optional<std::vector<divePlan>>& dives,
                    const std::string& folder, const std::vector<mapFormat>& maps, warningLog* warnings,
                    const briefSource& brief) {
  if (!dives) {
    writeMissionFiles(mission, folder, maps, warnings, nullptr, brief);
    return;
  }
  std::vector<const plannedMission*> missions;
  for (const divePlan& dive : *dives) missions.push_back(&dive.mission);
  writeDiveFiles(
      missions, [&dives](size_t k) { listDive((*dives)[k]); }, folder, maps, warnings, nullptr, brief);
}
