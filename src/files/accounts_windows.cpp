// The accounts of Windows: who runs the program, and whose a file or a process is.
#include <windows.h>
// After windows.h, which they need.
#include <sddl.h>

#include <string>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/platform_windows.h"

namespace platform {

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

}  // namespace

bool isUserSid(PSID sid) {
  for (std::vector<unsigned char>& own : userSids()) {
    if (::EqualSid(sid, own.data())) return true;
  }
  return false;
}

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

}  // namespace platform
