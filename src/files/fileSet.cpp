#include "files/fileSet.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "text/runMessages.h"

namespace {

// Why a set cannot be written, from wherever the writer finds it to writeFileSet.
struct setRefusal {
  failure why;
};

std::string withPath(const char* format, const std::string& path) {
  const int size = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

// Hands a file's text to the disk a full buffer at a time. After a write fails it writes
// no more, and keeps the system's reason; the set fails once its text is complete.
class fileTarget final : public textTarget {
 public:
  explicit fileTarget(platform::fileHandle handle) : handle_(handle) {}
  void take(const char* data, size_t size) override {
    if (!reason_.empty()) return;
    if (!platform::writeAll(handle_, data, size)) reason_ = platform::lastError();
  }
  const std::string& reason() const { return reason_; }

 private:
  platform::fileHandle handle_;
  std::string reason_;
};

// One file of the set on its way to its final name.
struct pending {
  const outputFile* file;
  std::string name;       // the final name, without the folder
  std::string path;       // the final name in the output folder
  std::string temporary;  // where it is written first
  bool kept = false;      // an earlier file of the name is moved to its backup
  bool movedAside = false;
  bool named = false;  // the new file has its final name
  platform::fileHandle handle = platform::noFile;
  std::unique_ptr<fileTarget> target;
  std::unique_ptr<textOut> out;
};

// The stem of a set, "2014_119_148", from the name of its first file.
std::string stemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string lastPart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The files of one set; whatever has not been committed is removed when it goes.
class setWriter {
 public:
  setWriter(const std::string& folder, const std::vector<outputFile>& files, setSteps steps)
      : folder_(folder), steps_(steps) {
    platform::startGuard();
    for (const outputFile& file : files) {
      pending p;
      p.file = &file;
      p.name = file.name;
      p.path = outputPath(folder, file.name);
      set_.push_back(std::move(p));
    }
    journal_.stem = stemOf(files.front().name);
  }
  ~setWriter() {
    for (pending& p : set_) {
      platform::closeQuietly(p.handle);
      if (!p.temporary.empty()) platform::remove(p.temporary);
    }
    platform::endGuard();
  }
  setWriter(const setWriter&) = delete;
  setWriter& operator=(const setWriter&) = delete;

  void writeAll(const setText& produce) {
    std::vector<textOut*> outputs;
    for (pending& p : set_) {
      create(p);
      p.target = std::make_unique<fileTarget>(p.handle);
      p.out = std::make_unique<textOut>(*p.target, fileLineEnd);
      outputs.push_back(p.out.get());
    }
    produce(outputs);
    for (pending& p : set_) {
      p.out->flush();
      const platform::fileHandle handle = p.handle;
      p.handle = platform::noFile;
      const bool flushed = platform::flushAndClose(handle);
      const std::string flushReason = flushed ? std::string() : platform::lastError();
      if (!p.target->reason().empty()) fail(p, p.file->writeMessage, p.target->reason());
      if (!flushed) fail(p, p.file->writeMessage, flushReason);
    }
    passStep(steps_, "written");
  }

  // Gives every file its final name, as one step for interruptions and for other runs
  // writing into the same folder, the earlier files moved to their backups first. A
  // failure puts back what was there; a crash is put in order by the next run through
  // the journal.
  void nameAll() {
    platform::folderLock lock(folder_);
    if (!lock.taken()) {
      fail(set_.front(), set_.front().file->writeMessage, "another run has held the folder for more than 10 seconds");
    }
    // A run that died naming a set here since this run started.
    if (problem stopped = recoverSet(folder_)) throw setRefusal{std::move(*stopped)};
    platform::holdInterrupts();
    held_ = true;
    std::vector<std::string> names;
    for (pending& p : set_) {
      // A folder under the final name is never moved.
      if (platform::isDirectory(p.path)) fail(p, p.file->writeMessage, "a folder has that name");
      p.kept = platform::exists(p.path);
      names.push_back(p.name);
    }
    journal_.backup = 0;
    for (const pending& p : set_) {
      if (p.kept) journal_.backup = nextBackupNumber(folder_, names);
      if (p.kept) break;
    }
    for (const pending& p : set_) journal_.files.push_back({p.name, lastPart(p.temporary), p.kept});
    std::string reason;
    if (!writeJournal(folder_, journal_, reason, steps_)) fail(set_.front(), set_.front().file->writeMessage, reason);
    for (pending& p : set_) {
      if (p.kept) {
        if (!platform::rename(p.path, backupOf(p))) undoAndFail(p);
        p.movedAside = true;
        passStep(steps_, "kept " + extensionOf(p));
      }
      if (!platform::rename(p.temporary, p.path)) undoAndFail(p);
      p.temporary.clear();
      p.named = true;
      passStep(steps_, "named " + extensionOf(p));
    }
    platform::clearGuard();
    platform::syncFolder(folder_);
    passStep(steps_, "folder flushed");
    removeJournal(folder_);
    passStep(steps_, "journal removed");
    held_ = false;
    platform::releaseInterrupts();
  }

  void announce() const {
    for (const pending& p : set_) toStdout(withPath(p.file->successMessage, p.path));
    std::string kept;
    for (const pending& p : set_) {
      if (p.kept) kept += (kept.empty() ? "" : ", ") + backupName(p.name, journal_.backup);
    }
    if (!kept.empty()) warn("the earlier set " + journal_.stem + " is kept as " + kept);
  }

 private:
  // "cfg" of 2014_119_148.cfg: the steps are named alike whatever minute a run takes.
  std::string extensionOf(const pending& p) const { return p.name.substr(journal_.stem.size() + 1); }

  std::string backupOf(const pending& p) const { return outputPath(folder_, backupName(p.name, journal_.backup)); }

  // A private temporary file beside the final name, so that renaming it stays on one
  // file system; its name is new, so no other run and nothing planted can be in the way.
  void create(pending& p) {
    std::string reason;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string temporary = p.path + "." + platform::uniqueTag() + ".tmp";
      // Created and guarded as one step, so that an interruption never leaves it behind.
      platform::holdInterrupts();
      p.handle = platform::createNew(temporary);
      if (p.handle == platform::noFile) reason = platform::lastError();
      if (p.handle != platform::noFile) platform::guard(temporary);
      platform::releaseInterrupts();
      if (p.handle != platform::noFile) {
        p.temporary = temporary;
        return;
      }
      if (!platform::exists(temporary)) break;  // not a clash of names: the folder refuses
    }
    fail(p, p.file->openMessage, reason);
  }

  // Puts back the set that was there before and ends the run with `p`'s write message.
  [[noreturn]] void undoAndFail(const pending& failed) {
    const std::string reason = platform::lastError();
    bool undone = true;
    for (pending& p : set_) {
      if (p.named) {
        if (p.movedAside) {
          undone = platform::rename(backupOf(p), p.path) && undone;
        } else {
          platform::remove(p.path);
        }
      } else if (p.movedAside) {
        undone = platform::rename(backupOf(p), p.path) && undone;
      }
      p.named = p.movedAside = false;
    }
    platform::syncFolder(folder_);
    // Left in place when the earlier set could not be put back, for the next run.
    if (undone) removeJournal(folder_);
    fail(failed, failed.file->writeMessage, reason,
         undone ? "" : "; the set is half named: the next run in this folder puts it in order");
  }

  [[noreturn]] void fail(const pending& p, const char* message, const std::string& reason,
                         const std::string& stays = "") {
    for (pending& q : set_) {
      platform::closeQuietly(q.handle);
      q.handle = platform::noFile;
      if (!q.temporary.empty()) platform::remove(q.temporary);
      q.temporary.clear();
    }
    platform::clearGuard();
    if (held_) platform::releaseInterrupts();
    held_ = false;
    throw setRefusal{
        {withPath(message, p.path), "vesk: " + p.path + ": " + reason + (stays.empty() ? whatStays() : stays)}};
  }

  // What the operator finds in the folder after a failure.
  std::string whatStays() const {
    for (const pending& p : set_) {
      if (platform::exists(p.path) && !platform::isDirectory(p.path)) {
        return "; the earlier set " + journal_.stem + " is unchanged";
      }
    }
    return "; no file of the set " + journal_.stem + " was written";
  }

  std::string folder_;
  setSteps steps_;
  std::vector<pending> set_;
  setJournal journal_;
  bool held_ = false;  // interruptions wait while the set is named
};

setDestination* diverted = nullptr;

// A name as the file system library takes it: the program's names are UTF-8 everywhere,
// and on Windows a plain string would be read in the legacy code page instead.
std::filesystem::path pathOf(const std::string& name) { return std::filesystem::u8path(name); }

}  // namespace

problem checkOutputFolder(const std::string& folder, bool tryWriting) {
  // Checks that run the program in one process thousands of times write no file.
  if (diverted != nullptr) return std::nullopt;
  if (!folder.empty()) {
    std::error_code ec;
    if (!std::filesystem::exists(pathOf(folder), ec)) {
      return failure{"cannot use output folder " + folder + ": there is no such folder\n", ""};
    }
    if (!std::filesystem::is_directory(pathOf(folder), ec)) {
      return failure{"cannot use output folder " + folder + ": it is not a folder\n", ""};
    }
  }
  if (!tryWriting) return std::nullopt;
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
  platform::folderLock lock(folder);
  if (lock.taken()) return recoverSet(folder);
  return std::nullopt;
}

void divertFileSets(setDestination* destination) { diverted = destination; }

problem writeFileSet(const std::string& folder, const std::vector<outputFile>& files, const setText& produce,
                     setSteps steps) {
  if (files.empty()) return std::nullopt;
  if (diverted != nullptr) {
    std::vector<std::string> paths;
    for (const outputFile& file : files) paths.push_back(outputPath(folder, file.name));
    diverted->write(paths, produce);
    for (size_t i = 0; i < files.size(); ++i) toStdout(withPath(files[i].successMessage, paths[i]));
    return std::nullopt;
  }
  try {
    setWriter writer(folder, files, steps);
    writer.writeAll(produce);
    writer.nameAll();
    writer.announce();
  } catch (const setRefusal& refused) {
    return refused.why;
  }
  return std::nullopt;
}
