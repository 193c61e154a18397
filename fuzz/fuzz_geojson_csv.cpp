// The fuzz input is a GeoJSON or CSV waypoint file; the operator accepts every default and
// asks for all three maps of the plan as well. A file that opens a JSON object is read as
// GeoJSON whatever its name, so it is named as the operator would save it; anything else
// is named as a spreadsheet export, since only a .csv name makes the program read it as
// CSV rather than as plain text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"

namespace {

bool opensJsonObject(const std::string& content) {
  const std::string byteOrderMark = "\xEF\xBB\xBF";
  size_t i = content.compare(0, byteOrderMark.size(), byteOrderMark) == 0 ? byteOrderMark.size() : 0;
  while (i < content.size() && std::string(" \t\r\n").find(content[i]) != std::string::npos) ++i;
  return i < content.size() && content[i] == '{';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  veskfuzz::setUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  veskfuzz::runOptions options;
  options.waypointFile = opensJsonObject(content) ? "route.geojson" : "route.csv";
  options.maps = true;
  veskfuzz::runAndCheck(content, "0\ny\n0\nn\n", options);
  return 0;
}
