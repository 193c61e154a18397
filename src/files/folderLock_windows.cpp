// The folder's lock on Windows, and who holds it when another run does.
#include <windows.h>
// After windows.h, which they need.
#include <restartmanager.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/platform_windows.h"

namespace platform {

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
