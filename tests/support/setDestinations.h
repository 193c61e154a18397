// Where the checks and the benchmark send the files of a run instead of the output folder
// (see divertFileSets), written by the program's own writers up to the last write.
#pragma once

#include <string>
#include <vector>

#include "files/fileSet.h"

// One file of a set kept in memory: its path in the output folder and its content.
struct keptFile {
  std::string path;
  std::string content;
};

// Keeps each set in memory: for checks that run the program thousands of times a second
// in one process. Each complete set replaces what `files` holds (their memory is reused)
// and is counted in `sets`; a set given up half way leaves nothing.
class keptSets final : public setDestination {
 public:
  void write(const std::vector<std::string>& paths, const setText& produce) override;
  std::vector<keptFile> files;
  long long sets = 0;
};

// Writes each file straight under its final name and leaves the flushing to the system:
// for the benchmark, which times the program rather than the disk.
class unflushedFiles final : public setDestination {
 public:
  void write(const std::vector<std::string>& paths, const setText& produce) override;
};

// While it lives, every set goes to `destination`.
class divertedSets {
 public:
  explicit divertedSets(setDestination& destination) { divertFileSets(&destination); }
  ~divertedSets() { divertFileSets(nullptr); }
  divertedSets(const divertedSets&) = delete;
  divertedSets& operator=(const divertedSets&) = delete;
};
