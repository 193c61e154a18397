// The journal of a set being named: what a run writes beside the set before its first
// rename, so that the next run in the folder can finish or undo a naming that a crash, a
// SIGKILL or a power cut stopped half way, and the vehicle never gets a new mission
// script beside the waypoints of an earlier one.
//
// A set is named under the folder's lock, in this order: the temporary files flushed; the
// journal written to a temporary of its own, flushed and renamed to `.vesk-journal`; the
// earlier files of the set's names that the new set does not write renamed to their
// numbered backups (NAME.~N~); for each new file the earlier file renamed to its backup
// and the temporary renamed to NAME; the folder flushed; the journal removed and the
// folder flushed again. The journal is plain text, one record a line, every name quoted
// ("..." with \" \\ and \xNN for the bytes below 0x20 and 0x7f):
//
//   vesk journal 2                       the layout of the journal
//   program 1.2.0                        the version of the program that wrote it
//   set mission "2014_119_148"           a plan's files: its stem with the program's own
//                                        extensions; or `set named "NAME"`, the one file
//                                        the operator named (--save-settings, --write-route)
//   backup 2                             the number of the backups (0: no earlier file)
//   file "NAME" new "TEMPORARY" ID       one line a name: the new file, written as
//   file "NAME" new "TEMPORARY" ID kept ID   TEMPORARY; the earlier file, kept as its
//   file "NAME" kept ID                      backup; or both
//   end 0123456789abcdef                 FNV-1a (64 bits) of every byte before this line
//
// ID is the identity of the file as the run left it: device:file:size:modified, in the
// system's numbers. The next run acts on a journal only when it is a plain file of the
// user's own, and only on files that are still the ones recorded.
#pragma once

#include <string>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/setSteps.h"
#include "text/outcome.h"

struct journalFile {
  std::string name;                // the final name, without a folder
  std::string temporary;           // the new file until it takes the name; empty: no new file
  platform::fileIdentity written;  // the new file, as it was flushed
  bool kept = false;               // an earlier file of the name moves to its backup
  platform::fileIdentity earlier;  // that earlier file
};

struct setJournal {
  setKind kind = setKind::mission;
  std::string stem;  // a plan's stem, without the final "."; a named file's name
  int backup = 0;
  std::vector<journalFile> files;
};

// The name of the journal in the folder.
extern const char* const journalName;

// The version written into journals and required of the journals read.
extern const char* const journalProgram;

// NAME.~N~, as the numbered backups of other tools are named.
std::string backupName(const std::string& name, int number);

// Every name a plan of the stem `stem` (without the final ".") may have: the stem with
// each of the program's own extensions (cfg, wpt, pts and those of the maps).
std::vector<std::string> missionNames(const std::string& stem);

// The dive number of a dive's file of the plan `stem`, "3" of "STEM-3.cfg", or empty.
std::string diveNumberOf(const std::string& stem, const std::string& name);
// Whether `name` is a file of the plan `stem`: one of missionNames, of the plan or of one of
// its dives (a plan split into dives writes STEM-1.cfg, STEM-2.cfg, ...).
bool missionFileOf(const std::string& stem, const std::string& name);

// The backup number an earlier set of these names takes: one more than the highest
// NAME.~N~ in `folder` among all of `names`, so that the files of one set share it.
int nextBackupNumber(const std::string& folder, const std::vector<std::string>& names);

// "the set 2014_119_148" or "dive settings.toml", as the messages name what a journal is of.
std::string setNamed(const setJournal& journal);

// The journal's text, with its end line.
std::string journalText(const setJournal& journal);

// The end line of a journal whose other lines are `text`.
std::string journalEnd(const std::string& text);

// Reads the text of a journal; on failure says why in `problem`. Only a journal as this
// version writes it, byte for byte, naming only the files it writes for the set, is read.
bool parseJournal(const std::string& text, setJournal& journal, std::string& problem);

// Writes the journal into `folder`, flushed and under its name in one step, telling `steps`
// of each; false with the system's reason in `reason` when it cannot.
bool writeJournal(const std::string& folder, const setJournal& journal, std::string& reason, setSteps steps);

// Removes the journal and flushes the folder.
void removeJournal(const std::string& folder);

// Finishes or undoes the naming of a set a stopped run left in `folder` (empty: the
// current folder), says which on standard error, and removes the journal. Call with the
// folder's lock held. A journal that is no plain file of the user's own, cannot be read,
// is damaged, comes from another version of the program, names a file it does not write
// for the set, or finds a file other than the one it recorded, is left as it is with
// every file, and the failure gives the reason and how to clear it.
[[nodiscard]] problem recoverSet(const std::string& folder);
