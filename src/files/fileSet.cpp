#include "files/fileSet.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
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
  std::string backup;     // where an earlier file of the name is kept
  bool kept = false;      // an earlier file of the name is moved to its backup
  bool movedAside = false;
  bool named = false;              // the new file has its final name
  platform::fileIdentity written;  // the new file, once flushed
  platform::fileHandle handle = platform::noFile;
  std::unique_ptr<fileTarget> target;
  std::unique_ptr<textOut> out;
};

// The stem of a plan, "2014_119_148", from the name of its first file: "2014_119_148.cfg",
// or "2014_119_148-1.cfg" when the plan is split into dives.
std::string stemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const size_t dash = stem.rfind('-');
  return dash != std::string::npos && !diveNumberOf(stem.substr(0, dash), name).empty() ? stem.substr(0, dash) : stem;
}

std::string lastPart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// missionNames of the plan `stem`, then those of its dives, 1, 2, ... as long as `folder`
// holds a file of the dive: an earlier plan of the stem, in one dive or several, is every
// file of it. Asked name by name, as a listing of the folder cannot report memory running out.
std::vector<std::string> missionNamesIn(const std::string& folder, const std::string& stem) {
  std::vector<std::string> names = missionNames(stem);
  for (int dive = 1;; ++dive) {
    const std::vector<std::string> ofDive = missionNames(stem + "-" + std::to_string(dive));
    if (std::none_of(ofDive.begin(), ofDive.end(),
                     [&](const std::string& name) { return platform::exists(outputPath(folder, name)); })) {
      return names;
    }
    names.insert(names.end(), ofDive.begin(), ofDive.end());
  }
}

// An earlier file of a plan's stem that the new plan does not write (a map, the picture):
// it goes to the backups with the rest of the earlier set.
struct earlierOnly {
  std::string name;
  std::string path;
  std::string backup;
  bool movedAside = false;
};

// The files of one set; whatever has not been committed is removed when it goes.
class setWriter {
 public:
  setWriter(const std::string& folder, const std::vector<outputFile>& files, const setWriting& how)
      : folder_(folder), steps_(how.steps), warnings_(how.warnings) {
    const setKind kind = how.kind;
    platform::startGuard();
    for (const outputFile& file : files) {
      pending p;
      p.file = &file;
      p.name = file.name;
      p.path = outputPath(folder, file.name);
      set_.push_back(std::move(p));
    }
    journal_.kind = kind;
    journal_.stem = kind == setKind::mission ? stemOf(files.front().name) : files.front().name;
  }
  ~setWriter() {
    for (pending& p : set_) {
      platform::closeQuietly(p.handle);
      if (!p.temporary.empty()) platform::remove(p.temporary);
    }
    if (held_) platform::releaseInterrupts();
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
      const bool flushed = platform::flushAndClose(handle, &p.written);
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
      fail(set_.front(), set_.front().file->writeMessage, "the folder is locked by " + lock.holder());
    }
    // A run that died naming a set here since this run started.
    if (problem stopped = recoverSet(folder_)) throw setRefusal{std::move(*stopped)};
    platform::holdInterrupts();
    held_ = true;
    std::vector<std::string> names;
    bool anyKept = false;
    for (pending& p : set_) {
      // A folder under the final name is never moved.
      if (platform::isDirectory(p.path)) fail(p, p.file->writeMessage, "a folder has that name");
      p.kept = platform::exists(p.path);
      anyKept = anyKept || p.kept;
      names.push_back(p.name);
    }
    // A plan is every file of its stem: the earlier plan's maps and picture go to the
    // backups too when the new plan has none, so that no map of another plan stands
    // beside the new mission.
    if (journal_.kind == setKind::mission) {
      for (const std::string& name : missionNamesIn(folder_, journal_.stem)) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        const bool written = std::any_of(set_.begin(), set_.end(), [&](const pending& p) { return p.name == name; });
        const std::string path = outputPath(folder_, name);
        if (!written && platform::exists(path) && !platform::isDirectory(path))
          earlier_.push_back({name, path, "", false});
      }
      anyKept = anyKept || !earlier_.empty();
    }
    journal_.backup = anyKept ? nextBackupNumber(folder_, names) : 0;
    // Once the journal is in place nothing may take memory until the journal is gone:
    // memory running out there would leave a set half named. Every name is made first,
    // and what the run tells of the set.
    for (pending& p : set_) p.backup = outputPath(folder_, backupName(p.name, journal_.backup));
    for (earlierOnly& e : earlier_) e.backup = outputPath(folder_, backupName(e.name, journal_.backup));
    const std::string journalPath = outputPath(folder_, journalName);
    prepareAnnouncement();
    for (const pending& p : set_) {
      const platform::fileIdentity earlier = p.kept ? platform::factsAt(p.path).identity : platform::fileIdentity{};
      journal_.files.push_back({p.name, lastPart(p.temporary), p.written, p.kept, earlier});
    }
    for (const earlierOnly& e : earlier_) {
      journal_.files.push_back({e.name, "", {}, true, platform::factsAt(e.path).identity});
    }
    std::string reason;
    if (!writeJournal(folder_, journal_, reason, steps_)) fail(set_.front(), set_.front().file->writeMessage, reason);
    for (earlierOnly& e : earlier_) {
      if (!platform::rename(e.path, e.backup)) undoAndFail(set_.front());
      e.movedAside = true;
      if (steps_ != nullptr) passStep(steps_, "kept " + e.name.substr(journal_.stem.size() + 1));
    }
    for (pending& p : set_) {
      if (p.kept) {
        if (!platform::rename(p.path, p.backup)) undoAndFail(p);
        p.movedAside = true;
        if (steps_ != nullptr) passStep(steps_, "kept " + extensionOf(p));
      }
      if (!platform::rename(p.temporary, p.path)) undoAndFail(p);
      p.temporary.clear();
      p.named = true;
      if (steps_ != nullptr) passStep(steps_, "named " + extensionOf(p));
    }
    platform::clearGuard();
    platform::syncFolder(folder_);
    passStep(steps_, "folder flushed");
    platform::remove(journalPath);
    platform::syncFolder(folder_);
    passStep(steps_, "journal removed");
    held_ = false;
    platform::releaseInterrupts();
  }

  // Tells the set's names and backups as prepareAnnouncement made them, taking no memory:
  // a set that has its names is told in full whatever memory is left.
  void announce() {
    std::fwrite(told_.data(), 1, told_.size(), stdout);
    if (kept_) giveWarning(warnings_, *kept_);
  }

 private:
  void prepareAnnouncement() {
    for (const pending& p : set_) told_ += shownMessage(withPath(p.file->successMessage, p.path));
    std::string kept;
    for (const pending& p : set_) {
      if (p.kept) kept += (kept.empty() ? "" : ", ") + backupName(p.name, journal_.backup);
    }
    for (const earlierOnly& e : earlier_) kept += (kept.empty() ? "" : ", ") + backupName(e.name, journal_.backup);
    if (kept.empty()) return;
    kept_ = std::make_unique<readyWarning>(prepareWarning(
        warnings_, journal_.kind == setKind::mission ? "the earlier set " + journal_.stem + " is kept as " + kept
                                                     : "the earlier " + journal_.stem + " is kept as " + kept));
  }

  // "cfg" of 2014_119_148.cfg: the steps are named alike whatever minute a run takes.
  std::string extensionOf(const pending& p) const {
    return journal_.kind == setKind::mission ? p.name.substr(journal_.stem.size() + 1) : "file";
  }

  // A private temporary file beside the final name, so that renaming it stays on one
  // file system; its name is new, so no other run and nothing planted can be in the way.
  void create(pending& p) {
    std::string reason;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string temporary = p.path + "." + platform::uniqueTag() + ".tmp";
      // Created and guarded as one step, so that an interruption never leaves it behind;
      // recorded (without taking memory) before it is guarded, so that running out of
      // memory while guarding it does not either.
      platform::holdInterrupts();
      p.handle = platform::createNew(temporary);
      if (p.handle == platform::noFile) reason = platform::lastError();
      if (p.handle != platform::noFile) {
        p.temporary.swap(temporary);
        try {
          platform::guard(p.temporary);
        } catch (...) {
          platform::releaseInterrupts();
          throw;
        }
      }
      platform::releaseInterrupts();
      if (p.handle != platform::noFile) return;
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
          undone = platform::rename(p.backup, p.path) && undone;
        } else {
          platform::remove(p.path);
        }
      } else if (p.movedAside) {
        undone = platform::rename(p.backup, p.path) && undone;
      }
      p.named = p.movedAside = false;
    }
    for (earlierOnly& e : earlier_) {
      if (e.movedAside) {
        undone = platform::rename(e.backup, e.path) && undone;
      }
      e.movedAside = false;
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
    const bool mission = journal_.kind == setKind::mission;
    for (const pending& p : set_) {
      if (platform::exists(p.path) && !platform::isDirectory(p.path)) {
        return mission ? "; the earlier set " + journal_.stem + " is unchanged"
                       : "; the earlier " + journal_.stem + " is unchanged";
      }
    }
    return mission ? "; no file of the set " + journal_.stem + " was written" : "; it was not written";
  }

  std::string folder_;
  setSteps steps_;
  warningLog* warnings_;
  std::vector<pending> set_;
  std::vector<earlierOnly> earlier_;
  setJournal journal_;
  bool held_ = false;                   // interruptions wait while the set is named
  std::string told_;                    // the success lines, as standard output shows them
  std::unique_ptr<readyWarning> kept_;  // the warning of the backups, when there are any
};

setDestination* diverted = nullptr;

}  // namespace

void divertFileSets(setDestination* destination) { diverted = destination; }

bool setsDiverted() { return diverted != nullptr; }

problem writeFileSet(const std::string& folder, const std::vector<outputFile>& files, const setText& produce,
                     const setWriting& how) {
  if (files.empty()) return std::nullopt;
  if (diverted != nullptr) {
    std::vector<std::string> paths;
    for (const outputFile& file : files) paths.push_back(outputPath(folder, file.name));
    diverted->write(paths, produce);
    for (size_t i = 0; i < files.size(); ++i) toStdout(withPath(files[i].successMessage, paths[i]));
    return std::nullopt;
  }
  for (const outputFile& file : files) {
    // The journal and the lock are the folder's bookkeeping: a set under their names
    // would be lost with them.
    if (file.name.rfind(journalName, 0) == 0 || file.name.rfind(".vesk.lock", 0) == 0) {
      return failure{withPath(file.openMessage, outputPath(folder, file.name)),
                     "vesk: " + file.name + " is the name of vesk's own journal or lock; choose another"};
    }
  }
  try {
    setWriter writer(folder, files, how);
    writer.writeAll(produce);
    writer.nameAll();
    writer.announce();
  } catch (setRefusal& refused) {
    return std::move(refused.why);
  }
  return std::nullopt;
}
