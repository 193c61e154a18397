// A route file read as the program reads it, in-process: the list it leaves, the status a
// refusal ends the run with, and what was printed on each stream.
#pragma once

#include <string>
#include <utility>
#include <vector>

using points = std::vector<std::pair<double, double>>;  // latitude, longitude

struct outcome {
  int status = 0;
  points route;
  std::string output;  // standard output
  std::string errors;  // standard error
};

// Reads `content` as the file `name`, with `path` as --path gives it; the list is empty
// again afterwards.
outcome readFrom(const std::string& name, const std::string& content, const std::string& path = "");
