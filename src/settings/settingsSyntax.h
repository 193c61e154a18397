// What a settings file is checked for before the TOML library reads it.
//
// The library (toml++ 3.3.0, as Debian 12 ships it) reaches undefined behaviour on a
// character outside ASCII where TOML allows only ASCII, outside quotes and comments
// (`maxDepth = Й`), and after a backslash in a """ string; and it stops at the first key
// given twice, hiding every other fault of the file. Both are found here, and the
// statements that hold them are blanked out of the text the library reads, so that the
// file's other faults are reported with them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct settingsFault {
  long long line = 0;    // from 1
  long long column = 0;  // from 1, in characters as the library counts them
  std::string reason;
};

struct screenedSettings {
  std::string text;                   // the file with each faulty statement blanked out, its line ends kept
  std::vector<settingsFault> faults;  // in the order of the file
};

// `text` is the whole file as UTF-8, a byte order mark at its start allowed.
screenedSettings screenSettingsText(std::string_view text);
