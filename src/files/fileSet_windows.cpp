#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>

#include <array>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/platform_windows.h"

namespace platform {

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

namespace {

fileIdentity identityFrom(const BY_HANDLE_FILE_INFORMATION& info) {
  fileIdentity id;
  id.device = info.dwVolumeSerialNumber;
  id.file = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  id.modified = static_cast<long long>((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                       info.ftLastWriteTime.dwLowDateTime);
  return id;
}

}  // namespace

fileFacts factsOf(fileHandle file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(toHandle(file), &info)) return {};
  fileFacts facts;
  facts.exists = true;
  facts.link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.plain = !facts.link && !facts.folder && ::GetFileType(toHandle(file)) == FILE_TYPE_DISK;
  facts.names = info.nNumberOfLinks;
  facts.identity = identityFrom(info);
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(toHandle(file), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) == ERROR_SUCCESS &&
      owner != nullptr) {
    facts.ownedByUser = isUserSid(owner);
    if (!facts.ownedByUser) facts.owner = sidText(owner);
  } else {
    facts.owner = "an owner that cannot be read";
  }
  if (descriptor != nullptr) ::LocalFree(descriptor);
  return facts;
}

fileFacts factsAt(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {};
  // The link itself, not what it leads to; a folder too.
  const HANDLE h = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    // There, but not to be looked at: its identity matches nothing.
    fileFacts facts;
    facts.exists = true;
    facts.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.owner = "an owner that cannot be read";
    return facts;
  }
  const fileFacts facts = factsOf(static_cast<fileHandle>(reinterpret_cast<intptr_t>(h)));
  ::CloseHandle(h);
  return facts;
}

fileHandle openUnfollowed(const std::string& path) {
  // A pipe has no name in a folder on Windows: only a link can redirect the read.
  const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return noFile;
  return static_cast<fileHandle>(reinterpret_cast<intptr_t>(h));
}

bool flushAndClose(fileHandle file, fileIdentity* identity) {
  const bool flushed = ::FlushFileBuffers(toHandle(file)) != 0;
  const DWORD flushError = ::GetLastError();
  // The file system may set the time of the last write only when a written file is
  // closed: the identity is read afterwards, through the file's own path.
  std::wstring path;
  if (identity != nullptr) {
    const DWORD size = ::GetFinalPathNameByHandleW(toHandle(file), nullptr, 0, FILE_NAME_NORMALIZED);
    path.resize(size);
    const DWORD length =
        size == 0 ? 0 : ::GetFinalPathNameByHandleW(toHandle(file), path.data(), size, FILE_NAME_NORMALIZED);
    path.resize(length < size ? length : 0);
  }
  const bool closed = close(file);
  const DWORD closeError = ::GetLastError();
  if (!path.empty()) {
    const HANDLE h =
        ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info)) *identity = identityFrom(info);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  ::SetLastError(flushed ? closeError : flushError);
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

bool forEachEntry(const std::string& folder, const std::function<void(const std::string&)>& each) {
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> closer(search, ::FindClose);
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") each(name);
  } while (::FindNextFileA(search, &found));
  return true;
}

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
  // Copied before the lock is taken: when memory runs out here, nothing is half done.
  std::string name = path;
  ::EnterCriticalSection(&guardLock);
  if (guardedCount < maxGuarded) guardedNames[guardedCount++].swap(name);
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

}  // namespace platform
