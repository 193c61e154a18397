// File names as operators paste them at the prompt: from a Linux file manager, a shell or
// the Windows Explorer, each taken as the operator meant it.
#include "console/pastedName.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "files/fileSetPlatform.h"

namespace fs = std::filesystem;

namespace {

TEST(PastedName, EachPastedFormGivesTheFileMeantAndANameThatExistsIsTakenAsTyped) {
  const fs::path folder = fs::temp_directory_path() / ("vesk_paste_" + platform::uniqueTag());
  fs::create_directories(folder / "sub dir");
  // Forward slashes on every system: a backslash is an escape to the POSIX rules.
  const std::string dir = folder.generic_u8string();
  for (const char* name : {"my route \xCE\x94.txt", "sub dir/route.txt", "route.txt", "'odd'.txt", "odd.txt"}) {
    std::ofstream(fs::u8path(dir + "/" + name)) << "45 10\n";
  }
  const pasteRules posix{true, dir};
  const pasteRules windows{false, ""};
  struct pasteCase {
    std::string typed;
    pasteRules rules;
    std::string name;
  };
  const std::vector<pasteCase> cases = {
      // Dragged from a file manager: single quotes and a blank behind.
      {"'" + dir + "/my route \xCE\x94.txt' ", posix, dir + "/my route \xCE\x94.txt"},
      {dir + "/my\\ route\\ \xCE\x94.txt", posix, dir + "/my route \xCE\x94.txt"},
      {dir + "/sub\\ dir/route.txt ", posix, dir + "/sub dir/route.txt"},
      {dir + "/sub' 'dir/route.txt", posix, dir + "/sub dir/route.txt"},
      {"~/route.txt", posix, dir + "/route.txt"},
      {" " + dir + "/route.txt ", posix, dir + "/route.txt"},
      // A name that exists as typed wins over what a shell would make of it.
      {dir + "/'odd'.txt", posix, dir + "/'odd'.txt"},
      {dir + "/odd.txt", posix, dir + "/odd.txt"},
      // Nothing exists: the shell's reading, so that the message names what was meant.
      {"'/no/such route.txt' ", posix, "/no/such route.txt"},
      {"\"/no/a \\\"b\\\" \\$c\"", posix, "/no/a \"b\" $c"},
      {"'/no/unclosed ", posix, "'/no/unclosed"},
      {"/no/two words", posix, "/no/two words"},
      {"~user/route.txt", posix, "~user/route.txt"},
      // Windows: Explorer's "Copy as path" quotes; backslashes separate folders.
      {"\"" + dir + "/my route \xCE\x94.txt\"", windows, dir + "/my route \xCE\x94.txt"},
      {"\"C:\\no\\my route.txt\" ", windows, "C:\\no\\my route.txt"},
      {"C:\\no\\sub\\ dir", windows, "C:\\no\\sub\\ dir"},
      {"~/route.txt", windows, "~/route.txt"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pastedFileName(c.typed, c.rules), c.name) << c.typed << (c.rules.posixShell ? " (POSIX)" : " (Windows)");
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
