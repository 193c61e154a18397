#include "console/pastedName.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "text/characters.h"

namespace {

// `text` as one word of a POSIX shell: single quotes keep everything, double quotes all but
// the escapes of \ " $ and `, a backslash outside them keeps the character after it, and an
// unquoted ~/ at the start is the home folder. Nothing when it is several words or a quote
// is not closed.
std::optional<std::string> shellWord(const std::string& text, const std::string& home) {
  std::string word;
  size_t i = 0;
  if (!home.empty() && (text == "~" || text.rfind("~/", 0) == 0)) {
    word = home;
    i = 1;
  }
  while (i < text.size()) {
    const char c = text[i++];
    if (isBlank(c)) return std::nullopt;
    if (c == '\\') {
      word += i < text.size() ? text[i++] : c;
    } else if (c == '\'') {
      const size_t close = text.find('\'', i);
      if (close == std::string::npos) return std::nullopt;
      word += text.substr(i, close - i);
      i = close + 1;
    } else if (c == '"') {
      for (;;) {
        if (i >= text.size()) return std::nullopt;
        const char d = text[i++];
        if (d == '"') break;
        if (d == '\\' && i < text.size() && std::string("\\\"$`").find(text[i]) != std::string::npos) {
          word += text[i++];
        } else {
          word += d;
        }
      }
    } else {
      word += c;
    }
  }
  return word;
}

// Windows: the whole name in double quotes ("Copy as path") or single quotes.
std::optional<std::string> quotedName(const std::string& text) {
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return std::nullopt;
}

bool exists(const std::string& name) {
  std::error_code ec;
  return !name.empty() && std::filesystem::exists(std::filesystem::u8path(name), ec);
}

}  // namespace

std::vector<std::string> readingsOf(const std::string& typed, const pasteRules& rules) {
  std::vector<std::string> readings = {typed};
  const auto add = [&](const std::string& name) {
    if (std::find(readings.begin(), readings.end(), name) == readings.end()) readings.push_back(name);
  };
  const std::string name(trimmed(typed));
  add(name);
  const std::optional<std::string> shell = rules.posixShell ? shellWord(name, rules.home) : quotedName(name);
  if (shell) add(*shell);
  return readings;
}

std::string pastedFileName(const std::string& typed, const pasteRules& rules) {
  const std::vector<std::string> readings = readingsOf(typed, rules);
  for (const std::string& name : readings) {
    if (exists(name)) return name;
  }
  return readings.back();
}
