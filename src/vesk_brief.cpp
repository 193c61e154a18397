#include "vesk_brief.h"

#include <cmath>
#include <type_traits>
#include <variant>

#include "report/surfacingTime.h"
#include "routes/routeDocument.h"
#include "settings.h"
#include "settings/settingKeys.h"

namespace {

// The struct a member pointer points into.
template <typename T>
struct ownerOf;
template <typename Part, typename Field>
struct ownerOf<Field Part::*> {
  using type = Part;
};
template <typename T>
using memberOwner = typename ownerOf<T>::type;

// Where the value of `key` came from: the dialogue when it changed it, else the file or
// --set that gave it, else the default.
std::string sourceOf(const settingKey& key, const briefRun& run, const settingValues& now) {
  if (run.asked && valueText(key, now) != valueText(key, run.beforeAnswers)) return "answer";
  const auto given = run.given.find(key.name);
  if (given == run.given.end()) return "default";
  const std::string& origin = given->second.origin;
  return origin.compare(0, 2, "--") == 0 ? origin : "file " + origin;
}

// The settings that shaped this plan: a survey's only for a survey, the seabed's only with
// a grid, an optional key only when given.
std::vector<briefSetting> settingsWithSources(const briefRun& run, bool survey) {
  const settingValues now = currentValues();
  std::vector<briefSetting> settings;
  for (const settingKey& key : settingKeys()) {
    if (std::isnan(storedValue(key, now))) continue;
    const bool surveyKey = std::visit(
        [](auto field) { return std::is_same_v<memberOwner<decltype(field)>, surveyParameters>; }, key.storage);
    const bool seabedKey = std::visit(
        [](auto field) { return std::is_same_v<memberOwner<decltype(field)>, seabedParameters>; }, key.storage);
    if ((surveyKey && !survey) || (seabedKey && now.seabed.grid.empty())) continue;
    settings.push_back({key.name, valueText(key, now), sourceOf(key, run, now)});
  }
  return settings;
}

std::vector<briefSummary> checkSummaries(const missionChecks& checks, const std::optional<std::string>& gridName) {
  std::vector<briefSummary> summaries;
  if (checks.seabed) summaries.push_back({"seabed " + gridName.value_or(""), checks.seabed->summary});
  if (checks.drift) summaries.push_back({"current", checks.drift->summary});
  if (checks.energy) summaries.push_back({"energy", checks.energy->summary});
  return summaries;
}

}  // namespace

result<briefRun> readBriefRun(const givenSettings& given, std::time_t madeAt) {
  briefRun run;
  run.given = given;
  run.madeAt = madeAt;
  if (!briefSettings.launchTime.empty()) {
    std::string reason;
    run.launch = readLaunchTime(briefSettings.launchTime, reason);
    // A settings key is checked as it is read; this holds for a value stored another way.
    if (!run.launch) return failure{"", "vesk: launchTime takes " + reason + "; nothing is planned"};
  }
  const std::string& file = briefSettings.checklist;
  if (!file.empty()) {
    result<std::string> text = readDocumentFile(file);
    if (!text) {
      const auto at = given.find("checklist");
      const std::string origin = at != given.end() ? " (" + at->second.origin + ")" : "";
      std::string why = text.error().reason;
      if (why.compare(0, 6, "vesk: ") == 0) why.erase(0, 6);
      return failure{"", "vesk: the checklist" + origin + " cannot be read: " + why + "; nothing is planned"};
    }
    run.checklist = checklistItems(*text);
  }
  return run;
}

briefSource briefSourceOf(const briefRun& run, const std::optional<areaSurvey>& survey,
                          const std::vector<missionChecks>& checks, const std::optional<std::vector<divePlan>>& dives,
                          const std::string& stem, const std::optional<std::string>& gridName) {
  return [&run, &survey, &checks, &dives, stem, gridName](size_t k) {
    briefInputs in;
    const std::string made = clockAfter({static_cast<long long>(run.madeAt), 0}, 0);
    in.madeAt = made.substr(0, 16) + " UTC";  // to the minute, as the files' names
    in.survey = survey.has_value();
    in.settings = settingsWithSources(run, survey.has_value());
    in.launch = run.launch;
    in.checklist = run.checklist;
    const missionSettings s = currentSettings();
    if (survey) {
      const std::optional<double> underWay = !dives && checks.front().drift
                                                 ? std::optional<double>(checks.front().drift->secondsFromWaypoint1)
                                                 : std::nullopt;
      in.summaries.push_back(
          {"survey", surveySummary(*survey, s.missionSpeed, surfacingSeconds(s, legEndDepth(s)), underWay)});
    }
    if (k < checks.size()) {
      for (briefSummary& summary : checkSummaries(checks[k], gridName)) in.summaries.push_back(std::move(summary));
    }
    if (dives) in.summaries.push_back({"dives", summariseDives(*dives, diveLimitsNow(), stem)});
    return in;
  };
}
