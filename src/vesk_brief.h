// The driver's part of the dive brief (--map html): what the page takes besides the plan,
// gathered from the run: where each setting came from, the launch time, the team's
// checklist, the summaries the run gives on standard error.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "settings/settingsFile.h"
#include "vesk_dives.h"
#include "writeMission.h"

// What the brief needs of the run before the questions.
struct briefRun {
  givenSettings given;          // the keys a settings file or --set gave
  settingValues beforeAnswers;  // the settings as the dialogue found them
  bool asked = false;           // the dialogue ran: a setting it changed is an answer
  std::optional<launchClock> launch;
  std::vector<std::string> checklist;  // the team's own items
  std::time_t madeAt = 0;
};

// The launch time and the checklist file of the settings as they stand (briefSettings),
// read before any question: fails naming the setting's origin when the file cannot be read.
result<briefRun> readBriefRun(const givenSettings& given, std::time_t madeAt);

// The page's inputs for the plan (dive 0) or each dive: the settings with their sources as
// they stand now, the survey's and the checks' summaries, the dives' lines.
briefSource briefSourceOf(const briefRun& run, const std::optional<areaSurvey>& survey,
                          const std::vector<missionChecks>& checks, const std::optional<std::vector<divePlan>>& dives,
                          const std::string& stem, const std::optional<std::string>& gridName);
