// Shared by the fuzz targets: one whole program run in-process, and the checks that the
// files it writes would load on the vehicle.
#pragma once

#include <optional>
#include <string>

namespace veskfuzz {

// Creates a fresh temporary directory (removed at exit) for the runs to work in, so they
// never litter the directory libFuzzer works in. Standard output goes to a file there,
// so the program's menus do not flood the fuzzer's log. The files each run writes are
// kept in memory, written by the program's own writers up to the last write. A finding
// is told on standard error and then traps, as libFuzzer expects; with `trap` false
// (the replay of the corpus in the tests) it throws std::runtime_error instead.
void setUp(bool trap = true);

// What the operator asks of one run besides the mission files.
struct runOptions {
  // The name the waypoint file is given. Its content tells most formats apart, but a
  // spreadsheet export is recognised by its .csv name.
  std::string waypointFile = "route.txt";
  // Also ask for the route as KML, GPX and GeoJSON maps (--map kml,gpx,geojson); each must
  // parse back and show every waypoint of the waypoint file at its position.
  bool maps = false;
  // The file is a survey area (--area, lines 200 m apart) rather than a waypoint file.
  bool area = false;
  // A settings file (--settings dive.toml) with this content; the operator's answers start
  // from its values. A refusal of it goes to standard error alone: each of its lines must
  // name the file and the place.
  std::optional<std::string> settings;
  // A bathymetry grid (--bathymetry grid.asc) with this content, which the plan is checked
  // against: refused with one line naming the grid, or its summary given after the plan's.
  std::optional<std::string> grid;
};

// Writes `waypoints` to the waypoint file and `answers` to the operator's input, runs the
// program on them and checks the outcome: status 1 with one of the program's messages and
// no files, or status 0 with the three mission files (and the maps, when asked for) that
// parse back. Anything else traps.
void runAndCheck(const std::string& waypoints, const std::string& answers, const runOptions& options = {});

// Tells what a run got wrong and traps (or throws, in the replay of the corpus).
[[noreturn]] void finding(const std::string& what);

// A survey area and its line parameters laid out; a refusal with a survey error is fine,
// a route that leaves the area or a leg beyond the distance between surfacings is not.
void checkSurvey(const std::string& input);

// The journal of a half named set, as the next run meets it (fuzz_journal_check.cpp): it
// is refused and nothing changes, or the set is finished or rolled back by moving and
// removing only the files the journal recorded.
void checkJournal(const std::string& input);

// One input of the fuzz target `target` (route, dialogue, kml_gpx, geojson_csv, survey, area, journal or
// settings), run and
// checked as that target does: the fuzzers and the replay of the corpus in the tests run
// the same.
void runTarget(const std::string& target, const std::string& input);

}  // namespace veskfuzz
