// How reading, planning and writing a mission scale with the number of waypoints, and how
// close writing the files comes to the speed of the disk.
//
// The table: survey routes of 10^3 to 10^6 waypoints and one leg cut into 10^6 pieces by a
// short distance between surfacings, planned and written; the time per waypoint of each
// phase. A flat column means the program scales linearly.
//
// The comparison: a survey of 10^6 waypoints read from a route file by the program's
// reader, planned and written by the program's writers; then the same bytes written again
// from memory by a plain loop of writes into files in the same folder. The ratio of the
// two times is what the program costs beyond what the disk takes.
//
// The survey area: a 10 km x 10 km area drawn as KML, read, checked and laid out as lines
// 10 m apart (1,000 lines) as --area does, and the route it gives planned; the fastest of
// five runs.
//
// The survey sizes (only when asked for): layouts far larger than an operator draws, built
// in memory and laid out as --area does: a comb of 1,000 jetties (4,002 vertices, lines
// 20 m apart across or along 1,000 teeth) and a circle of 10^5 vertices; the fastest of
// three runs, or one run when that takes over a minute.
//
// The seabed: a GEBCO-sized tile (90 x 90 degrees at 15 arc seconds, 21,600 x 21,600 16-bit
// cells in tiles, 933 MB) made by gdal_translate, and a route of 300 waypoints checked
// against it: the time to read the window under the route and check every leg, and the
// memory it takes beyond the run without a grid (the target: under 2 s, within 64 MB).
//
// The program's files go straight under their names (tests/support/setDestinations.h),
// without the temporary names, the renaming and the flush to the disk of a real run: that
// would measure the disk, not the program. The plain loop does not flush either.
//
//   vesk_bench [--table | --compare | --survey | --survey-sizes | --seabed] [--folder DIR]
//
// The files go into a new folder in DIR (by default the current directory), which should
// be on an ordinary disk: on tmpfs the comparison only measures copying memory.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "benchParts.h"
#include "calcs.h"
#include "files/fileSet.h"
#include "routes/routeImport.h"
#include "settings.h"
#include "support/readFile.h"
#include "support/setDestinations.h"
#include "text/textOut.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

double folderBytes() {
  double bytes = 0;
  for (const auto& entry : fs::directory_iterator(".")) bytes += static_cast<double>(entry.file_size());
  return bytes;
}

void emptyFolder() {
  for (const auto& entry : fs::directory_iterator(".")) fs::remove(entry.path());
}

// ---- The table ----

struct timing {
  long waypoints = 0;  // in the planned route, launch waypoint included
  double build = 0;    // seconds
  double plan = 0;
  double write = 0;
  double bytes = 0;  // size of the three files
};

// The position of waypoint `i` of a lawn-mower survey: lines of 100 waypoints about 80 m
// apart, 100 m between lines, so no leg is long enough to be cut.
std::pair<double, double> surveyPoint(long i) {
  const long line = i / 100;
  const long along = line % 2 == 0 ? i % 100 : 99 - i % 100;
  return {40.0 + 0.0009 * static_cast<double>(line), 10.0 + 0.001 * static_cast<double>(along)};
}

void buildSurvey(long count) {
  for (long i = 0; i < count; ++i) {
    const auto [lat, lon] = surveyPoint(i);
    insertLatLonEnd(lat, lon);
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
  writeMissionFiles(describeMission("", missionFileNames(fileNameAt(std::time(nullptr)), {})), "", {});
  t.write = secondsSince(start);

  t.bytes = folderBytes();
  emptyFolder();
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
  std::fprintf(out, "%-22s %9ld %10.1f %10.1f %10.1f %10.1f %10.3f %9.1f\n", label, t.waypoints, t.build * perWaypoint,
               t.plan * perWaypoint, t.write * perWaypoint, (t.build + t.plan + t.write) * perWaypoint,
               t.build + t.plan + t.write, t.bytes / 1e6);
  std::fflush(out);
}

void table(std::FILE* out) {
  std::fprintf(out, "%-22s %9s %10s %10s %10s %10s %10s %9s\n", "route", "waypoints", "build ns", "plan ns", "write ns",
               "total ns", "total s", "files MB");
  std::fprintf(out, "%-22s %9s %10s %10s %10s %10s\n", "", "", "/waypoint", "/waypoint", "/waypoint", "/waypoint");
  for (const long size : {1000L, 10000L, 100000L, 1000000L}) {
    report(out, ("survey " + std::to_string(size)).c_str(), best(buildSurvey, size));
  }
  report(out, "one leg, 10^6 pieces", best(buildLongLeg, 1000000L));
}

// ---- The comparison ----

const char* const routeFile = "route.txt";
const std::time_t when = 1398866880;  // one stem for every set: 2014_119_148.

// The survey as a route file in the plain text format, as an operator would give it.
void writeRouteFile(long count) {
  std::string text;
  for (long i = 0; i < count; ++i) {
    const auto [lat, lon] = surveyPoint(i);
    text +=
        std::string(numberText::general(lat, 9).view()) + " " + std::string(numberText::general(lon, 9).view()) + "\n";
  }
  std::ofstream(routeFile, std::ios::binary) << text;
}

struct programTiming {
  double read = 0;
  double plan = 0;
  double write = 0;
  double total() const { return read + plan + write; }
};

programTiming runProgram() {
  resetSettings();
  programTiming t;
  auto start = clock_type::now();
  readRoute(readRouteFile(routeFile), routeFile);
  t.read = secondsSince(start);
  start = clock_type::now();
  planRoute();
  t.plan = secondsSince(start);
  start = clock_type::now();
  writeMissionFiles(describeMission("", missionFileNames(fileNameAt(when), {})), "", {});
  t.write = secondsSince(start);
  return t;
}

// The same files, written by the same code into memory.
std::vector<keptFile> filesInMemory(setDestination& disk) {
  keptSets kept;
  divertFileSets(&kept);
  writeMissionFiles(describeMission("", missionFileNames(fileNameAt(when), {})), "", {});
  divertFileSets(&disk);
  return kept.files;
}

// Writes `files` as plainly as a program can: each in whole buffers, one write call each.
double plainWrite(const std::vector<keptFile>& files) {
  const auto start = clock_type::now();
  for (const keptFile& file : files) {
    const std::string name = "plain." + fs::path(file.path).filename().string();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    for (size_t done = 0; done < file.content.size();) {
      const size_t size = std::min(textOut::bufferSize, file.content.size() - done);
      const ssize_t n = ::write(fd, file.content.data() + done, size);
      if (n <= 0) return -1;
      done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) return -1;
  }
  return secondsSince(start);
}

bool sameAsOnDisk(const std::vector<keptFile>& files) {
  for (const keptFile& file : files) {
    if (readFile(file.path) != file.content) return false;
  }
  return true;
}

// Removes the files written, and lets the disk take the dirty pages, so that neither run
// pays for the other's writing.
void settle() {
  for (const auto& entry : fs::directory_iterator(".")) {
    if (entry.path().filename() != routeFile) fs::remove(entry.path());
  }
  ::sync();
}

int compare(std::FILE* out, setDestination& disk) {
  constexpr long waypoints = 1000000;
  constexpr int rounds = 5;
  writeRouteFile(waypoints);

  // The bytes the program writes, kept in memory by the same writers; then one untimed
  // round of each kind, so that both find the system's file cache as warm as the other.
  runProgram();
  const std::vector<keptFile> files = filesInMemory(disk);
  destroyList();
  if (!sameAsOnDisk(files)) {
    std::fprintf(out, "the files written differ from the same files written into memory\n");
    return 1;
  }
  double bytes = 0;
  for (const keptFile& file : files) bytes += static_cast<double>(file.content.size());
  settle();
  if (plainWrite(files) < 0) {
    std::fprintf(out, "the plain write loop failed\n");
    return 1;
  }
  settle();

  std::fprintf(out,
               "\n%ld waypoints read from a route file (%.1f MB), planned and written (%.1f MB), against the\n"
               "same bytes written from memory by a plain write loop; no flush to the disk\n",
               waypoints, static_cast<double>(fs::file_size(routeFile)) / 1e6, bytes / 1e6);
  std::fprintf(out, "%-6s %9s %9s %9s %9s %9s %7s\n", "round", "read s", "plan s", "write s", "program s", "plain s",
               "ratio");
  std::vector<double> ratios;
  for (int round = 1; round <= rounds; ++round) {
    const programTiming program = runProgram();
    destroyList();
    settle();
    const double plain = plainWrite(files);
    settle();
    if (plain < 0) {
      std::fprintf(out, "the plain write loop failed\n");
      return 1;
    }
    ratios.push_back(program.total() / plain);
    std::fprintf(out, "%-6d %9.3f %9.3f %9.3f %9.3f %9.3f %7.2f\n", round, program.read, program.plan, program.write,
                 program.total(), plain, ratios.back());
    std::fflush(out);
  }
  std::sort(ratios.begin(), ratios.end());
  std::fprintf(out, "ratio program / plain write: %.2f (median of %d rounds; best %.2f, worst %.2f)\n",
               ratios[ratios.size() / 2], rounds, ratios.front(), ratios.back());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The one part asked for, or empty for all but the survey sizes, which take minutes.
  std::string only;
  fs::path parent = fs::current_path();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--table" || arg == "--compare" || arg == "--survey" || arg == "--survey-sizes" || arg == "--seabed") {
      only = arg.substr(2);
    } else if (arg == "--folder" && i + 1 < argc) {
      parent = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: vesk_bench [--table | --compare | --survey | --survey-sizes | --seabed] [--folder DIR]\n");
      return 2;
    }
  }
  const auto runs = [&only](const std::string& part) { return only.empty() ? part != "survey-sizes" : only == part; };

  // The writers announce every file on standard output: keep the results apart from them.
  std::FILE* const out = fdopen(dup(fileno(stdout)), "w");
  if (out == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) return 1;

  std::string dir = (fs::absolute(parent) / "vesk_bench_XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) {
    std::fprintf(stderr, "cannot create a folder in %s\n", parent.string().c_str());
    return 1;
  }
  struct statfs info {};
  const bool tmpfs = ::statfs(dir.c_str(), &info) == 0 && info.f_type == 0x01021994;
  std::fprintf(out, "files in %s%s\n\n", dir.c_str(), tmpfs ? " (tmpfs: memory, not a disk)" : "");
  const fs::path startDir = fs::current_path();
  fs::current_path(dir);

  // Time the program, not the disk.
  unflushedFiles disk;
  const divertedSets toDisk(disk);
  int status = 0;
  if (runs("table")) table(out);
  if (runs("survey")) survey(out);
  if (runs("survey-sizes")) status = surveySizes(out);
  if (runs("compare")) status = std::max(status, compare(out, disk));
  if (runs("seabed")) status = std::max(status, seabed(out));

  fs::current_path(startDir);
  fs::remove_all(dir);
  std::fclose(out);
  return status;
}
