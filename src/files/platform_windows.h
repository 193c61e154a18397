// What the Windows halves of the file set share: handles as the platform layer keeps them,
// and the accounts files and processes belong to. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "files/fileSetPlatform.h"

namespace platform {

inline HANDLE toHandle(fileHandle file) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file)); }

// Whether `sid` is the user running the program, or the owner it gives what it creates.
bool isUserSid(PSID sid);

// "DOMAIN\name", or the SID itself when the account is not known here.
std::string sidText(PSID sid);

}  // namespace platform
