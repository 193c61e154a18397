// The sampler reminder on a real terminal: the run waits for one key, which needs no
// Enter, is not echoed and is not taken from the answers. A pseudo-terminal of the test's
// own stands in for the operator's console, and the test presses the key itself.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

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

}  // namespace
