// What writing a set of files safely needs from the operating system; one implementation
// for POSIX systems, one for Windows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

using fileHandle = long long;
constexpr fileHandle noFile = -1;

// Creates `path` for writing, failing when any file, folder or link already has that
// name, so that nothing planted there can redirect the write. The file gets the
// permissions of a normally created file.
fileHandle createNew(const std::string& path);

// The system's reason for the failure of the call just made, in its own words
// ("No space left on device"); called before anything else can change it.
std::string lastError();

// Opens `path` for reading; noFile when it cannot be opened (lastError says why).
fileHandle openForReading(const std::string& path);

// Reads up to `size` bytes into `data`: how many, 0 at the end of the file, -1 on failure.
long long readSome(fileHandle file, char* data, size_t size);

// The size of an open file that is a plain file; -1 for anything else (a pipe, a device)
// or a folder, whose size says nothing of what reading it gives.
long long plainFileSize(fileHandle file);

// True when the open file is a folder.
bool isFolder(fileHandle file);

// Writes all of `data`; false when the disk refuses any of it.
bool writeAll(fileHandle file, const char* data, size_t size);

// What tells one file from every other, and from itself changed: the same identity is
// the same file, not written to since.
struct fileIdentity {
  unsigned long long device = 0;  // the file system (the volume serial number on Windows)
  unsigned long long file = 0;    // the file within it (the inode, the file index)
  unsigned long long size = 0;
  long long modified = 0;  // the last write, in the system's finest unit
  bool operator==(const fileIdentity& other) const {
    return device == other.device && file == other.file && size == other.size && modified == other.modified;
  }
  bool operator!=(const fileIdentity& other) const { return !(*this == other); }
};

// Flushes the file to the disk and closes it; false when either fails. With `identity`,
// the file's identity as it stays once its data is on the disk and it is closed.
bool flushAndClose(fileHandle file, fileIdentity* identity = nullptr);

// Closes the file, leaving it to the system to flush; false when that fails.
bool close(fileHandle file);

// Closes a file that is being given up.
void closeQuietly(fileHandle file);

// What a name stands for, a link itself and not what it leads to.
struct fileFacts {
  bool exists = false;
  bool link = false;   // a symbolic link (a reparse point on Windows)
  bool plain = false;  // a regular file: no link, folder, pipe or device
  bool folder = false;
  bool ownedByUser = false;      // belongs to the user running the program
  unsigned long long names = 0;  // the names the file has (hard links)
  std::string owner;             // the owner as a message names it: "bob (uid 1001)"
  fileIdentity identity;
};

// The facts of what has the name `path`; exists is false when nothing has it.
fileFacts factsAt(const std::string& path);

// The facts of an open file.
fileFacts factsOf(fileHandle file);

// Opens the file `path` for reading without following a link and without waiting, so
// that neither a planted link nor a pipe can redirect or block the run; noFile when it
// cannot be opened (lastError says why). The caller checks what it opened (factsOf).
fileHandle openUnfollowed(const std::string& path);

// The user running the program, as a message names it: "alice (uid 1000)".
std::string userName();

// True for a folder itself, not a link to one.
bool isDirectory(const std::string& path);

// True when anything has the name `path`, a link to nothing included.
bool exists(const std::string& path);

// Calls `each` with the name of every entry of `folder` but "." and "..". False when the
// folder cannot be listed. Running out of memory meanwhile throws, as anywhere else, where
// the standard library's folder iterator would end the program.
bool forEachEntry(const std::string& folder, const std::function<void(const std::string&)>& each);

// Gives the file `from` the name `to` in one step, replacing what had that name.
bool rename(const std::string& from, const std::string& to);

bool remove(const std::string& path);

// Makes the new names in `folder` last through a power cut.
void syncFolder(const std::string& folder);

// A few characters no other run is likely to pick, for the names of temporary files.
std::string uniqueTag();

// ---- Interruptions while a set is written ----

// From now on an interruption of the run (Ctrl-C, SIGTERM or SIGHUP; Ctrl-C, Ctrl-Break or
// closing the console on Windows) removes the files guarded, then ends the run the way
// the interruption would have.
void startGuard();
// The temporary file `path` is to be removed if the run is interrupted.
void guard(const std::string& path);
// The guarded files are gone or have their final names: an interruption ends the run
// without removing anything.
void clearGuard();
// An interruption ends the run as it did before startGuard.
void endGuard();
// Between holdInterrupts and releaseInterrupts an interruption waits: the names of a set
// are given as one step. An interruption that came meanwhile ends the run on release.
void holdInterrupts();
void releaseInterrupts();

// ---- Other runs writing into the same folder ----

// While it lives, no other run that takes it gives names in the same folder; false from
// taken() when another process holds the folder: at once when it is a process of another
// user (anyone who may read a folder may lock it, and another run holds it only while it
// names a set, a few milliseconds), after 10 seconds when it is one of the user's own.
// Where the file system has no locks the folder counts as taken.
class folderLock {
 public:
  explicit folderLock(const std::string& folder);
  ~folderLock();
  folderLock(const folderLock&) = delete;
  folderLock& operator=(const folderLock&) = delete;
  bool taken() const { return taken_; }
  // Who holds the folder when it is not taken: "process 4242 (cat) of bob (uid 1001)", or
  // "another process" when the system does not tell.
  const std::string& holder() const { return holder_; }

 private:
  long long handle_ = -1;
  bool taken_ = false;
  std::string holder_;
};

}  // namespace platform
