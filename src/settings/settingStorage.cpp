// Where each key's value is kept in a settingValues: the field its member pointer names.
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>

#include "settings/settingKeys.h"

double storedValue(const settingKey& key, const settingValues& values) {
  return std::visit(
      [&](auto field) -> double {
        using fieldType = decltype(field);
        if constexpr (std::is_same_v<fieldType, std::optional<double> surveyParameters::*>) {
          return (values.survey.*field).value_or(std::numeric_limits<double>::quiet_NaN());
        } else if constexpr (std::is_same_v<fieldType, entryCorner surveyParameters::*>) {
          return static_cast<int>(values.survey.*field);
        } else if constexpr (std::is_same_v<fieldType, double missionSettings::*> ||
                             std::is_same_v<fieldType, int missionSettings::*>) {
          return values.mission.*field;
        } else {
          return values.survey.*field;
        }
      },
      key.storage);
}

void store(const settingKey& key, double value, settingValues& values) {
  std::visit(
      [&](auto field) {
        using fieldType = decltype(field);
        if constexpr (std::is_same_v<fieldType, std::optional<double> surveyParameters::*>) {
          values.survey.*field = value;
        } else if constexpr (std::is_same_v<fieldType, entryCorner surveyParameters::*>) {
          values.survey.*field = static_cast<entryCorner>(static_cast<int>(value));
        } else if constexpr (std::is_same_v<fieldType, double missionSettings::*>) {
          values.mission.*field = value;
        } else if constexpr (std::is_same_v<fieldType, int missionSettings::*>) {
          values.mission.*field = static_cast<int>(value);
        } else if constexpr (std::is_same_v<fieldType, double surveyParameters::*>) {
          values.survey.*field = value;
        } else {
          values.survey.*field = static_cast<int>(value);
        }
      },
      key.storage);
}
