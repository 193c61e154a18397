#include "settings/settingsSyntax.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool isBareKeyChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// Walks the file one statement at a time, as TOML reads it: a key and its value (which
// may span lines inside brackets or a """ string), a table header, or a comment.
class screen {
 public:
  explicit screen(std::string_view text) : text_(text) {}

  screenedSettings run() {
    screenedSettings result;
    result.text = std::string(text_);
    // A byte order mark at the very start is the library's to skip.
    size_t i = text_.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    // The top-level keys given so far, each as its dotted parts, and the tables that
    // dotted keys open: a key that is one of either, or lies in a value, is given twice.
    std::set<std::vector<std::string>> values;
    std::set<std::vector<std::string>> tables;
    bool inTable = false;  // keys after a table header are the table's
    while (i < text_.size()) {
      while (i < text_.size() && (isBlank(text_[i]) || text_[i] == '\r' || text_[i] == '\n')) ++i;
      if (i == text_.size()) break;
      if (text_[i] == '#') {
        i = lineEnd(i);
        continue;
      }
      const size_t start = i;
      fault_.reset();
      std::optional<std::vector<std::string>> key;
      size_t equals = 0;
      if (text_[i] == '[') {
        inTable = true;
      } else {
        key = keyAt(start, equals);
      }
      const size_t end = statementEnd(start);
      if (key && !inTable) {
        size_t value = equals + 1;
        while (value < end && isBlank(text_[value])) ++value;
        std::vector<std::string> prefix;
        bool inValue = false;
        for (size_t k = 0; k + 1 < key->size(); ++k) {
          prefix.push_back((*key)[k]);
          inValue = inValue || values.count(prefix) > 0;
        }
        if (!fault_ && (inValue || values.count(*key) > 0 || tables.count(*key) > 0)) {
          // Where and in the words the library reports a key given twice.
          std::string written(text_.substr(start, equals - start));
          while (!written.empty() && isBlank(written.back())) written.pop_back();
          fault_ = {value, "duplicate key '" + written + "': each key is given once"};
        }
        values.insert(*key);
        for (prefix.clear(); prefix.size() + 1 < key->size();) {
          prefix.push_back((*key)[prefix.size()]);
          tables.insert(prefix);
        }
      }
      if (fault_) {
        const auto [line, column] = positionOf(fault_->first);
        result.faults.push_back({line, column, fault_->second});
        for (size_t k = start; k < end; ++k) {
          if (result.text[k] != '\r' && result.text[k] != '\n') result.text[k] = ' ';
        }
      }
      i = end;
    }
    return result;
  }

 private:
  size_t lineEnd(size_t i) const {
    while (i < text_.size() && text_[i] != '\n') ++i;
    return i;
  }

  // The character at `i` as a message names it: as written, with its code point (a blank
  // beyond ASCII looks like any blank), or the byte that is no UTF-8.
  std::string characterAt(size_t i) const {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text_[k]); };
    const unsigned char lead = byte(i);
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    unsigned long code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool valid = length > 0 && i + length <= text_.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = isContinuation(text_[i + k]);
      code = code << 6 | (byte(i + k) & 0x3F);
    }
    const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= least[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    char hex[16];
    if (!valid) {
      std::snprintf(hex, sizeof hex, "0x%02X", lead);
      return std::string("the byte ") + hex;
    }
    std::snprintf(hex, sizeof hex, "U+%04lX", code);
    return "'" + std::string(text_.substr(i, length)) + "' (" + hex + ")";
  }

  void noteFault(size_t at, const std::string& reason) {
    if (!fault_) fault_ = {at, reason};
  }

  // The key of a key/value statement at `i`, its dotted parts unquoted, or nothing when it
  // is no plain key (a quoted part with escapes in it is left to the library); `equals`
  // gets the position of its =.
  std::optional<std::vector<std::string>> keyAt(size_t i, size_t& equals) const {
    std::vector<std::string> key;
    for (;;) {
      while (i < text_.size() && isBlank(text_[i])) ++i;
      if (i == text_.size()) return std::nullopt;
      const char c = text_[i];
      if (c == '"' || c == '\'') {
        // On its own line: a quote never closed is not looked for to the end of the file.
        const size_t close = text_.find_first_of(std::string{c, '\n'}, i + 1);
        if (close == std::string_view::npos || text_[close] != c) return std::nullopt;
        const std::string_view part = text_.substr(i + 1, close - i - 1);
        if (part.find('\\') != std::string_view::npos) return std::nullopt;
        key.emplace_back(part);
        i = close + 1;
      } else if (isBareKeyChar(c)) {
        const size_t from = i;
        while (i < text_.size() && isBareKeyChar(text_[i])) ++i;
        key.emplace_back(text_.substr(from, i - from));
      } else {
        return std::nullopt;
      }
      while (i < text_.size() && isBlank(text_[i])) ++i;
      if (i < text_.size() && text_[i] == '.') {
        ++i;
        continue;
      }
      if (i < text_.size() && text_[i] == '=') {
        equals = i;
        return key;
      }
      return std::nullopt;
    }
  }

  // Where the statement starting at `i` ends: its line end outside brackets, strings and
  // comments, or the end of the file. Notes the first character the library must not see.
  size_t statementEnd(size_t i) {
    // The brackets open around `i`, innermost last: "[" an array, "{" an inline table.
    std::string open;
    // In a key: the statement's own, up to its "=", or one of an inline table, between its
    // "{" or "," and its "=".
    bool inKey = true;
    // The last character that is no blank: a quote opens a string only where a value or a
    // key may start (a quote inside a bare word, 1F'F or 1F='F, is no string to the library,
    // and what follows it must be checked as the library will read it).
    char last = '=';
    const auto opensString = [&] {
      if (last == '=' || last == '[') return true;
      if (inKey && (last == '{' || last == '.')) return true;
      return last == ',' && !open.empty();
    };
    while (i < text_.size()) {
      const char c = text_[i];
      if (c == '\n') {
        if (open.empty()) return i;
        last = ',';
        ++i;
      } else if (c == '#') {
        i = lineEnd(i);
      } else if ((c == '"' || c == '\'') && opensString()) {
        i = text_.substr(i, 3) == std::string(3, c) ? multiLineStringEnd(i + 3, c) : stringEnd(i + 1, c);
        last = c;
      } else if (!isAscii(c)) {
        noteFault(i, characterAt(i) + " stands outside quotes and comments, where a settings file holds ASCII only");
        last = c;
        ++i;
      } else {
        // A bracket opens an array or an inline table only where a value may start: inside
        // a bare word (2b[ or 2b{) it is part of the word to the library, and a quote after
        // it opens no string.
        const bool bare = (c == '[' || c == '{') && !(last == '=' || ((last == '[' || last == ',') && !open.empty()));
        if ((c == '[' || c == '{') && !bare) open += c;
        if ((c == ']' || c == '}') && !open.empty()) open.pop_back();
        if ((c == '{' && !bare) || (c == ',' && !open.empty() && open.back() == '{')) inKey = true;
        if (c == '=') {
          // Only the "=" after a key separates; any other is part of a bare word to the
          // library.
          last = inKey ? '=' : '~';
          inKey = false;
        } else if (bare) {
          last = '~';
        } else if (c != ' ' && c != '\t' && c != '\r') {
          last = c;
        }
        ++i;
      }
    }
    return i;
  }

  // Past a one-line string opened by `quote` before `i`; a line end ends it too (the
  // library refuses the line).
  size_t stringEnd(size_t i, char quote) const {
    while (i < text_.size() && text_[i] != '\n') {
      if (text_[i] == quote) return i + 1;
      // An escaped quote or backslash; an escaped line end is the library's to refuse.
      i += quote == '"' && text_[i] == '\\' && i + 1 < text_.size() && text_[i + 1] != '\n' ? 2 : 1;
    }
    return i;
  }

  // Past a """ or ''' string whose text starts at `i`. Its closing quotes may follow one
  // or two quotes of the text itself.
  size_t multiLineStringEnd(size_t i, char quote) {
    while (i < text_.size()) {
      if (text_[i] == quote) {
        size_t run = 0;
        while (i + run < text_.size() && text_[i + run] == quote) ++run;
        if (run >= 3) return i + std::min<size_t>(run, 5);
        i += run;
      } else if (quote == '"' && text_[i] == '\\') {
        // An escape; a backslash before blanks and a line end joins the lines, and the
        // library looks at the characters after it as blanks.
        size_t next = i + 1;
        while (next < text_.size() && (isBlank(text_[next]) || text_[next] == '\r' || text_[next] == '\n')) ++next;
        if (next < text_.size() && !isAscii(text_[next])) {
          noteFault(next, characterAt(next) + " follows a backslash in a \"\"\" string, where only ASCII may");
        }
        i = next == i + 1 ? std::min(next + 1, text_.size()) : next;
      } else {
        ++i;
      }
    }
    return i;
  }

  // Line and column of the byte at `at`, the column counted in characters. The faults
  // come in the order of the file: the count goes on from the last one.
  std::pair<long long, long long> positionOf(size_t at) {
    for (; counted_ < at; ++counted_) {
      if (text_[counted_] == '\n') {
        ++line_;
        lineStart_ = counted_ + 1;
      }
    }
    long long column = 1;
    for (size_t k = lineStart_; k < at; ++k) {
      if (!isContinuation(text_[k])) ++column;
    }
    return {line_, column};
  }

  std::string_view text_;
  size_t counted_ = 0;  // line ends are counted up to here
  long long line_ = 1;
  size_t lineStart_ = 0;
  std::optional<std::pair<size_t, std::string>> fault_;  // of the statement being read
};

}  // namespace

screenedSettings screenSettingsText(std::string_view text) { return screen(text).run(); }
