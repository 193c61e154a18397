#include "runMessages.h"

#include <cstdio>
#include <string>

// Messages may quote the waypoint file, NUL bytes included: written whole, so that no
// message loses its end and its line end.
void failRun(const std::string& message, const std::string& reason) {
  std::fwrite(message.data(), 1, message.size(), stdout);
  if (!reason.empty()) toStderr(reason);
  throw runEnd{1};
}

void toStderr(const std::string& line) {
  std::fflush(stdout);
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::vector<std::string> runWarnings;

void warn(const std::string& text) {
  toStderr("warning: " + text);
  runWarnings.push_back(text);
}
