// Safe writing against what only a POSIX test can stage: two runs writing one set at the
// same moment, a disk that fills up on the second or third file, an interruption while
// writing, links planted where a file is created, journals planted or tampered with, and
// a folder locked by another user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "calcs.h"
#include "files/fileSet.h"
#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "runVesk.h"
#include "settings.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace {

const std::string stem = fileNameAt(1398866880);  // 2014_119_148.
const std::vector<std::string> setNames = {"2014_119_148.cfg", "2014_119_148.pts", "2014_119_148.wpt"};

std::vector<std::string> backupNames(int number) {
  std::vector<std::string> names;
  for (const std::string& name : setNames) names.push_back(name + ".~" + std::to_string(number) + "~");
  return names;
}

// A lawn-mower survey of `count` waypoints starting at `latitude`, planned.
void planSurvey(double latitude, int count) {
  destroyList();
  resetSettings();
  for (int i = 0; i < count; ++i) {
    const int line = i / 100;
    const int along = line % 2 == 0 ? i % 100 : 99 - i % 100;
    insertLatLonEnd(latitude + 0.0009 * line, 10 + 0.001 * along);
  }
  planRoute();
}

// Writes the set of a survey into `folder` in this process, telling `steps` of each step;
// returns the run's status.
int writeSurvey(const std::string& folder, double latitude, int count, const std::vector<mapFormat>& maps = {},
                setSteps steps = nullptr) {
  planSurvey(latitude, count);
  int status = 0;
  std::fflush(stdout);
  const int saved = dup(1);
  const int devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, 1);
  try {
    writeMissionFiles(describeMission("", missionFileNames(stem, maps)), folder, maps, nullptr, steps);
  } catch (const runEnd& end) {
    status = end.status;
  }
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(devNull);
  destroyList();
  resetSettings();
  return status;
}

pid_t writeSurveyInChild(const std::string& folder, double latitude, int count) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) _exit(writeSurvey(folder, latitude, count));
  return pid;
}

std::vector<std::string> contentsOf(const TempDir& dir, const std::vector<std::string>& names) {
  std::vector<std::string> all;
  for (const std::string& name : names) all.push_back(readFile(dir.file(name)));
  return all;
}

// Which survey a file was written for, by the latitudes it holds: 44 or 54, 0 for both.
int routeOf(const std::string& content) {
  const bool south = content.find("44.") != std::string::npos;
  const bool north = content.find("54.") != std::string::npos;
  return south && north ? 0 : south ? 44 : north ? 54 : -1;
}

TEST(FileSetPosix, TwoRunsWritingOneSetAtOnceNeverMixTheirFiles) {
  for (int round = 0; round < 4; ++round) {
    TempDir dir;
    const pid_t a = writeSurveyInChild(dir.path(), 44, 8000);
    const pid_t b = writeSurveyInChild(dir.path(), 54, 8000);
    int statusA = 0;
    int statusB = 0;
    waitpid(a, &statusA, 0);
    waitpid(b, &statusB, 0);
    ASSERT_TRUE(WIFEXITED(statusA) && WIFEXITED(statusB));
    // Each run either succeeds or fails cleanly; one of them at least succeeds.
    EXPECT_LE(WEXITSTATUS(statusA), 1);
    EXPECT_LE(WEXITSTATUS(statusB), 1);
    EXPECT_TRUE(WEXITSTATUS(statusA) == 0 || WEXITSTATUS(statusB) == 0);
    // When both succeed, the set named first is kept whole under .~1~.
    std::vector<std::string> names = setNames;
    if (WEXITSTATUS(statusA) == 0 && WEXITSTATUS(statusB) == 0) {
      for (const std::string& name : backupNames(1)) names.push_back(name);
      std::sort(names.begin(), names.end());
      for (const std::string& file : contentsOf(dir, backupNames(1))) EXPECT_NE(routeOf(file), 0);
    }
    ASSERT_EQ(dir.list(), names) << "round " << round;
    const std::vector<std::string> set = contentsOf(dir, setNames);
    const int route = routeOf(set[0]);
    EXPECT_NE(route, 0) << "the mission script mixes the two routes";
    for (const std::string& file : set) EXPECT_EQ(routeOf(file), route) << "the set mixes the two routes";
    EXPECT_NE(set[0].find("# INITIAL HEADING:"), std::string::npos) << "the script is cut short";
    EXPECT_EQ(std::count(set[2].begin(), set[2].end(), '\n') + 1, std::count(set[1].begin(), set[1].end(), '\n'));
  }
}

TEST(FileSetPosix, ALinkPlantedAtANewFileNameIsNeverFollowed) {
  TempDir dir;
  dir.write("victim", "precious");
  ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file("planted").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("nothing").c_str(), dir.file("dangling").c_str()), 0);
  EXPECT_EQ(platform::createNew(dir.file("planted")), platform::noFile);
  EXPECT_EQ(platform::createNew(dir.file("dangling")), platform::noFile);
  EXPECT_EQ(readFile(dir.file("victim")), "precious");
  EXPECT_EQ(dir.list(), (std::vector<std::string>{"dangling", "planted", "victim"}));

  // Links at the names earlier versions wrote through change nothing either.
  for (const std::string& name : setNames) {
    ASSERT_EQ(symlink(dir.file("victim").c_str(), dir.file(name + ".tmp").c_str()), 0);
  }
  const mode_t mask = umask(022);
  EXPECT_EQ(writeSurvey(dir.path(), 44, 150), 0);
  umask(mask);
  EXPECT_EQ(readFile(dir.file("victim")), "precious");
  for (const std::string& name : setNames) {
    EXPECT_EQ(routeOf(readFile(dir.file(name))), 44) << name;
    // The permissions of any file the operator creates, not those of a private temporary.
    struct stat info {};
    ASSERT_EQ(stat(dir.file(name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u) << name;
  }
}

// A tiny file system of its own, as only root may mount it.
class smallDisk {
 public:
  explicit smallDisk(const std::string& path) : path_(path) {
    mounted_ = mount("tmpfs", path.c_str(), "tmpfs", 0, "size=4m") == 0;
  }
  ~smallDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  smallDisk(const smallDisk&) = delete;
  smallDisk& operator=(const smallDisk&) = delete;
  bool mounted() const { return mounted_; }

  // Fills the disk until only `pages` pages of 4096 bytes are free.
  void leaveFree(long long pages) const {
    struct statvfs info {};
    ASSERT_EQ(statvfs(path_.c_str(), &info), 0);
    const long long free = static_cast<long long>(info.f_bavail) * static_cast<long long>(info.f_frsize) / 4096;
    ASSERT_GT(free, pages);
    const int fd = open((path_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string page(4096, '\0');
    for (long long i = 0; i < free - pages; ++i) ASSERT_EQ(write(fd, page.data(), page.size()), 4096);
    close(fd);
  }

 private:
  std::string path_;
  bool mounted_ = false;
};

long long pagesOf(const std::string& content) { return static_cast<long long>((content.size() + 4095) / 4096); }

TEST(FileSetPosix, ADiskFullOnTheSecondOrThirdFileLeavesTheEarlierSetAsItWas) {
  // The sizes of the new set, from a run on the ordinary disk.
  TempDir sizes;
  ASSERT_EQ(writeSurvey(sizes.path(), 44, 400), 0);
  const std::vector<std::string> fresh = contentsOf(sizes, setNames);
  struct failCase {
    const char* message;
    const char* extension;
    long long freePages;  // room for the files before the one that fails, and one page more
  };
  const std::vector<failCase> cases = {
      {"cannot write waypoint output file ", "wpt", pagesOf(fresh[0]) + 1},
      {"cannot write surveyline output file ", "pts", pagesOf(fresh[0]) + pagesOf(fresh[2]) + 1},
  };
  ASSERT_GE(pagesOf(fresh[1]), 2);
  ASSERT_GE(pagesOf(fresh[2]), 2);
  for (const auto& c : cases) {
    TempDir dir;
    const smallDisk disk(dir.path());
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs (needs root): a full disk is not staged";
    ASSERT_EQ(writeSurvey(dir.path(), 54, 400), 0);
    const std::vector<std::string> earlier = contentsOf(dir, setNames);
    disk.leaveFree(c.freePages);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    planSurvey(44, 400);
    int status = 0;
    try {
      writeMissionFiles(describeMission("", missionFileNames(stem, {})), dir.path(), {});
    } catch (const runEnd& end) {
      status = end.status;
    }
    const std::string output = testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    destroyList();
    resetSettings();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(output.rfind(c.message, 0), 0u) << output;
    // The name still holds the earlier file, which the operator must not take for the new.
    EXPECT_EQ(errors, "vesk: " + dir.file(stem + c.extension) +
                          ": No space left on device; the earlier set 2014_119_148 is unchanged\n");
    std::vector<std::string> expected = setNames;
    expected.push_back("filler");
    EXPECT_EQ(dir.list(), expected) << "no temporary file may remain";
    EXPECT_EQ(contentsOf(dir, setNames), earlier) << c.message;
  }
}

bool holdsTemporaryFile(const TempDir& dir) {
  const auto names = dir.list();
  return std::any_of(names.begin(), names.end(),
                     [](const std::string& n) { return n.size() > 4 && n.compare(n.size() - 4, 4, ".tmp") == 0; });
}

TEST(FileSetPosix, AnInterruptionWhileWritingRemovesTheTemporaryFiles) {
  for (const int sig : {SIGINT, SIGTERM}) {
    TempDir dir;
    ASSERT_EQ(writeSurvey(dir.path(), 54, 150), 0);
    const std::vector<std::string> earlier = contentsOf(dir, setNames);
    const pid_t pid = writeSurveyInChild(dir.path(), 44, 100000);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!holdsTemporaryFile(dir) && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ASSERT_TRUE(holdsTemporaryFile(dir)) << "the run never started writing";
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run must end as the signal ends it";
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(dir.list(), setNames) << "no temporary file may remain";
    EXPECT_EQ(contentsOf(dir, setNames), earlier);
  }
}

// A run killed with SIGKILL at each step of writing its set, as a crash or a power cut
// stops it (the set is written in a child of this process, which the step hook kills),
// then the next run of the program in the folder: it finishes what it finds and says so,
// and the folder holds a whole set with every earlier file kept, the earlier plan's map
// that the new plan does not write included.
const char* killAt = nullptr;
void killHere(const std::string& step) {
  if (step == killAt) raise(SIGKILL);
}

TEST(FileSetPosix, ARunKilledAtEachStepOfWritingItsSetIsPutInOrderByTheNextRun) {
  const std::vector<const char*> steps = {"written",  "journal flushed", "journal in place", "kept kml",
                                          "kept cfg", "named cfg",       "kept wpt",         "named wpt",
                                          "kept pts", "named pts",       "folder flushed",   "journal removed"};
  const std::string kml = "2014_119_148.kml";
  std::vector<std::string> earlierNames = setNames;
  earlierNames.push_back(kml);
  std::vector<std::string> keptNames = backupNames(1);
  keptNames.push_back(kml + ".~1~");
  for (size_t i = 0; i < steps.size(); ++i) {
    TempDir dir;
    ASSERT_EQ(writeSurvey(dir.path(), 54, 150, {mapFormat::kml}), 0);
    const std::vector<std::string> earlier = contentsOf(dir, earlierNames);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
      killAt = steps[i];
      _exit(writeSurvey(dir.path(), 44, 150, {}, killHere) == 0 ? 3 : 4);  // not reached: the step kills
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << steps[i] << ": status " << status;
    const vesk_result next = runVesk({"missing.txt"}, "", dir.path());
    EXPECT_EQ(next.output, "cannot open file missing.txt ");
    const std::string finished =
        "vesk: a run stopped while it named the set 2014_119_148 in the current folder; finished: the new set has "
        "its names, the earlier files are kept as 2014_119_148.cfg.~1~, 2014_119_148.wpt.~1~, 2014_119_148.pts.~1~, "
        "2014_119_148.kml.~1~\n";
    EXPECT_EQ(next.errors.rfind(finished, 0) == 0, i >= 2 && i <= 10) << steps[i] << ": " << next.errors;
    if (i < 2) {
      // Killed before the journal was in place: no name was touched.
      EXPECT_EQ(contentsOf(dir, earlierNames), earlier) << steps[i];
      continue;
    }
    EXPECT_EQ(contentsOf(dir, keptNames), earlier) << steps[i];
    for (const std::string& file : contentsOf(dir, setNames)) EXPECT_EQ(routeOf(file), 44) << steps[i];
    EXPECT_NE(contentsOf(dir, setNames)[0].find("# INITIAL HEADING:"), std::string::npos) << steps[i];
    std::vector<std::string> all = setNames;
    all.insert(all.end(), keptNames.begin(), keptNames.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(dir.list(), all) << steps[i] << ": no temporary file or journal may remain, nor the earlier map";
  }
}

// A plan split into two dives, killed while its set of six files takes its names over an
// earlier plan of the stem in one dive: the next run knows every dive's file from the
// journal and finishes the set, the earlier plan's files kept beside it.
TEST(FileSetPosix, ARunKilledNamingTheSetOfItsDivesIsFinishedByTheNextRun) {
  const auto writeDives = [](const std::string& folder, setSteps steps) {
    std::vector<plannedMission> dives;
    for (const int dive : {1, 2}) {
      planSurvey(44 + dive, 60);
      dives.push_back(describeMission("", missionFileNames("2014_119_148-" + std::to_string(dive) + ".", {})));
    }
    const std::vector<const plannedMission*> missions = {&dives[0], &dives[1]};
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    writeDiveFiles(
        missions, [](size_t k) { planSurvey(45 + static_cast<double>(k), 60); }, folder, {}, nullptr, steps);
  };
  const std::vector<std::string> diveNames = {"2014_119_148-1.cfg", "2014_119_148-1.pts", "2014_119_148-1.wpt",
                                              "2014_119_148-2.cfg", "2014_119_148-2.pts", "2014_119_148-2.wpt"};
  for (const char* step : {"journal in place", "folder flushed"}) {
    TempDir dir;
    ASSERT_EQ(writeSurvey(dir.path(), 54, 150), 0);
    const std::vector<std::string> earlier = contentsOf(dir, setNames);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
      killAt = step;
      writeDives(dir.path(), killHere);
      _exit(3);  // not reached: the step kills
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << step << ": status " << status;
    const vesk_result next = runVesk({"missing.txt"}, "", dir.path());
    EXPECT_EQ(next.errors.rfind("vesk: a run stopped while it named the set 2014_119_148 in the current folder; "
                                "finished: the new set has its names, the earlier files are kept as "
                                "2014_119_148.cfg.~1~, 2014_119_148.wpt.~1~, 2014_119_148.pts.~1~\n",
                                0),
              0u)
        << step << ": " << next.errors;
    EXPECT_EQ(contentsOf(dir, backupNames(1)), earlier) << step;
    const std::vector<std::string> dives = contentsOf(dir, diveNames);
    EXPECT_NE(dives[1].find("\n1,45,10.001,"), std::string::npos) << step << ": dive 1 lies at 45 N";
    EXPECT_NE(dives[4].find("\n1,46,10.001,"), std::string::npos) << step << ": dive 2 lies at 46 N";
    EXPECT_EQ(dives[1].find(",54"), std::string::npos) << step << ": nothing of the earlier plan";
    EXPECT_NE(dives[0].find("# Mission Filename: 2014_119_148-1.cfg"), std::string::npos) << step;
    EXPECT_NE(dives[3].find("# Mission Filename: 2014_119_148-2.cfg"), std::string::npos) << step;
    std::vector<std::string> all = diveNames;
    for (const std::string& name : backupNames(1)) all.push_back(name);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(dir.list(), all) << step << ": no temporary file or journal may remain";
  }
}

// Everything in the folder: each name with what it is, its inode and, for a plain file,
// its content (a FIFO is never opened).
std::vector<std::string> snapshot(const TempDir& dir) {
  std::vector<std::string> all;
  for (const std::string& name : dir.list()) {
    struct stat info {};
    lstat(dir.file(name).c_str(), &info);
    const std::string kind = S_ISREG(info.st_mode) ? "file" : S_ISLNK(info.st_mode) ? "link" : "other";
    all.push_back(name + " " + kind + " " + std::to_string(info.st_ino) + " " +
                  (S_ISREG(info.st_mode) ? readFile(dir.file(name)) : std::string()));
  }
  return all;
}

// A run writing the set `name` (empty: a plan's set of a survey) killed by SIGKILL at the
// step `step`, as a crash leaves it, over an earlier set of the same names.
void crashWhileNaming(const TempDir& dir, const std::string& name, const char* step) {
  const std::vector<outputFile> files = {{name, "open %s", "write %s", "wrote %s\n"}};
  const auto settings = [](const std::vector<textOut*>& out) { out[0]->lines("new settings\n"); };
  if (name.empty()) {
    ASSERT_EQ(writeSurvey(dir.path(), 54, 150), 0);
  } else {
    dir.write(name, "earlier settings\n");
  }
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    killAt = step;
    if (name.empty()) _exit(writeSurvey(dir.path(), 44, 150, {}, killHere) == 0 ? 3 : 4);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    static_cast<void>(writeFileSet(dir.path(), files, settings, {setKind::named, nullptr, killHere}));
    _exit(3);  // not reached: the step kills
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << step << ": status " << status;
}

// The journal in `dir`, read back, changed by `change` and written again with a right end
// line: a planted journal passes every check of its form.
void rewriteJournal(const TempDir& dir, const std::function<void(setJournal&)>& change) {
  setJournal journal;
  std::string problem;
  ASSERT_TRUE(parseJournal(readFile(dir.file(journalName)), journal, problem)) << problem;
  change(journal);
  dir.write(journalName, journalText(journal));
}

// A journal beside a set that a run left half named, and the next run in the folder (the
// user's own, or uid 65534's): it obeys the journal only when it is a plain file of the
// user's own naming the set's own files as they were left; anything else is refused
// with the reason, and no file in the folder is touched, the journal included.
TEST(FileSetPosix, AJournalIsObeyedOnlyWhenItIsTheUsersOwnAndNamesTheSetAsItWasLeft) {
  if (getuid() != 0) GTEST_SKIP() << "needs root: files of other owners are staged";
  const std::string finished =
      "vesk: a run stopped while it named the set 2014_119_148 in the current folder; finished: the new set has its "
      "names, the earlier files are kept as 2014_119_148.cfg.~1~, 2014_119_148.wpt.~1~, 2014_119_148.pts.~1~\n";
  const auto keep = [](const std::string& name) {
    return "vesk: a run stopped while it named " + name +
           " in the current folder; finished: the new file has its name, the earlier one is kept as " + name + ".~1~\n";
  };
  const std::string pts = "2014_119_148.pts";
  struct journalCase {
    std::string what;
    std::string set;  // empty: a plan's set
    std::function<void(const TempDir&)> plant;
    bool asNobody;       // the next run is uid 65534's
    std::string errors;  // standard error of the next run: all of it, or what follows the journal's name
  };
  const std::vector<journalCase> cases = {
      {"the user's own", "", nullptr, false, finished},
      {"a blank in a saved settings name", "dive settings.toml", nullptr, false, keep("dive settings.toml")},
      {"a saved settings name without a dot", "divesettings", nullptr, false, keep("divesettings")},
      {"planted by another user", "",
       [](const TempDir& d) { ASSERT_EQ(chown(d.file(journalName).c_str(), 65534, 65534), 0); }, false,
       "belongs to nobody (uid 65534), not to root (uid 0), who runs vesk"},
      {"another user's, in a folder both may write", "", nullptr, true,
       "belongs to root (uid 0), not to nobody (uid 65534), who runs vesk"},
      {"a link to the user's own", "",
       [](const TempDir& d) {
         ASSERT_EQ(rename(d.file(journalName).c_str(), d.file("kept-journal").c_str()), 0);
         ASSERT_EQ(symlink("kept-journal", d.file(journalName).c_str()), 0);
       },
       false, "is a symbolic link, not a journal vesk writes"},
      {"a second name of the user's own", "",
       [](const TempDir& d) { ASSERT_EQ(link(d.file(journalName).c_str(), d.file("kept-journal").c_str()), 0); }, false,
       "has other names (hard links) besides its own, not a journal vesk writes"},
      {"a FIFO", "",
       [](const TempDir& d) {
         ASSERT_EQ(unlink(d.file(journalName).c_str()), 0);
         ASSERT_EQ(mkfifo(d.file(journalName).c_str(), 0644), 0);
       },
       false, "is not a regular file (a FIFO or a device), not a journal vesk writes"},
      {"a name outside the set", "",
       [](const TempDir& d) { rewriteJournal(d, [](setJournal& j) { j.files[2].name = "notes.txt"; }); }, false,
       "names \"notes.txt\", which is no file vesk writes for the set 2014_119_148"},
      {"a file outside the folder", "",
       [](const TempDir& d) {
         rewriteJournal(d, [](setJournal& j) {
           j.kind = setKind::named;
           j.stem = "../notes.txt";
           j.files.resize(1);
           j.files[0].name = j.stem;
         });
       },
       false, "is damaged: it names no set vesk writes"},
      {"the route file as a saved file", "",
       [](const TempDir& d) {
         rewriteJournal(d, [](setJournal& j) {
           j.kind = setKind::named;
           j.stem = "route.txt";
           j.backup = 0;
           j.files = {{"route.txt", "route.txt.aaaaaaaaaa.tmp", j.files[0].written, false, {}}};
         });
       },
       false, "names route.txt, which is neither the file the stopped run wrote nor the one it kept"},
      {"a temporary swapped after the journal", "",
       [pts](const TempDir& d) {
         for (const std::string& name : d.list()) {
           if (name.rfind(pts + ".", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
             const std::string content = readFile(d.file(name));
             ASSERT_EQ(unlink(d.file(name).c_str()), 0);
             d.write(name, content);
           }
         }
       },
       false,
       "names the new 2014_119_148.pts, whose temporary file is not the one the stopped run wrote: it was replaced or "
       "changed since"},
      {"an earlier file changed after the journal", "", [pts](const TempDir& d) { d.write(pts, "planted"); }, false,
       "names 2014_119_148.pts, which is neither the file the stopped run wrote nor the one it kept"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    chmod(dir.path().c_str(), 0777);
    crashWhileNaming(dir, c.set, c.set.empty() ? "kept wpt" : "journal in place");
    dir.write("notes.txt", "the operator's notes\n");
    dir.write("route.txt", "45 10\n45.045 10\n");
    if (c.plant) c.plant(dir);
    const std::vector<std::string> before = snapshot(dir);
    // Should the run open the FIFO and wait, this ends its wait: the test fails instead of hanging.
    std::atomic<bool> ran{false};
    std::thread unblock([&] {
      for (int i = 0; i < 3000 && !ran; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      const int fd = open(dir.file(journalName).c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) close(fd);
    });
    const vesk_result next = runVesk({"missing.txt"}, "", dir.path(), false, false, 0, c.asNobody);
    ran = true;
    unblock.join();
    if (c.errors.rfind("vesk: ", 0) == 0) {
      EXPECT_EQ(next.output, "cannot open file missing.txt ") << c.what;
      EXPECT_EQ(next.errors, c.errors + "vesk: missing.txt: No such file or directory\n") << c.what;
      const std::vector<std::string> after = snapshot(dir);
      for (const std::string& entry : before) {
        if (entry.rfind("notes.txt ", 0) == 0 || entry.rfind("route.txt ", 0) == 0) {
          EXPECT_NE(std::find(after.begin(), after.end(), entry), after.end()) << c.what << ": " << entry;
        }
      }
      std::vector<std::string> expected = {"notes.txt", "route.txt"};
      if (c.set.empty()) {
        for (const std::string& name : setNames) EXPECT_EQ(routeOf(readFile(dir.file(name))), 44) << name;
        expected.insert(expected.end(), setNames.begin(), setNames.end());
        for (const std::string& name : backupNames(1)) expected.push_back(name);
      } else {
        EXPECT_EQ(readFile(dir.file(c.set)), "new settings\r\n");
        EXPECT_EQ(readFile(dir.file(c.set + ".~1~")), "earlier settings\n");
        expected.insert(expected.end(), {c.set, c.set + ".~1~"});
      }
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(dir.list(), expected) << c.what << ": no temporary file or journal may remain";
      continue;
    }
    EXPECT_EQ(next.status, 1) << c.what;
    EXPECT_EQ(next.output, "cannot use the current folder\n") << c.what;
    // A journal of the user's own is to be put in order by hand; any other is no journal of theirs.
    const bool ours =
        c.errors.find("belongs to") == std::string::npos && c.errors.find("not a journal") == std::string::npos;
    EXPECT_EQ(next.errors, "vesk: .vesk-journal " + c.errors + "; it " +
                               (ours ? "is left as it is and no file was touched: look at the files it names, put the "
                                       "set in order, then remove it\n"
                                     : "is not obeyed and no file was touched: remove it, or have it removed by its "
                                       "owner or the folder's, or write into another folder with -o\n"))
        << c.what;
    EXPECT_EQ(snapshot(dir), before) << c.what << ": every file stays as it was, the journal too";
  }
}

// Anyone who may read a folder may lock it. A run in a folder another user's process has
// locked says who holds it, without waiting its ten seconds and without passing by the
// journal of a stopped run there.
TEST(FileSetPosix, AFolderLockedByAnotherUserSaysWhoHoldsIt) {
  if (getuid() != 0) GTEST_SKIP() << "needs root: the run is uid 65534's";
  TempDir dir;
  chmod(dir.path().c_str(), 0777);
  crashWhileNaming(dir, "", "kept wpt");
  dir.write("route.txt", "45 10\n45.045 10\n");
  const std::vector<std::string> before = snapshot(dir);
  const int folder = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  const vesk_result r = runVesk({"route.txt"}, acceptDefaults, dir.path(), false, false, 0, true);
  const auto waited = std::chrono::steady_clock::now() - start;
  close(folder);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot use the current folder\n");
  EXPECT_EQ(r.errors, "vesk: . is locked by process " + std::to_string(getpid()) +
                          " (vesk_tests) of root (uid 0); no set can be named there or put in order while it holds the "
                          "lock, and no file was written: let it end, or write into another folder with -o\n");
  EXPECT_LT(waited, std::chrono::seconds(5));
  EXPECT_EQ(snapshot(dir), before);
}

}  // namespace
