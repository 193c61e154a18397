#include "routes/routeEncoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/characters.h"

namespace {

// Every other byte NUL over the start of the file and the bytes between not all NUL: the
// ASCII of a route saved as UTF-16 by a tool that wrote no mark.
bool looksLikeUnmarkedUtf16(std::string_view content) {
  const size_t checked = std::min<size_t>(content.size(), 1024) & ~size_t{1};
  if (checked < 2) return false;
  bool nulAt[2] = {true, true};
  bool textAt[2] = {false, false};
  for (size_t i = 0; i < checked; ++i) {
    if (content[i] != '\0') {
      nulAt[i % 2] = false;
      textAt[i % 2] = true;
    }
  }
  return (nulAt[0] && textAt[1]) || (nulAt[1] && textAt[0]);
}

bool startsWith(std::string_view content, std::string_view mark) { return content.substr(0, mark.size()) == mark; }

}  // namespace

unicodeText fromUtf16(std::string_view content) {
  unicodeText result;
  const std::string_view utf32Le("\xFF\xFE\0\0", 4);
  const std::string_view utf32Be("\0\0\xFE\xFF", 4);
  if (startsWith(content, utf32Le) || startsWith(content, utf32Be)) {
    result.problem = "is UTF-32 text; save it as UTF-8 or UTF-16";
    return result;
  }
  const bool little = startsWith(content, "\xFF\xFE");
  if (!little && !startsWith(content, "\xFE\xFF")) {
    if (looksLikeUnmarkedUtf16(content)) {
      result.problem =
          "looks like UTF-16 text without a byte order mark (every other byte is NUL); save it as UTF-8, or as "
          "UTF-16 with a byte order mark";
    }
    return result;
  }
  if (content.size() % 2 != 0) {
    result.problem = "is UTF-16 text that ends in the middle of a character";
    return result;
  }
  std::string& text = result.text;
  text.reserve(content.size() / 2);
  long long line = 1;
  uint32_t previous = 0;
  for (size_t i = 2; i < content.size(); i += 2) {
    const auto unitAt = [&](size_t at) {
      const uint32_t first = static_cast<unsigned char>(content[at]);
      const uint32_t second = static_cast<unsigned char>(content[at + 1]);
      return little ? first | second << 8 : first << 8 | second;
    };
    uint32_t code = unitAt(i);
    if (code >= 0xD800 && code <= 0xDFFF) {
      const uint32_t low = code <= 0xDBFF && i + 2 < content.size() ? unitAt(i + 2) : 0;
      if (low < 0xDC00 || low > 0xDFFF) {
        result.problem = "is UTF-16 text with an unpaired surrogate on line " + std::to_string(line);
        result.text.clear();
        return result;
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    // Lines end in LF, CR LF or a lone CR, as the text reader counts them.
    if (code == '\r' || (code == '\n' && previous != '\r')) ++line;
    previous = code;
    appendUtf8(text, code);
  }
  result.converted = true;
  return result;
}
