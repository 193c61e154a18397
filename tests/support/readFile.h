// Shared by the tests, the corpus replay and the benchmark.
#pragma once

#include <string>

// The whole content of the file at `path`, byte for byte; empty when it cannot be read.
std::string readFile(const std::string& path);
