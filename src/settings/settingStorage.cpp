// Where each key's value is kept in a settingValues: the field its member pointer names.
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>

#include "settings/settingKeys.h"

namespace {

// The part of the settings a field of `Part` lies in.
template <typename Part, typename Values>
auto& partOf(Values& values) {
  if constexpr (std::is_same_v<Part, missionSettings>) {
    return values.mission;
  } else if constexpr (std::is_same_v<Part, surveyParameters>) {
    return values.survey;
  } else if constexpr (std::is_same_v<Part, seabedParameters>) {
    return values.seabed;
  } else if constexpr (std::is_same_v<Part, energyParameters>) {
    return values.energy;
  } else if constexpr (std::is_same_v<Part, currentParameters>) {
    return values.current;
  } else if constexpr (std::is_same_v<Part, diveParameters>) {
    return values.dives;
  } else {
    return values.brief;
  }
}

template <typename Part, typename Field>
double read(const settingValues& values, Field Part::*field) {
  const Field& value = partOf<Part>(values).*field;
  if constexpr (std::is_same_v<Field, std::optional<double>>) {
    return value.value_or(std::numeric_limits<double>::quiet_NaN());
  } else if constexpr (std::is_same_v<Field, std::string>) {
    return value.empty() ? std::numeric_limits<double>::quiet_NaN() : 0;
  } else if constexpr (std::is_enum_v<Field>) {
    return static_cast<int>(value);
  } else {
    return value;
  }
}

template <typename Part, typename Field>
void write(settingValues& values, Field Part::*field, double value) {
  Field& kept = partOf<Part>(values).*field;
  if constexpr (std::is_same_v<Field, std::optional<double>>) {
    kept = value;
  } else if constexpr (std::is_same_v<Field, std::string>) {
    static_cast<void>(kept);  // a text key is stored by storeText
  } else if constexpr (std::is_enum_v<Field>) {
    kept = static_cast<Field>(static_cast<int>(value));
  } else {
    kept = static_cast<Field>(value);
  }
}

}  // namespace

double storedValue(const settingKey& key, const settingValues& values) {
  return std::visit([&](auto field) { return read(values, field); }, key.storage);
}

void store(const settingKey& key, double value, settingValues& values) {
  std::visit([&](auto field) { write(values, field, value); }, key.storage);
}

std::string storedText(const settingKey& key, const settingValues& values) {
  if (const auto* field = std::get_if<std::string seabedParameters::*>(&key.storage)) return values.seabed.**field;
  if (const auto* field = std::get_if<std::string briefParameters::*>(&key.storage)) return values.brief.**field;
  return std::string();
}

void storeText(const settingKey& key, const std::string& text, settingValues& values) {
  if (const auto* field = std::get_if<std::string seabedParameters::*>(&key.storage)) values.seabed.** field = text;
  if (const auto* field = std::get_if<std::string briefParameters::*>(&key.storage)) values.brief.** field = text;
}

// `text` as a TOML basic string: quotes, backslashes and control characters escaped.
std::string tomlString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      static const char digits[] = "0123456789ABCDEF";
      out += "\\u00";
      out += digits[byte >> 4];
      out += digits[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}
