// The mission settings by name, as a settings file and --set give them: one table of every
// key with its type, the check its editor makes and the setting it is stored in. The
// dialogue's editors make the same checks, from here, so that a value refused at the
// console is refused in a file too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "survey/surveyPattern.h"

enum class settingType {
  speed,  // metres per second, kept as the float nearest to what was written, as the speed editors keep it
  real,   // a finite number
  whole,  // a whole number that fits an int
  flag,   // 1 for true, 0 for false; a settings file writes true or false
  corner, // a corner of a survey area: "SW", "SE", "NW" or "NE", any case
};

// Why the setting cannot take `value`, which the operator wrote as `written`, or empty
// when it can. Beyond what its type takes.
using settingCheck = std::string (*)(double value, const std::string& written);

struct settingKey {
  const char* name;  // as the dialogue, the mission script and the README name the setting
  settingType type;
  // double for speed and real, int for whole and flag; an optional real has no value
  // until given (a survey's bearing, the area's long axis without it), a corner its own.
  std::variant<double*, int*, std::optional<double>*, entryCorner*> storage;
  settingCheck check;                   // null: every value of the type
  // Whether a run without questions (--no-input) must be given the key: settings the
  // dialogue always asks for and that no default can stand in for. Null: never.
  bool (*neededWithoutQuestions)();
  const char* meaning;  // one line for the settings files the program writes
};

// Every key, in the order of the dialogue and of the files the program writes.
const std::vector<settingKey>& settingKeys();

// The key of that name (exactly, case included), or null.
const settingKey* findSettingKey(std::string_view name);

// The known key nearest to `name` by edit distance, case and the dashes and underscores
// of other spellings (abort-depth, abort_depth) not counted: for "did you mean".
const settingKey& nearestSettingKey(std::string_view name);

// NaN for an optional real not given: a saved settings file leaves that key out.
double storedValue(const settingKey& key);
void store(const settingKey& key, double value);

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
std::string valueText(const settingKey& key);

// ---- Checks the editors make as well ----
std::string speedRefusal(double value, const std::string& written);
std::string maxLegMetersRefusal(double value, const std::string& written);
std::string flagRefusal(const char* name, double value);
