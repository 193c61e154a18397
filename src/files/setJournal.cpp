#include "files/setJournal.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "files/fileSet.h"
#include "files/fileSetPlatform.h"
#include "maps/mapExport.h"
#include "text/runMessages.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

const char* const journalName = ".vesk-journal";
const char* const journalProgram = VESK_VERSION;

namespace {

const char* const layoutLine = "vesk journal 2";

// A journal is a few lines: anything longer is no journal of this program.
constexpr size_t longestJournal = 64 * 1024;

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

// A name in quotes that survives blanks, quotes and line ends in it.
std::string quotedName(const std::string& name) {
  static const char digits[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += digits[byte >> 4];
      out += digits[byte & 0xf];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string identityText(const platform::fileIdentity& id) {
  return std::to_string(id.device) + ":" + std::to_string(id.file) + ":" + std::to_string(id.size) + ":" +
         std::to_string(id.modified);
}

// The fields of a journal line: words apart by one blank, names in quotes. Lenient about
// the form: the journal must read back byte for byte as it was written in any case.
bool fieldsOf(const std::string& line, std::vector<std::string>& fields) {
  fields.clear();
  size_t at = 0;
  while (at <= line.size()) {
    std::string field;
    if (at < line.size() && line[at] == '"') {
      for (++at;; ++at) {
        if (at >= line.size()) return false;
        const char c = line[at];
        if (c == '"') break;
        if (c != '\\') {
          field += c;
          continue;
        }
        if (++at >= line.size()) return false;
        if (line[at] != 'x') {
          field += line[at];
          continue;
        }
        if (at + 2 >= line.size()) return false;
        int value = 0;
        for (int i = 1; i <= 2; ++i) {
          const char h = line[at + static_cast<size_t>(i)];
          const int digit = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
          if (digit < 0) return false;
          value = value * 16 + digit;
        }
        field += static_cast<char>(value);
        at += 2;
      }
      ++at;  // the closing quote
    } else {
      const size_t blank = line.find(' ', at);
      const size_t end = blank == std::string::npos ? line.size() : blank;
      field = line.substr(at, end - at);
      at = end;
    }
    fields.push_back(field);
    if (at == line.size()) return true;
    if (line[at] != ' ') return false;
    ++at;
  }
  return true;
}

bool number(const std::string& text, unsigned long long& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

bool identityOf(const std::string& text, platform::fileIdentity& id) {
  const std::vector<std::string> parts = split(text, ':');
  unsigned long long modified = 0;
  const bool negative = parts.size() == 4 && startsWith(parts[3], "-");
  if (parts.size() != 4 || !number(parts[0], id.device) || !number(parts[1], id.file) || !number(parts[2], id.size) ||
      !number(parts[3].substr(negative ? 1 : 0), modified) || modified > 9000000000000000000ull) {
    return false;
  }
  id.modified = negative ? -static_cast<long long>(modified) : static_cast<long long>(modified);
  return true;
}

// The stem the clock gives a plan: year, day of the year and hour with minute, in digits.
bool missionStem(const std::string& stem) {
  const std::vector<std::string> parts = split(stem, '_');
  if (parts.size() != 3) return false;
  for (const std::string& part : parts) {
    unsigned long long value = 0;
    if (part.size() > 9 || !number(part, value)) return false;
  }
  return true;
}

// A file the operator may name in the folder, other than the program's own bookkeeping.
bool plainName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || startsWith(name, journalName) || startsWith(name, ".vesk.lock") ||
      startsWith(name, ".vesk-write-test")) {
    return false;
  }
  for (const char c : name) {
    if (c == '\0' || c == '/') return false;
#if defined(_WIN32)
    if (c == '\\' || c == ':') return false;
#endif
  }
  return true;
}

// NAME.abcdefghij.tmp, as the run names the temporary file of NAME.
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
  failRun("cannot use " + folderText(folder) + "\n", "vesk: " + path + " " + why + tail);
}

// "the set 2014_119_148" or "dive settings.toml", as the messages name what a journal is of.
std::string setNamed(const setJournal& journal) {
  return journal.kind == setKind::mission ? "the set " + journal.stem : journal.stem;
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

}  // namespace

std::string backupName(const std::string& name, int number) { return name + ".~" + std::to_string(number) + "~"; }

std::vector<std::string> missionNames(const std::string& stem) {
  std::vector<std::string> names;
  for (const char* extension : {"cfg", "wpt", "pts"}) names.push_back(stem + "." + extension);
  for (const mapFormat format : {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg}) {
    names.push_back(stem + "." + mapExtension(format));
  }
  return names;
}

int nextBackupNumber(const std::string& folder, const std::vector<std::string>& names) {
  int highest = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(std::filesystem::u8path(folder.empty() ? "." : folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().u8string();
    for (const std::string& name : names) {
      if (entry.size() < name.size() + 4 || !startsWith(entry, name + ".~") || entry.back() != '~') continue;
      const std::string digits = entry.substr(name.size() + 2, entry.size() - name.size() - 3);
      unsigned long long value = 0;
      if (digits.size() <= 9 && number(digits, value) && static_cast<int>(value) > highest) {
        highest = static_cast<int>(value);
      }
    }
  }
  return highest + 1;
}

std::string journalEnd(const std::string& text) { return "end " + checksum(text) + "\n"; }

std::string journalText(const setJournal& journal) {
  std::string text = std::string(layoutLine) + "\nprogram " + journalProgram + "\nset " +
                     (journal.kind == setKind::mission ? "mission " : "named ") + quotedName(journal.stem) +
                     "\nbackup " + std::to_string(journal.backup) + "\n";
  for (const journalFile& file : journal.files) {
    text += "file " + quotedName(file.name);
    if (!file.temporary.empty()) text += " new " + quotedName(file.temporary) + " " + identityText(file.written);
    if (file.kept) text += " kept " + identityText(file.earlier);
    text += "\n";
  }
  return text + journalEnd(text);
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
      text.compare(endAt, std::string::npos, journalEnd(text.substr(0, endAt))) != 0) {
    problem = "is damaged: its end line is missing or does not match what it holds";
    return false;
  }
  lines = split(text.substr(0, endAt), '\n');
  lines.pop_back();  // after the last line end
  std::vector<std::string> fields;
  unsigned long long backup = 0;
  if (lines.size() < 4 || !fieldsOf(lines[2], fields) || fields.size() != 3 || fields[0] != "set" ||
      (fields[1] != "mission" && fields[1] != "named") || !startsWith(lines[3], "backup ") || lines[3].size() > 7 + 9 ||
      !number(lines[3].substr(7), backup)) {
    problem = "is damaged: its heading lines are not as vesk writes them";
    return false;
  }
  journal = setJournal{};
  journal.kind = fields[1] == "mission" ? setKind::mission : setKind::named;
  journal.stem = fields[2];
  journal.backup = static_cast<int>(backup);
  const bool mission = journal.kind == setKind::mission;
  if (mission ? !missionStem(journal.stem) : !plainName(journal.stem)) {
    problem = "is damaged: it names no set vesk writes";
    return false;
  }
  const std::vector<std::string> names = mission ? missionNames(journal.stem) : std::vector<std::string>{journal.stem};
  bool anyKept = false;
  bool anyNew = false;
  for (size_t i = 4; i < lines.size(); ++i) {
    const std::string damaged =
        "is damaged: line " + std::to_string(i + 1) + " is not a file of the set as vesk writes it";
    journalFile file;
    if (!fieldsOf(lines[i], fields) || fields.size() < 4 || fields[0] != "file") {
      problem = damaged;
      return false;
    }
    file.name = fields[1];
    bool known = false;
    for (const std::string& name : names) known = known || name == file.name;
    if (!known) {
      problem = "names " + quotedName(file.name) + ", which is no file vesk writes for " + setNamed(journal);
      return false;
    }
    size_t at = 2;
    if (fields[at] == "new") {
      if (fields.size() < at + 3 || !temporaryOf(fields[at + 1], file.name) ||
          !identityOf(fields[at + 2], file.written)) {
        problem =
            fields.size() >= at + 2 && !temporaryOf(fields[at + 1], file.name)
                ? "names " + quotedName(fields[at + 1]) + ", which is no temporary file vesk writes for " + file.name
                : damaged;
        return false;
      }
      file.temporary = fields[at + 1];
      anyNew = true;
      at += 3;
    }
    if (at < fields.size() && fields[at] == "kept") {
      if (fields.size() < at + 2 || !identityOf(fields[at + 1], file.earlier)) {
        problem = damaged;
        return false;
      }
      file.kept = anyKept = true;
      at += 2;
    }
    bool repeated = false;
    for (const journalFile& other : journal.files) repeated = repeated || other.name == file.name;
    if (at != fields.size() || at == 2 || repeated) {
      problem = damaged;
      return false;
    }
    journal.files.push_back(file);
  }
  if (!anyNew || anyKept != (journal.backup > 0) || (!mission && journal.files.size() != 1)) {
    problem = "is damaged: the files it names are no set vesk writes";
    return false;
  }
  // Each file it records is another file: one identity twice would have one file taken
  // for two.
  std::vector<platform::fileIdentity> recorded;
  for (const journalFile& file : journal.files) {
    if (!file.temporary.empty()) recorded.push_back(file.written);
    if (file.kept) recorded.push_back(file.earlier);
  }
  for (size_t i = 0; i < recorded.size(); ++i) {
    for (size_t j = i + 1; j < recorded.size(); ++j) {
      if (recorded[i] == recorded[j]) {
        problem = "is damaged: it records one file twice";
        return false;
      }
    }
  }
  // Written by this version, so it reads back byte for byte: any other form is damage.
  if (journalText(journal) != text) {
    problem = "is damaged: it is not written as vesk writes it";
    return false;
  }
  return true;
}

bool writeJournal(const std::string& folder, const setJournal& journal, std::string& reason) {
  const std::string path = outputPath(folder, journalName);
  const std::string temporary = path + "." + platform::uniqueTag() + ".tmp";
  const std::string text = journalText(journal);
  const platform::fileHandle file = platform::createNew(temporary);
  if (file == platform::noFile) {
    reason = platform::lastError();
    return false;
  }
  // Memory running out while it is guarded leaves no journal behind either.
  try {
    platform::guard(temporary);
  } catch (...) {
    platform::closeQuietly(file);
    platform::remove(temporary);
    throw;
  }
  bool written = platform::writeAll(file, text.data(), text.size());
  if (!written) reason = platform::lastError();
  if (!platform::flushAndClose(file) && written) {
    reason = platform::lastError();
    written = false;
  }
  if (written) passStep("journal flushed");
  if (written && !platform::rename(temporary, path)) {
    reason = platform::lastError();
    written = false;
  }
  if (!written) {
    platform::remove(temporary);
    return false;
  }
  platform::syncFolder(folder);
  passStep("journal in place");
  return true;
}

void removeJournal(const std::string& folder) {
  platform::remove(outputPath(folder, journalName));
  platform::syncFolder(folder);
}

void recoverSet(const std::string& folder) {
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
