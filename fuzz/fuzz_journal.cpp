// The fuzz input is the journal of a half named set, met by the next run in a folder
// staged afresh (see veskfuzz::checkJournal for the staging and the checks).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runTarget("journal", std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
