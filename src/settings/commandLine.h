// The command line: vesk [OPTIONS] [WAYPOINT_FILE].
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geo/latLon.h"

#include "maps/mapExport.h"
#include "text/outcome.h"

struct commandLine {
  bool help = false;
  bool version = false;
  std::optional<std::string> waypointFile;  // none: the operator is asked for it
  std::vector<mapFormat> maps;              // map files to write besides the mission files
  std::string outputDir;                    // empty: the current directory
  std::optional<std::string> settingsFile;  // TOML settings read before the dialogue
  std::vector<std::string> sets;            // KEY=VALUE each, applied after the file
  bool noInput = false;                     // no question: every setting from the defaults, file and sets
  bool dryRun = false;                      // plan and report, write nothing
  bool strict = false;                      // warnings are errors
  std::optional<std::string> saveSettings;  // where to write the settings the run used
  // A survey area to lay the route out in, instead of a waypoint file; the line options
  // (--line-spacing and the others) are checked here and go on as --set assignments.
  std::optional<std::string> areaFile;
  std::optional<latLon> start;            // --start: the first line starts at the line end nearest it
  std::optional<std::string> writeRoute;  // where the survey's route is written for review
  // --path: which of the waypoint file's several paths is the route, by its number from 1
  // or its name.
  std::optional<std::string> path;
  // A grid of the seabed the plan is checked against; it goes on as --set bathymetry=FILE.
  std::optional<std::string> bathymetry;
  std::string surveyOption;           // the first line option given, if any
  std::vector<std::string> warnings;  // slips of the command line, for the run's log
};

// Reads the options and the waypoint file name. An unknown option, an option without its
// value, an unknown map format, a survey value that cannot be meant, or a survey option
// without an area fails with the reason for standard error.
result<commandLine> parseCommandLine(int argc, char** argv);

// What --help prints: what the program does, the waypoint file formats, every option and
// the exit status. Kept in doc/usage.txt, which the build turns into this string.
extern const char* const usageText;

// What --version prints: name, version and licence.
std::string versionText();
