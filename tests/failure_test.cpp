// Failures as the operator meets them: each stops the run with the program's message on
// standard output, exactly as before, and on standard error the system's reason and what
// is left. Faults are real: missing files, folders, permissions refused to an ordinary
// user, a full disk, a stream without end; and hostile text that must not reach the
// terminal raw.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calcs.h"
#include "runVesk.h"

namespace {

constexpr uid_t nobody = 65534;

struct staged {
  std::vector<std::string> args;
  std::string input = acceptDefaults;
  std::string dir;     // where the program runs
  bool asNobody = false;
  long long memoryLimit = 0;
};

// Runs the program as `s` says; as uid 65534 when asked (the caller is root).
vesk_result runStaged(const staged& s) {
  TempDir io;
  io.write("stdin", s.input);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int in = open(io.file("stdin").c_str(), O_RDONLY);
    const int out = open(io.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = open(io.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    if (chdir(s.dir.c_str()) != 0) _exit(126);
    if (s.asNobody && (setgid(nobody) != 0 || setuid(nobody) != 0)) _exit(126);
    const rlimit limit{static_cast<rlim_t>(s.memoryLimit), static_cast<rlim_t>(s.memoryLimit)};
    if (s.memoryLimit > 0 && setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    std::vector<std::string> args = s.args;
    std::vector<char*> argv = {const_cast<char*>(VESK_BINARY)};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(VESK_BINARY, argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  vesk_result r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.output = readFile(io.file("stdout"));
  r.errors = readFile(io.file("stderr"));
  return r;
}

std::vector<std::string> stemsNearNow() {
  const std::time_t now = std::time(nullptr);
  return {fileNameAt(now), fileNameAt(now + 60)};
}

// A tmpfs of 64 KiB mounted at `path` and filled to the last byte, while it lives.
class fullDisk {
 public:
  explicit fullDisk(const std::string& path) : path_(path) {
    mounted_ = mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k,mode=0777") == 0;
  }
  ~fullDisk() {
    if (mounted_) umount2(path_.c_str(), MNT_DETACH);
  }
  fullDisk(const fullDisk&) = delete;
  fullDisk& operator=(const fullDisk&) = delete;
  bool mounted() const { return mounted_; }
  void fill() const {
    const int fd = open((path_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string block(512, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
  }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST(Failure, EachFailureSaysItsReasonAndWhatStaysOnStandardError) {
  struct failureCase {
    const char* what;
    // Stages the fault in `dir` and says how to run; false when it cannot be staged here.
    std::function<bool(const TempDir& dir, staged& s)> stage;
    std::string output;  // standard output, exactly; STEM stands for the set's stem
    std::string errors;  // the start of standard error
  };
  const std::vector<failureCase> cases = {
      {"a route file that is missing",
       [](const TempDir&, staged& s) {
         s.args = {"missing.txt"};
         return true;
       },
       "cannot open file missing.txt ", "vesk: missing.txt: No such file or directory\n"},
      {"a folder as the route file",
       [](const TempDir& dir, staged& s) {
         std::filesystem::create_directory(dir.file("routes"));
         s.args = {"routes"};
         return true;
       },
       "cannot open file routes ", "vesk: routes: it is a folder, not a file\n"},
      {"a route file an ordinary user may not read",
       [](const TempDir& dir, staged& s) {
         dir.write("route.txt", "45 10\n");
         chmod(dir.file("route.txt").c_str(), 0600);
         chmod(dir.path().c_str(), 0777);
         s.args = {"route.txt"};
         s.asNobody = true;
         return getuid() == 0;
       },
       "cannot open file route.txt ", "vesk: route.txt: Permission denied\n"},
      {"a current folder an ordinary user may not write in",
       [](const TempDir& dir, staged& s) {
         dir.write("route.txt", "45 10\n");
         chmod(dir.path().c_str(), 0755);
         s.args = {"route.txt"};
         s.asNobody = true;
         return getuid() == 0;
       },
       "cannot write into the current folder\n",
       "vesk: .: Permission denied; no file was written and no question asked\n"},
      {"a route file larger than any route",
       [](const TempDir& dir, staged& s) {
         dir.write("huge.txt", "45 10\n");
         if (truncate(dir.file("huge.txt").c_str(), (512LL << 20) + 1) != 0) return false;
         s.args = {"huge.txt"};
         return true;
       },
       "cannot open file huge.txt ", "vesk: huge.txt: more than 512 MiB, larger than any route; nothing was read\n"},
      {"a stream without end, memory running out before the limit",
       [](const TempDir&, staged& s) {
         s.args = {"/dev/zero"};
         s.memoryLimit = 256LL << 20;
#if defined(__SANITIZE_ADDRESS__)
         return false;
#else
         return true;
#endif
       },
       "out of memory: cannot read file /dev/zero\n", ""},
      {"a full disk under an earlier set",
       [](const TempDir& dir, staged& s) {
         dir.write("route.txt", "45 10\n45.045 10\n");
         std::filesystem::create_directory(dir.file("full"));
         s.args = {"-o", "full", "route.txt"};
         return true;
       },
       "cannot write mission output file full/STEM.cfg ",
       "vesk: full/STEM.cfg: No space left on device; the earlier set STEM is unchanged\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    staged s;
    s.dir = dir.path();
    if (!c.stage(dir, s)) {
      std::printf("skipped \"%s\": needs root or a file system that takes it\n", c.what);
      continue;
    }
    std::unique_ptr<fullDisk> disk;
    std::vector<std::string> earlier;
    if (std::string(c.what) == "a full disk under an earlier set") {
      disk = std::make_unique<fullDisk>(dir.file("full"));
      if (!disk->mounted()) {
        std::printf("skipped \"%s\": cannot mount a tmpfs (needs root)\n", c.what);
        continue;
      }
      for (const std::string& stem : stemsNearNow()) {
        for (const char* extension : {"cfg", "wpt", "pts"}) {
          dir.write("full/" + stem + extension, "earlier " + stem + extension);
          earlier.push_back("full/" + stem + extension);
        }
      }
      disk->fill();
    }
    const vesk_result r = runStaged(s);
    EXPECT_EQ(r.status, 1) << c.what;
    std::string output = c.output;
    std::string errors = c.errors;
    std::string said = afterDialogue(r.output);
    const size_t stemAt = said.find("full/");
    if (stemAt != std::string::npos) {
      const std::string stem = said.substr(stemAt + 5, said.find(".cfg") - stemAt - 5);
      for (std::string* text : {&output, &errors}) {
        for (size_t at = text->find("STEM"); at != std::string::npos; at = text->find("STEM")) {
          text->replace(at, 4, stem);
        }
      }
    }
    EXPECT_EQ(said, output) << c.what;
    EXPECT_EQ(r.errors.substr(r.errors.size() < errors.size() ? 0 : r.errors.size() - errors.size()), errors)
        << c.what;
    for (const std::string& name : earlier) {
      const std::string base = name.substr(5);
      EXPECT_EQ(readFile(dir.file(name)), "earlier " + base) << c.what << ": the earlier set must stay";
    }
    if (disk) {
      for (const std::string& name : dir.list()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
  }
}

// Standard output and standard error on one terminal: a reason after a message without
// a line end starts a line of its own, so that the shell's prompt does not land on it.
TEST(Failure, OnATerminalTheReasonHasALineOfItsOwn) {
  TempDir dir;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    execl(VESK_BINARY, VESK_BINARY, "missing.txt", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string screen;
  char buf[512];
  for (ssize_t n = 0; (n = read(master, buf, sizeof buf)) > 0;) screen.append(buf, static_cast<size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_EQ(screen, "cannot open file missing.txt \r\nvesk: missing.txt: No such file or directory\r\n");
}

// Text from a file or a name that would drive the terminal: every path a message takes,
// on either stream, shows it escaped.
TEST(Failure, HostileTextReachesNeitherStreamRaw) {
  struct hostileCase {
    const char* what;
    std::string fileName;
    std::string content;
    std::string output;  // standard output after the dialogue, or all of it
    std::string errors;  // a piece standard error must hold
  };
  const std::string title = "\x1b]0;pwned\x07\x1b[2J";
  const std::vector<hostileCase> cases = {
      {"an escape sequence in a refused line", "e.txt", "45 10\n45.1 10W" + title + "\n",
       "invalid waypoint on line 2 of e.txt\n", "\"45.1 10W\\x1b]0;pwned\\x07\\x1b[2J\""},
      {"a NUL and a carriage return in a refused line", "n.txt", std::string("45 1\0x\r\n", 8),
       "invalid waypoint on line 1 of n.txt\n", "\"45 1\\x00x\""},
      {"invalid UTF-8 in a refused line", "u.txt", "45 10\n\xff\xfe 10\n", "invalid waypoint on line 2 of u.txt\n",
       "\"\\xff\\xfe 10\""},
      {"a GeoJSON type with a line feed", "r.geojson", "{\"type\": \"LineStr\\ng\", \"coordinates\": []}",
       "r.geojson holds no path and no points, only LineStr\\ng\n", ""},
      {"a geometry type quoted in a warning", "r.geojson",
       "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"geometry\":{\"type\":"
       "\"LineString\",\"coordinates\":[[10,45],[10,45.05]]}},{\"type\":\"Feature\",\"geometry\":{\"type\":"
       "\"Poly\\u001b[2Jgon\",\"coordinates\":[]}}]}",
       "", "left out: Poly\\x1b[2Jgon"},
      {"a file name that retitles the terminal", "route" + title + ".txt", "45 10\n45.045 10\n", "",
       "route\\x1b]0;pwned\\x07\\x1b[2J.txt: 2 waypoints"},
      {"a missing file whose name rings the bell", "", "", "cannot open file gone\\x07\\t.txt ",
       "vesk: gone\\x07\\t.txt: No such file or directory"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (!c.fileName.empty()) dir.write(c.fileName, c.content);
    const std::string name = c.fileName.empty() ? std::string("gone\x07\t.txt") : c.fileName;
    const vesk_result r = runVesk({name}, acceptDefaults, dir.path());
    for (const std::string* stream : {&r.output, &r.errors}) {
      for (const char ch : *stream) {
        const auto byte = static_cast<unsigned char>(ch);
        EXPECT_TRUE((byte >= 0x20 && byte != 0x7f && byte < 0x80) || ch == '\n') << c.what << ": " << *stream;
      }
    }
    if (!c.output.empty()) {
      EXPECT_EQ(afterDialogue(r.output), c.output) << c.what;
    }
    EXPECT_NE(r.errors.find(c.errors), std::string::npos) << c.what << ": " << r.errors;
  }
}

}  // namespace
