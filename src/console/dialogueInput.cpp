#include "console/dialogueInput.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>

#include "console/consoleInput.h"

namespace {

// The look-ahead over standard input holds the line being read, whole: deciding whether a
// CR ends a line needs to see the character after it, and a line too long to be an answer
// is refused before any of it is taken.
std::deque<int> lookahead;
// Whether standard input has given anything at all.
bool anyInput = false;

// In the look-ahead, where a line longer than longestAnswerLine was: it is dropped whole.
constexpr int overlongLine = EOF - 1;

// Reads the next line of standard input, its line end included, into the look-ahead; a line
// too long is read on to its end, taking no memory for it, and stands as overlongLine.
void readAheadLine() {
  size_t length = 0;
  for (;;) {
    const int c = nextInputByte();
    anyInput = anyInput || c != EOF;
    if (c == EOF || c == '\n') {
      lookahead.push_back(c);
      return;
    }
    if (c != '\r' && ++length > longestAnswerLine) break;
    lookahead.push_back(c);
  }
  while (!lookahead.empty() && lookahead.back() != '\n' && lookahead.back() != EOF) lookahead.pop_back();
  int c = 0;
  do {
    c = nextInputByte();
  } while (c != EOF && c != '\n');
  lookahead.push_back(overlongLine);
  lookahead.push_back(c);
}

int peekChar(size_t offset) {
  while (lookahead.size() <= offset) readAheadLine();
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
  throw inputEnded{"\nunexpected end of input\n",
                   noAnswers ? "standard input holds no answers: to plan without questions, give the settings with "
                               "--settings FILE or --set KEY=VALUE and add --no-input (see vesk --help)"
                             : ""};
}

}  // namespace

void resetInput() {
  lookahead.clear();
  anyInput = false;
}

std::optional<std::string> readWord() {
  std::fflush(stdout);
  for (int c = peekChar(0); c != EOF; c = peekChar(0)) {
    if (c == overlongLine) {
      takeChar();
      return std::nullopt;
    }
    if (std::isspace(c) == 0) break;
    takeChar();
  }
  if (peekChar(0) == EOF) endOfInput();
  std::string word;
  while (!atWordEnd()) word += static_cast<char>(takeChar());
  return word;
}

std::optional<std::string> readLine() {
  std::fflush(stdout);
  if (peekChar(0) == EOF) endOfInput();
  if (peekChar(0) == overlongLine) {
    takeChar();
    takeChar();  // its line end
    return std::nullopt;
  }
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
