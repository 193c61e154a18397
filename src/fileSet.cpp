#include "fileSet.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fileSetPlatform.h"
#include "vesk.h"

namespace {

std::string withPath(const char* format, const std::string& path) {
  const int size = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

// The files the vehicle reads have CR LF line ends, whichever system wrote them.
constexpr std::string_view fileLineEnd = "\r\n";

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
  std::string path;       // the final name in the output folder
  std::string temporary;  // where it is written first
  std::string backup;     // a second name of the file it replaces, while the set is named
  bool backupIsMove = false;  // the replaced file was moved to `backup`, not linked
  bool named = false;         // the new file has its final name
  platform::fileHandle handle = platform::noFile;
  std::unique_ptr<fileTarget> target;
  std::unique_ptr<textOut> out;
};

// The files of one set; whatever has not been committed is removed when it goes.
class setWriter {
 public:
  explicit setWriter(const std::vector<outputFile>& files) {
    platform::startGuard();
    for (const outputFile& file : files) {
      pending p;
      p.file = &file;
      p.path = outputPath(file.name);
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
      const bool closed =
          fileSetDestination.flushToDisk ? platform::flushAndClose(handle) : platform::close(handle);
      if (!closed || !p.target->written()) fail(p, p.file->writeMessage);
    }
  }

  // Gives every file its final name, as one step for interruptions and for other runs
  // writing into the same folder. A failure puts back what was there.
  void nameAll() {
    platform::folderLock lock(outputFolder);
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
    if (fileSetDestination.flushToDisk) platform::syncFolder(outputFolder);
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

  std::vector<pending> set_;
};

// In memory the text is only copied on: a smaller buffer does as well.
constexpr size_t memoryBufferSize = 64 * 1024;

// A set kept in memory, written by the same code; a set given up half way leaves nothing.
void keepSet(const std::vector<outputFile>& files, const setText& produce) {
  std::vector<keptFile>& kept = *fileSetDestination.memory;
  kept.resize(files.size());
  std::vector<memoryTarget> targets;
  std::vector<std::unique_ptr<textOut>> outs;
  std::vector<textOut*> outputs;
  targets.reserve(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    kept[i].path = outputPath(files[i].name);
    kept[i].content.clear();
    targets.emplace_back(kept[i].content);
    outs.push_back(std::make_unique<textOut>(targets.back(), fileLineEnd, memoryBufferSize));
    outputs.push_back(outs.back().get());
  }
  try {
    produce(outputs);
    for (const auto& out : outs) out->flush();
  } catch (...) {
    kept.clear();
    throw;
  }
  ++fileSetDestination.keptSets;
}

}  // namespace

setDestination fileSetDestination;

void writeFileSet(const std::vector<outputFile>& files, const setText& produce) {
  if (files.empty()) return;
  if (fileSetDestination.memory != nullptr) {
    keepSet(files, produce);
    for (const outputFile& file : files) {
      std::fputs(withPath(file.successMessage, outputPath(file.name)).c_str(), stdout);
    }
    return;
  }
  setWriter writer(files);
  writer.writeAll(produce);
  writer.nameAll();
  writer.announce();
}
