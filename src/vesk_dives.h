// The driver's checks of a planned mission, and the plan split into dives: the steps of a
// run between planning the route and writing its files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "current/currentLegs.h"
#include "dives/diveSplit.h"
#include "energy/energyBudget.h"
#include "maps/mapExport.h"
#include "mission/plannedMission.h"
#include "seabed/seabedCheck.h"
#include "seabed/seabedGrid.h"
#include "survey/surveyRoute.h"
#include "text/runMessages.h"
#include "writeMission.h"

// What the seabed, the current and the battery say of one mission; each only when given.
struct missionChecks {
  std::optional<seabedReport> seabed;
  std::optional<currentReport> drift;
  std::optional<energyReport> energy;
};

// Warns of `mission` as of any plan, and checks it against the grid (if any), the current
// and the battery as the settings give them, the warnings into `warnings`; the seabed under
// the route goes into the mission for the picture.
missionChecks checkMission(plannedMission& mission, const std::optional<gridWindow>& grid, warningLog& warnings);

// The checks' summary lines on standard error, each heading after `prefix`.
void summariseChecks(const missionChecks& checks, const std::optional<gridWindow>& grid,
                     const std::string& prefix = "");

// The plan split into dives, each planned with the name `stem` and its number and the maps
// in `maps`: none when no maxDiveHours is given or the whole plan fits one dive. A leg that
// fits no dive ends the run with its message. `lineEnds[i]` tells that waypoint i + 1 of
// `whole` ends a survey line.
std::optional<std::vector<divePlan>> planDives(const plannedMission& whole, const std::vector<bool>& lineEnds,
                                               const std::string& stem, const std::vector<mapFormat>& maps);

// Which waypoints after the launch of `mission` end a line of the survey, if the route is a
// survey's: a plan split into dives is split there where it can be.
std::vector<bool> lineEndsOf(const plannedMission& mission, const std::optional<areaSurvey>& survey);

// The limits of a dive as the settings give them.
diveLimits diveLimitsNow();

// Makes the route of `dive` the list, planned, for its files to be written.
void listDive(const divePlan& dive);

// checkMission of the plan, or of each of its dives, whose warnings then name the dive.
std::vector<missionChecks> checkPlan(plannedMission& mission, std::optional<std::vector<divePlan>>& dives,
                                     const std::optional<gridWindow>& grid, warningLog& warnings);

// The plan's summary on standard error, or its dives' when it is split.
void summarisePlanOrDives(const plannedMission& mission, const std::optional<std::vector<divePlan>>& dives,
                          const std::string& stem);

// The plan's files, named from its setFiles; or every dive's files as one set.
void writePlanFiles(const plannedMission& mission, const std::optional<std::vector<divePlan>>& dives,
                    const std::string& folder, const std::vector<mapFormat>& maps, warningLog* warnings,
                    const briefSource& brief = nullptr);
