// The dive brief (--map html): one page the team on deck prints and takes to sea, holding
// what is loaded on the vehicle (each file of the set with its checksum), the warnings, the
// settings and where they came from, when and where the vehicle surfaces, the picture of
// the plan, the summaries and a checklist. Made from a template kept in the repository,
// which escapes every text from a file for HTML.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "brief/launchTime.h"
#include "mission/plannedMission.h"
#include "text/outcome.h"
#include "text/textOut.h"

// A file of the set as it was written: its size and SHA-256 (fileDigest.h). The page
// itself has neither.
struct briefFile {
  std::string name;
  std::optional<size_t> bytes;
  std::string sha256;
};

// A setting the run used, its value as a settings file writes it, and where it came from:
// "default", "file NAME:LINE:COLUMN", "--set ..." or "answer".
struct briefSetting {
  std::string key;
  std::string value;
  std::string source;
};

// A summary the run gives on standard error, under its heading.
struct briefSummary {
  std::string title;
  std::vector<std::string> lines;
};

// What the page holds besides the plan.
struct briefInputs {
  std::string madeAt;   // when the plan was made, UTC
  bool survey = false;  // the route file is a survey's area
  std::vector<briefFile> files;
  std::vector<briefSetting> settings;
  std::vector<briefSummary> summaries;  // after the plan's own figures
  std::optional<launchClock> launch;
  std::vector<std::string> checklist;  // the team's own items, after those of the settings
};

// The page `name` of `mission`, with "\n" line ends handed to `out` as its line end; the
// picture of the plan inline. Fails only when the template cannot be read, which the
// tests of the build catch.
[[nodiscard]] problem briefText(const plannedMission& mission, const std::string& name, const briefInputs& in,
                                textOut& out);

// The team's checklist file's text as items: one a line, blank lines and a byte order
// mark left out, CR LF or LF.
std::vector<std::string> checklistItems(const std::string& text);
