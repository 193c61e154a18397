// Memory that runs out anywhere in a run, while the files are read, the route planned or
// laid out, or any file written: the run ends with "vesk: out of memory" and status 1, and
// leaves no temporary file and no file of the mission's set. The program runs in a child
// process whose every allocation from a chosen one on fails, as when the memory has run
// out and stays out; a run that aborts (an exception through a function that may not
// throw, a freeing that takes memory) fails the test at that allocation.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "runVesk.h"
#include "vesk.h"

namespace {

// Set in the child only.
bool counting = false;
long long allocations = 0;
long long failFrom = 0;  // 0: none fails

// Out of line, so that the compiler does not take a freeing inlined where the library's
// new was for a mismatch.
[[gnu::noinline]] void release(void* p) noexcept { std::free(p); }

}  // namespace

void* operator new(std::size_t size) {
  if (counting && ++allocations >= failFrom && failFrom > 0) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }

namespace {

namespace fs = std::filesystem;

struct childRun {
  int status = -1;  // exit status; -1 when it did not exit (an abort)
  long long allocations = 0;
  std::string output;             // standard output
  std::string errors;             // standard error
  std::vector<std::string> left;  // what the output folder holds afterwards
};

// Runs the program in `dir` with `args`, the answers that accept the defaults on standard
// input, every allocation from the `from`-th on failing (0: none).
childRun runFailingFrom(const TempDir& dir, const std::vector<std::string>& args, long long from) {
  TempDir io;
  io.write("stdin", "0\ny\n0\nn\n");
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipeEnds[0]);
    if (chdir(dir.path().c_str()) != 0 || std::freopen(io.file("stdin").c_str(), "rb", stdin) == nullptr ||
        std::freopen(io.file("stdout").c_str(), "wb", stdout) == nullptr ||
        std::freopen(io.file("stderr").c_str(), "wb", stderr) == nullptr) {
      _exit(126);
    }
    std::vector<std::string> arguments = {"vesk"};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    failFrom = from;
    counting = true;
    const int status = veskMain(static_cast<int>(arguments.size()), argv.data());
    counting = false;
    std::fflush(nullptr);
    const long long count = allocations;
    if (write(pipeEnds[1], &count, sizeof count) != sizeof count) _exit(125);
    _exit(status);
  }
  close(pipeEnds[1]);
  childRun run;
  if (read(pipeEnds[0], &run.allocations, sizeof run.allocations) != sizeof run.allocations) run.allocations = -1;
  close(pipeEnds[0]);
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  run.output = readFile(io.file("stdout"));
  run.errors = readFile(io.file("stderr"));
  // Each run starts from an empty output folder.
  for (const auto& entry : fs::directory_iterator(dir.file("out"))) {
    run.left.push_back(entry.path().filename().string());
    fs::remove(entry.path());
  }
  return run;
}

const char* const outOfMemory =
    "vesk: out of memory; the run is stopped, and the files it had not finished are removed\n";

// One run in which memory ran out.
struct failedRun {
  std::string scenario;
  long long from = 0;  // the first allocation that failed
  long long of = 0;    // of those of the whole run
  childRun run;
};

// Each scenario run whole, then with memory running out at a hundred and fifty points
// spread over it (and at every one of the first hundred allocations of the first). Run
// once for the tests below.
const std::vector<failedRun>& failedRuns() {
  static const std::vector<failedRun> runs = [] {
    struct scenario {
      const char* name;
      std::vector<std::pair<std::string, std::string>> files;
      std::string args;  // separated by blanks
    };
    const std::vector<scenario> scenarios = {
        {"a GeoJSON route with every map and a settings file",
         {{"route.geojson",
           "{\"type\":\"LineString\",\"coordinates\":[[10,45],[10,45.045],[10.05,45.06],[10.1,45.2]]}"},
          {"dive.toml", "maxDepth = 80\nabortDepth = 95\nmissionTimerFactor = 1.5\n"}},
         "--settings dive.toml --set yoyoMission=true --set kallopMission=false --no-input --map kml,gpx,geojson,svg "
         "--save-settings out/saved.toml -o out route.geojson"},
        {"a CSV route and the dialogue",
         {{"route.csv", "INDEX,LATITUDE,N/S,LONGITUDE,E/W\n1,57.7,S,11.9,W\n2,57.75,S,11.9,W\n"}},
         "--map geojson -o out route.csv"},
        {"a survey of an area with a hole",
         {{"area.txt", "45 10\n45 10.03\n45.02 10.03\n45.02 10\nhole\n45.008 10.012\n45.008 10.016\n45.012 10.014\n"}},
         "--area area.txt --line-spacing 300 --cross-lines 1 --run-in 50 --set yoyoMission=false --set "
         "wayPointDepth=20 --set kallopMission=false --no-input --map svg,geojson --write-route out/survey.txt -o out"},
    };
    // Over a thousand runs each flush their files to the disk: in memory when the machine
    // has a file system there.
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) setenv("TMPDIR", "/dev/shm", 1);
    std::vector<failedRun> found;
    for (const scenario& s : scenarios) {
      std::istringstream words(s.args);
      const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
      TempDir dir;
      fs::create_directory(dir.file("out"));
      for (const auto& [name, content] : s.files) dir.write(name, content);
      const childRun whole = runFailingFrom(dir, args, 0);
      if (whole.status != 0 || whole.allocations < 200) {
        ADD_FAILURE() << s.name << " does not plan with all the memory it needs: " << whole.errors;
        continue;
      }
      // The first runs read the command line alike: every allocation of it once, then
      // points spread over each run.
      std::vector<long long> points;
      for (long long k = 1; k <= 100 && found.empty(); ++k) points.push_back(k);
      for (long long i = 0; i < 150; ++i) points.push_back(101 + i * (whole.allocations - 101) / 150);
      for (const long long k : points) found.push_back({s.name, k, whole.allocations, runFailingFrom(dir, args, k)});
    }
    return found;
  }();
  return runs;
}

std::string described(const failedRun& f) {
  return f.scenario + ", memory out from allocation " + std::to_string(f.from) + " of " + std::to_string(f.of);
}

// Never an abort, never another message, never a run that seems to have gone well.
TEST(Memory, RunningOutAnywhereEndsTheRunWithItsMessage) {
  const std::string message = outOfMemory;
  for (const failedRun& f : failedRuns()) {
    ASSERT_EQ(f.run.status, 1) << described(f) << ":\n" << f.run.errors;
    ASSERT_GE(f.run.errors.size(), message.size()) << described(f);
    EXPECT_EQ(f.run.errors.substr(f.run.errors.size() - message.size()), message) << described(f);
  }
}

// The settings and the survey's route are written whole before the mission's set, and may
// stay; no temporary file and no journal may. A file of the set stays only when the run
// told the operator it wrote it: memory that runs out once the set has its names (while
// the plan is summed up) leaves the whole set, every success line printed.
TEST(Memory, RunningOutLeavesNoTemporaryFileAndNoFileOfTheSetUntold) {
  for (const failedRun& f : failedRuns()) {
    for (const std::string& name : f.run.left) {
      const bool told = f.run.output.find("out/" + name + " ****") != std::string::npos;
      EXPECT_TRUE(name == "saved.toml" || name == "survey.txt" || told) << described(f) << ": " << name << " is left\n"
                                                                        << f.run.output;
    }
  }
}

}  // namespace
