#include "commandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>
#include <vector>

#include "vesk.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

const char* const usageText =
    "usage: vesk [OPTIONS] [WAYPOINT_FILE]\n"
    "\n"
    "Waypoints to TEVORAN mission utility: turns a route into a mission for the vehicle.\n"
    "Without WAYPOINT_FILE the program asks for the file name. The route is read and\n"
    "checked first; then the mission parameters are asked for on the console.\n"
    "\n"
    "Waypoint file formats, told from the content:\n"
    "  text     one \"latitude longitude\" pair in decimal degrees per line, north and\n"
    "           east positive, each number followed by a blank or the line end; lines\n"
    "           starting with # are comments (the default format). A position may\n"
    "           also be written with hemisphere letters, in degrees, minutes and\n"
    "           seconds: 45 30.5 N 10 15.2 E, 45\xC2\xB0" "30.5'N 10\xC2\xB0" "15.2'E, N45 30.5 E010 15.2,\n"
    "           45:30:30N 10:15:12E or 33.86S 151.21E\n"
    "  KML      the one path (LineString) of the document, or else its points in order\n"
    "  GPX      the one route (rte), or else the one track (trk), or else the waypoints\n"
    "  GeoJSON  a LineString or MultiPoint, a Feature holding one, or a FeatureCollection\n"
    "           of one LineString or of Points only\n"
    "  CSV      a file named .csv whose header row names a lat or latitude column and a\n"
    "           lon, lng, long or longitude column, separated by commas or semicolons;\n"
    "           cells as numbers or both with hemisphere letters (45 30.5 N)\n"
    "\n"
    "Writes three files, named from the UTC time as YEAR_DAYOFYEAR_HOURMINUTE. followed\n"
    "by the extension:\n"
    "  cfg  the mission script the vehicle runs\n"
    "  wpt  the waypoint file\n"
    "  pts  the survey-line file\n"
    "\n"
    "Options:\n"
    "  -h, --help             show this text and exit\n"
    "  --version              show the version and exit\n"
    "  --map FORMAT           also write the planned route as a map, STEM.kml, STEM.gpx or\n"
    "                         STEM.geojson, or as a picture of the plan, STEM.svg (the\n"
    "                         route on a chart and the depth over time); FORMAT is kml,\n"
    "                         gpx, geojson or svg, repeat the option or give a comma list\n"
    "                         for several\n"
    "  -o, --output-dir DIR   write the files into DIR instead of the current directory\n"
    "  --                     end of the options: a file name may begin with -\n"
    "\n"
    "Warnings (\"warning: ...\"), the reasons for refusals and the summaries of the route\n"
    "and the plan go to standard error.\n"
    "\n"
    "Exit status: 0 when all the files are written, 1 on any error (nothing is written).\n";

std::string versionText() {
  return "vesk " VESK_VERSION
         "\n"
         "Licence: MIT; this is free software, provided without warranty.\n";
}

namespace {

[[noreturn]] void badOption(const std::string& what) {
  toStderr("vesk: " + what + " (see vesk --help)");
  throw runEnd{1};
}

}  // namespace

commandLine parseCommandLine(int argc, char** argv) {
  commandLine line;
  std::vector<std::string> maps;
  std::vector<std::string> files;
  CLI::App app;
  app.set_help_flag();
  app.allow_extras();
  app.add_flag("-h,--help", line.help);
  app.add_flag("--version", line.version);
  app.add_option("--map", maps)
      ->delimiter(',')
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->allow_extra_args(false);
  app.add_option("-o,--output-dir", line.outputDir)->expected(1);
  app.add_option("file", files);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    badOption(e.what());
  }
  for (const std::string& extra : app.remaining()) {
    if (extra != "--") badOption("unknown option '" + extra + "'");
  }
  for (const std::string& name : maps) {
    const std::optional<mapFormat> format = mapFormatNamed(name);
    if (!format) badOption("unknown map format '" + name + "' for --map: use kml, gpx, geojson or svg");
    if (std::find(line.maps.begin(), line.maps.end(), *format) == line.maps.end()) line.maps.push_back(*format);
  }
  if (!files.empty()) line.waypointFile = files[0];
  if (files.size() > 1) {
    std::string ignored;
    for (size_t i = 1; i < files.size(); ++i) ignored += " " + files[i];
    warn("only one waypoint file is read; ignored:" + ignored);
  }
  return line;
}
