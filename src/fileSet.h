// Writing the files of one run as a set: all of them, complete and on disk, or none.
//
// Each file is written to a private temporary file beside its final name, created
// exclusively (never through an existing name or a planted link), with every line ending
// in CR LF, and flushed to the disk. Only when every file of the set is complete do they
// take their final names, in order, while other runs writing into the same folder wait.
// A failure anywhere, or an interruption (Ctrl-C, SIGTERM, SIGHUP) while writing, removes
// the temporary files and leaves the files already there as they were; an existing set of
// the same names is replaced only by a complete new one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "textOut.h"

struct outputFile {
  std::string name;            // the final name, without a folder
  const char* openMessage;     // printf formats taking the file's path: the temporary file
  const char* writeMessage;    // cannot be created; it cannot be written, flushed or named
  const char* successMessage;  // printed once the whole set has its names
};

// Writes the text of a whole set: outputs[i] takes the text of files[i], each line ending
// in the output's line end. The files are open side by side, so that a value shared by
// several of them need be formatted only once.
using setText = std::function<void(const std::vector<textOut*>& outputs)>;

// Writes `files` into the output folder as one set, then prints each file's success line
// in order. On failure prints the file's message and ends the run with status 1.
void writeFileSet(const std::vector<outputFile>& files, const setText& produce);

// ---- Where the sets go ----

// One file of a set kept in memory: its path in the output folder and its content.
struct keptFile {
  std::string path;
  std::string content;
};

// A run writes its sets into the output folder, each file flushed to the disk before it
// takes its name. Checks that run the program thousands of times a second in one process
// (the fuzz targets) keep the sets in memory instead, written by the same code up to the
// last write; the benchmark leaves the flushing to the system, so as to time the program
// rather than the disk. Not reset by resetSettings: chosen once, before any run.
struct setDestination {
  // When set, each complete set replaces what `memory` holds, file by file in the order of
  // the set, and is counted in keptSets. The memory of the files it replaces is reused.
  std::vector<keptFile>* memory = nullptr;
  long long keptSets = 0;
  bool flushToDisk = true;
};
extern setDestination fileSetDestination;
