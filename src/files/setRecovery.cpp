// Putting in order a set that a stopped run left half named: the journal is obeyed only
// when everything it names is as the stopped run recorded it.
#include <string>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "text/runMessages.h"

namespace {

// A journal is a few lines: anything longer is no journal of this program.
constexpr size_t longestJournal = 64 * 1024;

bool readJournal(platform::fileHandle file, std::string& text, std::string& reason) {
  std::string piece(4096, '\0');
  for (;;) {
    const long long n = platform::readSome(file, piece.data(), piece.size());
    if (n < 0) reason = platform::lastError();
    if (n <= 0) break;
    text.append(piece, 0, static_cast<size_t>(n));
    if (text.size() > longestJournal) break;
  }
  return reason.empty();
}

std::string folderText(const std::string& folder) {
  return folder.empty() ? std::string("the current folder") : "output folder " + folder;
}

// What the operator is told to do about a journal that is not acted on.
enum class clearing {
  ownJournal,  // the user's own: the files it names are to be put in order by hand
  notOurs,     // a journal the user's runs did not write
  halfDone,    // put in order part of the way
};

// Why a journal is not obeyed, from wherever recoverSet finds it to its caller.
struct journalRefusal {
  failure why;
};

[[noreturn]] void refuseJournal(const std::string& folder, const std::string& why, clearing how) {
  const std::string path = outputPath(folder, journalName);
  std::string tail;
  switch (how) {
    case clearing::ownJournal:
      tail =
          "; it is left as it is and no file was touched: look at the files it names, put the set in order, then "
          "remove it";
      break;
    case clearing::notOurs:
      tail =
          "; it is not obeyed and no file was touched: remove it, or have it removed by its owner or the folder's, "
          "or write into another folder with -o";
      break;
    case clearing::halfDone:
      tail = "; it is left as it is: look at the files it names, put the set in order, then remove it";
      break;
  }
  throw journalRefusal{{"cannot use " + folderText(folder) + "\n", "vesk: " + path + " " + why + tail}};
}

// The journal's files as the folder holds them now, checked against what the stopped run
// recorded before anything is touched.
struct fileState {
  const journalFile* file = nullptr;
  std::string temporary;  // paths in the folder
  std::string name;
  std::string backup;
  bool temporaryNew = false;  // the new file, under its temporary name
  bool nameNew = false;       // the new file, under its final name
  bool nameEarlier = false;   // the earlier file, still under its name
  bool backupEarlier = false;
};

bool isWritten(const platform::fileFacts& facts, const journalFile& file) {
  return facts.exists && facts.plain && facts.ownedByUser && facts.identity == file.written;
}

bool isEarlier(const platform::fileFacts& facts, const journalFile& file) {
  return facts.exists && !facts.folder && facts.identity == file.earlier;
}

void putSetInOrder(const std::string& folder) {
  const std::string path = outputPath(folder, journalName);
  // Whatever has the name is looked at before it is opened, and what was opened is
  // looked at again: a link is never followed, and a pipe never waited on.
  const platform::fileFacts named = platform::factsAt(path);
  if (!named.exists) return;
  const std::string notVesk = ", not a journal vesk writes";
  if (named.link) refuseJournal(folder, "is a symbolic link" + notVesk, clearing::notOurs);
  if (!named.plain) {
    refuseJournal(folder,
                  named.folder ? "is a folder" + notVesk : "is not a regular file (a FIFO or a device)" + notVesk,
                  clearing::notOurs);
  }
  const platform::fileHandle file = platform::openUnfollowed(path);
  if (file == platform::noFile) {
    refuseJournal(folder, "cannot be read (" + platform::lastError() + ")", clearing::ownJournal);
  }
  const platform::fileFacts opened = platform::factsOf(file);
  std::string text;
  std::string reason;
  std::string why;
  if (!opened.exists || !opened.plain) {
    why = "is not a regular file" + notVesk;
  } else if (!opened.ownedByUser) {
    why = "belongs to " + opened.owner + ", not to " + platform::userName() + ", who runs vesk";
  } else if (opened.names != 1) {
    why = "has other names (hard links) besides its own" + notVesk;
  } else if (!readJournal(file, text, reason)) {
    platform::closeQuietly(file);
    refuseJournal(folder, "cannot be read (" + reason + ")", clearing::ownJournal);
  }
  platform::closeQuietly(file);
  if (!why.empty()) refuseJournal(folder, why, clearing::notOurs);
  setJournal journal;
  std::string problem;
  if (!parseJournal(text, journal, problem)) refuseJournal(folder, problem, clearing::ownJournal);

  // Every file the journal names, as it is now: nothing is touched unless each is the
  // file the stopped run left, or missing.
  const auto at = [&](const std::string& name) { return outputPath(folder, name); };
  std::vector<fileState> states;
  bool finishable = true;
  for (const journalFile& f : journal.files) {
    fileState s;
    s.file = &f;
    s.name = at(f.name);
    const platform::fileFacts name = platform::factsAt(s.name);
    const bool hasNew = !f.temporary.empty();
    if (hasNew) {
      s.temporary = at(f.temporary);
      const platform::fileFacts temporary = platform::factsAt(s.temporary);
      s.temporaryNew = isWritten(temporary, f);
      if (temporary.exists && !s.temporaryNew) {
        refuseJournal(
            folder,
            "names the new " + f.name +
                ", whose temporary file is not the one the stopped run wrote: it was replaced or changed since",
            clearing::ownJournal);
      }
      s.nameNew = isWritten(name, f);
    }
    if (f.kept) {
      s.backup = at(backupName(f.name, journal.backup));
      const platform::fileFacts backup = platform::factsAt(s.backup);
      s.nameEarlier = isEarlier(name, f);
      s.backupEarlier = isEarlier(backup, f);
      if (backup.exists && !s.backupEarlier) {
        refuseJournal(folder,
                      "names the backup " + backupName(f.name, journal.backup) +
                          ", which is not the earlier file the stopped run kept",
                      clearing::ownJournal);
      }
    }
    if (name.exists && !s.nameNew && !s.nameEarlier) {
      refuseJournal(folder, "names " + f.name + ", which is neither the file the stopped run wrote nor the one it kept",
                    clearing::ownJournal);
    }
    if (f.kept && !s.nameEarlier && !s.backupEarlier) {
      refuseJournal(folder,
                    "names the earlier " + f.name + ", which is neither under its name nor under " +
                        backupName(f.name, journal.backup) + ": the set cannot be put back",
                    clearing::ownJournal);
    }
    // The new files were complete on the disk before the journal was written: the naming
    // can be finished when each of them is still there, under either name.
    if (hasNew && !s.temporaryNew && !s.nameNew) finishable = false;
    states.push_back(s);
  }

  // Each step is checked again just before it is taken, against the same records.
  const auto halt = [&](const std::string& why) {
    platform::syncFolder(folder);
    refuseJournal(folder,
                  "names " + setNamed(journal) +
                      ", which a stopped run left half named and which cannot be put in order (" + why + ")",
                  clearing::halfDone);
  };
  const auto move = [&](bool unchanged, const std::string& from, const std::string& to) {
    if (!unchanged) halt("a file it names changed meanwhile");
    if (!platform::rename(from, to)) halt(platform::lastError());
  };
  const auto drop = [&](bool unchanged, const std::string& path) {
    if (!unchanged) halt("a file it names changed meanwhile");
    if (!platform::remove(path)) halt(platform::lastError());
  };
  std::string kept;
  bool anyKept = false;
  for (const fileState& s : states) {
    const journalFile& f = *s.file;
    if (finishable) {
      if (s.nameEarlier) move(isEarlier(platform::factsAt(s.name), f) && !platform::exists(s.backup), s.name, s.backup);
      if (s.temporaryNew) {
        move(isWritten(platform::factsAt(s.temporary), f) && !platform::exists(s.name), s.temporary, s.name);
      }
      if (f.kept) kept += (kept.empty() ? "" : ", ") + backupName(f.name, journal.backup);
    } else {
      if (s.temporaryNew) drop(isWritten(platform::factsAt(s.temporary), f), s.temporary);
      if (s.backupEarlier) {
        const platform::fileFacts name = platform::factsAt(s.name);
        move(isEarlier(platform::factsAt(s.backup), f) && (!name.exists || isWritten(name, f)), s.backup, s.name);
      } else if (!f.kept && s.nameNew) {
        drop(isWritten(platform::factsAt(s.name), f), s.name);
      }
    }
    if (f.kept) anyKept = true;
  }
  platform::syncFolder(folder);
  removeJournal(folder);
  const bool mission = journal.kind == setKind::mission;
  const std::string stopped = "vesk: a run stopped while it named " + setNamed(journal) + " in " + folderText(folder);
  if (finishable && mission) {
    toStderr(stopped + "; finished: the new set has its names" +
             (kept.empty() ? std::string() : ", the earlier files are kept as " + kept));
  } else if (finishable) {
    toStderr(stopped + "; finished: the new file has its name" +
             (kept.empty() ? std::string() : ", the earlier one is kept as " + kept));
  } else if (mission) {
    toStderr(stopped + (anyKept ? "; rolled back: the earlier set " + journal.stem + " is in place"
                                : "; rolled back: its new files are removed, as there was no earlier set"));
  } else {
    toStderr(stopped + (anyKept ? "; rolled back: the earlier " + journal.stem + " is in place"
                                : "; rolled back: the new file is removed, as there was none before"));
  }
}

}  // namespace

problem recoverSet(const std::string& folder) {
  try {
    putSetInOrder(folder);
  } catch (journalRefusal& refused) {
    return std::move(refused.why);
  }
  return std::nullopt;
}
