#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

namespace {

fileIdentity identityFrom(const struct stat& info) {
  fileIdentity id;
  id.device = static_cast<unsigned long long>(info.st_dev);
  id.file = static_cast<unsigned long long>(info.st_ino);
  id.size = static_cast<unsigned long long>(info.st_size);
  id.modified =
      static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + static_cast<long long>(info.st_mtim.tv_nsec);
  return id;
}

std::string userText(uid_t uid) {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  const std::string number = "uid " + std::to_string(uid);
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) return number;
  return std::string(found->pw_name) + " (" + number + ")";
}

fileFacts factsFrom(const struct stat& info) {
  fileFacts facts;
  facts.exists = true;
  facts.link = S_ISLNK(info.st_mode);
  facts.plain = S_ISREG(info.st_mode);
  facts.folder = S_ISDIR(info.st_mode);
  facts.ownedByUser = info.st_uid == ::geteuid();
  facts.names = static_cast<unsigned long long>(info.st_nlink);
  // Looked up only for a message: the user database may take a while to ask.
  if (!facts.ownedByUser) facts.owner = userText(info.st_uid);
  facts.identity = identityFrom(info);
  return facts;
}

}  // namespace

fileFacts factsAt(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return {};
  return factsFrom(info);
}

fileFacts factsOf(fileHandle file) {
  struct stat info {};
  if (::fstat(static_cast<int>(file), &info) != 0) return {};
  return factsFrom(info);
}

fileHandle openUnfollowed(const std::string& path) {
  // O_NONBLOCK: opening a FIFO waits for a writer, and a device may wait for a line.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

std::string userName() { return userText(::geteuid()); }

bool flushAndClose(fileHandle file, fileIdentity* identity) {
  const bool flushed = ::fsync(static_cast<int>(file)) == 0;
  const int flushError = errno;
  // Taken once the data is on the disk: a network file system sets the time of the last
  // write when the data reaches it.
  struct stat info {};
  if (identity != nullptr && ::fstat(static_cast<int>(file), &info) == 0) *identity = identityFrom(info);
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

bool forEachEntry(const std::string& folder, const std::function<void(const std::string&)>& each) {
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
  if (!listing) return false;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") each(name);
  }
  return true;
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
  // Copied before anything is held: when memory runs out here, nothing is half done.
  std::string name = path;
  holdInterrupts();
  if (guardedCount < static_cast<std::sig_atomic_t>(maxGuarded)) {
    guardedNames[static_cast<size_t>(guardedCount)].swap(name);
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

namespace {

// The first line of `path` that starts with `key`, without the key; empty when there is none.
std::string lineOf(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
  }
  return "";
}

// Who holds the lock on the open folder `fd`, from the system's table of locks (Linux);
// `otherUser` when it is a process of another user, or one this user may not look at.
std::string lockHolder(int fd, bool& otherUser) {
  otherUser = false;
  struct stat info {};
  if (::fstat(fd, &info) != 0) return "another process";
  // "1: FLOCK  ADVISORY  WRITE 4242 08:01:1234567 0 EOF"; waiters have "->" after the number.
  char folder[64];
  std::snprintf(folder, sizeof folder, "%02x:%02x:%llu", ::major(info.st_dev), ::minor(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  long pid = 0;
  while (pid <= 0 && std::getline(locks, line)) {
    std::istringstream fields(line);
    std::vector<std::string> field;
    for (std::string f; fields >> f;) field.push_back(f);
    if (field.size() >= 6 && field[1] == "FLOCK" && field[5] == folder) {
      pid = std::strtol(field[4].c_str(), nullptr, 10);
    }
  }
  if (pid <= 0) return "another process";
  const std::string proc = "/proc/" + std::to_string(pid);
  std::string name = lineOf(proc + "/comm", "");
  std::istringstream uids(lineOf(proc + "/status", "Uid:"));
  long long real = -1;
  long long effective = -1;
  uids >> real >> effective;
  const std::string process = "process " + std::to_string(pid) + (name.empty() ? "" : " (" + name + ")");
  if (effective < 0) {
    otherUser = true;  // hidden from this user
    return process + " of another user";
  }
  otherUser = static_cast<uid_t>(effective) != ::geteuid();
  return process + " of " + userText(static_cast<uid_t>(effective));
}

}  // namespace

folderLock::folderLock(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    taken_ = true;  // nothing to lock with: the renames go ahead as they would without locks
    return;
  }
  handle_ = fd;
  // Another run holds the folder only while it renames its set: a few milliseconds. After
  // a second the holder is looked up: a process of another user is named at once.
  const auto start = std::chrono::steady_clock::now();
  bool lookedUp = false;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      taken_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      taken_ = true;  // a file system without locks
      return;
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    bool otherUser = false;
    if (!lookedUp && waited > std::chrono::seconds(1)) {
      lookedUp = true;
      holder_ = lockHolder(fd, otherUser);
      if (otherUser) return;
    }
    if (waited > std::chrono::seconds(10)) {
      holder_ = lockHolder(fd, otherUser);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

folderLock::~folderLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace platform
