// The sampler reminder on a real terminal: the run waits for one key, which needs no
// Enter, is not echoed and is not taken from the answers. A pseudo-terminal of the test's
// own stands in for the operator's console, and the test presses the key itself.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runVesk.h"

namespace {

// Reads what the program shows until `what` appears or `seconds` pass.
bool readUntil(int fd, std::string& screen, const std::string& what, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (screen.find(what) == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) return screen.find(what) != std::string::npos;
    screen.append(buf, static_cast<size_t>(n));
  }
  return true;
}

TEST(KeyWait, SamplerReminderWaitsForOneKeyOnATerminal) {
  TempDir dir;
  dir.write("route.txt", "45 10\n45.045 10\n");
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(126);
    execl(VESK_BINARY, VESK_BINARY, "route.txt", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string screen;
  const std::string answers = "0\ny\n0\ny\n";
  ASSERT_EQ(write(master, answers.data(), answers.size()), static_cast<ssize_t>(answers.size()));
  ASSERT_TRUE(readUntil(master, screen, "Hit any key to continue", 20)) << screen;

  // Nothing more happens until a key comes.
  EXPECT_FALSE(readUntil(master, screen, "Wrote", 0.5)) << screen;
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0);

  const size_t before = screen.size();
  ASSERT_EQ(write(master, "Z", 1), 1);  // a letter nothing the program prints holds
  EXPECT_TRUE(readUntil(master, screen, "Wrote survey line", 20)) << screen;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(screen.find('Z', before), std::string::npos) << "the key must not be echoed";
  close(master);
  int outputs = 0;
  for (const auto& name : dir.list()) outputs += name != "route.txt";
  EXPECT_EQ(outputs, 3);
}

// An arrow or function key sends several bytes, and a run may be stopped while it waits:
// the shell that started it must then read nothing of the key and find its terminal as
// it was. The child runs the program as a shell would, then records the terminal's modes
// and the input left over; the program's pid is in "pid".
TEST(KeyWait, AKeyOfSeveralBytesOrAStopLeavesNothingTypedAndTheTerminalAsItWas) {
  struct waitCase {
    std::string key;  // pressed at the wait; empty: the run is stopped instead
    int stop;
    int status;  // the child's: the program's exit status, or 100 and its signal
  };
  const std::vector<waitCase> cases = {
      {"\x1b[A", 0, 0}, {"\x1bOP", 0, 0}, {"\xce\xb1", 0, 0}, {"", SIGTERM, 100 + SIGTERM}, {"", SIGHUP, 100 + SIGHUP}};
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", "45 10\n45.045 10\n");
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir.path().c_str()) != 0) _exit(126);
      const pid_t program = fork();
      if (program == 0) _exit(execl(VESK_BINARY, VESK_BINARY, "route.txt", static_cast<char*>(nullptr)));
      std::ofstream("pid") << program;
      int status = 0;
      waitpid(program, &status, 0);
      termios modes{};
      tcgetattr(0, &modes);
      std::ofstream("modes") << ((modes.c_lflag & ECHO) != 0) << ((modes.c_lflag & ICANON) != 0);
      modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
      modes.c_cc[VMIN] = 0;
      modes.c_cc[VTIME] = 3;
      tcsetattr(0, TCSANOW, &modes);
      char left[64];
      std::ofstream("left", std::ios::binary).write(left, std::max<ssize_t>(read(0, left, sizeof left), 0));
      _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status));
    }
    std::string screen;
    ASSERT_EQ(write(master, "0\ny\n0\ny\n", 8), 8);
    ASSERT_TRUE(readUntil(master, screen, "Hit any key to continue", 20)) << screen;
    if (c.stop == 0) {
      ASSERT_EQ(write(master, c.key.data(), c.key.size()), static_cast<ssize_t>(c.key.size()));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the wait has begun
      pid_t program = 0;
      std::ifstream(dir.file("pid")) >> program;
      ASSERT_GT(program, 0);
      kill(program, c.stop);
    }
    readUntil(master, screen, "never printed", 1.5);  // so that the child never blocks on output
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << c.stop << " " << status;
    EXPECT_EQ(readFile(dir.file("modes")), "11") << c.stop << ": echo and line editing must be back";
    EXPECT_EQ(readFile(dir.file("left")), "") << c.stop << ": nothing of the key may reach the shell";
  }
}

}  // namespace
