#include "fuzz_check.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "vesk.h"

namespace fs = std::filesystem;

namespace veskfuzz {
namespace {

const char* const waypointFile = "route.txt";
const char* const answersFile = "answers.txt";
const char* const stdoutFile = "stdout.txt";

std::string workDir;
std::string startDir;  // where libFuzzer keeps its corpus and writes its findings

// A finding: say what was wrong, then stop the way libFuzzer recognises as a crash.
[[noreturn]] void finding(const std::string& what) {
  std::error_code ec;
  fs::current_path(startDir, ec);  // the input that caused it is saved relative to here
  std::fprintf(stderr, "\n==vesk-fuzz== %s\n", what.c_str());
  std::fflush(stderr);
  __builtin_trap();
}

void removeWorkDir() {
  if (workDir.empty()) return;
  std::error_code ec;
  fs::remove_all(workDir, ec);
}

void writeFile(const char* name, const std::string& content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) finding(std::string("harness cannot write ") + name);
}

std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The checks below run over every line of files of up to millions of lines: they look at
// the text in place, and build a message only when something is wrong.
using text = std::string_view;

bool startsWith(text s, text prefix) { return s.substr(0, prefix.size()) == prefix; }

bool endsWith(text s, text suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

text trimRight(text s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

text trimLeft(text s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return s;
}

[[noreturn]] void badLine(const std::string& name, size_t index, text line,
                          const std::string& what) {
  finding(name + " line " + std::to_string(index + 1) + " \"" + std::string(line) + "\": " + what);
}

// The lines of a file the vehicle software reads: every one must end in CR LF, and
// neither character may appear anywhere else.
std::vector<text> crlfLines(const std::string& content, const std::string& name) {
  if (content.empty()) finding(name + " is empty");
  std::vector<text> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t lf = content.find('\n', start);
    if (lf == std::string::npos) finding(name + ": last line has no line end");
    if (lf == start || content[lf - 1] != '\r') {
      finding(name + ": line " + std::to_string(lines.size() + 1) + " ends in LF without CR");
    }
    const text line(content.data() + start, lf - 1 - start);
    if (line.find('\r') != text::npos)
      finding(name + ": stray CR in line " + std::to_string(lines.size() + 1));
    lines.push_back(line);
    start = lf + 1;
  }
  return lines;
}

void split(text record, std::vector<text>& out) {
  out.clear();
  for (;;) {
    const size_t comma = record.find(',');
    out.push_back(record.substr(0, comma));
    if (comma == text::npos) return;
    record.remove_prefix(comma + 1);
  }
}

// True when the whole of `number` is one finite number.
bool finiteNumber(text number, double* value = nullptr) {
  static std::string buffer;  // strtod needs a terminated string
  if (number.empty() || std::isspace(static_cast<unsigned char>(number[0])) != 0) return false;
  buffer.assign(number);
  char* end = nullptr;
  const double v = std::strtod(buffer.c_str(), &end);
  if (end != buffer.c_str() + buffer.size() || !std::isfinite(v)) return false;
  if (value != nullptr) *value = v;
  return true;
}

bool wholeInt(text number, long* value) {
  if (number.empty() ||
      (number[0] != '-' && std::isdigit(static_cast<unsigned char>(number[0])) == 0))
    return false;
  const std::string copy(number);
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(copy.c_str(), &end, 10);
  if (end != copy.c_str() + copy.size() || errno != 0) return false;
  *value = v;
  return true;
}

// A position the vehicle can steer to: finite, latitude within the poles, longitude
// within one turn of the earth. Returns what is wrong, or null.
const char* badPosition(text latText, text lonText) {
  double lat = 0;
  double lon = 0;
  if (!finiteNumber(latText, &lat) || !finiteNumber(lonText, &lon))
    return "position is not two finite numbers";
  if (lat < -90 || lat > 90 || lon < -180 || lon > 180) return "position out of range";
  return nullptr;
}

struct waypointText {
  text lat;
  text lon;
};

// Waypoint file: "number,Nlat,lon,5,250.000,0.0,0.0,255,0.000", numbered from 0 (the launch
// waypoint) without gaps. The positions returned point into `content`.
std::vector<waypointText> checkWaypoints(const std::string& name, const std::string& content) {
  std::vector<waypointText> waypoints;
  const std::vector<text> lines = crlfLines(content, name);
  std::vector<text> f;
  for (size_t i = 0; i < lines.size(); ++i) {
    split(trimRight(lines[i]), f);
    if (f.size() != 9) badLine(name, i, lines[i], "expected 9 fields");
    long number = -1;
    if (!wholeInt(f[0], &number) || number != static_cast<long>(i))
      badLine(name, i, lines[i], "waypoint number out of sequence");
    if (f[1].empty() || f[1][0] != 'N') badLine(name, i, lines[i], "latitude without N");
    if (const char* bad = badPosition(f[1].substr(1), f[2])) badLine(name, i, lines[i], bad);
    for (size_t k = 3; k < f.size(); ++k) {
      if (!finiteNumber(f[k]))
        badLine(name, i, lines[i], "field " + std::to_string(k + 1) + " is not a finite number");
    }
    waypoints.push_back({f[1].substr(1), f[2]});
  }
  // The launch waypoint and at least one waypoint of the route.
  if (waypoints.size() < 2) finding(name + ": fewer than two waypoints");
  return waypoints;
}

// Survey-line file: a header naming the file, then one point per waypoint, in the same
// order and at the same positions as the waypoint file.
void checkSurLine(const std::string& name, const std::vector<waypointText>& waypoints) {
  const std::string content = readFile(name);
  const std::vector<text> lines = crlfLines(content, name);
  std::vector<text> f;
  split(trimRight(lines[0]), f);
  if (f.size() != 13) badLine(name, 0, lines[0], "header needs 13 fields");
  if (f[1] != fs::path(name).filename().string())
    badLine(name, 0, lines[0], "header does not name the file");
  for (size_t k = 0; k < f.size(); ++k) {
    if (k != 1 && !finiteNumber(f[k])) badLine(name, 0, lines[0], "header field is not a number");
  }
  if (lines.size() != waypoints.size() + 1)
    finding(name + ": point count differs from the waypoint file");
  for (size_t i = 1; i < lines.size(); ++i) {
    split(trimRight(lines[i]), f);
    if (f.size() != 8) badLine(name, i, lines[i], "expected 8 fields");
    if (const char* bad = badPosition(f[1], f[2])) badLine(name, i, lines[i], bad);
    if (f[1] != waypoints[i - 1].lat || f[2] != waypoints[i - 1].lon)
      badLine(name, i, lines[i], "position differs from the waypoint file");
    for (size_t k = 0; k < f.size(); ++k) {
      // Fields 4 and 5 carry their unit, metres.
      const text number =
          (k == 3 || k == 4) && endsWith(f[k], "m") ? f[k].substr(0, f[k].size() - 1) : f[k];
      if (!finiteNumber(number))
        badLine(name, i, lines[i], "field " + std::to_string(k + 1) + " is not a finite number");
    }
  }
}

// Mission script: every assignment holds a finite number or one of the script's own words,
// every define a finite number, and there is one group per waypoint after the launch
// waypoint, numbered from the last waypoint down to 1.
void checkMission(const std::string& name, size_t waypointCount) {
  static const std::set<text> words = {"rudder",
                                       "heading",
                                       "pitch",
                                       "True",
                                       "False",
                                       "MISSION_SPEED",
                                       "MISSION_YOYO_MIN_DEPTH",
                                       "MISSION_YOYO_MAX_DEPTH",
                                       "YOYO_MIN_ALTITUDE"};
  const std::string content = readFile(name);
  const std::vector<text> lines = crlfLines(content, name);
  if (lines[0] != "# Mission Filename: " + fs::path(name).filename().string())
    finding(name + ": first line does not name the file");
  size_t groups = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const text line = trimRight(lines[i]);
    if (line.empty()) continue;
    if (startsWith(line, "#define ")) {
      if (!finiteNumber(line.substr(line.rfind(' ') + 1)))
        badLine(name, i, line, "define is not a finite number");
    } else if (line.find("WAYPOINT NUMBER: ") != text::npos) {
      const size_t colon = line.find(": ");
      const size_t end = line.find(' ', colon + 2);
      long number = 0;
      if (!wholeInt(line.substr(colon + 2, end - colon - 2), &number))
        badLine(name, i, line, "unreadable waypoint number");
      const bool final = line.find("FINAL WAYPOINT") != text::npos;
      if (final != (groups == 0)) badLine(name, i, line, "only the first group is the final one");
      // Numbered from the last waypoint down to 1.
      if (number != static_cast<long>(waypointCount - 1 - groups))
        badLine(name, i, line, "group out of sequence");
      ++groups;
    } else if (startsWith(line, "# LAT/LON: ") || startsWith(line, "#               LAT/LON: ")) {
      const text pair = line.substr(line.find(": ") + 2);
      const size_t space = pair.find(' ');
      const char* bad = space == text::npos
                            ? "position is not two numbers"
                            : badPosition(pair.substr(0, space), pair.substr(space + 1));
      if (bad != nullptr) badLine(name, i, line, bad);
    } else if (line[0] != '#' && line.find('=') != text::npos) {
      if (line.back() != ';') badLine(name, i, line, "assignment without ;");
      const size_t equals = line.find('=');
      const text value = trimLeft(line.substr(equals + 1, line.size() - equals - 2));
      if (words.count(value) == 0 && !finiteNumber(value))
        badLine(name, i, line, "value is not a finite number");
    }
  }
  if (groups != waypointCount - 1)
    finding(name + ": group count is not the waypoint count minus 1");
}

// Status 1 must come with one of the program's messages as the last thing printed.
void checkFailureMessage(const std::string& output) {
  static const char* const messages[] = {"invalid waypoint on line ",
                                         "unexpected end of input",
                                         "list is empty",
                                         "the first waypoint cannot lie on latitude 0",
                                         "the route would need more than ",
                                         "the meters between surfacings must be greater than 0",
                                         "out of memory"};
  if (!endsWith(output, "\n")) finding("status 1 without a message line");
  const size_t lineStart = output.rfind('\n', output.size() - 2);
  std::string last = output.substr(lineStart == std::string::npos ? 0 : lineStart + 1);
  // The message may follow the prompt of the question it ended.
  const size_t prompt = last.rfind("> ");
  if (prompt != std::string::npos) last.erase(0, prompt + 2);
  for (const char* m : messages) {
    if (startsWith(last, m)) return;
  }
  finding("status 1 with unexpected last line: " + last);
}

}  // namespace

void setUp() {
  std::string templ = (fs::temp_directory_path() / "vesk_fuzz_XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) finding("harness cannot create a temporary directory");
  workDir = templ;
  startDir = fs::current_path().string();
  std::atexit(removeWorkDir);
}

void runAndCheck(const std::string& waypoints, const std::string& answers) {
  fs::current_path(workDir);
  writeFile(waypointFile, waypoints);
  writeFile(answersFile, answers);
  if (std::freopen(answersFile, "rb", stdin) == nullptr) finding("harness cannot reopen stdin");
  std::clearerr(stdin);
  if (std::freopen(stdoutFile, "wb", stdout) == nullptr) finding("harness cannot reopen stdout");

  char program[] = "vesk";
  char file[] = "route.txt";
  char* argv[] = {program, file, nullptr};
  const int status = veskMain(2, argv);
  std::fflush(stdout);

  std::string cfg;
  std::string wpt;
  std::string pts;
  std::vector<std::string> others;
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string entryName = entry.path().filename().string();
    if (entryName == waypointFile || entryName == answersFile || entryName == stdoutFile) continue;
    const std::string ext = entry.path().extension().string();
    std::string* slot = ext == ".cfg"   ? &cfg
                        : ext == ".wpt" ? &wpt
                        : ext == ".pts" ? &pts
                                        : nullptr;
    if (slot != nullptr && slot->empty()) {
      *slot = entryName;
    } else {
      others.push_back(entryName);
    }
  }
  const bool complete = !cfg.empty() && !wpt.empty() && !pts.empty();

  if (status == 1) {
    if (!cfg.empty() || !wpt.empty() || !pts.empty() || !others.empty())
      finding("status 1 but files were left behind");
    checkFailureMessage(readFile(stdoutFile));
  } else if (status == 0) {
    if (!complete || !others.empty()) finding("status 0 without exactly the three output files");
    const std::string waypointContent = readFile(wpt);
    const std::vector<waypointText> points = checkWaypoints(wpt, waypointContent);
    checkSurLine(pts, points);
    checkMission(cfg, points.size());
  } else {
    finding("exit status " + std::to_string(status));
  }

  for (const std::string& name : {cfg, wpt, pts}) {
    if (!name.empty()) std::remove(name.c_str());
  }
  for (const std::string& name : others) std::remove(name.c_str());
  fs::current_path(startDir);
}

}  // namespace veskfuzz
