#include "text/runMessages.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "console/consoleInput.h"

namespace {

void escapeByte(std::string& out, unsigned char byte) {
  static const char digits[] = "0123456789abcdef";
  out += "\\x";
  out += digits[byte >> 4];
  out += digits[byte & 0xf];
}

// The length of the valid UTF-8 sequence at the start of `text`, 0 when there is none.
size_t sequenceLength(std::string_view text, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
    code = lead & 0x1f;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    code = lead & 0x0f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xc0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3f);
  }
  // Overlong forms, surrogates and code points beyond Unicode are no valid UTF-8.
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[length] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) return 0;
  return length;
}

bool hidden(char32_t code) {
  return code < 0x20 || (code >= 0x7f && code <= 0x9f) || (code >= 0x202a && code <= 0x202e) ||
         (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string shownText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    char32_t code = 0;
    const size_t length = sequenceLength(text, code);
    if (length == 0) {
      escapeByte(out, static_cast<unsigned char>(text.front()));
      text.remove_prefix(1);
      continue;
    }
    if (code == '\t') {
      out += "\\t";
    } else if (code == '\n') {
      out += "\\n";
    } else if (code == '\r') {
      out += "\\r";
    } else if (hidden(code)) {
      for (size_t i = 0; i < length; ++i) escapeByte(out, static_cast<unsigned char>(text[i]));
    } else {
      out.append(text.data(), length);
    }
    text.remove_prefix(length);
  }
  return out;
}

std::string shownMessage(std::string_view message) {
  size_t leading = 0;
  while (leading < message.size() && message[leading] == '\n') ++leading;
  message.remove_prefix(leading);
  const bool lineEnd = !message.empty() && message.back() == '\n';
  if (lineEnd) message.remove_suffix(1);
  return std::string(leading, '\n') + shownText(message) + (lineEnd ? "\n" : "");
}

void toStdout(const std::string& message) {
  const std::string text = shownMessage(message);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void failRun(const std::string& message, const std::string& reason) {
  toStdout(message);
  if (!reason.empty()) {
    // The message may end without a line end ("cannot open file X "): on a terminal the
    // reason would otherwise run on after it, and the shell's prompt after the reason.
    if (!message.empty() && message.back() != '\n' && errorsOnTerminal()) toStderr("");
    toStderr(reason);
  }
  throw runEnd{1};
}

void toStderr(const std::string& line) {
  std::fflush(stdout);
  const std::string text = shownText(line) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

namespace {
long long warnings = 0;
bool strictRun = false;
}  // namespace

std::vector<std::string> runWarnings;

void warn(const std::string& text) {
  ++warnings;
  toStderr((strictRun ? "error: " : "warning: ") + text);
  runWarnings.push_back(text);
}

long long warningCount() { return warnings; }

void treatWarningsAsErrors(bool strict) { strictRun = strict; }

void reportFailure(const failure& why) { failRun(why.message, why.reason); }
