// The fuzz input is everything the operator types; the route is one 5 km leg due north.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runAndCheck("45 10\n45.045 10\n",
                        std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
