// Writing the files of one run as a set: all of them, complete and on disk, or none.
//
// Each file is written to a private temporary file beside its final name, created
// exclusively (never through an existing name or a planted link), with every line ending
// in CR LF, and flushed to the disk. Only when every file of the set is complete do they
// take their final names, in order, while other runs writing into the same folder wait.
// A failure anywhere, or an interruption (Ctrl-C, SIGTERM, SIGHUP) while writing, removes
// the temporary files and leaves the files already there as they were, and says why.
// An earlier set of the same names is kept under numbered backup names (NAME.~1~, the
// same number for the whole set): a plan's set is every file of its stem, so the earlier
// plan's maps and picture go too when the new plan has none. A journal beside the set
// (setJournal.h) lets the next run finish or undo a naming that a crash stopped half way.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "files/setSteps.h"
#include "text/outcome.h"
#include "text/runMessages.h"
#include "text/textOut.h"

// The files the vehicle reads have CR LF line ends, whichever system wrote them.
constexpr std::string_view fileLineEnd = "\r\n";

struct outputFile {
  std::string name;            // the final name, without a folder
  const char* openMessage;     // printf formats taking the file's path: the temporary file
  const char* writeMessage;    // cannot be created; it cannot be written, flushed or named
  const char* successMessage;  // printed once the whole set has its names
};

// Writes the text of a whole set: outputs[i] takes the text of files[i], each line ending
// in the output's line end. The files are open side by side, so that a walk over the
// route can write several of them at once.
using setText = std::function<void(const std::vector<textOut*>& outputs)>;

// The output folder (empty: the current folder) must take files before the operator
// answers any question: fails with a message and the system's reason when `folder` is
// missing, is no folder or refuses a file, or is locked by another run. Then finishes or
// undoes the naming of a set that a stopped run left there. Without `tryWriting` (a dry
// run, which writes nothing at all) only the folder's existence is checked.
[[nodiscard]] problem checkOutputFolder(const std::string& folder, bool tryWriting = true);

// How a set is written besides its files.
struct setWriting {
  setKind kind = setKind::named;
  warningLog* warnings = nullptr;  // the run's log, which the backups of an earlier set are told into
  setSteps steps = nullptr;        // hears of each step of the writing
};

// Writes `files` into `folder` as one set, then prints each file's success line in order
// and warns of the backups of an earlier set. On failure nothing of the set stays, and the
// failure holds the file's message, and the reason and what stays.
[[nodiscard]] problem writeFileSet(const std::string& folder, const std::vector<outputFile>& files,
                                   const setText& produce, const setWriting& how = {});

// ---- Another destination ----

// A run writes its sets into the output folder, each file flushed to the disk before it
// takes its name. Checks that run the program thousands of times a second in one process,
// and the benchmark, which times the program rather than the disk, send the sets
// elsewhere (tests/support/setDestinations.h); the success lines are printed all the same.
class setDestination {
 public:
  virtual ~setDestination() = default;
  // Writes the text of the set whose files have the paths `paths`.
  virtual void write(const std::vector<std::string>& paths, const setText& produce) = 0;
};

// From now on every set goes to `destination`; null: the output folder again.
void divertFileSets(setDestination* destination);
// Whether sets go elsewhere: then the output folder is not looked at either.
bool setsDiverted();
