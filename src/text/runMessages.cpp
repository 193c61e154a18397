#include "text/runMessages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif
#include <string>
#include <string_view>
#include <utility>

#include "text/characters.h"

namespace {

void escapeByte(std::string& out, unsigned char byte) {
  static const char digits[] = "0123456789abcdef";
  out += "\\x";
  out += digits[byte >> 4];
  out += digits[byte & 0xf];
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
    const size_t length = utf8Length(text, 0, code);
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

namespace {

// Whether standard error goes to a terminal or console, where the operator reads it
// interleaved with standard output.
bool errorsOnTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

}  // namespace

namespace {

long long steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

progressLine::progressLine(std::string what) : what_(std::move(what)), started_(steadyMilliseconds()) {}

progressLine::~progressLine() {
  if (shownWidth_ == 0) return;
  const std::string blank = "\r" + std::string(shownWidth_, ' ') + "\r";
  std::fwrite(blank.data(), 1, blank.size(), stderr);
  std::fflush(stderr);
}

void progressLine::show(size_t done, size_t of) {
  if (steadyMilliseconds() - started_ < 1000 || !errorsOnTerminal()) return;
  std::fflush(stdout);
  const std::string line = what_ + ": " + std::to_string(done) + " of " + std::to_string(of);
  // Spaces over what a longer line before left.
  const std::string text = "\r" + line + std::string(shownWidth_ > line.size() ? shownWidth_ - line.size() : 0, ' ');
  shownWidth_ = std::max(shownWidth_, line.size());
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
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

void warningLog::warn(const std::string& text) {
  toStderr((strict_ ? "error: " : "warning: ") + prefix_ + text);
  texts_.push_back(prefix_ + text);
}

readyWarning warningLog::prepare(const std::string& text) {
  readyWarning ready{shownText((strict_ ? "error: " : "warning: ") + text) + "\n", text};
  texts_.reserve(texts_.size() + 1);
  return ready;
}

void warningLog::give(readyWarning& warning) {
  std::fflush(stdout);
  std::fwrite(warning.line.data(), 1, warning.line.size(), stderr);
  std::fflush(stderr);
  texts_.push_back(std::move(warning.text));
}

readyWarning prepareWarning(warningLog* log, const std::string& text) {
  if (log != nullptr) return log->prepare(text);
  return readyWarning{shownText("warning: " + text) + "\n", text};
}

void giveWarning(warningLog* log, readyWarning& warning) {
  if (log != nullptr) {
    log->give(warning);
  } else {
    std::fflush(stdout);
    std::fwrite(warning.line.data(), 1, warning.line.size(), stderr);
    std::fflush(stderr);
  }
}

void reportFailure(const failure& why) {
  if (why.moreReasons.empty()) failRun(why.message, why.reason);
  toStdout(why.message);
  if (!why.reason.empty()) toStderr(why.reason);
  for (const std::string& line : why.moreReasons) toStderr(line);
  throw runEnd{1};
}
