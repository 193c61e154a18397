// The three output files of a planned route, and console previews of them.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "fileSet.h"
#include "mapExport.h"
#include "positionTexts.h"
#include "textOut.h"

// The files of a run under the one name stem of `when` (see fileNameAt), written as one
// set, all of them or none: the mission script (".cfg": the behaviours the vehicle runs,
// from the end of the mission at the top to the launch waypoint at the bottom), the
// waypoint file (".wpt": one numbered record per waypoint, launch waypoint first), the
// survey-line file (".pts": a header record naming the file, then one record per
// waypoint), and the maps in `maps`. Ends the run when the set cannot be written.
void writeMissionFiles(std::time_t when, const std::vector<mapFormat>& maps);

// The same outputs on the console, without writing any file. Each returns 0.
int displayMission();
int displayWaypoints();
int displaySurLine();

// The text of the mission script for `name`. `preview` gives the console preview's
// variant of it. Takes its positions in script order from `positions`.
void missionText(const std::string& name, bool preview, textOut& out, positionTexts& positions);

// All waypoint records into `waypoints`, and the survey-line file `surLineName` (a header
// followed by one point record per waypoint) into `surLine`; either may be null. Takes
// its positions in route order from `positions`.
void routeRecords(textOut* waypoints, textOut* surLine, const std::string& surLineName, positionTexts& positions);

// The same texts with "\n" line ends, handed to `emit`.
void missionText(const std::string& name, bool preview, const textSink& emit);
void waypointRecords(const textSink& emit);
void surLineRecords(const std::string& name, const textSink& emit);

// The double brought to the nearest integer (halfway values to the even neighbour) in
// decimal; `scratch` receives it when it fits an int.
std::string nearestInt(double value, int& scratch);
