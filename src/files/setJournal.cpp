#include "files/setJournal.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "files/fileSetPlatform.h"
#include "files/setSteps.h"
#include "text/runMessages.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

const char* const journalName = ".vesk-journal";
const char* const journalProgram = VESK_VERSION;

namespace {

const char* const layoutLine = "vesk journal 1";

std::string checksum(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  static const char digits[] = "0123456789abcdef";
  std::string out(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) out[static_cast<size_t>(i)] = digits[hash & 0xf];
  return out;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A journal names only files of its own set in its own folder: nothing else is ever
// renamed or removed on its word, whoever wrote it.
bool plainName(const std::string& name, const std::string& stem) {
  if (!startsWith(name, stem + ".") || name.size() == stem.size() + 1) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' || c == ':' || c == ' ') return false;
  }
  return true;
}

bool temporaryOf(const std::string& temporary, const std::string& name) {
  const size_t tag = 10;
  if (temporary.size() != name.size() + 1 + tag + 4 || !startsWith(temporary, name + ".")) return false;
  if (temporary.compare(temporary.size() - 4, 4, ".tmp") != 0) return false;
  for (size_t i = name.size() + 1; i < name.size() + 1 + tag; ++i) {
    const char c = temporary[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

bool number(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool readJournal(const std::string& path, std::string& text, std::string& reason) {
  const platform::fileHandle file = platform::openForReading(path);
  if (file == platform::noFile) {
    reason = platform::lastError();
    return false;
  }
  std::string piece(4096, '\0');
  for (;;) {
    const long long n = platform::readSome(file, piece.data(), piece.size());
    if (n < 0) reason = platform::lastError();
    if (n <= 0) break;
    text.append(piece, 0, static_cast<size_t>(n));
    // A journal is a few lines: anything longer is no journal of this program.
    if (text.size() > 64 * 1024) break;
  }
  platform::closeQuietly(file);
  return reason.empty();
}

std::string folderText(const std::string& folder) {
  return folder.empty() ? std::string("the current folder") : "output folder " + folder;
}

failure refuseJournal(const std::string& folder, const std::string& why) {
  return {"cannot use " + folderText(folder) + "\n",
          "vesk: " + outputPath(folder, journalName) + " " + why +
              "; it is left as it is and nothing was deleted: put the set it names in order, then remove it"};
}

}  // namespace

std::string backupName(const std::string& name, int number) { return name + ".~" + std::to_string(number) + "~"; }

int nextBackupNumber(const std::string& folder, const std::vector<std::string>& names) {
  int highest = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(std::filesystem::u8path(folder.empty() ? "." : folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().u8string();
    for (const std::string& name : names) {
      if (entry.size() < name.size() + 4 || !startsWith(entry, name + ".~") || entry.back() != '~') continue;
      int value = 0;
      if (number(entry.substr(name.size() + 2, entry.size() - name.size() - 3), value) && value > highest) {
        highest = value;
      }
    }
  }
  return highest + 1;
}

std::string journalText(const setJournal& journal) {
  std::string text = std::string(layoutLine) + "\nprogram " + journalProgram + "\nset " + journal.stem + "\nbackup " +
                     std::to_string(journal.backup) + "\n";
  for (const journalFile& file : journal.files) {
    text += "file " + file.name + " " + file.temporary + (file.kept ? " kept\n" : " new\n");
  }
  return text + "end " + checksum(text) + "\n";
}

bool parseJournal(const std::string& text, setJournal& journal, std::string& problem) {
  // Whose journal it is comes first: another version may keep its journal otherwise.
  std::vector<std::string> lines = split(text, '\n');
  if (lines[0] != layoutLine) {
    problem = "has a layout this version of vesk does not know";
    return false;
  }
  if (lines.size() < 2 || !startsWith(lines[1], "program ")) {
    problem = "is damaged: it does not say which vesk wrote it";
    return false;
  }
  const std::string program = lines[1].substr(8);
  if (program != journalProgram) {
    problem = "was written by vesk " + program + ", not by this version (" + journalProgram + ")";
    return false;
  }
  const size_t endAt = text.rfind("end ");
  if (endAt == std::string::npos || (endAt > 0 && text[endAt - 1] != '\n') ||
      text.compare(endAt, std::string::npos, "end " + checksum(text.substr(0, endAt)) + "\n") != 0) {
    problem = "is damaged: its end line is missing or does not match what it holds";
    return false;
  }
  lines = split(text.substr(0, endAt), '\n');
  lines.pop_back();  // after the last line end
  if (lines.size() < 4 || !startsWith(lines[2], "set ") || !startsWith(lines[3], "backup ") ||
      !number(lines[3].substr(7), journal.backup)) {
    problem = "is damaged: its heading lines are not as vesk writes them";
    return false;
  }
  journal.stem = lines[2].substr(4);
  journal.files.clear();
  for (size_t i = 4; i < lines.size(); ++i) {
    const std::vector<std::string> fields = split(lines[i], ' ');
    if (fields.size() != 4 || fields[0] != "file" || !plainName(fields[1], journal.stem) ||
        !temporaryOf(fields[2], fields[1]) || (fields[3] != "kept" && fields[3] != "new") ||
        (fields[3] == "kept" && journal.backup < 1)) {
      problem = "is damaged: line " + std::to_string(i + 1) + " is not a file of the set as vesk writes it";
      return false;
    }
    journal.files.push_back({fields[1], fields[2], fields[3] == "kept"});
  }
  if (journal.files.empty() || journal.stem.empty()) {
    problem = "is damaged: it names no file";
    return false;
  }
  return true;
}

bool writeJournal(const std::string& folder, const setJournal& journal, std::string& reason, setSteps steps) {
  const std::string path = outputPath(folder, journalName);
  const std::string temporary = path + "." + platform::uniqueTag() + ".tmp";
  const std::string text = journalText(journal);
  const platform::fileHandle file = platform::createNew(temporary);
  if (file == platform::noFile) {
    reason = platform::lastError();
    return false;
  }
  platform::guard(temporary);
  bool written = platform::writeAll(file, text.data(), text.size());
  if (!written) reason = platform::lastError();
  if (!platform::flushAndClose(file) && written) {
    reason = platform::lastError();
    written = false;
  }
  if (written) passStep(steps, "journal flushed");
  if (written && !platform::rename(temporary, path)) {
    reason = platform::lastError();
    written = false;
  }
  if (!written) {
    platform::remove(temporary);
    return false;
  }
  platform::syncFolder(folder);
  passStep(steps, "journal in place");
  return true;
}

void removeJournal(const std::string& folder) {
  platform::remove(outputPath(folder, journalName));
  platform::syncFolder(folder);
}

problem recoverSet(const std::string& folder) {
  const std::string path = outputPath(folder, journalName);
  if (!platform::exists(path)) return std::nullopt;
  std::string text;
  std::string reason;
  if (!readJournal(path, text, reason)) return refuseJournal(folder, "cannot be read (" + reason + ")");
  setJournal journal;
  std::string damage;
  if (!parseJournal(text, journal, damage)) return refuseJournal(folder, damage);

  const auto at = [&](const std::string& name) { return outputPath(folder, name); };
  // The new files were complete on the disk before the journal was written: the naming
  // can be finished when each of them is still there, under its temporary name or its
  // final one, with the earlier file of that name already backed up.
  bool finishable = true;
  for (const journalFile& f : journal.files) {
    if (platform::exists(at(f.temporary))) continue;
    if (!platform::exists(at(f.name)) || (f.kept && !platform::exists(at(backupName(f.name, journal.backup))))) {
      finishable = false;
    }
  }
  std::string kept;
  bool done = true;
  for (const journalFile& f : journal.files) {
    const std::string name = at(f.name);
    const std::string temporary = at(f.temporary);
    const std::string backup = at(backupName(f.name, journal.backup));
    const bool temporaryThere = platform::exists(temporary);
    if (finishable) {
      if (temporaryThere && f.kept && !platform::exists(backup) && platform::exists(name)) {
        done = platform::rename(name, backup) && done;
      }
      if (temporaryThere) done = platform::rename(temporary, name) && done;
      if (f.kept) kept += (kept.empty() ? "" : ", ") + backupName(f.name, journal.backup);
    } else {
      if (temporaryThere) platform::remove(temporary);
      if (f.kept && platform::exists(backup)) {
        done = platform::rename(backup, name) && done;
      } else if (!f.kept && !temporaryThere) {
        platform::remove(name);  // the new file that had taken its name
      }
    }
  }
  if (!done) {
    reason = platform::lastError();
    platform::syncFolder(folder);
    return refuseJournal(folder,
                         "names a set a stopped run left half named, which cannot be put in order (" + reason + ")");
  }
  platform::syncFolder(folder);
  removeJournal(folder);
  const std::string stopped =
      "vesk: a run stopped while it named the set " + journal.stem + " in " + folderText(folder);
  if (finishable) {
    toStderr(stopped + "; finished: the new set has its names" +
             (kept.empty() ? std::string() : ", the earlier files are kept as " + kept));
  } else {
    toStderr(stopped + "; rolled back: the earlier set " + journal.stem + " is in place");
  }
  return std::nullopt;
}
