// The expected files of the tests, built into the test program so that it runs on any
// machine, a Windows laptop included, without the source tree beside it.
#pragma once

#include <string>

// The bytes of tests/golden/NAME; empty for a name that is not there.
std::string goldenFile(const std::string& name);
