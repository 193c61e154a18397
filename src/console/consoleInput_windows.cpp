#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/consoleInput.h"

namespace {

UINT savedOutputCodePage = 0;

void restoreOutputCodePage() {
  std::fflush(stdout);
  ::SetConsoleOutputCP(savedOutputCodePage);
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode) != 0;
}

// Typed text not yet handed out, as UTF-8.
std::string pending;
size_t next = 0;
bool ended = false;

// Reads what the operator typed (a line, normally) as UTF-16, which holds every
// character whatever the console's code page, and keeps it as UTF-8. A high surrogate
// at the end of a read waits for its partner, so no character is ever cut in two.
bool refill(HANDLE input) {
  static std::wstring carried;
  wchar_t chunk[4096];
  for (;;) {
    DWORD count = 0;
    if (::ReadConsoleW(input, chunk, static_cast<DWORD>(sizeof chunk / sizeof chunk[0]), &count, nullptr) == 0 ||
        count == 0) {
      return false;
    }
    std::wstring text = carried + std::wstring(chunk, count);
    carried.clear();
    // Ctrl+Z at the start of a line ends the input, as it does for the C runtime.
    if (text[0] == 0x1A) return false;
    if (text.back() >= 0xD800 && text.back() <= 0xDBFF) {
      carried = text.back();
      text.pop_back();
      if (text.empty()) continue;
    }
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    pending.assign(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), pending.data(), size, nullptr,
                          nullptr);
    next = 0;
    return true;
  }
}

}  // namespace

void prepareConsole() {
  if (savedOutputCodePage != 0 || !isConsole(::GetStdHandle(STD_OUTPUT_HANDLE))) return;
  savedOutputCodePage = ::GetConsoleOutputCP();
  if (savedOutputCodePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8) != 0) {
    std::atexit(restoreOutputCodePage);
  }
}

int nextInputByte() {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  if (!isConsole(input)) return std::getc(stdin);
  if (next == pending.size()) {
    if (ended || !refill(input)) {
      ended = true;
      return EOF;
    }
  }
  return static_cast<unsigned char>(pending[next++]);
}

bool inputIsConsole() { return isConsole(::GetStdHandle(STD_INPUT_HANDLE)); }
