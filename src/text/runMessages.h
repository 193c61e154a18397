// What a run tells the operator besides the dialogue, and how a run ends early. Every
// module may use these; they use only the console module.
//
// Every message passes through shownText on its way to either stream: a waypoint file,
// a map file or a file name can hold control characters that would move the cursor,
// retitle the window or erase a line of the message, and the operator must see what the
// file holds rather than what it makes the terminal do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/outcome.h"

// Thrown to end the run early; veskMain turns it into the exit status.
struct runEnd {
  int status;
};

// `text` as it may reach a terminal: tab, line feed and carriage return as \t, \n and \r,
// every other control character (C0, DEL, C1), the characters that reorder a line
// (U+202A..U+202E, U+2066..U+2069) and every byte that is not part of valid UTF-8 as \xNN
// escapes. Printable text in any language, and backslashes, are unchanged.
std::string shownText(std::string_view text);

// `message` as shownText shows it, but for the line ends it starts with and the one it
// ends with, which are the message's own.
std::string shownMessage(std::string_view message);

// Prints `message` on standard output as shownMessage shows it.
void toStdout(const std::string& message);

// Prints `message` on standard output as shownMessage shows it, then `reason`, when there
// is one, as a line on standard error, and ends the run with status 1. On a terminal the
// reason starts a line of its own even when the message ends without a line end.
[[noreturn]] void failRun(const std::string& message, const std::string& reason = "");

// Writes `line` and a line end on standard error, after everything standard output holds,
// so that the two appear in order on a terminal.
void toStderr(const std::string& line);

// A line on a terminal that tells the operator a long piece of work is under way: shown
// only when standard error is a terminal and the work has taken more than a second, written
// over in place as the work goes on, and wiped when it ends, so that nothing of it stays in
// the run's messages.
class progressLine {
 public:
  explicit progressLine(std::string what);
  ~progressLine();
  progressLine(const progressLine&) = delete;
  progressLine& operator=(const progressLine&) = delete;
  // `done` of `of` steps are done.
  void show(size_t done, size_t of);

 private:
  std::string what_;
  long long started_;      // steady clock, milliseconds
  size_t shownWidth_ = 0;  // of the line on the terminal, 0 when none is shown
};

// A warning made ready while there is memory and given later without taking any: what a
// run tells once its files have their names reaches the operator whatever memory is left.
struct readyWarning {
  std::string line;  // as standard error shows it, with its line end
  std::string text;  // as the log keeps it
};

// The warnings of one run, kept in order: the picture of the plan shows them, and --strict
// stops the run before anything is written when any was given. The driver owns it.
class warningLog {
 public:
  // A slip the operator should know of that does not stop the run: "warning: " and `text`
  // as one line on standard error, or "error: " once warnings are errors.
  void warn(const std::string& text);
  // From now on warnings are errors (--strict).
  void treatAsErrors(bool strict) { strict_ = strict; }
  // From now on warnings start with `prefix` ("dive 2: "), which tells what they are of.
  void startWith(std::string prefix) { prefix_ = std::move(prefix); }
  // A warning made ready now, with room kept for it in the log, and given later.
  readyWarning prepare(const std::string& text);
  void give(readyWarning& warning);
  const std::vector<std::string>& texts() const { return texts_; }
  size_t count() const { return texts_.size(); }

 private:
  std::vector<std::string> texts_;
  bool strict_ = false;
  std::string prefix_;
};

// The same for a warning made ready now and given later (see readyWarning), into `log`;
// without a log (a check that writes a set alone) it is shown and not kept.
readyWarning prepareWarning(warningLog* log, const std::string& text);
void giveWarning(warningLog* log, readyWarning& warning);

// Shows why the run cannot go on, as failRun does, and ends the run with status 1: the one
// place a failure given back by a subsystem reaches the operator.
[[noreturn]] void reportFailure(const failure& why);
