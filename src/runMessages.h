// What a run tells the operator besides the dialogue, and how a run ends early. Every
// module may use these; they use no other module.
#pragma once

#include <string>
#include <vector>

// Thrown to end the run early; veskMain turns it into the exit status.
struct runEnd {
  int status;
};

// Prints `message` on standard output exactly as given, then `reason`, when there is one,
// as a line on standard error, and ends the run with status 1.
[[noreturn]] void failRun(const std::string& message, const std::string& reason = "");

// Writes `line` and a line end on standard error, after everything standard output holds,
// so that the two appear in order on a terminal.
void toStderr(const std::string& line);

// A slip the operator should know of that does not stop the run: "warning: " and `text`
// as one line on standard error.
void warn(const std::string& text);

// The texts of the run's warnings so far, in order: the picture of the plan shows them.
extern std::vector<std::string> runWarnings;
