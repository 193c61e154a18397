// What the writer of a set and its journal share: where a file of the set goes, and the
// steps of writing a set, which checks can stop to stage a crash.
#pragma once

#include <string>

// Where the file `name` goes in `folder` (empty: the current directory).
std::string outputPath(const std::string& folder, const std::string& name);

// Called with the name of each step of writing a set as it is passed ("written", "journal
// flushed", "journal in place", "kept cfg", "named cfg" and so on, "folder flushed", "journal
// removed"): the checks stop the run there to stage a crash. Null in the program.
using setSteps = void (*)(const std::string& step);

// Tells `steps` of the step, when there is one to tell.
inline void passStep(setSteps steps, const std::string& step) {
  if (steps != nullptr) steps(step);
}
// The same, taking no memory when no check listens: for the steps after which memory
// running out would leave a set half named.
inline void passStep(setSteps steps, const char* step) {
  if (steps != nullptr) steps(step);
}

enum class setKind {
  mission,  // a plan: the files of one stem with the program's own extensions
  named,    // one file of a name the operator gave (--save-settings, --write-route)
};
