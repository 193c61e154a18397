#include "settings/settingKeys.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "brief/launchTime.h"
#include "console/dialogueInput.h"
#include "routes/routeReader.h"
#include "survey/surveyArea.h"
#include "text/textOut.h"

namespace {

// The survey's lines (--area): the same limits as their command-line options.
// 0 leaves the spacing to the swath and the swath to the spacing, as when not given.
std::string metresOrUnset(double value, const std::string&) {
  return value >= 0 ? "" : "a survey's lines need metres greater than 0 (0: not given)";
}

std::string overlapRefusal(double value, const std::string&) {
  return value >= 0 && value < 100 ? "" : "overlap is a percentage from 0 up to, not including, 100";
}

// A run-in is the few hundred metres the sonar needs to settle after a turn; one longer
// than the widest area would lay a small area's lines across an ocean.
std::string runInRefusal(double value, const std::string&) {
  return value >= 0 && value <= maxAreaSpanMeters ? "" : "runIn is metres from 0 to 200000, the widest area";
}

std::string crossLinesRefusal(double value, const std::string&) {
  return value >= 0 && value <= 1000 ? "" : "crossLines is a whole number of lines from 0 to 1000";
}

std::string bearingRefusal(double value, const std::string&) {
  return value >= 0 && value < 360 ? "" : "lineAngle is degrees true from 0 up to, not including, 360";
}

const char* const cornerNames[] = {"SW", "SE", "NW", "NE"};

const char* const gridValueWords[] = {"elevation", "depth", nullptr};

std::string wordsRefusal(const settingKey& key) { return std::string(key.name) + " takes " + wordList(key); }

// Metres of tide: the greatest range on earth is some 16 m.
std::string tideRefusal(double value, const std::string&) {
  return value >= -20 && value <= 20 ? "" : "tide is metres of water above the grid's datum, from -20 to 20";
}

std::string seabedMarginRefusal(double value, const std::string&) {
  return value >= 0 && value <= 100 ? "" : "seabedMargin is metres from 0 to 100";
}

bool always(const settingValues&) { return true; }
bool constantDepth(const settingValues& values) { return values.mission.yoyoMission != 1; }

// One line a setting: a new one (a survey's line spacing, say) is a line here, its field
// in missionSettings or surveyParameters, its global in settings.h and its default in
// resetSettings; the file reader, --set, --no-input, the
// saved settings and the suggestions for unknown keys take it from here.
const std::vector<settingKey> keys = {
    {"missionSpeed", settingType::speed, &missionSettings::missionSpeed, speedRefusal, nullptr, "cruise speed, m/s"},
    {"missionSpeedSlow", settingType::speed, &missionSettings::missionSpeedSlow, speedRefusal, nullptr,
     "slow speed, m/s"},
    {"gpsHits", settingType::whole, &missionSettings::gpsHits, nullptr, nullptr, "GPS hits required at each surfacing"},
    {"maxLegMeters", settingType::real, &missionSettings::maxLegMeters, maxLegMetersRefusal, nullptr,
     "meters between surfacings: longer legs are cut"},
    {"minDepth", settingType::real, &missionSettings::minDepth, nullptr, nullptr, "depth envelope, m"},
    {"maxDepth", settingType::real, &missionSettings::maxDepth, nullptr, nullptr, "depth envelope, m"},
    {"abortDepth", settingType::real, &missionSettings::abortDepth, nullptr, nullptr, "depth envelope, m"},
    {"abortAltitude", settingType::real, &missionSettings::abortAltitude, nullptr, nullptr,
     "depth envelope: above the bottom, m"},
    {"abortLockoutDepth", settingType::real, &missionSettings::abortLockoutDepth, nullptr, nullptr,
     "depth envelope, m"},
    {"abortOnTimeout", settingType::flag, &missionSettings::abortOnTimeout, nullptr, nullptr,
     "the vehicle aborts when a GPS fix times out"},
    {"yoyoMission", settingType::flag, &missionSettings::yoyoMission, nullptr, always,
     "legs flown as vertical yoyo profiles"},
    {"wayPointDepth", settingType::whole, &missionSettings::wayPointDepth, nullptr, constantDepth,
     "depth of the legs of a mission without yoyo, m"},
    {"yoyoMinAltitude", settingType::whole, &missionSettings::yoyoMinAltitude, nullptr, nullptr,
     "yoyo: YOYO_MIN_ALTITUDE, m"},
    {"missionYoyoMinDepth", settingType::whole, &missionSettings::missionYoyoMinDepth, nullptr, nullptr,
     "yoyo: MISSION_YOYO_MIN_DEPTH, m"},
    {"missionYoyoMaxDepth", settingType::whole, &missionSettings::missionYoyoMaxDepth, nullptr, nullptr,
     "yoyo: MISSION_YOYO_MAX_DEPTH, m"},
    {"missionYoyoMaxDepthShallow", settingType::whole, &missionSettings::missionYoyoMaxDepthShallow, nullptr, nullptr,
     "yoyo: MISSION_YOYO_MAX_DEPTH_SHALLOW, m (no output uses it)"},
    {"kallopMission", settingType::flag, &missionSettings::kallopMission, nullptr, always,
     "water samplers armed at mission start"},
    {"missionTimerFactor", settingType::real, &missionSettings::missionTimerFactor, timerFactorRefusal, nullptr,
     "mission timer: this times the time under way ..."},
    {"surfacingAllowance", settingType::real, &missionSettings::surfacingAllowance, allowanceRefusal, nullptr,
     "... plus these seconds for each waypoint"},
    {"lineSpacing",
     settingType::real,
     &surveyParameters::lineSpacing,
     metresOrUnset,
     nullptr,
     "survey (--area): metres between lines; 0: the swath less the overlap",
     {"--line-spacing", "metres greater than 0", true}},
    {"swathWidth",
     settingType::real,
     &surveyParameters::swathWidth,
     metresOrUnset,
     nullptr,
     "survey: metres the sonar covers; 0: as wide as the spacing",
     {"--swath-width", "metres greater than 0", true}},
    {"overlap",
     settingType::real,
     &surveyParameters::overlap,
     overlapRefusal,
     nullptr,
     "survey: percent of the swath neighbouring lines share",
     {"--overlap", "a percentage from 0 up to, not including, 100"}},
    {"runIn",
     settingType::real,
     &surveyParameters::runIn,
     runInRefusal,
     nullptr,
     "survey: metres each line runs on past the boundary",
     {"--run-in", "metres from 0 to 200000, the widest area"}},
    {"lineAngle",
     settingType::real,
     &surveyParameters::lineAngle,
     bearingRefusal,
     nullptr,
     "survey: bearing of the lines, degrees true; left out: the quickest layout",
     {"--line-angle", "degrees true from 0 up to, not including, 360"}},
    {"entry",
     settingType::corner,
     &surveyParameters::entry,
     nullptr,
     nullptr,
     "survey: the corner the first line starts at",
     {"--entry", "a corner, NE, NW, SE or SW"}},
    {"crossLines",
     settingType::whole,
     &surveyParameters::crossLines,
     crossLinesRefusal,
     nullptr,
     "survey: lines across the pattern, run last",
     {"--cross-lines", "a whole number of lines from 0 to 1000"}},
    {"turnRadius", settingType::real, &surveyParameters::turnRadius, turnRadiusRefusal, nullptr,
     "survey: metres the vehicle turns in; closer lines are flown out of order"},
    {"edgeMargin", settingType::real, &surveyParameters::edgeMargin, edgeMarginRefusal, nullptr,
     "survey: metres the lines, turns and transits keep from the boundary and holes"},
    {"bathymetry", settingType::text, &seabedParameters::grid, nullptr, nullptr,
     "seabed (--bathymetry): the grid the plan is checked against"},
    {"bathymetryValues",
     settingType::word,
     &seabedParameters::values,
     nullptr,
     nullptr,
     "seabed: the grid holds elevations (negative below the sea) or depths",
     {},
     gridValueWords},
    {"tide", settingType::real, &seabedParameters::tide, tideRefusal, nullptr,
     "seabed: metres of water above the grid's datum"},
    {"seabedMargin", settingType::real, &seabedParameters::margin, seabedMarginRefusal, nullptr,
     "seabed: metres kept above abortAltitude for the grid's own error"},
    {"batteryWh", settingType::real, &energyParameters::batteryWh, batteryRefusal, nullptr,
     "energy: usable watt-hours at launch"},
    {"reservePercent", settingType::real, &energyParameters::reservePercent, reserveRefusal, nullptr,
     "energy: percent of the battery kept in reserve"},
    {"hotelWatts", settingType::real, &energyParameters::hotelWatts, hotelRefusal, nullptr,
     "energy: watts of the electronics and sensors"},
    {"propulsionWatts", settingType::real, &energyParameters::propulsionWatts, propulsionRefusal, nullptr,
     "energy: watts of the propulsion at missionSpeed"},
    {"currentToward", settingType::real, &currentParameters::toward, currentTowardRefusal, nullptr,
     "current: degrees true the water flows toward"},
    {"currentSpeed", settingType::real, &currentParameters::speed, currentSpeedRefusal, nullptr,
     "current: m/s of the water over the ground"},
    {"maxDiveHours", settingType::real, &diveParameters::maxDiveHours, diveHoursRefusal, nullptr,
     "dives: hours on the timer a dive may last; a longer plan is split into dives"},
    {"launchTime", settingType::text, &briefParameters::launchTime, launchTimeRefusal, nullptr,
     "brief (--launch-time): the launch's clock time with its zone, ISO 8601"},
    {"checklist", settingType::text, &briefParameters::checklist, nullptr, nullptr,
     "brief (--checklist): the team's own checklist, one item a line"},
};

std::string wholeRange(const settingKey& key) {
  return std::string(key.name) + " takes a whole number from " + std::to_string(std::numeric_limits<int>::min()) +
         " to " + std::to_string(std::numeric_limits<int>::max());
}

std::string notANumber(const settingKey& key) { return std::string(key.name) + " takes a number"; }

std::string flagWords(const settingKey& key) { return std::string(key.name) + " takes true or false (or 1 or 0)"; }

// The type's own limits met: the key's check decides.
std::optional<double> checked(const settingKey& key, double value, const std::string& written, std::string& reason) {
  if (key.check != nullptr) reason = key.check(value, written);
  if (!reason.empty()) return std::nullopt;
  return value;
}

// A speed as the speed editors take it: the float nearest to the number written.
std::optional<double> speedOfNumber(const settingKey& key, double number, std::optional<float> nearest,
                                    const std::string& written, std::string& reason) {
  reason = speedRefusal(number, written);
  if (!reason.empty()) return std::nullopt;
  if (!nearest || !(*nearest > 0) || !std::isfinite(*nearest)) {
    reason = "too large or too small for a speed";
    return std::nullopt;
  }
  return checked(key, *nearest, written, reason);
}

std::string normalised(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c != '-' && c != '_') out += c;
  }
  return lowerCase(out);
}

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// A number as a settings file must write a real one: with a decimal point.
std::string withPoint(std::string text) {
  if (text.find_first_of(".eE") == std::string::npos) text += ".0";
  return text;
}

}  // namespace

const std::vector<settingKey>& settingKeys() { return keys; }

const settingKey* findSettingKey(std::string_view name) {
  for (const settingKey& key : keys) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

const settingKey& nearestSettingKey(std::string_view name) {
  const std::string wanted = normalised(name);
  const settingKey* nearest = &keys.front();
  size_t best = std::numeric_limits<size_t>::max();
  for (const settingKey& key : keys) {
    const size_t distance = editDistance(wanted, normalised(key.name));
    if (distance < best) {
      best = distance;
      nearest = &key;
    }
  }
  return *nearest;
}

const settingKey* findOptionKey(std::string_view name) {
  for (const settingKey& key : keys) {
    if (key.option.name != nullptr && name == key.option.name) return &key;
  }
  return nullptr;
}

std::optional<double> valueOfOption(const settingKey& key, const std::string& text) {
  std::string reason;
  if (key.type == settingType::corner || key.type == settingType::word) return valueOfWord(key, text, reason);
  const std::optional<double> value = wholeNumber(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  if (key.type == settingType::whole && *value != std::floor(*value)) return std::nullopt;
  if (key.option.refusesZero && *value == 0) return std::nullopt;
  if (key.check != nullptr && !key.check(*value, text).empty()) return std::nullopt;
  return value;
}

std::optional<double> valueOfWord(const settingKey& key, const std::string& written, std::string& reason) {
  // Nothing after the = would read as 0.
  if (written.empty()) {
    reason = std::string(key.name) + " takes a value after the =";
    return std::nullopt;
  }
  const std::optional<double> number = doubleOf(written);
  switch (key.type) {
    case settingType::speed:
      if (!number) break;
      return speedOfNumber(key, *number, speedOf(written), written, reason);
    case settingType::real:
      if (!number) break;
      return checked(key, *number, written, reason);
    case settingType::whole:
      if (const std::optional<int> whole = intOf(written)) return checked(key, *whole, written, reason);
      reason = wholeRange(key);
      return std::nullopt;
    case settingType::flag:
      if (written == "true" || written == "false") return checked(key, written == "true" ? 1 : 0, written, reason);
      if (const std::optional<int> whole = intOf(written)) return valueOfInteger(key, *whole, written, reason);
      reason = flagWords(key);
      return std::nullopt;
    case settingType::corner:
      for (int i = 0; i < 4; ++i) {
        if (lowerCase(written) == lowerCase(cornerNames[i])) return i;
      }
      reason = wordsRefusal(key);
      return std::nullopt;
    case settingType::word:
      for (int i = 0; key.words[i] != nullptr; ++i) {
        if (lowerCase(written) == lowerCase(key.words[i])) return i;
      }
      reason = wordsRefusal(key);
      return std::nullopt;
    case settingType::text: reason = std::string(key.name) + " takes a file name"; return std::nullopt;
  }
  reason = notANumber(key);
  return std::nullopt;
}

std::optional<double> valueOfInteger(const settingKey& key, long long number, const std::string& written,
                                     std::string& reason) {
  switch (key.type) {
    case settingType::speed:
    case settingType::real: return valueOfReal(key, static_cast<double>(number), written, reason);
    case settingType::whole:
      if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) break;
      return checked(key, static_cast<double>(number), written, reason);
    case settingType::flag:
      reason = flagRefusal(key.name, static_cast<double>(number));
      if (!reason.empty()) return std::nullopt;
      return checked(key, static_cast<double>(number), written, reason);
    case settingType::corner:
    case settingType::word: reason = wordsRefusal(key); return std::nullopt;
    case settingType::text: reason = std::string(key.name) + " takes a file name in quotes"; return std::nullopt;
  }
  reason = wholeRange(key);
  return std::nullopt;
}

std::optional<double> valueOfReal(const settingKey& key, double number, const std::string& written,
                                  std::string& reason) {
  switch (key.type) {
    case settingType::whole: reason = wholeRange(key); return std::nullopt;
    case settingType::flag: reason = flagWords(key); return std::nullopt;
    case settingType::corner:
    case settingType::word: reason = wordsRefusal(key); return std::nullopt;
    case settingType::text: reason = std::string(key.name) + " takes a file name in quotes"; return std::nullopt;
    case settingType::speed:
    case settingType::real: break;
  }
  if (!std::isfinite(number)) {
    reason = std::string(key.name) + " takes a finite number";
    return std::nullopt;
  }
  if (key.type == settingType::real) return checked(key, number, written, reason);
  // The float nearest to the text itself, as a typed speed gets it; rounding the double to
  // a float could land one step away. Digits set apart with underscores are joined first.
  std::string digits;
  for (const char c : written) {
    if (c != '_') digits += c;
  }
  const std::optional<double> again = doubleOf(digits);
  const std::optional<float> nearest =
      again && *again == number ? speedOf(digits) : std::optional<float>(static_cast<float>(number));
  return speedOfNumber(key, number, nearest, written, reason);
}

std::string valueText(const settingKey& key, const settingValues& values) {
  const double value = storedValue(key, values);
  switch (key.type) {
    case settingType::speed: {
      char digits[64];
      const auto end =
          std::to_chars(digits, digits + sizeof digits, static_cast<float>(value), std::chars_format::fixed);
      return withPoint(std::string(digits, end.ptr));
    }
    case settingType::real: return withPoint(numberText::shortest(value).text());
    case settingType::whole: return numberText::integer(static_cast<long long>(value)).text();
    case settingType::corner: return std::string("\"") + cornerNames[static_cast<int>(value)] + "\"";
    case settingType::word: return std::string("\"") + key.words[static_cast<int>(value)] + "\"";
    case settingType::text: return tomlString(storedText(key, values));
    case settingType::flag: break;
  }
  return value == 1 ? "true" : "false";
}
