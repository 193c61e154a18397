// The fuzz input is a settings file (--settings); the operator accepts the values it gives.
// The run and its checks: veskfuzz::runTarget.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("settings", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
