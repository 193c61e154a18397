#include "settings/commandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "routes/routeReader.h"
#include "settings/settingKeys.h"
#include "text/runMessages.h"
#include "text/textOut.h"
#include "text/version.h"

std::string versionText() {
  return std::string("vesk ") + veskVersion +
         "\n"
         "Licence: MIT; this is free software, provided without warranty.\n";
}

namespace {

// A command line that cannot be meant, from wherever it is found to parseCommandLine.
struct optionRefusal {
  failure why;
};

[[noreturn]] void badOption(const std::string& what) {
  throw optionRefusal{{"", "vesk: " + what + " (see vesk --help)"}};
}

// The survey options, in the order of --help, which is also the order they are read in:
// the first one wrong is the one named. Each but --start gives a settings key, which reads
// and checks its value (findOptionKey).
const char* const surveyOptionNames[] = {"--line-spacing", "--swath-width", "--overlap", "--line-angle",
                                         "--entry",        "--start",       "--run-in",  "--cross-lines"};

// The survey options given, their texts by option.
struct surveyTexts {
  std::map<std::string, std::string> texts;
  // Each option by its name. Asked through the option itself: the library's lookup by
  // name takes memory in a function that may not fail, which ends the program when the
  // memory has run out.
  std::map<std::string, const CLI::Option*> options;
};

// The start position: no key, since a settings file holds no position of its own.
latLon startPosition(const std::string& text) {
  const size_t comma = text.find(',');
  const std::optional<double> lat = wholeNumber(text.substr(0, comma));
  const std::optional<double> lon = comma == std::string::npos ? std::nullopt : wholeNumber(text.substr(comma + 1));
  if (!lat || !lon || !flyable(*lat, *lon)) {
    badOption("--start takes a position LAT,LON in decimal degrees, not '" + text + "'");
  }
  return latLon{*lat, *lon};
}

void readSurveyOptions(const surveyTexts& t, commandLine& line) {
  for (const char* option : surveyOptionNames) {
    if (t.options.at(option)->count() == 0) continue;
    if (line.surveyOption.empty()) line.surveyOption = option;
    const std::string& text = t.texts.at(option);
    const settingKey* key = findOptionKey(option);
    if (key == nullptr) {
      line.start = startPosition(text);
      continue;
    }
    if (!valueOfOption(*key, text))
      badOption(std::string(option) + " takes " + key->option.takes + ", not '" + text + "'");
    // Over a settings file, as --set is: the option goes on as one.
    line.sets.push_back(std::string(key->name) + "=" + text);
  }
}

commandLine readCommandLine(int argc, char** argv) {
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
  // The dive brief's launch time and checklist go on as --set assignments.
  std::optional<std::string> launchTime;
  std::optional<std::string> checklist;
  app.add_option("--launch-time", launchTime)->expected(1);
  app.add_option("--checklist", checklist)->expected(1);
  app.add_option("-o,--output-dir", line.outputDir)->expected(1);
  app.add_option("--settings", line.settingsFile)->expected(1);
  app.add_option("--set", line.sets)
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
      ->allow_extra_args(false);
  app.add_flag("--no-input", line.noInput);
  app.add_flag("--dry-run", line.dryRun);
  app.add_flag("--strict", line.strict);
  app.add_option("--save-settings", line.saveSettings)->expected(1);
  app.add_option("--area", line.areaFile)->expected(1);
  app.add_option("--write-route", line.writeRoute)->expected(1);
  app.add_option("--path", line.path)->expected(1);
  app.add_option("--bathymetry", line.bathymetry)->expected(1);
  std::optional<std::string> diveHours;
  app.add_option("--max-dive-hours", diveHours)->expected(1);
  surveyTexts survey;
  for (const char* name : surveyOptionNames)
    survey.options[name] = app.add_option(name, survey.texts[name])->expected(1);
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
    if (!format) badOption("unknown map format '" + name + "' for --map: use kml, gpx, geojson, svg or html");
    if (std::find(line.maps.begin(), line.maps.end(), *format) == line.maps.end()) line.maps.push_back(*format);
  }
  if (line.help || line.version) return line;
  if (launchTime) line.sets.push_back("launchTime=" + *launchTime);
  if (checklist) line.sets.push_back("checklist=" + *checklist);
  readSurveyOptions(survey, line);
  if (line.areaFile && !files.empty()) {
    badOption("--area lays the route out in the area: give either --area FILE or a waypoint file, not both");
  }
  if (!line.areaFile && !line.surveyOption.empty()) badOption(line.surveyOption + " needs a survey area: --area FILE");
  if (!line.areaFile && line.writeRoute) badOption("--write-route writes the route of a survey: it needs --area FILE");
  if (line.areaFile && line.path) badOption("--path picks a path of a waypoint file; a survey with --area has none");
  if (line.path && (line.path->empty() || line.path->find_first_not_of('0') == std::string::npos)) {
    badOption("--path takes the number of a path from 1, or its name, not '" + *line.path + "'");
  }
  if (!files.empty()) line.waypointFile = files[0];
  // Over a settings file, as --set is, and saved with the other settings.
  if (line.bathymetry) line.sets.push_back("bathymetry=" + *line.bathymetry);
  if (diveHours) {
    if (!valueOfOption(*findSettingKey("maxDiveHours"), *diveHours))
      badOption("--max-dive-hours takes hours greater than 0, at most 1000, not '" + *diveHours + "'");
    line.sets.push_back("maxDiveHours=" + *diveHours);
  }
  if (files.size() > 1) {
    std::string ignored;
    for (size_t i = 1; i < files.size(); ++i) ignored += " " + files[i];
    line.warnings.push_back("only one waypoint file is read; ignored:" + ignored);
  }
  return line;
}

}  // namespace

result<commandLine> parseCommandLine(int argc, char** argv) {
  try {
    return readCommandLine(argc, argv);
  } catch (optionRefusal& refused) {
    return std::move(refused.why);
  }
}
