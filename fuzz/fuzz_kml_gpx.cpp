// The fuzz input is a KML or GPX waypoint file; the operator accepts every default and
// asks for all three maps of the plan as well. The run and its checks: veskfuzz::runTarget.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("kml_gpx", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
