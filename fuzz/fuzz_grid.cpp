// The fuzz input is a bathymetry grid (--bathymetry) the plan is checked against; the
// operator accepts every default. The run and its checks: veskfuzz::runTarget.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("grid", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
