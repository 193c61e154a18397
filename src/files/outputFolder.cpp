#include <filesystem>
#include <string>
#include <system_error>

#include "files/fileSet.h"
#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "text/runMessages.h"

namespace {

// A name as the file system library takes it: the program's names are UTF-8 everywhere,
// and on Windows a plain string would be read in the legacy code page instead.
std::filesystem::path pathOf(const std::string& name) { return std::filesystem::u8path(name); }

}  // namespace

problem checkOutputFolder(const std::string& folder, bool tryWriting) {
  // Checks that run the program in one process thousands of times write no file.
  if (setsDiverted()) return std::nullopt;
  if (!folder.empty()) {
    std::error_code ec;
    if (!std::filesystem::exists(pathOf(folder), ec)) {
      return failure{"cannot use output folder " + folder + ": there is no such folder\n", ""};
    }
    if (!std::filesystem::is_directory(pathOf(folder), ec)) {
      return failure{"cannot use output folder " + folder + ": it is not a folder\n", ""};
    }
  }
  if (!tryWriting) {
    if (platform::exists(outputPath(folder, journalName))) {
      toStderr("vesk: " + outputPath(folder, journalName) +
               ": a run stopped while it named a set there; the dry run leaves it, the next run that writes puts the "
               "set in order");
    }
    return std::nullopt;
  }
  const std::string probe = outputPath(folder, ".vesk-write-test." + platform::uniqueTag());
  const platform::fileHandle file = platform::createNew(probe);
  if (file == platform::noFile) {
    const std::string reason = platform::lastError();
    return failure{folder.empty() ? std::string("cannot write into the current folder\n")
                                  : "cannot write into output folder " + folder + "\n",
                   "vesk: " + (folder.empty() ? std::string(".") : folder) + ": " + reason +
                       "; no file was written and no question asked"};
  }
  platform::closeQuietly(file);
  platform::remove(probe);
  // A set a stopped run left half named is put in order before any question is asked; a
  // folder another process holds is named rather than passed by.
  platform::folderLock lock(folder);
  if (!lock.taken()) {
    return failure{
        folder.empty() ? std::string("cannot use the current folder\n") : "cannot use output folder " + folder + "\n",
        "vesk: " + (folder.empty() ? std::string(".") : folder) + " is locked by " + lock.holder() +
            "; no set can be named there or put in order while it holds the lock, and no file was written: let it "
            "end, or write into another folder with -o"};
  }
  return recoverSet(folder);
}
