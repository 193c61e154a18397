#include "fileSet.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fileSetPlatform.h"
#include "runMessages.h"

namespace {

std::string withPath(const char* format, const std::string& path) {
  const int size = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

// Hands a file's text to the disk a full buffer at a time. After a write fails it writes
// no more; the set fails once its text is complete.
class fileTarget final : public textTarget {
 public:
  explicit fileTarget(platform::fileHandle handle) : handle_(handle) {}
  void take(const char* data, size_t size) override { written_ = written_ && platform::writeAll(handle_, data, size); }
  bool written() const { return written_; }

 private:
  platform::fileHandle handle_;
  bool written_ = true;
};

// One file of the set on its way to its final name.
struct pending {
  const outputFile* file;
  std::string path;           // the final name in the output folder
  std::string temporary;      // where it is written first
  std::string backup;         // a second name of the file it replaces, while the set is named
  bool backupIsMove = false;  // the replaced file was moved to `backup`, not linked
  bool named = false;         // the new file has its final name
  platform::fileHandle handle = platform::noFile;
  std::unique_ptr<fileTarget> target;
  std::unique_ptr<textOut> out;
};

// The files of one set; whatever has not been committed is removed when it goes.
class setWriter {
 public:
  setWriter(const std::string& folder, const std::vector<outputFile>& files) : folder_(folder) {
    platform::startGuard();
    for (const outputFile& file : files) {
      pending p;
      p.file = &file;
      p.path = outputPath(folder, file.name);
      set_.push_back(std::move(p));
    }
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
      if (!platform::flushAndClose(handle) || !p.target->written()) fail(p, p.file->writeMessage);
    }
  }

  // Gives every file its final name, as one step for interruptions and for other runs
  // writing into the same folder. A failure puts back what was there.
  void nameAll() {
    platform::folderLock lock(folder_);
    if (!lock.taken()) fail(set_.front(), set_.front().file->writeMessage);
    platform::holdInterrupts();
    for (pending& p : set_) keepOld(p);
    for (pending& p : set_) {
      if (!platform::rename(p.temporary, p.path)) undoAndFail(p);
      p.temporary.clear();
      p.named = true;
    }
    for (pending& p : set_) {
      if (!p.backup.empty()) platform::remove(p.backup);
      p.backup.clear();
    }
    platform::clearGuard();
    platform::syncFolder(folder_);
    platform::releaseInterrupts();
  }

  void announce() const {
    for (const pending& p : set_) std::fputs(withPath(p.file->successMessage, p.path).c_str(), stdout);
  }

 private:
  // A private temporary file beside the final name, so that renaming it stays on one
  // file system; its name is new, so no other run and nothing planted can be in the way.
  void create(pending& p) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string temporary = p.path + "." + platform::uniqueTag() + ".tmp";
      // Created and guarded as one step, so that an interruption never leaves it behind.
      platform::holdInterrupts();
      p.handle = platform::createNew(temporary);
      if (p.handle != platform::noFile) platform::guard(temporary);
      platform::releaseInterrupts();
      if (p.handle != platform::noFile) {
        p.temporary = temporary;
        return;
      }
      if (!platform::exists(temporary)) break;  // not a clash of names: the folder refuses
    }
    fail(p, p.file->openMessage);
  }

  // Keeps the file that has the final name under a second name until the new set has all
  // its names, so that a failure can put it back.
  void keepOld(pending& p) {
    // A folder under the final name is never moved: the rename fails and the set is undone.
    if (!platform::exists(p.path) || platform::isDirectory(p.path)) return;
    const std::string backup = p.path + "." + platform::uniqueTag() + ".old";
    if (platform::link(p.path, backup)) {
      p.backup = backup;
    } else if (platform::rename(p.path, backup)) {
      // No second names on this file system (FAT on a USB stick): move it aside instead.
      p.backup = backup;
      p.backupIsMove = true;
    } else {
      undoAndFail(p);
    }
  }

  // Puts back the set that was there before and ends the run with `p`'s write message.
  [[noreturn]] void undoAndFail(const pending& failed) {
    for (pending& p : set_) {
      if (p.named) {
        if (p.backup.empty()) {
          platform::remove(p.path);
        } else {
          platform::rename(p.backup, p.path);
          p.backup.clear();
        }
      } else if (!p.backup.empty()) {
        if (p.backupIsMove) {
          platform::rename(p.backup, p.path);
        } else {
          platform::remove(p.backup);
        }
        p.backup.clear();
      }
    }
    platform::releaseInterrupts();
    fail(failed, failed.file->writeMessage);
  }

  [[noreturn]] void fail(const pending& p, const char* message) {
    for (pending& q : set_) {
      platform::closeQuietly(q.handle);
      q.handle = platform::noFile;
      if (!q.temporary.empty()) platform::remove(q.temporary);
      q.temporary.clear();
    }
    platform::clearGuard();
    failRun(withPath(message, p.path));
  }

  std::string folder_;
  std::vector<pending> set_;
};

setDestination* diverted = nullptr;

// A name as the file system library takes it: the program's names are UTF-8 everywhere,
// and on Windows a plain string would be read in the legacy code page instead.
std::filesystem::path pathOf(const std::string& name) { return std::filesystem::u8path(name); }

}  // namespace

std::string outputPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

void checkOutputFolder(const std::string& folder, bool tryWriting) {
  std::error_code ec;
  if (!std::filesystem::exists(pathOf(folder), ec)) {
    failRun("cannot use output folder " + folder + ": there is no such folder\n");
  }
  if (!std::filesystem::is_directory(pathOf(folder), ec)) {
    failRun("cannot use output folder " + folder + ": it is not a folder\n");
  }
  if (!tryWriting) return;
  const std::string probe = outputPath(folder, ".vesk-write-test." + platform::uniqueTag());
  const platform::fileHandle file = platform::createNew(probe);
  if (file == platform::noFile) failRun("cannot write into output folder " + folder + "\n");
  platform::closeQuietly(file);
  platform::remove(probe);
}

void divertFileSets(setDestination* destination) { diverted = destination; }

void writeFileSet(const std::string& folder, const std::vector<outputFile>& files, const setText& produce) {
  if (files.empty()) return;
  if (diverted != nullptr) {
    std::vector<std::string> paths;
    for (const outputFile& file : files) paths.push_back(outputPath(folder, file.name));
    diverted->write(paths, produce);
    for (size_t i = 0; i < files.size(); ++i) std::fputs(withPath(files[i].successMessage, paths[i]).c_str(), stdout);
    return;
  }
  setWriter writer(folder, files);
  writer.writeAll(produce);
  writer.nameAll();
  writer.announce();
}
