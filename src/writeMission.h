// The three output files of a planned route.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "brief/briefPage.h"
#include "files/setSteps.h"
#include "maps/mapExport.h"
#include "mission/plannedMission.h"
#include "text/textOut.h"

// The names of the files of a run under the name stem `stem` (see fileNameAt): the
// mission script, the waypoint file, the survey-line file, then the maps in `maps`.
std::vector<std::string> missionFileNames(const std::string& stem, const std::vector<mapFormat>& maps);

// The files of a run, named as mission.setFiles (missionFileNames of the stem and `maps`),
// written into `folder` as one set, all of them or none: the mission script (".cfg": the
// behaviours the vehicle runs, from the end of the mission at the top to the launch
// waypoint at the bottom), the waypoint file (".wpt": one numbered record per waypoint,
// launch waypoint first), the survey-line file (".pts": a header record naming the file,
// then one record per waypoint), and the maps in `maps`, drawn from `mission`. Ends the run
// with the writer's message when the set cannot be written. The backups of an earlier set
// are warned of into `warnings`, the run's log; `steps` hears of each step of the writing
// (see setSteps).
//
// The dive brief (mapFormat::html) takes what `brief` gives for the plan (dive 0) besides
// the plan, and the size and checksum of each other file of the plan's set.
using briefSource = std::function<briefInputs(size_t dive)>;
void writeMissionFiles(const plannedMission& mission, const std::string& folder, const std::vector<mapFormat>& maps,
                       warningLog* warnings = nullptr, setSteps steps = nullptr, const briefSource& brief = nullptr);

// The files of a plan split into dives as one set, all of them or none: each dive's files
// as writeMissionFiles writes a plan's, named as its setFiles. `listDive(k)` makes the
// route of dives[k] the list, planned, before its files are written.
void writeDiveFiles(const std::vector<const plannedMission*>& dives, const std::function<void(size_t)>& listDive,
                    const std::string& folder, const std::vector<mapFormat>& maps, warningLog* warnings = nullptr,
                    setSteps steps = nullptr, const briefSource& brief = nullptr);

// The dive brief `name` of the plan whose set holds the mission files and `maps`, with
// `in` and the size and SHA-256 of each other file of its set, the list holding its route
// (writeMission_brief.cpp). A template that cannot be filled ends the writing of the set.
void briefPageText(const plannedMission& mission, const std::vector<mapFormat>& maps, const std::string& name,
                   briefInputs in, textOut& out);

// The text of the mission script for `name`. `preview` gives the console preview's
// variant of it.
void missionText(const std::string& name, bool preview, textOut& out);

// All waypoint records into `waypoints`, and the survey-line file `surLineName` (a header
// followed by one point record per waypoint) into `surLine`; either may be null. One walk
// over the route writes both.
void routeRecords(textOut* waypoints, textOut* surLine, const std::string& surLineName);

// The same texts with "\n" line ends, as the console shows them.
std::string missionText(const std::string& name, bool preview);
std::string waypointRecords();
std::string surLineRecords(const std::string& name);

// The double brought to the nearest integer (halfway values to the even neighbour) in
// decimal; `scratch` receives it when it fits an int.
std::string nearestInt(double value, int& scratch);

// ---- Console previews of the three files (writeMission_previews.cpp) ----
// Debugging aids: a run never calls them. Each writes no file and returns 0.
int displayMission();
int displayWaypoints();
int displaySurLine();
