#include "settings/commandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "routes/routeReader.h"
#include "survey/surveyArea.h"
#include "text/runMessages.h"
#include "settings.h"
#include "text/textOut.h"

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

// The value of a survey option: one number that `fits`, which `meaning` describes.
template <typename Fits>
double surveyNumber(const char* option, const std::string& text, Fits fits, const char* meaning) {
  const std::optional<double> value = wholeNumber(text);
  if (!value || !std::isfinite(*value) || !fits(*value)) {
    badOption(std::string(option) + " takes " + meaning + ", not '" + text + "'");
  }
  return *value;
}

// The survey options given, written into surveySettings.
struct surveyTexts {
  std::string spacing, swath, overlap, angle, entry, start, runIn, crossLines;
  // Each option by its name. Asked through the option itself: the library's lookup by
  // name takes memory in a function that may not fail, which ends the program when the
  // memory has run out.
  std::map<std::string, const CLI::Option*> options;
};

void readSurveyOptions(const surveyTexts& t, commandLine& line) {
  const auto given = [&](const char* option) {
    if (t.options.at(option)->count() == 0) return false;
    if (line.surveyOption.empty()) line.surveyOption = option;
    return true;
  };
  surveyParameters& p = surveySettings;
  // The options that are also keys of a settings file go on as --set does, over the file.
  const auto asSet = [&](const char* key, const std::string& text) { line.sets.push_back(std::string(key) + "=" + text); };
  const auto positive = [](double v) { return v > 0; };
  if (given("--line-spacing")) {
    p.lineSpacing = surveyNumber("--line-spacing", t.spacing, positive, "metres greater than 0");
    asSet("lineSpacing", t.spacing);
  }
  if (given("--swath-width")) {
    p.swathWidth = surveyNumber("--swath-width", t.swath, positive, "metres greater than 0");
    asSet("swathWidth", t.swath);
  }
  if (given("--overlap")) {
    p.overlap = surveyNumber(
        "--overlap", t.overlap, [](double v) { return v >= 0 && v < 100; },
        "a percentage from 0 up to, not including, 100");
    asSet("overlap", t.overlap);
  }
  if (given("--line-angle")) {
    p.lineAngle = surveyNumber(
        "--line-angle", t.angle, [](double v) { return v >= 0 && v < 360; },
        "degrees true from 0 up to, not including, 360");
    asSet("lineAngle", t.angle);
  }
  if (given("--entry")) {
    const std::string corner = lowerCase(t.entry);
    if (corner == "sw") {
      p.entry = entryCorner::southWest;
    } else if (corner == "se") {
      p.entry = entryCorner::southEast;
    } else if (corner == "nw") {
      p.entry = entryCorner::northWest;
    } else if (corner == "ne") {
      p.entry = entryCorner::northEast;
    } else {
      badOption("--entry takes a corner, NE, NW, SE or SW, not '" + t.entry + "'");
    }
    asSet("entry", t.entry);
  }
  if (given("--start")) {
    const size_t comma = t.start.find(',');
    const std::optional<double> lat = wholeNumber(t.start.substr(0, comma));
    const std::optional<double> lon =
        comma == std::string::npos ? std::nullopt : wholeNumber(t.start.substr(comma + 1));
    if (!lat || !lon || !flyable(*lat, *lon)) {
      badOption("--start takes a position LAT,LON in decimal degrees, not '" + t.start + "'");
    }
    p.start = latLon{*lat, *lon};
  }
  if (given("--run-in")) {
    p.runIn = surveyNumber(
        "--run-in", t.runIn, [](double v) { return v >= 0 && v <= maxAreaSpanMeters; },
        "metres from 0 to 200000, the widest area");
    asSet("runIn", t.runIn);
  }
  if (given("--cross-lines")) {
    p.crossLines = static_cast<int>(surveyNumber(
        "--cross-lines", t.crossLines, [](double v) { return v >= 0 && v <= 1000 && v == std::floor(v); },
        "a whole number of lines from 0 to 1000"));
    asSet("crossLines", t.crossLines);
  }
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
  surveyTexts survey;
  for (auto [name, text] : {std::pair{"--line-spacing", &survey.spacing},
                            {"--swath-width", &survey.swath},
                            {"--overlap", &survey.overlap},
                            {"--line-angle", &survey.angle},
                            {"--entry", &survey.entry},
                            {"--start", &survey.start},
                            {"--run-in", &survey.runIn},
                            {"--cross-lines", &survey.crossLines}}) {
    survey.options[name] = app.add_option(name, *text)->expected(1);
  }
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
  if (line.help || line.version) return line;
  readSurveyOptions(survey, line);
  if (line.areaFile && !files.empty()) {
    badOption("--area lays the route out in the area: give either --area FILE or a waypoint file, not both");
  }
  if (!line.areaFile && !line.surveyOption.empty()) badOption(line.surveyOption + " needs a survey area: --area FILE");
  if (!line.areaFile && line.writeRoute) badOption("--write-route writes the route of a survey: it needs --area FILE");
  if (!files.empty()) line.waypointFile = files[0];
  // Under --strict the warning below is an error already.
  treatWarningsAsErrors(line.strict);
  if (files.size() > 1) {
    std::string ignored;
    for (size_t i = 1; i < files.size(); ++i) ignored += " " + files[i];
    warn("only one waypoint file is read; ignored:" + ignored);
  }
  return line;
}
