// The dive brief of a plan: the page takes the size and checksum of every other file of
// the plan's set, so the crew can check the files on the vehicle against the sheet.
#include <stdexcept>

#include "brief/fileDigest.h"
#include "files/fileSet.h"
#include "writeMission.h"

namespace {

// The bytes of the file `name` of the plan's set, exactly as the set writer writes them:
// the same text functions into memory, with the files' line ends.
std::string fileBytes(const plannedMission& mission, const std::vector<mapFormat>& maps, size_t index,
                      const std::string& name) {
  std::string bytes;
  memoryTarget target(bytes);
  textOut out(target, fileLineEnd);
  if (index == 0) {
    missionText(name, false, out);
  } else if (index == 1) {
    routeRecords(&out, nullptr, "");
  } else if (index == 2) {
    routeRecords(nullptr, &out, name);
  } else {
    mapText(maps[index - 3], mission, name, out);
  }
  out.flush();
  return bytes;
}

}  // namespace

void briefPageText(const plannedMission& mission, const std::vector<mapFormat>& maps, const std::string& name,
                   briefInputs in, textOut& out) {
  in.files.clear();
  for (size_t i = 0; i < mission.setFiles.size(); ++i) {
    const std::string& file = mission.setFiles[i];
    if (i >= 3 && maps[i - 3] == mapFormat::html) {
      in.files.push_back({file, std::nullopt, ""});
      continue;
    }
    const std::string bytes = fileBytes(mission, maps, i, file);
    in.files.push_back({file, bytes.size(), sha256Hex(bytes)});
  }
  // The template is the program's own: a failure here is a fault of the build, and the
  // set writer removes the files begun.
  if (const problem failed = briefText(mission, name, in, out)) throw std::runtime_error(failed->reason);
}
