#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>

#include "console/keyWait.h"

namespace {

// What the signal handler needs to give the operator's terminal back: fixed slots, set
// before the terminal is changed.
int terminal = -1;
termios saved{};
volatile std::sig_atomic_t changed = 0;

const std::array<int, 3> stops = {SIGINT, SIGTERM, SIGHUP};

extern "C" void restoreAndStop(int sig) {
  // tcsetattr is safe in a signal handler: a run ended while it waits for the key must
  // not leave the shell without echo and line editing.
  if (changed != 0) ::tcsetattr(terminal, TCSANOW, &saved);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

ssize_t readByte(int fd, unsigned char& byte) {
  ssize_t n = 0;
  do {
    n = ::read(fd, &byte, 1);
  } while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

void waitForKey() {
  std::fflush(stdout);
  if (isatty(STDIN_FILENO) == 0) return;
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  if (tcgetattr(fd, &saved) != 0) {
    close(fd);
    return;
  }
  terminal = fd;
  std::array<struct sigaction, 3> previous{};
  struct sigaction action {};
  action.sa_handler = restoreAndStop;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < stops.size(); ++i) {
    ::sigaction(stops[i], nullptr, &previous[i]);
    // A stop the operator asked to be ignored (nohup) stays ignored.
    if (previous[i].sa_handler != SIG_IGN) ::sigaction(stops[i], &action, nullptr);
  }
  termios raw = saved;
  // Signals from the keyboard are off while waiting so that the terminal settings are
  // always restored; an interrupt key is passed on afterwards.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  unsigned char key = 0;
  changed = 1;
  if (tcsetattr(fd, TCSANOW, &raw) == 0) {
    readByte(fd, key);
    // An arrow or function key sends several bytes at once (ESC [ A): all of them are
    // the one key, and none may reach the shell after the run as typed text. What
    // follows within a tenth of a second belongs to it.
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 1;
    unsigned char rest = 0;
    if (tcsetattr(fd, TCSANOW, &raw) == 0) {
      for (int i = 0; i < 64 && readByte(fd, rest) > 0; ++i) {
      }
    }
  }
  tcsetattr(fd, TCSANOW, &saved);
  changed = 0;
  for (size_t i = 0; i < stops.size(); ++i) ::sigaction(stops[i], &previous[i], nullptr);
  terminal = -1;
  close(fd);
  if (key != 0 && key == saved.c_cc[VINTR]) std::raise(SIGINT);
}
