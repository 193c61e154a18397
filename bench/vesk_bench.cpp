// How planning and writing a mission scale with the number of waypoints: survey routes of
// 10^3 to 10^6 waypoints, and one leg cut into 10^6 pieces by a short distance between
// surfacings. Prints the time per waypoint of each phase; a flat column means the program
// scales linearly.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <string>

#include "calcs.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

using clock_type = std::chrono::steady_clock;

double secondsSince(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

long countWaypoints() {
  long count = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count;
  return count;
}

struct timing {
  long waypoints = 0;  // in the planned route, launch waypoint included
  double build = 0;    // seconds
  double plan = 0;
  double write = 0;
  double bytes = 0;  // size of the three files
};

// A lawn-mower survey of `count` waypoints: lines of 100 waypoints about 80 m apart,
// 100 m between lines, so no leg is long enough to be cut.
void buildSurvey(long count) {
  for (long i = 0; i < count; ++i) {
    const long line = i / 100;
    const long along = line % 2 == 0 ? i % 100 : 99 - i % 100;
    insertLatLonEnd(40.0 + 0.0009 * static_cast<double>(line),
                    10.0 + 0.001 * static_cast<double>(along));
  }
}

// One leg of about 5 km due north, with the distance between surfacings set so that the
// planner cuts it into `pieces` pieces.
void buildLongLeg(long pieces) {
  insertLatLonEnd(45.0, 10.0);
  insertLatLonEnd(45.045, 10.0);
  maxLegMeters = dist(45.0, 10.0, 45.045, 10.0) / static_cast<double>(pieces) * (1 + 1e-9);
}

timing measure(void (*build)(long), long size) {
  resetSettings();
  timing t;
  auto start = clock_type::now();
  build(size);
  t.build = secondsSince(start);

  start = clock_type::now();
  planRoute();
  t.plan = secondsSince(start);
  t.waypoints = countWaypoints();

  start = clock_type::now();
  writeMissionFiles(std::time(nullptr), {});
  t.write = secondsSince(start);

  for (const auto& entry : fs::directory_iterator(".")) {
    t.bytes += static_cast<double>(entry.file_size());
    fs::remove(entry.path());
  }
  destroyList();
  return t;
}

// The fastest of several runs for the small sizes, where one run is too short to time.
timing best(void (*build)(long), long size) {
  const int repeats = size >= 100000 ? 1 : static_cast<int>(100000 / size);
  timing fastest = measure(build, size);
  for (int r = 1; r < repeats; ++r) {
    const timing t = measure(build, size);
    if (t.build + t.plan + t.write < fastest.build + fastest.plan + fastest.write) fastest = t;
  }
  return fastest;
}

void report(std::FILE* out, const char* label, const timing& t) {
  const double perWaypoint = 1e9 / static_cast<double>(t.waypoints);
  std::fprintf(out, "%-22s %9ld %10.1f %10.1f %10.1f %10.1f %10.3f %9.1f\n", label, t.waypoints,
               t.build * perWaypoint, t.plan * perWaypoint, t.write * perWaypoint,
               (t.build + t.plan + t.write) * perWaypoint, t.build + t.plan + t.write,
               t.bytes / 1e6);
  std::fflush(out);
}

}  // namespace

int main() {
  // The writers announce every file on standard output: keep the table apart from them.
  std::FILE* const out = fdopen(dup(fileno(stdout)), "w");
  if (out == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) return 1;

  std::string dir = (fs::temp_directory_path() / "vesk_bench_XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return 1;
  const fs::path startDir = fs::current_path();
  fs::current_path(dir);

  std::fprintf(out, "%-22s %9s %10s %10s %10s %10s %10s %9s\n", "route", "waypoints", "build ns",
               "plan ns", "write ns", "total ns", "total s", "files MB");
  std::fprintf(out, "%-22s %9s %10s %10s %10s %10s\n", "", "", "/waypoint", "/waypoint",
               "/waypoint", "/waypoint");
  for (const long size : {1000L, 10000L, 100000L, 1000000L}) {
    report(out, ("survey " + std::to_string(size)).c_str(), best(buildSurvey, size));
  }
  report(out, "one leg, 10^6 pieces", best(buildLongLeg, 1000000L));

  fs::current_path(startDir);
  fs::remove_all(dir);
  std::fclose(out);
  return 0;
}
