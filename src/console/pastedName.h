// The waypoint file name as operators paste it at the prompt: dragged from a Linux file
// manager ('/path/my route.txt' with a blank behind), copied from a shell (sub\ dir/r.txt,
// ~/route.txt) or from the Windows Explorer ("C:\path\route.txt").
#pragma once

#include <string>
#include <vector>

// How this system's shells quote names.
struct pasteRules {
  bool posixShell = true;  // quotes, backslash escapes and ~/ as a POSIX shell takes them;
                           // otherwise only quotes around the whole name, as Windows has them
  std::string home;        // what ~/ stands for; empty: nothing
};

// The rules of this system: POSIX with HOME, or Windows (pastedName_posix.cpp,
// pastedName_windows.cpp).
pasteRules nativePasteRules();

// The names `typed` may mean, in the order they are tried: as typed, without the blanks
// around it, and as the shell would take it when it is one word.
std::vector<std::string> readingsOf(const std::string& typed, const pasteRules& rules);

// The first reading of `typed` that names an existing file or folder; the last reading,
// the shell's, when none does, so that the message names what was meant.
std::string pastedFileName(const std::string& typed, const pasteRules& rules = nativePasteRules());
