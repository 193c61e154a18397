// Runs the built program the way an operator's script would, but with no controlling
// terminal, so nothing can ever wait for a key.
#pragma once

#include <string>
#include <vector>

#include "support/readFile.h"

struct vesk_result {
  int status = -1;     // exit status, or -1 if the program did not exit normally
  std::string output;  // everything written on standard output
  std::string errors;  // everything written on standard error
};

// A fresh temporary directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& content) const;
  std::vector<std::string> list() const;  // names of the entries, sorted

 private:
  std::string path_;
};

// Answers that accept every default: parameters as they are, a yoyo mission with its
// parameters as they are, samplers not armed.
inline const char* const acceptDefaults = "0\ny\n0\nn\n";

// What the run printed after the operator's last answer to a question.
std::string afterDialogue(const std::string& output);

// Runs vesk with `args` in `dir`, standard input fed from `input`. With `removeDir` the
// directory is removed once the program stands in it, so that nothing can be created there.
// With `mergeErrors` standard error goes into `output` too, in the order the two were
// written, as a terminal shows them. A `memoryLimit` above 0 caps the program's address
// space at that many bytes. With `asNobody` the program runs as uid and gid 65534, an
// ordinary user (the caller is root).
vesk_result runVesk(const std::vector<std::string>& args, const std::string& input, const std::string& dir,
                    bool removeDir = false, bool mergeErrors = false, long long memoryLimit = 0, bool asNobody = false);
