// A run killed with SIGKILL at each step of writing its set, as a crash or a power cut
// would stop it, then the next run in the folder: it finishes or undoes what it finds and
// says which, and the folder holds a whole set with every earlier file kept.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "calcs.h"
#include "runVesk.h"

namespace {

const std::vector<std::string> extensions = {"cfg", "wpt", "pts"};

// Runs the crashable program in `dir` with the defaults accepted; its status, or -1 when
// it was killed.
int runCrashable(const TempDir& dir, const std::string& stopAt, const std::string& stepLog) {
  dir.write(".answers", acceptDefaults);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    if (!freopen(".answers", "r", stdin) || !freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) {
      _exit(126);
    }
    if (!stopAt.empty()) setenv("VESK_STOP_AT", stopAt.c_str(), 1);
    if (!stepLog.empty()) setenv("VESK_STEPS", stepLog.c_str(), 1);
    execl(VESK_CRASHABLE, VESK_CRASHABLE, "route.txt", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An earlier set under every stem the run may take, each file telling what it is.
void plantEarlierSets(const TempDir& dir) {
  const std::time_t now = std::time(nullptr);
  for (const std::time_t t : {now, now + 60}) {
    for (const std::string& extension : extensions) {
      dir.write(fileNameAt(t) + extension, "earlier " + fileNameAt(t) + extension + "\r\n");
    }
  }
  dir.write("route.txt", "45 10\n45.045 10\n");
}

// Whether `cfg`, `wpt` and `pts` make one whole new set.
bool wholeNewSet(const std::string& cfg, const std::string& wpt, const std::string& pts) {
  const std::string tail = "# INITIAL HEADING:  360  \r\n";
  const bool cfgWhole = cfg.size() > tail.size() && cfg.compare(cfg.size() - tail.size(), tail.size(), tail) == 0;
  return cfgWhole && std::count(wpt.begin(), wpt.end(), '\n') == 4 && std::count(pts.begin(), pts.end(), '\n') == 5;
}

TEST(Crash, ARunKilledAtAnyStepOfWritingItsSetIsPutInOrderByTheNextRun) {
  // The steps, as a run passes them.
  TempDir logged;
  plantEarlierSets(logged);
  ASSERT_EQ(runCrashable(logged, "", logged.file("steps")), 0);
  std::vector<std::string> steps;
  std::istringstream log(readFile(logged.file("steps")));
  for (std::string step; std::getline(log, step);) steps.push_back(step);
  ASSERT_EQ(steps.size(), 11u) << readFile(logged.file("steps"));
  ASSERT_EQ(steps.front(), "written");
  ASSERT_EQ(steps.back(), "journal removed");

  for (size_t i = 0; i < steps.size(); ++i) {
    const std::string& step = steps[i];
    TempDir dir;
    plantEarlierSets(dir);
    ASSERT_EQ(runCrashable(dir, step, ""), -1) << step << ": the run must be killed there";
    // The next run in the folder, which goes no further than its file.
    const vesk_result next = runVesk({"missing.txt"}, "", dir.path());
    EXPECT_EQ(next.output, "cannot open file missing.txt ") << step;

    // The stem the killed run wrote under: the one whose files changed.
    std::string stem;
    for (const std::time_t t : {std::time(nullptr) - 60, std::time(nullptr)}) {
      if (readFile(dir.file(fileNameAt(t) + "cfg")) != "earlier " + fileNameAt(t) + "cfg\r\n" ||
          !readFile(dir.file(fileNameAt(t) + "cfg.~1~")).empty()) {
        stem = fileNameAt(t);
      }
    }
    const bool journalSeen = i >= 2 && i + 1 < steps.size();
    const bool newSet = i >= 2;
    const std::string finished = "vesk: a run stopped while it named the set " + stem.substr(0, stem.size() - 1) +
                                 " in the current folder; finished: the new set has its names, the earlier files "
                                 "are kept as " +
                                 stem + "cfg.~1~, " + stem + "wpt.~1~, " + stem + "pts.~1~\n";
    if (journalSeen) {
      EXPECT_EQ(next.errors.substr(0, finished.size()), finished) << step;
    } else {
      EXPECT_EQ(next.errors.find("a run stopped"), std::string::npos) << step << ": " << next.errors;
    }
    if (!newSet) {
      // Killed before the journal was in place: nothing was renamed.
      for (const std::string& name : dir.list()) {
        EXPECT_EQ(name.find(".~"), std::string::npos) << step << ": " << name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") != 0 && name != "route.txt" &&
            name != ".answers") {
          EXPECT_EQ(readFile(dir.file(name)), "earlier " + name + "\r\n") << step;
        }
      }
      continue;
    }
    ASSERT_FALSE(stem.empty()) << step;
    EXPECT_TRUE(wholeNewSet(readFile(dir.file(stem + "cfg")), readFile(dir.file(stem + "wpt")),
                            readFile(dir.file(stem + "pts"))))
        << step << ": the new set must have all its names";
    for (const std::string& extension : extensions) {
      EXPECT_EQ(readFile(dir.file(stem + extension + ".~1~")), "earlier " + stem + extension + "\r\n") << step;
    }
    for (const std::string& name : dir.list()) {
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << step << ": " << name;
      EXPECT_NE(name, ".vesk-journal") << step;
    }
  }
}

}  // namespace
