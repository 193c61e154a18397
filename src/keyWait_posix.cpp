#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "keyWait.h"

void waitForKey() {
  std::fflush(stdout);
  if (isatty(STDIN_FILENO) == 0) return;
  const int fd = open("/dev/tty", O_RDWR | O_NOCTTY);
  if (fd < 0) return;
  termios saved{};
  if (tcgetattr(fd, &saved) != 0) {
    close(fd);
    return;
  }
  termios raw = saved;
  // Signals are off while waiting so that the terminal settings are always restored;
  // an interrupt key is passed on afterwards.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  unsigned char key = 0;
  if (tcsetattr(fd, TCSANOW, &raw) == 0) {
    ssize_t n = 0;
    do {
      n = read(fd, &key, 1);
    } while (n < 0 && errno == EINTR);
    tcsetattr(fd, TCSANOW, &saved);
  }
  close(fd);
  if (key != 0 && key == saved.c_cc[VINTR]) std::raise(SIGINT);
}
