#include "commandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>
#include <vector>

#include "runMessages.h"
#include "settings.h"

std::string versionText() {
  return std::string("vesk ") + veskVersion +
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
