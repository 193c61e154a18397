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

// Receives a file's text piece by piece, so that the text of a long route never has to be
// held in memory as a whole.
using textSink = std::function<void(const std::string&)>;

struct outputFile {
  std::string name;                               // the final name, without a folder
  std::function<void(const textSink&)> produce;   // the text, with "\n" line ends
  const char* openMessage;     // printf formats taking the file's path: the temporary file
  const char* writeMessage;    // cannot be created; it cannot be written, flushed or named
  const char* successMessage;  // printed once the whole set has its names
};

// Writes `files` into the output folder as one set, then prints each file's success line
// in order. On failure prints the file's message and ends the run with status 1.
void writeFileSet(const std::vector<outputFile>& files);
