#include <windows.h>

#include <array>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "files/fileSetPlatform.h"

namespace platform {

namespace {
HANDLE toHandle(fileHandle file) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file)); }
}  // namespace

fileHandle createNew(const std::string& path) {
  // CREATE_NEW fails on any existing name, a link included. Deleting is shared so that an
  // interruption can remove the file while it is still open.
  const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return noFile;
  return static_cast<fileHandle>(reinterpret_cast<intptr_t>(h));
}

std::string lastError() {
  const DWORD code = ::GetLastError();
  char* text = nullptr;
  const DWORD size =
      ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = size > 0 && text != nullptr ? std::string(text, size) : "error " + std::to_string(code);
  if (text != nullptr) ::LocalFree(text);
  // The system's text ends in a full stop and a line end; the messages add their own.
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

fileHandle openForReading(const std::string& path) {
  // FILE_FLAG_BACKUP_SEMANTICS opens a folder too, so that it is told apart from a file
  // that is missing.
  const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return noFile;
  return static_cast<fileHandle>(reinterpret_cast<intptr_t>(h));
}

long long readSome(fileHandle file, char* data, size_t size) {
  const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!::ReadFile(toHandle(file), data, chunk, &got, nullptr)) {
    // The writing end of a pipe closed: the end of the input.
    return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return static_cast<long long>(got);
}

long long plainFileSize(fileHandle file) {
  if (::GetFileType(toHandle(file)) != FILE_TYPE_DISK || isFolder(file)) return -1;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(toHandle(file), &size)) return -1;
  return static_cast<long long>(size.QuadPart);
}

bool isFolder(fileHandle file) {
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileInformationByHandle(toHandle(file), &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool writeAll(fileHandle file, const char* data, size_t size) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(toHandle(file), data, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool flushAndClose(fileHandle file) {
  const bool flushed = ::FlushFileBuffers(toHandle(file)) != 0;
  const DWORD flushError = ::GetLastError();
  const bool closed = close(file);
  if (!flushed) ::SetLastError(flushError);
  return flushed && closed;
}

bool close(fileHandle file) { return ::CloseHandle(toHandle(file)) != 0; }

void closeQuietly(fileHandle file) {
  if (file != noFile) ::CloseHandle(toHandle(file));
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool rename(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool remove(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

void syncFolder(const std::string&) {
  // MOVEFILE_WRITE_THROUGH has already made each new name durable.
}

std::string uniqueTag() {
  // Seeded afresh for each name from the system's randomness, the process and the clock:
  // no state is kept between names, and two names of one run still differ.
  std::random_device randomness;
  std::seed_seq seed{randomness(), randomness(), static_cast<unsigned>(::GetCurrentProcessId()),
                     static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
  std::mt19937_64 generator(seed);
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string tag;
  for (int i = 0; i < 10; ++i) tag += digits[generator() % 36];
  return tag;
}

// ---- Interruptions ----

namespace {

// The console runs its control handler on a thread of its own: the handler and the writing
// thread take turns through this lock, which the writing thread also holds while it gives
// the set its names.
CRITICAL_SECTION guardLock;
const bool guardLockReady = (::InitializeCriticalSection(&guardLock), true);
constexpr size_t maxGuarded = 32;
std::array<std::string, maxGuarded> guardedNames;
size_t guardedCount = 0;
bool interrupted = false;

BOOL WINAPI removeGuardedAndStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  ::EnterCriticalSection(&guardLock);
  interrupted = true;
  for (size_t i = 0; i < guardedCount; ++i) ::DeleteFileA(guardedNames[i].c_str());
  guardedCount = 0;
  ::LeaveCriticalSection(&guardLock);
  return FALSE;  // the console's own handling ends the run with its usual status
}

}  // namespace

void startGuard() {
  (void)guardLockReady;
  guardedCount = 0;
  ::SetConsoleCtrlHandler(removeGuardedAndStop, TRUE);
}

void guard(const std::string& path) {
  ::EnterCriticalSection(&guardLock);
  if (guardedCount < maxGuarded) guardedNames[guardedCount++] = path;
  ::LeaveCriticalSection(&guardLock);
}

void clearGuard() {
  ::EnterCriticalSection(&guardLock);
  guardedCount = 0;
  ::LeaveCriticalSection(&guardLock);
}

void endGuard() {
  clearGuard();
  ::SetConsoleCtrlHandler(removeGuardedAndStop, FALSE);
}

void holdInterrupts() { ::EnterCriticalSection(&guardLock); }

void releaseInterrupts() {
  const bool stop = interrupted;
  ::LeaveCriticalSection(&guardLock);
  // The console is ending the run: do not start anything new meanwhile.
  if (stop) ::Sleep(INFINITE);
}

// ---- Other runs ----

folderLock::folderLock(const std::string& folder) {
  const std::string path = (folder.empty() ? std::string() : folder + "/") + ".vesk.lock";
  // Opened without sharing, the file admits one run at a time; it goes when closed, also
  // when a run dies holding it.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = static_cast<long long>(reinterpret_cast<intptr_t>(h));
      taken_ = true;
      return;
    }
    if (::GetLastError() != ERROR_SHARING_VIOLATION && ::GetLastError() != ERROR_ACCESS_DENIED) {
      taken_ = true;  // nothing to lock with: the renames go ahead as they would without locks
      return;
    }
    if (std::chrono::steady_clock::now() > giveUp) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

folderLock::~folderLock() {
  if (handle_ != -1) ::CloseHandle(toHandle(handle_));
}

}  // namespace platform
