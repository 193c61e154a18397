// The journal of a set being named: what a run writes beside the set before its first
// rename, so that the next run in the folder can finish or undo a naming that a crash, a
// SIGKILL or a power cut stopped half way, and the vehicle never gets a new mission
// script beside the waypoints of an earlier one.
//
// A set is named under the folder's lock, in this order: the temporary files flushed; the
// journal written to a temporary of its own, flushed and renamed to `.vesk-journal`; for
// each file the earlier file renamed to its numbered backup (NAME.~N~) and the temporary
// renamed to NAME; the folder flushed; the journal removed and the folder flushed again.
// The journal is plain text, one record a line:
//
//   vesk journal 1            the layout of the journal
//   program 1.2.0             the version of the program that wrote it
//   set 2014_119_148          the stem of the set
//   backup 2                  the number of the backups (0: no earlier file)
//   file NAME TEMPORARY kept  one line a file: "kept" when an earlier NAME is backed up,
//   file NAME TEMPORARY new   "new" when there was none
//   end 0123456789abcdef      FNV-1a (64 bits) of every byte before this line
#pragma once

#include <string>
#include <vector>

#include "files/setSteps.h"
#include "text/outcome.h"

struct journalFile {
  std::string name;       // the final name, without a folder
  std::string temporary;  // the complete new file, until it takes the name
  bool kept = false;      // an earlier file of the name is backed up
};

struct setJournal {
  std::string stem;  // without the final "."
  int backup = 0;
  std::vector<journalFile> files;
};

// The name of the journal in the folder.
extern const char* const journalName;

// The version written into journals and required of the journals read.
extern const char* const journalProgram;

// NAME.~N~, as the numbered backups of other tools are named.
std::string backupName(const std::string& name, int number);

// The backup number an earlier set of these names takes: one more than the highest
// NAME.~N~ in `folder` among all of `names`, so that the files of one set share it.
int nextBackupNumber(const std::string& folder, const std::vector<std::string>& names);

// The journal's text, with its end line.
std::string journalText(const setJournal& journal);

// Reads the text of a journal; on failure says why in `problem`.
bool parseJournal(const std::string& text, setJournal& journal, std::string& problem);

// Writes the journal into `folder`, flushed and under its name in one step, telling `steps`
// of each; false with the system's reason in `reason` when it cannot.
bool writeJournal(const std::string& folder, const setJournal& journal, std::string& reason, setSteps steps);

// Removes the journal and flushes the folder.
void removeJournal(const std::string& folder);

// Finishes or undoes the naming of a set a stopped run left in `folder` (empty: the
// current folder), says which on standard error, and removes the journal. Call with the
// folder's lock held. A journal that cannot be read, is damaged or comes from another
// version of the program is left as it is, and the failure says so.
[[nodiscard]] problem recoverSet(const std::string& folder);
