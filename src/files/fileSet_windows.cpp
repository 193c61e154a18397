#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <restartmanager.h>
#include <sddl.h>

#include <array>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

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

namespace {

// The user's own SIDs: the account, and the default owner of what it creates (the
// Administrators group for an elevated administrator).
std::vector<std::vector<unsigned char>> userSids() {
  std::vector<std::vector<unsigned char>> sids;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return sids;
  for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size)) continue;
    const PSID sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                       : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
    const DWORD length = ::GetLengthSid(sid);
    const unsigned char* const bytes = static_cast<const unsigned char*>(sid);
    sids.emplace_back(bytes, bytes + length);
  }
  ::CloseHandle(token);
  return sids;
}

bool isUserSid(PSID sid) {
  for (std::vector<unsigned char>& own : userSids()) {
    if (::EqualSid(sid, own.data())) return true;
  }
  return false;
}

// "DOMAIN\name", or the SID itself when the account is not known here.
std::string sidText(PSID sid) {
  char name[256];
  char domain[256];
  DWORD nameSize = sizeof name;
  DWORD domainSize = sizeof domain;
  SID_NAME_USE use{};
  if (::LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) {
    return domainSize > 0 ? std::string(domain) + "\\" + name : std::string(name);
  }
  char* text = nullptr;
  std::string shown = "an unknown account";
  if (::ConvertSidToStringSidA(sid, &text) && text != nullptr) {
    shown = text;
    ::LocalFree(text);
  }
  return shown;
}

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

std::string userName() {
  HANDLE token = nullptr;
  std::string name = "this user";
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return name;
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    name = sidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
  }
  ::CloseHandle(token);
  return name;
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

bool rename(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool remove(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

void syncFolder(const std::string&) {
  // MOVEFILE_WRITE_THROUGH has already made each new name durable.
}

std::string uniqueTag() {
  static std::mt19937_64 generator{std::random_device{}() ^
                                   (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32)};
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

// ---- Other runs ----

namespace {

std::string utf8Of(const WCHAR* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

// Who has the lock file `path` open, as the Restart Manager tells; `otherUser` when it is
// a process of another user, or one this user may not look at.
std::string lockHolder(const std::string& path, bool& otherUser) {
  otherUser = false;
  std::string holder = "another process";
  // The narrow name in the code page the file calls use.
  const int size = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (size <= 0) return holder;
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), size);
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (::RmStartSession(&session, 0, key) != ERROR_SUCCESS) return holder;
  LPCWSTR resources[] = {wide.c_str()};
  UINT needed = 0;
  UINT count = 0;
  DWORD reasons = 0;
  std::vector<RM_PROCESS_INFO> processes;
  if (::RmRegisterResources(session, 1, resources, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
      ::RmGetList(session, &needed, &count, nullptr, &reasons) == ERROR_MORE_DATA && needed > 0) {
    processes.resize(needed);
    count = needed;
    if (::RmGetList(session, &needed, &count, processes.data(), &reasons) != ERROR_SUCCESS) count = 0;
    processes.resize(count);
  }
  ::RmEndSession(session);
  if (processes.empty()) return holder;
  const DWORD pid = processes.front().Process.dwProcessId;
  const std::string name = utf8Of(processes.front().strAppName);
  holder = "process " + std::to_string(pid) + (name.empty() ? "" : " (" + name + ")");
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  HANDLE token = nullptr;
  std::vector<unsigned char> buffer;
  DWORD tokenSize = 0;
  if (process != nullptr && ::OpenProcessToken(process, TOKEN_QUERY, &token)) {
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &tokenSize);
    buffer.resize(tokenSize);
    if (tokenSize == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), tokenSize, &tokenSize))
      buffer.clear();
    ::CloseHandle(token);
  }
  if (process != nullptr) ::CloseHandle(process);
  if (buffer.empty()) {
    otherUser = true;
    return holder + " of another user";
  }
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  otherUser = !isUserSid(sid);
  return holder + " of " + sidText(sid);
}

}  // namespace

folderLock::folderLock(const std::string& folder) {
  const std::string path = (folder.empty() ? std::string() : folder + "/") + ".vesk.lock";
  // Opened without sharing, the file admits one run at a time; it goes when closed, also
  // when a run dies holding it. After a second the holder is looked up: a process of
  // another user is named at once.
  const auto start = std::chrono::steady_clock::now();
  bool lookedUp = false;
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
    const auto waited = std::chrono::steady_clock::now() - start;
    bool otherUser = false;
    if (!lookedUp && waited > std::chrono::seconds(1)) {
      lookedUp = true;
      holder_ = lockHolder(path, otherUser);
      if (otherUser) return;
    }
    if (waited > std::chrono::seconds(10)) {
      holder_ = lockHolder(path, otherUser);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

folderLock::~folderLock() {
  if (handle_ != -1) ::CloseHandle(toHandle(handle_));
}

}  // namespace platform
