#include "settings/settingsFile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "files/fileSet.h"
#include "routes/routeEncoding.h"
#include "settings/settingKeys.h"
#include "settings/settingsSyntax.h"
#include "text/characters.h"
#include "text/runMessages.h"

// toml++ is used as a header-only library, so that the program stays one file on Windows
// too; the TOML writer is the program's own (settingsText), so its formatters are left out.
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
// Reals read with std::from_chars rather than through a string stream, which takes memory:
// when that memory cannot be had, the library takes the number for a fault of the file, and
// its parse error takes memory where it may not fail, which ends the program.
#define TOML_FLOAT_CHARCONV 1
#include <toml++/toml.h>

namespace {

// Far beyond any settings file: a file this large is something else, given by mistake.
constexpr std::uintmax_t largestSettingsFile = 1024 * 1024;

std::string position(const std::string& name, const toml::source_position& at) {
  return name + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) + ": ";
}

const char* typeName(toml::node_type type) {
  switch (type) {
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    case toml::node_type::string: return "a string";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::date: return "a date";
    case toml::node_type::time: return "a time";
    case toml::node_type::date_time: return "a date and time";
    default: return "a value of another kind";
  }
}

// Where the `column`-th character of `line` starts, the columns counted in characters, as
// the library counts them, and not in bytes: a value in quotes may hold any character.
size_t byteOfColumn(std::string_view line, size_t column) {
  size_t at = 0;
  for (size_t seen = 1; seen < column && at < line.size(); ++seen) {
    ++at;
    while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) ++at;
  }
  return at;
}

// The text of a value in the file, as the operator wrote it: the span of its source
// region on its line.
std::string writtenText(const std::vector<std::string_view>& lines, const toml::source_region& region) {
  if (region.begin.line == 0 || region.begin.line != region.end.line || region.begin.line > lines.size()) return "";
  const std::string_view line = lines[region.begin.line - 1];
  const size_t from = byteOfColumn(line, region.begin.column);
  const size_t to = byteOfColumn(line, region.end.column);
  if (to <= from) return "";
  return std::string(line.substr(from, to - from));
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

// The value the node `value` of the file gives `key`, or nothing and the reason.
std::optional<double> valueOfNode(const settingKey& key, const toml::node& value, const std::string& written,
                                  std::string& reason) {
  if (const auto* whole = value.as_integer()) return valueOfInteger(key, whole->get(), written, reason);
  if (const auto* real = value.as_floating_point()) return valueOfReal(key, real->get(), written, reason);
  if (const auto* flag = value.as_boolean(); flag != nullptr && key.type == settingType::flag) {
    return valueOfInteger(key, flag->get() ? 1 : 0, written, reason);
  }
  if (const auto* word = value.as_string();
      word != nullptr && (key.type == settingType::corner || key.type == settingType::word)) {
    return valueOfWord(key, word->get(), reason);
  }
  const std::string wanted = key.type == settingType::flag     ? "true or false"
                             : key.type == settingType::whole  ? "a whole number"
                             : key.type == settingType::corner ? "a corner in quotes, \"NE\", \"NW\", \"SE\" or \"SW\""
                             : key.type == settingType::word   ? "a word in quotes, " + wordList(key)
                                                               : "a number";
  reason = std::string(key.name) + " takes " + wanted + ", not " + typeName(value.type());
  return std::nullopt;
}

std::string didYouMean(std::string_view name) {
  return "unknown key '" + std::string(name) + "': did you mean '" + nearestSettingKey(name).name + "'?";
}

// Why the settings cannot be used, from wherever they are found wanting to the entry that
// gives the failure back.
struct settingsRefusal {
  failure why;
};

// Every refusal, one a line on standard error.
failure refusalOf(const std::vector<std::string>& refusals) {
  return {"", refusals.front(), std::vector<std::string>(refusals.begin() + 1, refusals.end())};
}

[[noreturn]] void refuse(const std::vector<std::string>& refusals) { throw settingsRefusal{refusalOf(refusals)}; }

std::string readSettingsFile(const std::string& name) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::u8path(name);
  std::ifstream in(name, std::ios::in | std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) refuse({"vesk: cannot read settings file " + name});
  std::string content;
  std::string piece(64 * 1024, '\0');
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
    content.append(piece, 0, static_cast<size_t>(in.gcount()));
    if (content.size() > largestSettingsFile) {
      refuse({"vesk: settings file " + name + " is larger than 1 MiB: it cannot be a settings file"});
    }
  }
  if (in.bad()) refuse({"vesk: cannot read settings file " + name});
  return content;
}

// `text` with what a TOML comment cannot hold (control characters, bytes that are no
// UTF-8) written as '?', so that a strange file name cannot break the file.
std::string commentSafe(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    char32_t code = 0;
    const size_t length = utf8Length(text, i, code);
    const bool control = length == 1 && ((code < 0x20 && code != '\t') || code == 0x7F);
    if (length > 0 && !control) {
      out.append(text, i, length);
      i += length;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> readSettingsText(std::string_view content, const std::string& name, givenSettings& given,
                                          settingValues& values) {
  // Saved as "Unicode" by a Windows editor, as route files are.
  const unicodeText unicode = fromUtf16(content);
  if (!unicode.problem.empty()) return {"vesk: settings file " + name + " " + unicode.problem};
  const std::string_view text = unicode.converted ? std::string_view(unicode.text) : content;
  // What the library must not see is refused here, and taken out so that the library
  // reports the file's other faults with it.
  const screenedSettings screened = screenSettingsText(text);
  struct entry {
    toml::source_position at;
    std::string refusal;  // empty: `key` takes `value`
    const settingKey* key = nullptr;
    double value = 0;
    std::string written;
    std::string text = {};  // the value of a text key
  };
  std::vector<entry> entries;
  for (const settingsFault& fault : screened.faults) {
    const toml::source_position at{static_cast<toml::source_index>(fault.line),
                                   static_cast<toml::source_index>(fault.column)};
    entries.push_back({at, position(name, at) + fault.reason, nullptr, 0, ""});
  }
  toml::table document;
  try {
    // Without the file's name: the library would keep it in memory taken where it may not
    // fail, which ends the program when the memory has run out. The refusals name the file.
    document = toml::parse(std::string_view(screened.text));
  } catch (const toml::parse_error& e) {
    // The parser's word for a key given twice is hard to read for an operator.
    const std::string_view what = e.description();
    const size_t quote = what.find('\'');
    std::string refusal = position(name, e.source().begin) + std::string(what);
    if (what.find("cannot redefine existing") != std::string_view::npos && quote != std::string_view::npos) {
      refusal = position(name, e.source().begin) + "duplicate key " + std::string(what.substr(quote)) +
                ": each key is given once";
    }
    entries.push_back({e.source().begin, refusal, nullptr, 0, ""});
  }
  const std::vector<std::string_view> lines = linesOf(text);
  for (const auto& [name_, node] : document) {
    const std::string_view keyName = name_.str();
    const settingKey* const key = findSettingKey(keyName);
    if (key == nullptr) {
      entries.push_back(
          {name_.source().begin, position(name, name_.source().begin) + didYouMean(keyName), nullptr, 0, ""});
      continue;
    }
    entry e{node.source().begin, "", key, 0, writtenText(lines, node.source())};
    std::string reason;
    if (key->type == settingType::text) {
      if (const auto* text = node.as_string(); text != nullptr && !text->get().empty()) {
        e.text = text->get();
        const std::string why = key->check != nullptr ? key->check(0, e.text) : std::string();
        if (!why.empty()) e.refusal = position(name, e.at) + std::string(key->name) + " = " + e.written + ": " + why;
      } else {
        e.refusal = position(name, e.at) + std::string(key->name) + " = " + e.written + ": " + key->name +
                    " takes a file name in quotes";
      }
    } else if (const std::optional<double> value = valueOfNode(*key, node, e.written, reason)) {
      e.value = *value;
    } else {
      e.refusal =
          position(name, e.at) + (e.written.empty() ? "" : std::string(key->name) + " = " + e.written + ": ") + reason;
    }
    entries.push_back(std::move(e));
  }
  // The table keeps its keys sorted: the refusals in the order of the file instead.
  std::stable_sort(entries.begin(), entries.end(), [](const entry& a, const entry& b) {
    return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
  });
  std::vector<std::string> refusals;
  for (const entry& e : entries) {
    if (!e.refusal.empty()) refusals.push_back(e.refusal);
  }
  if (!refusals.empty()) return refusals;
  for (const entry& e : entries) {
    if (e.key->type == settingType::text) {
      storeText(*e.key, e.text, values);
    } else {
      store(*e.key, e.value, values);
    }
    given[e.key->name] = {name + ":" + std::to_string(e.at.line) + ":" + std::to_string(e.at.column), e.written};
  }
  return {};
}

std::optional<std::string> applySetOption(const std::string& assignment, givenSettings& given, settingValues& values) {
  const std::string origin = "--set " + assignment;
  const size_t equals = assignment.find('=');
  if (equals == std::string::npos) return origin + ": give KEY=VALUE, as in --set abortDepth=100";
  // "abortDepth = 100", quoted, is the way the file writes it.
  const std::string name(trimmed(std::string_view(assignment).substr(0, equals)));
  const std::string written(trimmed(std::string_view(assignment).substr(equals + 1)));
  const settingKey* const key = findSettingKey(name);
  if (key == nullptr) return origin + ": " + didYouMean(name);
  if (key->type == settingType::text) {
    // A key with a check of its own (a launch time) says what it takes; a file name otherwise.
    if (written.empty() && key->check == nullptr) return origin + ": " + key->name + " takes a file name after the =";
    if (key->check != nullptr) {
      if (const std::string why = key->check(0, written); !why.empty()) return origin + ": " + why;
    }
    storeText(*key, written, values);
    given[key->name] = {origin, written};
    return std::nullopt;
  }
  std::string reason;
  const std::optional<double> value = valueOfWord(*key, written, reason);
  if (!value) return origin + ": " + reason;
  store(*key, *value, values);
  given[key->name] = {origin, written};
  return std::nullopt;
}

result<givenSettings> loadSettings(const std::optional<std::string>& file, const std::vector<std::string>& sets,
                                   settingValues& values) {
  givenSettings given;
  if (file) {
    std::vector<std::string> refusals;
    try {
      refusals = readSettingsText(readSettingsFile(*file), *file, given, values);
    } catch (settingsRefusal& refused) {
      return std::move(refused.why);
    }
    if (!refusals.empty()) return refusalOf(refusals);
  }
  std::vector<std::string> refusals;
  for (const std::string& assignment : sets) {
    if (const std::optional<std::string> refusal = applySetOption(assignment, given, values)) {
      refusals.push_back("vesk: " + *refusal);
    }
  }
  if (!refusals.empty()) return refusalOf(refusals);
  return given;
}

problem checkSettingsAgainstRoute(const givenSettings& given, const settingValues& values,
                                  bool (*plannableAt)(double maxLegMeters)) {
  std::vector<std::string> refusals;
  for (const auto& [name, from] : given) {
    const settingKey& key = *findSettingKey(name);
    if (key.check == nullptr) continue;
    std::string reason = key.check(storedValue(key, values), from.written);
    if (reason.empty() && name == "maxLegMeters" && !plannableAt(values.mission.maxLegMeters)) {
      reason = tooManyWaypointsRefusal(from.written);
    }
    if (!reason.empty())
      refusals.push_back("vesk: " + from.origin + ": " + name + " = " + from.written + ": " + reason);
  }
  if (!refusals.empty()) return refusalOf(refusals);
  return std::nullopt;
}

problem requireSettings(const givenSettings& given, const settingValues& values) {
  std::string missing;
  for (const settingKey& key : settingKeys()) {
    if (key.neededWithoutQuestions == nullptr || !key.neededWithoutQuestions(values) || given.count(key.name) > 0)
      continue;
    missing += (missing.empty() ? "" : ", ") + std::string(key.name);
  }
  if (missing.empty()) return std::nullopt;
  return failure{"", "vesk: --no-input: no value given for " + missing +
                         ": give them in the settings file or with --set KEY=VALUE; nothing is planned"};
}

std::string settingsText(const settingValues& values, const std::string& routeName, const std::string& stem) {
  std::string text = "# vesk settings of the mission planned from " + commentSafe(routeName) + " as " + stem + "cfg, " +
                     stem + "wpt and " + stem +
                     "pts\n"
                     "# vesk --settings THIS_FILE reads them back; a key left out keeps its default.\n\n";
  std::vector<std::pair<std::string, const char*>> assignments;
  size_t width = 0;
  for (const settingKey& key : settingKeys()) {
    // A setting with no value until given (the survey's bearing) is left out.
    if (std::isnan(storedValue(key, values))) continue;
    assignments.emplace_back(std::string(key.name) + " = " + valueText(key, values), key.meaning);
    width = std::max(width, assignments.back().first.size());
  }
  for (const auto& [assignment, meaning] : assignments) {
    text += assignment + std::string(width + 2 - assignment.size(), ' ') + "# " + meaning + "\n";
  }
  return text;
}

namespace {

// The folder and the file name of `path`, as the set writer takes them.
std::pair<std::string, std::string> folderAndName(const std::string& path) {
  const std::filesystem::path p = std::filesystem::u8path(path);
  return {p.parent_path().u8string(), p.filename().u8string()};
}

}  // namespace

problem checkSettingsDestination(const std::string& path) {
  const auto [folder, name] = folderAndName(path);
  if (name.empty() || name == "." || name == "..") {
    return failure{"", "vesk: --save-settings " + path + ": give a file name"};
  }
  if (folder.empty()) return std::nullopt;
  return checkOutputFolder(folder);
}

problem saveSettings(const settingValues& values, const std::string& path, const std::string& routeName,
                     const std::string& stem, warningLog* warnings) {
  const auto [folder, name] = folderAndName(path);
  const std::vector<outputFile> files = {{name, "cannot open settings output file %s ",
                                          "cannot write settings output file %s ",
                                          " **** Wrote settings : %s **** \n"}};
  const std::string text = settingsText(values, routeName, stem);
  return writeFileSet(folder, files, [&](const std::vector<textOut*>& out) { out[0]->lines(text); },
                      {setKind::named, warnings});
}
