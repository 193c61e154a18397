// The fuzz input is a KML or GPX waypoint file, as drawn in a chart or globe program; the
// operator accepts every default and asks for all three maps of the plan as well. The
// content alone tells KML from GPX (and from the plain text format, when the root element
// is neither), so one file name serves them all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veskfuzz::runOptions options;
  options.waypointFile = "route.kml";
  options.maps = true;
  veskfuzz::runAndCheck(std::string(reinterpret_cast<const char*>(data), size), "0\ny\n0\nn\n",
                        options);
  return 0;
}
