// The fuzz input is a survey area file (KML, GeoJSON or text), laid out and planned with
// the defaults. The run and its checks: veskfuzz::runTarget.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("area", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
