#include "files/setJournal.h"

#include <cstdint>
#include <string>
#include <vector>

#include "files/fileSetPlatform.h"
#include "maps/mapExport.h"
#include "text/runMessages.h"
#include "text/version.h"

const char* const journalName = ".vesk-journal";
const char* const journalProgram = veskVersion;

namespace {

const char* const layoutLine = "vesk journal 2";

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

}  // namespace

std::string setNamed(const setJournal& journal) {
  return journal.kind == setKind::mission ? "the set " + journal.stem : journal.stem;
}

std::string backupName(const std::string& name, int number) { return name + ".~" + std::to_string(number) + "~"; }

std::vector<std::string> missionNames(const std::string& stem) {
  std::vector<std::string> names;
  for (const char* extension : {"cfg", "wpt", "pts"}) names.push_back(stem + "." + extension);
  for (const mapFormat format : {mapFormat::kml, mapFormat::gpx, mapFormat::geojson, mapFormat::svg}) {
    names.push_back(stem + "." + mapExtension(format));
  }
  return names;
}

std::string diveNumberOf(const std::string& stem, const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot <= stem.size() + 1 || !startsWith(name, stem + "-")) return "";
  const std::string digits = name.substr(stem.size() + 1, dot - stem.size() - 1);
  unsigned long long value = 0;
  if (digits.size() > 6 || digits[0] == '0' || !number(digits, value)) return "";
  return digits;
}

bool missionFileOf(const std::string& stem, const std::string& name) {
  const std::string dive = diveNumberOf(stem, name);
  for (const std::string& known : missionNames(dive.empty() ? stem : stem + "-" + dive)) {
    if (known == name) return true;
  }
  return false;
}

int nextBackupNumber(const std::string& folder, const std::vector<std::string>& names) {
  int highest = 0;
  platform::forEachEntry(folder.empty() ? "." : folder, [&](const std::string& entry) {
    for (const std::string& name : names) {
      if (entry.size() < name.size() + 4 || !startsWith(entry, name + ".~") || entry.back() != '~') continue;
      const std::string digits = entry.substr(name.size() + 2, entry.size() - name.size() - 3);
      unsigned long long value = 0;
      if (digits.size() <= 9 && number(digits, value) && static_cast<int>(value) > highest) {
        highest = static_cast<int>(value);
      }
    }
  });
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
    if (mission ? !missionFileOf(journal.stem, file.name) : file.name != journal.stem) {
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

bool writeJournal(const std::string& folder, const setJournal& journal, std::string& reason, setSteps steps) {
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
