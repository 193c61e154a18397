// Route and area files as other tools save them: zipped as a KMZ, and as UTF-16.
#pragma once

#include <zlib.h>
#include <string>
#include <vector>

struct zipEntry {
  std::string name;
  std::string content;
  int method = Z_DEFLATED;  // 0: stored
  const char* password = nullptr;
};

// A zip archive of `entries`, made with the zip library's own writer.
std::string zipOf(const std::vector<zipEntry>& entries);

// `text` as UTF-16 with a byte order mark.
std::string utf16Of(const std::u16string& text, bool little);
std::string utf16Of(const std::string& ascii, bool little);
