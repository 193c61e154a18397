// The settings as the operator reads of them: the usage text (and so the README, which
// shows it whole) and the manual page name every key of the table with the default the
// program starts from, and every survey option that is also a key is the key's.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "settings.h"
#include "settings/settingKeys.h"
#include "support/readFile.h"

namespace {

// The lines of `text` from the one starting with `first` up to, not including, the one
// starting with `end`.
std::string block(const std::string& text, const std::string& first, const std::string& end) {
  const size_t from = text.find("\n" + first);
  const size_t to = text.find("\n" + end, from + 1);
  return from == std::string::npos || to == std::string::npos ? "" : text.substr(from, to - from + 1);
}

// A default that stands for "not given" (the quickest layout, the swath less the
// overlap) or a flag the operator must always answer: the documents name no value for it.
bool showsNoDefault(const settingKey& key) {
  const double value = storedValue(key, settingValues{});
  return std::isnan(value) || (key.option.refusesZero && value == 0) ||
         (key.type == settingType::flag && key.neededWithoutQuestions != nullptr);
}

// The default as the documents write it: 3600, 2.5, true, SW.
std::string defaultWords(const settingKey& key) {
  std::string text = valueText(key, settingValues{});
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  if (!text.empty() && text.front() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

TEST(SettingsDocuments, UsageAndManualNameEveryKeyWithItsDefault) {
  resetSettings();
  const std::string usage = readFile(VESK_SOURCE_DIR "/doc/usage.txt");
  const std::string settings = block(usage, "Settings, by the keys", "Booleans");
  std::string manual = block(readFile(VESK_SOURCE_DIR "/doc/vesk.1"), ".SH SETTINGS", ".SH ");
  ASSERT_FALSE(settings.empty());
  ASSERT_FALSE(manual.empty());
  for (size_t at = manual.find("\\-"); at != std::string::npos; at = manual.find("\\-", at)) manual.erase(at, 1);

  for (const settingKey& key : settingKeys()) {
    SCOPED_TRACE(key.name);
    std::smatch found;
    // In the usage text: "name [default]", or the name alone.
    const std::regex inUsage(std::string("[ ,]") + key.name + R"((?: \[([^\]]*)\])?[ ,\n])");
    if (!std::regex_search(settings, found, inUsage)) {
      ADD_FAILURE() << "the usage text's settings list names no " << key.name;
    } else if (showsNoDefault(key)) {
      EXPECT_FALSE(found[1].matched) << "a default that means 'not given' is shown as " << found[1];
    } else {
      EXPECT_EQ(found[1].str(), defaultWords(key));
    }
    // In the manual page: the name, then the default among the words of the next brackets
    // ("minDepth, maxDepth (0, 90 m)").
    const std::regex inManual(std::string(R"(\b)") + key.name + R"(\b[^(]*\(([^)]*)\))");
    if (!std::regex_search(manual, found, inManual)) {
      ADD_FAILURE() << "the manual page's SETTINGS names no " << key.name;
      continue;
    }
    if (showsNoDefault(key)) continue;
    std::set<std::string> words;
    std::istringstream bracket(std::regex_replace(found[1].str(), std::regex("[,;:]"), " "));
    for (std::string word; bracket >> word;) words.insert(word);
    EXPECT_EQ(words.count(defaultWords(key)), 1u) << "(" << found[1] << ") does not hold " << defaultWords(key);
  }
}

TEST(SettingsDocuments, EverySurveyOptionThatSetsALineIsAKeys) {
  const std::string survey = block(readFile(VESK_SOURCE_DIR "/doc/usage.txt"), "Survey options", "\n");
  std::set<std::string> options;
  std::istringstream lines(survey);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  --", 0) == 0) options.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  for (const settingKey& key : settingKeys()) {
    if (key.option.name == nullptr) continue;
    EXPECT_EQ(options.erase(key.option.name), 1u) << key.option.name << " is not a survey option of --help";
    EXPECT_EQ(findOptionKey(key.option.name), &key);
  }
  // What is left is no setting of a settings file: the area, a position, a file name.
  EXPECT_EQ(options, (std::set<std::string>{"--area", "--start", "--write-route"}));
}

}  // namespace
