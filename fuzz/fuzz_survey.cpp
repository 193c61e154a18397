// The fuzz input is a survey area and its line parameters, as text (see
// veskfuzz::checkSurvey for its layout and the checks of the route laid out).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("survey", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
