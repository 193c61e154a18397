// The three output files of a planned route, and console previews of them.
#pragma once

#include <functional>
#include <string>

// Mission script (".cfg"): the behaviours the vehicle runs, from the end of the mission
// at the top to the launch waypoint at the bottom. Returns 0; ends the run on failure.
int writeMission();

// Waypoint file (".wpt"): one numbered record per waypoint, launch waypoint first.
int writeWaypoints();

// Survey-line file (".pts"): a header record naming the file, then one record per waypoint.
int writeSurLine();

// The same outputs on the console, without writing any file. Each returns 0.
int displayMission();
int displayWaypoints();
int displaySurLine();

// Receives an output's text piece by piece, so that the text of a long route never has to
// be held in memory as a whole.
using textSink = std::function<void(const std::string&)>;

// The text of the mission script for `name`, with "\n" line ends. `preview` gives the
// console preview's variant of it.
void missionText(const std::string& name, bool preview, const textSink& emit);

// All waypoint records; the survey-line header followed by its point records.
void waypointRecords(const textSink& emit);
void surLineRecords(const std::string& name, const textSink& emit);

// The double brought to the nearest integer (halfway values to the even neighbour) in
// decimal; `scratch` receives it when it fits an int.
std::string nearestInt(double value, int& scratch);

// Writes the text that `produce` emits to `name`, every "\n" as CR LF. The file appears
// under its name only when complete; on failure the run ends with the given message (a
// printf format taking the file name).
void writeOutputFile(const std::string& name, const std::function<void(const textSink&)>& produce,
                     const char* openMessage, const char* writeMessage);
