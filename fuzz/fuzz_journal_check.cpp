// The journal a stopped run leaves beside a set, fuzzed: whatever it says, the next run
// either refuses it and touches nothing, or puts the set it names in order, finished or
// rolled back, moving and removing only the files it recorded under the names it gives.
//
// Each input is written as the journal of a folder staged afresh: a plan's set half named
// (a new .cfg named, its earlier one kept, the .wpt and .pts still under their
// temporary names, an earlier map), a saved settings file with a blank in its name half
// named, the operator's own files, and a folder beside them. Before it is written, the
// input's "@program" becomes this version, each "@id(NAME)" the identity of the staged
// file NAME (0:0:0:0 when there is none), and "end *" with all after it the end line
// that matches what comes before: so the fuzzer reaches the files, not only the checksum.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "files/fileSet.h"
#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "fuzz_check.h"
#include "support/readFile.h"
#include "text/runMessages.h"

namespace fs = std::filesystem;

namespace veskfuzz {
namespace {

const std::vector<std::pair<const char*, const char*>> stagedFiles = {
    {"2014_119_148.cfg", "new cfg"},
    {"2014_119_148.cfg.~1~", "earlier cfg"},
    {"2014_119_148.wpt", "earlier wpt"},
    {"2014_119_148.wpt.aaaaaaaaaa.tmp", "new wpt"},
    {"2014_119_148.pts.bbbbbbbbbb.tmp", "new pts"},
    {"2014_119_148.kml", "earlier kml"},
    {"dive settings.toml", "earlier settings"},
    {"dive settings.toml.cccccccccc.tmp", "new settings"},
    {"notes.txt", "the operator's notes"},
    {"route.txt", "45 10\n45.045 10\n"},
    {"beside/2014_119_148.cfg", "another folder's"},
    {"beside/notes.txt", "another folder's notes"},
};

std::string folder;
std::string consoleFile;

void removeFolder() {
  std::error_code ec;
  if (!folder.empty()) fs::remove_all(fs::path(folder).parent_path(), ec);
}

std::string identityText(const platform::fileIdentity& id) {
  return std::to_string(id.device) + ":" + std::to_string(id.file) + ":" + std::to_string(id.size) + ":" +
         std::to_string(id.modified);
}

std::string pathOf(const std::string& name) { return folder + "/" + name; }

// The input as the journal it stands for.
std::string journalOf(const std::string& input) {
  std::string text;
  for (size_t at = 0; at < input.size();) {
    if (input.compare(at, 8, "@program") == 0) {
      text += journalProgram;
      at += 8;
    } else if (input.compare(at, 4, "@id(") == 0 && input.find(')', at) != std::string::npos) {
      const size_t close = input.find(')', at);
      const std::string name = input.substr(at + 4, close - at - 4);
      const platform::fileFacts facts = name.empty() ? platform::fileFacts{} : platform::factsAt(pathOf(name));
      text += facts.exists ? identityText(facts.identity) : "0:0:0:0";
      at = close + 1;
    } else if (input.compare(at, 5, "end *") == 0) {
      return text + journalEnd(text);
    } else {
      text += input[at++];
    }
  }
  return text;
}

struct entry {
  bool exists = false;
  platform::fileIdentity identity;
  std::string content;
};

// Every file in the staged folder and the folder beside the set, by name.
std::map<std::string, entry> snapshot() {
  std::map<std::string, entry> all;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(fs::u8path(folder), ec)) {
    const std::string name = fs::relative(e.path(), fs::u8path(folder), ec).generic_u8string();
    const platform::fileFacts facts = platform::factsAt(e.path().u8string());
    entry& item = all[name];
    item.exists = true;
    item.identity = facts.identity;
    if (facts.plain) item.content = readFile(e.path().u8string());
  }
  return all;
}

bool sameEntry(const entry& a, const entry& b) {
  return a.exists == b.exists && (!a.exists || (a.identity == b.identity && a.content == b.content));
}

void stage() {
  std::error_code ec;
  if (folder.empty()) {
    const fs::path dir = fs::temp_directory_path(ec) / ("vesk_fuzz_journal_" + platform::uniqueTag());
    folder = (dir / "set").u8string();
    consoleFile = (dir / "console.txt").u8string();
    fs::create_directories(fs::u8path(folder), ec);
    if (ec) finding("harness cannot create a folder for the journal");
    std::atexit(removeFolder);
  }
  fs::remove_all(fs::u8path(folder), ec);
  fs::create_directories(fs::u8path(folder) / "beside", ec);
  for (const auto& [name, content] : stagedFiles) {
    std::ofstream out(fs::u8path(pathOf(name)), std::ios::binary);
    out << content;
    if (!out) finding(std::string("harness cannot write ") + name);
  }
}

}  // namespace

void checkJournal(const std::string& input) {
  stage();
  const std::string text = journalOf(input);
  {
    std::ofstream out(fs::u8path(pathOf(journalName)), std::ios::binary);
    out << text;
    if (!out) finding("harness cannot write the journal");
  }
  setJournal journal;
  std::string problem;
  const bool parsed = parseJournal(text, journal, problem);
  const std::map<std::string, entry> before = snapshot();
  // The program's messages go to a file, not into the fuzzer's log.
  if (std::freopen(consoleFile.c_str(), "wb", stdout) == nullptr) finding("harness cannot reopen stdout");
  bool refused = false;
  try {
    if (const auto refused = recoverSet(folder)) reportFailure(*refused);
  } catch (const runEnd& end) {
    refused = end.status == 1;
    if (!refused) finding("a journal ended the run with status " + std::to_string(end.status));
  }
  std::fflush(stdout);
  std::map<std::string, entry> after = snapshot();
  if (refused) {
    if (after.size() != before.size() ||
        !std::equal(before.begin(), before.end(), after.begin(),
                    [](const auto& a, const auto& b) { return a.first == b.first && sameEntry(a.second, b.second); })) {
      finding("a refused journal changed the folder");
    }
    return;
  }
  if (!parsed) finding("a journal that does not read (" + problem + ") was obeyed");
  if (after.count(journalName) != 0) finding("the journal stayed after the set was put in order");

  // Only the names the journal gives, and only the files it recorded, moved or went.
  std::vector<std::string> names = {journalName};
  std::vector<platform::fileIdentity> recorded;
  for (const journalFile& f : journal.files) {
    names.push_back(f.name);
    if (!f.temporary.empty()) {
      names.push_back(f.temporary);
      recorded.push_back(f.written);
    }
    if (f.kept) {
      names.push_back(backupName(f.name, journal.backup));
      recorded.push_back(f.earlier);
    }
  }
  const auto isRecorded = [&](const entry& e) {
    return std::find(recorded.begin(), recorded.end(), e.identity) != recorded.end();
  };
  std::map<std::string, entry> all = before;
  all.insert(after.begin(), after.end());
  for (const auto& [name, ignored] : all) {
    const entry was = before.count(name) != 0 ? before.at(name) : entry{};
    const entry now = after.count(name) != 0 ? after.at(name) : entry{};
    if (sameEntry(was, now)) continue;
    if (std::find(names.begin(), names.end(), name) == names.end()) finding("a journal touched " + name);
    if (name == journalName) continue;
    if (was.exists && !isRecorded(was)) finding("a journal moved or removed " + name + ", which it did not record");
    if (now.exists && !isRecorded(now)) finding("a journal put a file it did not record under " + name);
  }

  // The set is whole: all new, or all as it was.
  bool finished = true;
  bool rolledBack = true;
  const auto holds = [&](const std::string& name, const platform::fileIdentity* id) {
    const auto it = after.find(name);
    return id == nullptr ? it == after.end() : it != after.end() && it->second.identity == *id;
  };
  for (const journalFile& f : journal.files) {
    const bool hasNew = !f.temporary.empty();
    const std::string backup = backupName(f.name, journal.backup);
    if (hasNew && (!holds(f.name, &f.written) || !holds(f.temporary, nullptr))) finished = false;
    if (!hasNew && !holds(f.name, nullptr)) finished = false;
    if (f.kept && !holds(backup, &f.earlier)) finished = false;
    if (hasNew && !holds(f.temporary, nullptr)) rolledBack = false;
    if (!holds(f.name, f.kept ? &f.earlier : nullptr) || (f.kept && !holds(backup, nullptr))) rolledBack = false;
  }
  if (!finished && !rolledBack) finding("a journal left its set neither finished nor rolled back");
}

}  // namespace veskfuzz
