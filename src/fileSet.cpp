#include "fileSet.h"

#include <cstdio>
#include <string>
#include <vector>

#include "fileSetPlatform.h"
#include "vesk.h"

namespace {

// The text goes to the disk in large pieces; every line end becomes CR LF on the way, so
// the vehicle reads the same bytes whichever system wrote them.
constexpr size_t bufferSize = 256 * 1024;

std::string withPath(const char* format, const std::string& path) {
  const int size = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

// One file of the set on its way to its final name.
struct pending {
  const outputFile* file;
  std::string path;       // the final name in the output folder
  std::string temporary;  // where it is written first
  std::string backup;     // a second name of the file it replaces, while the set is named
  bool backupIsMove = false;  // the replaced file was moved to `backup`, not linked
  bool named = false;         // the new file has its final name
};

// The files of one set; whatever has not been committed is removed when it goes.
class setWriter {
 public:
  explicit setWriter(const std::vector<outputFile>& files) {
    platform::startGuard();
    for (const outputFile& file : files) {
      const std::string path = outputPath(file.name);
      set_.push_back({&file, path, "", "", false, false});
    }
  }
  ~setWriter() {
    for (const pending& p : set_) {
      if (!p.temporary.empty()) platform::remove(p.temporary);
    }
    platform::endGuard();
  }
  setWriter(const setWriter&) = delete;
  setWriter& operator=(const setWriter&) = delete;

  void writeAll() {
    for (pending& p : set_) write(p);
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
    platform::syncFolder(outputFolder);
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
      handle_ = platform::createNew(temporary);
      if (handle_ != platform::noFile) platform::guard(temporary);
      platform::releaseInterrupts();
      if (handle_ != platform::noFile) {
        p.temporary = temporary;
        return;
      }
      if (!platform::exists(temporary)) break;  // not a clash of names: the folder refuses
    }
    fail(p, p.file->openMessage);
  }

  void write(pending& p) {
    create(p);
    std::string buffer;
    buffer.reserve(bufferSize + 4096);
    bool written = true;
    p.file->produce([&](const std::string& text) {
      for (const char c : text) {
        if (c == '\n') buffer += '\r';
        buffer += c;
      }
      if (buffer.size() >= bufferSize) {
        written = written && platform::writeAll(handle_, buffer.data(), buffer.size());
        buffer.clear();
      }
    });
    written = written && platform::writeAll(handle_, buffer.data(), buffer.size());
    const platform::fileHandle handle = handle_;
    handle_ = platform::noFile;
    if (!platform::flushAndClose(handle) || !written) fail(p, p.file->writeMessage);
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
    platform::closeQuietly(handle_);
    handle_ = platform::noFile;
    for (pending& q : set_) {
      if (!q.temporary.empty()) platform::remove(q.temporary);
      q.temporary.clear();
    }
    platform::clearGuard();
    failRun(withPath(message, p.path));
  }

  std::vector<pending> set_;
  platform::fileHandle handle_ = platform::noFile;
};

}  // namespace

void writeFileSet(const std::vector<outputFile>& files) {
  if (files.empty()) return;
  setWriter writer(files);
  writer.writeAll();
  writer.nameAll();
  writer.announce();
}
