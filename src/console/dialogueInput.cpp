#include "console/dialogueInput.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "console/consoleInput.h"
#include "text/runMessages.h"

namespace {

// A small look-ahead over standard input: deciding whether a CR ends a line needs to see
// the character after it.
std::deque<int> lookahead;
// Whether standard input has given anything at all.
bool anyInput = false;

int peekChar(size_t offset) {
  while (lookahead.size() <= offset) {
    lookahead.push_back(nextInputByte());
    anyInput = anyInput || lookahead.back() != EOF;
  }
  return lookahead[offset];
}

int takeChar() {
  const int c = peekChar(0);
  if (c != EOF) lookahead.pop_front();
  return c;
}

bool atLineEnd() { return peekChar(0) == '\n' || (peekChar(0) == '\r' && peekChar(1) == '\n'); }

bool atWordEnd() {
  const int c = peekChar(0);
  return c == EOF || c == ' ' || c == '\t' || atLineEnd();
}

// Input that ends before it began, from no terminal, is a script or a scheduler that
// meant to answer nothing: it should know that a run can go without questions.
[[noreturn]] void endOfInput() {
  const bool noAnswers = !anyInput && !inputIsConsole();
  failRun("\nunexpected end of input\n",
          noAnswers ? "standard input holds no answers: to plan without questions, give the settings with "
                      "--settings FILE or --set KEY=VALUE and add --no-input (see vesk --help)"
                    : "");
}

}  // namespace

void resetInput() {
  lookahead.clear();
  anyInput = false;
}

std::string readWord() {
  std::fflush(stdout);
  while (peekChar(0) != EOF && std::isspace(static_cast<unsigned char>(peekChar(0))) != 0) takeChar();
  if (peekChar(0) == EOF) endOfInput();
  std::string word;
  while (!atWordEnd()) word += static_cast<char>(takeChar());
  return word;
}

std::string readLine() {
  std::fflush(stdout);
  if (peekChar(0) == EOF) endOfInput();
  std::string line;
  while (peekChar(0) != EOF && !atLineEnd()) line += static_cast<char>(takeChar());
  if (peekChar(0) == '\r') takeChar();
  takeChar();
  return line;
}

void discardOneChar() {
  if (peekChar(0) == '\r' && peekChar(1) == '\n') takeChar();
  takeChar();
}

void discardRestOfLine() {
  int c = 0;
  do {
    c = takeChar();
  } while (c != EOF && c != '\n');
}

std::optional<int> intOf(const std::string& word) {
  const char* first = word.data();
  const char* const last = word.data() + word.size();
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  int value = 0;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<double> doubleOf(const std::string& word) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (end != word.c_str() + word.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<float> speedOf(const std::string& word) {
  char* end = nullptr;
  const float value = std::strtof(word.c_str(), &end);
  if (end != word.c_str() + word.size() || !std::isfinite(value) || !(value > 0)) return std::nullopt;
  return value;
}
