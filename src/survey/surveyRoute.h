// A survey as the route of a run (--area): the area file as read, checked, and its lines
// laid out with the survey's parameters and the distance between surfacings. The driver
// holds the areaSurvey this gives back: it puts the route into the list, hands the area and
// the swaths to the picture, and has the coverage warned about and the survey summed up.
//
// Enters: the area file's name and contents as read (routes/areaImport.h), the survey's
// parameters and maxLegMeters, and for the summary the speed and the time of a surfacing.
// Leaves: an areaSurvey or the failure to show; the route file (--write-route); the
// warning and the summary on standard error. Reads no setting and neither reads nor
// writes the list or the picture's inputs.
#pragma once

#include <optional>
#include <string>

#include "routes/areaImport.h"
#include "survey/surveyArea.h"
#include "survey/surveyParameters.h"
#include "survey/surveyPattern.h"
#include "survey/surveyPlan.h"
#include "text/outcome.h"
#include "text/runMessages.h"

struct areaSurvey {
  std::string name;             // of the area file, as the operator gave it
  areaFile file;                // as read: the area as drawn, and the lines of its vertices
  projectedArea area;           // checked and laid flat
  surveyParameters parameters;  // as the plan was laid out, its maxLegMeters included
  surveyPlan plan;
  surveyCosts costs;  // the speed and surfacing time the layout was chosen for
};

// Checks the area of the file `name`, read as `file`, and lays out its survey with
// `parameters` and the lines cut at `maxLegMeters`. Called before any question, so that an
// area that cannot be surveyed is refused at once; a refusal names the file, the boundary,
// the vertex and its line.
result<areaSurvey> surveyOf(const std::string& name, areaFile file, const surveyParameters& parameters,
                            double maxLegMeters, const surveyCosts& costs = {}, const surveyProgress& progress = {});

// The same area laid out again: after the dialogue, when the operator changed the
// distance between surfacings the lines are cut at, or the speed or surfacing time the
// quickest layout depends on.
result<areaSurvey> surveyAgain(areaSurvey survey, const surveyParameters& parameters, double maxLegMeters,
                               const surveyCosts& costs = {}, const surveyProgress& progress = {});

// Warns when the swaths leave part of the area unswept.
void warnAboutSurveyCoverage(const areaSurvey& survey, warningLog& warnings);

// A folder named in the route file's path must take it, and the route must not replace
// the area file `areaName` it is laid out from: checked before any question.
problem checkSurveyRoutePath(const std::string& path, const std::string& areaName);

// Writes the survey's route as a plain route file at `path`, one "latitude longitude" line
// per waypoint with the digits that read back as the same doubles, as a file of its own
// (complete or not at all). Its line is printed with the other files' lines.
problem writeSurveyRoute(const areaSurvey& survey, const std::string& path, warningLog* warnings);

// The survey's figures on standard error, after the plan's: lines, their length, the
// transits, the coverage and the time under way at `missionSpeed` and at the surfacings,
// `surfacingSeconds` each. In a current the time under way is `underWaySeconds`, the
// legs' times over the ground from the first waypoint on, as the plan has them.
void summariseSurvey(const areaSurvey& survey, double missionSpeed, double surfacingSeconds,
                     std::optional<double> underWaySeconds = std::nullopt);
// The same lines, for the dive brief.
std::vector<std::string> surveySummary(const areaSurvey& survey, double missionSpeed, double surfacingSeconds,
                                       std::optional<double> underWaySeconds = std::nullopt);
