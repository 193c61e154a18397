// Failures as the operator meets them: the program's message on standard output as it
// always was, the system's reason and what is left on standard error; and text from
// files that would drive the terminal, which must reach neither stream raw.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runVesk.h"

namespace {

TEST(Failure, EachFailureSaysItsReasonOnStandardError) {
  struct failureCase {
    std::string setUp;  // "folder": ROUTE is a folder; "locked": ROUTE unreadable to uid 65534;
                        // "readOnly": the current folder; "huge": ROUTE above the size limit
    std::string route;
    bool asNobody;
    long long memoryLimit;
    std::string output;  // standard output, exactly
    std::string errors;  // standard error, exactly
  };
  const std::vector<failureCase> cases = {
      {"", "missing.txt", false, 0, "cannot open file missing.txt ", "vesk: missing.txt: No such file or directory\n"},
      {"folder", "routes", false, 0, "cannot open file routes ", "vesk: routes: it is a folder, not a file\n"},
      {"locked", "route.txt", true, 0, "cannot open file route.txt ", "vesk: route.txt: Permission denied\n"},
      {"readOnly", "route.txt", true, 0, "cannot write into the current folder\n",
       "vesk: .: Permission denied; no file was written and no question asked\n"},
      {"huge", "huge.txt", false, 0, "cannot open file huge.txt ",
       "vesk: huge.txt: more than 512 MiB, larger than any route; nothing was read\n"},
      // A stream without end, under a memory limit that runs out before the size limit.
      {"", "/dev/zero", false, 256LL << 20, "out of memory: cannot read file /dev/zero\n", ""},
  };
  for (const auto& c : cases) {
    if (c.asNobody && getuid() != 0) {
      std::printf("skipped %s as uid 65534: needs root\n", c.route.c_str());
      continue;
    }
#if defined(__SANITIZE_ADDRESS__)
    if (c.memoryLimit > 0) continue;  // the sanitizer reserves more address space than that
#endif
    TempDir dir;
    dir.write("route.txt", "45 10\n");
    chmod(dir.path().c_str(), c.setUp == "readOnly" ? 0755 : 0777);
    if (c.setUp == "folder") std::filesystem::create_directory(dir.file(c.route));
    if (c.setUp == "locked") chmod(dir.file(c.route).c_str(), 0600);
    if (c.setUp == "huge") {
      dir.write(c.route, "45 10\n");
      ASSERT_EQ(truncate(dir.file(c.route).c_str(), (512LL << 20) + 1), 0);
    }
    const vesk_result r = runVesk({c.route}, acceptDefaults, dir.path(), false, false, c.memoryLimit, c.asNobody);
    EXPECT_EQ(r.status, 1) << c.route;
    EXPECT_EQ(r.output, c.output) << c.setUp;
    EXPECT_EQ(r.errors, c.errors) << c.setUp;
  }
}

// On a terminal a reason after a message without a line end starts a line of its own,
// so that the shell's prompt does not land on it.
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
  waitpid(pid, nullptr, 0);
  close(master);
  EXPECT_EQ(screen, "cannot open file missing.txt \r\nvesk: missing.txt: No such file or directory\r\n");
}

// Escape sequences, BEL, NUL, a line feed and broken UTF-8 through each message path: a
// refusal and its reason, a warning quoting a value from the file, the route summary
// naming the file, and the reason of a file that cannot be opened.
TEST(Failure, HostileTextReachesNeitherStreamRaw) {
  struct hostileCase {
    std::string fileName;  // empty: a missing file whose name rings the bell
    std::string content;
    std::string shown;  // what either stream must hold
  };
  const std::string title = "\x1b]0;pwned\x07\x1b[2J";
  const std::vector<hostileCase> cases = {
      {"e.txt", "45 10\n45.1 10W" + title + "\n", "\"45.1 10W\\x1b]0;pwned\\x07\\x1b[2J\""},
      {"n.txt", std::string("45 1\0x\r\n", 8), "\"45 1\\x00x\""},
      {"u.txt", "45 10\n\xff\xfe 10\n", "\"\\xff\\xfe 10\""},
      {"r.geojson", "{\"type\": \"LineStr\\ng\", \"coordinates\": []}",
       "r.geojson holds no path and no points, only LineStr\\ng\n"},
      {"r.geojson",
       "{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\",\"geometry\":{\"type\":\"LineString\","
       "\"coordinates\":[[10,45],[10,45.05]]}},{\"type\":\"Feature\",\"geometry\":{\"type\":\"Poly\\u001b[2Jgon\"}}]}",
       "left out: Poly\\x1b[2Jgon"},
      {"route" + title + ".txt", "45 10\n45.045 10\n", "route\\x1b]0;pwned\\x07\\x1b[2J.txt: 2 waypoints"},
      {"", "", "cannot open file gone\\x07\\t.txt vesk: gone\\x07\\t.txt: No such file"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (!c.fileName.empty()) dir.write(c.fileName, c.content);
    const vesk_result r = runVesk({c.fileName.empty() ? "gone\x07\t.txt" : c.fileName}, acceptDefaults, dir.path());
    for (const char ch : r.output + r.errors) {
      const auto byte = static_cast<unsigned char>(ch);
      EXPECT_TRUE((byte >= 0x20 && byte < 0x7f) || ch == '\n') << c.shown << ": " << r.output << r.errors;
    }
    EXPECT_NE((r.output + r.errors).find(c.shown), std::string::npos) << r.output << r.errors;
  }
}

}  // namespace
