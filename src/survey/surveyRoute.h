// A survey as the route of a run (--area): the area file read and checked, its lines laid
// out with the survey settings and the distance between surfacings, and the route they give
// put into the one list, as a route file's waypoints are.
#pragma once

#include <string>

// Reads the area file `name`, checks it and lays out its survey with the settings as they
// stand, and makes the route the list; before any question, so that an area that cannot be
// surveyed is refused at once. A refusal names the file, the boundary, the vertex and its
// line, and ends the run.
void readSurvey(const std::string& name);

// After the dialogue: the surfacings cut the lines into pieces no longer than maxLegMeters,
// so a survey laid out before the operator changed it is laid out again and the list made
// anew.
void fitSurveyToSettings();

// Warns when the swaths leave part of the area unswept.
void warnAboutSurveyCoverage();

// A folder named in the route file's path must take it, and the route must not replace
// the area file `areaName` it is laid out from: checked before any question.
void checkSurveyRoutePath(const std::string& path, const std::string& areaName);

// Writes the survey's route as a plain route file at `path`, one "latitude longitude" line
// per waypoint with the digits that read back as the same doubles, as a file of its own
// (complete or not at all). Its line is printed with the other files' lines.
void writeSurveyRoute(const std::string& path);

// The survey's figures on standard error, after the plan's: lines, their length, the
// transits, the coverage and the time under way and at the surfacings.
void summariseSurvey();

// The area and the swaths for the picture of the plan.
void showSurveyInPicture();
