// The mission settings by name, as a settings file and --set give them: one table of every
// key with its type, the check its editor makes and the setting it is stored in. The
// dialogue's editors make the same checks, from here, so that a value refused at the
// console is refused in a file too. The keys read and write a settingValues, never the
// program-wide settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/settingValues.h"

enum class settingType {
  speed,   // metres per second, kept as the float nearest to what was written, as the speed editors keep it
  real,    // a finite number
  whole,   // a whole number that fits an int
  flag,    // 1 for true, 0 for false; a settings file writes true or false
  corner,  // a corner of a survey area: "SW", "SE", "NW" or "NE", any case
  word,    // one of the key's `words`, any case; kept as its place in the list
  text,    // a file's name, in quotes in a settings file; kept as text
};

// Why the setting cannot take `value`, which the operator wrote as `written`, or empty
// when it can. Beyond what its type takes.
using settingCheck = std::string (*)(double value, const std::string& written);

// The command-line option that gives a key too (a survey's --line-spacing), and the words
// its refusal uses: "--line-spacing takes metres greater than 0, not '0'".
struct settingOption {
  const char* name = nullptr;   // null: the key has no option of its own
  const char* takes = nullptr;  // what the option takes, after "takes"
  // The option, unlike the key, refuses 0: on the command line a 0 cannot stand for "not
  // given", since leaving the option out says that.
  bool refusesZero = false;
};

struct settingKey {
  const char* name;  // as the dialogue, the mission script and the README name the setting
  settingType type;
  // double for speed and real, int for whole and flag; an optional real has no value
  // until given (a survey's bearing, the quickest layout without it), a corner its own.
  std::variant<double missionSettings::*, int missionSettings::*, double surveyParameters::*, int surveyParameters::*,
               std::optional<double> surveyParameters::*, entryCorner surveyParameters::*, double seabedParameters::*,
               gridValues seabedParameters::*, std::string seabedParameters::*,
               std::optional<double> energyParameters::*, std::optional<double> currentParameters::*,
               std::optional<double> diveParameters::*, std::string briefParameters::*>
      storage;
  settingCheck check;  // null: every value of the type; a text key's is given its text only
  // Whether a run without questions (--no-input) must be given the key: settings the
  // dialogue always asks for and that no default can stand in for. Null: never.
  bool (*neededWithoutQuestions)(const settingValues& values);
  const char* meaning;  // one line for the settings files the program writes
  settingOption option = {};
  const char* const* words = nullptr;  // a word key's words, the list ended by null
};

// Every key, in the order of the dialogue and of the files the program writes.
const std::vector<settingKey>& settingKeys();

// The key of that name (exactly, case included), or null.
const settingKey* findSettingKey(std::string_view name);

// The known key nearest to `name` by edit distance, case and the dashes and underscores
// of other spellings (abort-depth, abort_depth) not counted: for "did you mean".
const settingKey& nearestSettingKey(std::string_view name);

// The key that the option `name` (--line-spacing) gives, or null.
const settingKey* findOptionKey(std::string_view name);

// The value that the option's text gives its key, read as the option reads a number (a
// whole number for a whole key) and passed through the key's own check; nothing when the
// option cannot take it, the refusal then being "OPTION takes TAKES, not 'TEXT'".
std::optional<double> valueOfOption(const settingKey& key, const std::string& text);

// NaN for an optional real not given: a saved settings file leaves that key out.
double storedValue(const settingKey& key, const settingValues& values);
void store(const settingKey& key, double value, settingValues& values);
// A text key's value, and its storing. A text key's storedValue is NaN while it is empty,
// 0 otherwise.
std::string storedText(const settingKey& key, const settingValues& values);
void storeText(const settingKey& key, const std::string& text, settingValues& values);

// The value that the word `written` gives `key` (after --set KEY=), read as the key's
// editor reads a typed entry, true and false also for a flag; nothing and the reason when
// it cannot be taken.
std::optional<double> valueOfWord(const settingKey& key, const std::string& written, std::string& reason);

// The value that a number of a settings file gives `key`, `written` being its text in the
// file: a whole number or a real one, a boolean being 1 or 0. Nothing and the reason when
// it cannot be taken.
std::optional<double> valueOfInteger(const settingKey& key, long long number, const std::string& written,
                                     std::string& reason);
std::optional<double> valueOfReal(const settingKey& key, double number, const std::string& written,
                                  std::string& reason);

// The stored value as a settings file writes it, reading back as the same bits: 1.3, 3600.0,
// 30, true.
std::string valueText(const settingKey& key, const settingValues& values);
// `text` as a TOML basic string: quotes, backslashes and control characters escaped.
std::string tomlString(const std::string& text);

// ---- Checks the editors make as well ----
std::string speedRefusal(double value, const std::string& written);
std::string maxLegMetersRefusal(double value, const std::string& written);
// The refusal of meters between surfacings `written` that would cut the route into more
// waypoints than a route may hold; the caller, which holds the route, knows whether they
// would.
std::string tooManyWaypointsRefusal(const std::string& written);
std::string flagRefusal(const char* name, double value);
// The survey's turn radius and its margin off the shore.
std::string turnRadiusRefusal(double value, const std::string& written);
std::string edgeMarginRefusal(double value, const std::string& written);
// The energy budget's battery, reserve and loads.
std::string batteryRefusal(double value, const std::string& written);
std::string reserveRefusal(double value, const std::string& written);
std::string hotelRefusal(double value, const std::string& written);
std::string propulsionRefusal(double value, const std::string& written);
// The current's direction and speed.
std::string currentTowardRefusal(double value, const std::string& written);
std::string currentSpeedRefusal(double value, const std::string& written);
// The mission timer's factor and allowance.
std::string timerFactorRefusal(double value, const std::string& written);
std::string allowanceRefusal(double value, const std::string& written);
// The longest dive the plan is split into.
std::string diveHoursRefusal(double value, const std::string& written);
// "a corner: ..." or "\"elevation\" or \"depth\"": what a corner or word key takes.
std::string wordList(const settingKey& key);
