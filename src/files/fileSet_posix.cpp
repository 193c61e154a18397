#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "files/fileSetPlatform.h"

namespace platform {

fileHandle createNew(const std::string& path) {
  // 0666 less the umask, as for any file the operator creates.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::string lastError() { return std::strerror(errno); }

fileHandle openForReading(const std::string& path) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

long long readSome(fileHandle file, char* data, size_t size) {
  ssize_t n = 0;
  do {
    n = ::read(static_cast<int>(file), data, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

long long plainFileSize(fileHandle file) {
  struct stat info {};
  if (::fstat(static_cast<int>(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

bool isFolder(fileHandle file) {
  struct stat info {};
  return ::fstat(static_cast<int>(file), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeAll(fileHandle file, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(file), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool flushAndClose(fileHandle file) {
  const bool flushed = ::fsync(static_cast<int>(file)) == 0;
  const int flushError = errno;
  const bool closed = close(file);
  if (!flushed) errno = flushError;
  return flushed && closed;
}

bool close(fileHandle file) { return ::close(static_cast<int>(file)) == 0; }

void closeQuietly(fileHandle file) {
  if (file != noFile) ::close(static_cast<int>(file));
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::string uniqueTag() {
  // Seeded afresh for each name from the system's randomness, the process and the clock:
  // no state is kept between names, and two names of one run still differ.
  std::random_device randomness;
  std::seed_seq seed{randomness(), randomness(), static_cast<unsigned>(::getpid()),
                     static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
  std::mt19937_64 generator(seed);
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag;
  for (int i = 0; i < 10; ++i) tag += digits[generator() % 36];
  return tag;
}

// ---- Interruptions ----

namespace {

const std::array<int, 3> interruptions = {SIGINT, SIGTERM, SIGHUP};

// The temporary files an interruption removes. The handler reads only these fixed slots,
// filled while interruptions are blocked: no allocation, no lock, only unlink.
constexpr size_t maxGuarded = 32;
std::array<std::string, maxGuarded> guardedNames;
const char* volatile guardedPaths[maxGuarded];
volatile std::sig_atomic_t guardedCount = 0;
std::array<struct sigaction, 3> previous{};
sigset_t maskBeforeHold;
int holds = 0;  // holdInterrupts may be nested

sigset_t interruptionSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : interruptions) sigaddset(&set, sig);
  return set;
}

extern "C" void removeGuardedAndStop(int sig) {
  for (std::sig_atomic_t i = 0; i < guardedCount; ++i) ::unlink(guardedPaths[i]);
  // End the run the way the interruption would have, with its usual status.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

void startGuard() {
  guardedCount = 0;
  struct sigaction action {};
  action.sa_handler = removeGuardedAndStop;
  sigemptyset(&action.sa_mask);
  for (const int sig : interruptions) sigaddset(&action.sa_mask, sig);
  for (size_t i = 0; i < interruptions.size(); ++i) {
    ::sigaction(interruptions[i], nullptr, &previous[i]);
    // An interruption the operator asked to be ignored (nohup) stays ignored.
    if (previous[i].sa_handler != SIG_IGN) ::sigaction(interruptions[i], &action, nullptr);
  }
}

void guard(const std::string& path) {
  holdInterrupts();
  if (guardedCount < static_cast<std::sig_atomic_t>(maxGuarded)) {
    guardedNames[static_cast<size_t>(guardedCount)] = path;
    guardedPaths[guardedCount] = guardedNames[static_cast<size_t>(guardedCount)].c_str();
    std::atomic_signal_fence(std::memory_order_seq_cst);
    guardedCount = guardedCount + 1;
  }
  releaseInterrupts();
}

void clearGuard() { guardedCount = 0; }

void endGuard() {
  guardedCount = 0;
  for (size_t i = 0; i < interruptions.size(); ++i) ::sigaction(interruptions[i], &previous[i], nullptr);
}

void holdInterrupts() {
  if (holds++ > 0) return;
  const sigset_t held = interruptionSet();
  ::sigprocmask(SIG_BLOCK, &held, &maskBeforeHold);
}

void releaseInterrupts() {
  if (--holds > 0) return;
  ::sigprocmask(SIG_SETMASK, &maskBeforeHold, nullptr);
}

// ---- Other runs ----

folderLock::folderLock(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    taken_ = true;  // nothing to lock with: the renames go ahead as they would without locks
    return;
  }
  handle_ = fd;
  // Another run holds the folder only while it renames its set: a few milliseconds.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      taken_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      taken_ = true;  // a file system without locks
      return;
    }
    if (std::chrono::steady_clock::now() > giveUp) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

folderLock::~folderLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace platform
