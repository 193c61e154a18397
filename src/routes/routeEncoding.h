// Route files as Windows editors save them "Unicode": UTF-16 with a byte order mark, little
// or big endian. The readers of the formats read UTF-8, so such a file is converted first,
// line ends and all, so that the lines a message names are those of the file.
#pragma once

#include <string>
#include <string_view>

struct unicodeText {
  bool converted = false;  // the file is UTF-16, and `text` holds it as UTF-8
  std::string text;        // without the byte order mark
  std::string problem;     // why the file cannot be read as text, after its name
};

// `content` as UTF-8 when a byte order mark shows it to be UTF-16; nothing converted
// otherwise. UTF-16 with an unpaired surrogate or half a character at its end, text that
// looks like UTF-16 without a mark (every other byte NUL) and UTF-32 give a problem.
unicodeText fromUtf16(std::string_view content);
