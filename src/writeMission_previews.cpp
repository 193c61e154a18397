// Console previews of the three files: debugging aids that a run never calls.
#include <cstdio>
#include <string>

#include "calcs.h"
#include "writeMission.h"

namespace {
void toConsole(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }
}  // namespace

int displayMission() {
  toConsole(missionText(fileName(), true));
  return 0;
}

int displayWaypoints() {
  const std::string name = fileName() + "wpt";
  toConsole(waypointRecords());
  std::printf("\n**** Wrote waypoints file : %s ****\n", name.c_str());
  return 0;
}

int displaySurLine() {
  std::printf("\n\n ------displaySurLine()------\n\n");
  const std::string name = fileName() + "pts";
  std::printf("\n %s \n", name.c_str());
  toConsole(surLineRecords(name));
  return 0;
}
