// Settings that come from a file (--settings, TOML) and from the command line (--set
// KEY=VALUE) rather than from the dialogue, and the file of the settings a run used
// (--save-settings), which --settings reads back. The keys, their checks and where they
// are stored are those of settingKeys.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settingValues.h"
#include "text/outcome.h"
#include "text/runMessages.h"

// A key given this run: where ("route.toml:3:14", "--set maxDepth=80"), and its value as
// written there.
struct givenSetting {
  std::string origin;
  std::string written;
};
// By key name; a later source replaces an earlier one.
using givenSettings = std::map<std::string, givenSetting>;

// Stores the settings of `text`, the whole content of the TOML settings file `name`, and
// notes them in `given`. Returns the refusals, each a whole line "NAME:LINE:COLUMN: what
// is wrong", in the order of the file; when there is any, nothing is stored.
std::vector<std::string> readSettingsText(std::string_view text, const std::string& name, givenSettings& given,
                                          settingValues& values);

// Stores the setting of one --set option's KEY=VALUE and notes it in `given`; returns why
// it is refused, or nothing.
std::optional<std::string> applySetOption(const std::string& assignment, givenSettings& given, settingValues& values);

// The settings file, when there is one, then the --set options in their order: stores
// them in `values`, or fails with every refusal, one a line for standard error.
result<givenSettings> loadSettings(const std::optional<std::string>& file, const std::vector<std::string>& sets,
                                   settingValues& values);

// Checks the given settings again once the route is read, for the checks that need it
// (meters between surfacings that would cut the route into too many waypoints, which
// `plannableAt` tells); fails, naming where each value came from, when any fails.
[[nodiscard]] problem checkSettingsAgainstRoute(const givenSettings& given, const settingValues& values,
                                                bool (*plannableAt)(double maxLegMeters));

// For a run that asks no question: fails, naming them, when settings that no default
// stands in for were not given.
[[nodiscard]] problem requireSettings(const givenSettings& given, const settingValues& values);

// A settings file holding every setting of `values`, for the set of the name stem `stem`
// planned from the waypoint file `routeName`.
std::string settingsText(const settingValues& values, const std::string& routeName, const std::string& stem);

// The folder of the settings file `path` must take a file before any question is asked:
// fails when it cannot, or when `path` names no file.
[[nodiscard]] problem checkSettingsDestination(const std::string& path);

// Writes settingsText to `path` as the mission files are written (the backup of an
// earlier file warned of into `warnings`, the run's log): complete or not at all,
// an existing file replaced only by a complete new one.
[[nodiscard]] problem saveSettings(const settingValues& values, const std::string& path, const std::string& routeName,
                                   const std::string& stem, warningLog* warnings);
