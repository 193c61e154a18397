// The dive brief end to end: the page lists the very files the run wrote with the checksums
// sha256sum gives them, escapes what came from files and the command line, holds the times
// and figures of the plan the other files carry, gives clock times across midnight in the
// launch's zone, and refuses a launch time or a checklist it cannot use before any question.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "runVesk.h"

namespace {

const char* const route = "45 10\n45.045 10\n45.06 10.05\n45.03 10.11\n45.005 10.06\n";

// A run without questions into `dir`, from the route file `routeName` there.
vesk_result plan(const TempDir& dir, const std::string& routeName, std::vector<std::string> more) {
  std::vector<std::string> args = {"--no-input", "--set", "yoyoMission=1", "--set", "kallopMission=0"};
  args.insert(args.end(), more.begin(), more.end());
  args.push_back(routeName);
  return runVesk(args, "", dir.path());
}

// The one file of `dir` ending in `extension`.
std::string fileEnding(const TempDir& dir, const std::string& extension) {
  for (const std::string& name : dir.list()) {
    if (name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
      return name;
  }
  ADD_FAILURE() << "no file " << extension;
  return "";
}

// The part of `text` from `from` up to `to`.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
  const size_t start = text.find(from);
  if (start == std::string::npos) return "";
  const size_t end = text.find(to, start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The rows of the table in `section`, each as the texts of its cells.
std::vector<std::vector<std::string>> rowsOf(const std::string& section) {
  std::vector<std::vector<std::string>> rows;
  for (size_t at = section.find("<tr"); at != std::string::npos; at = section.find("<tr", at + 1)) {
    const std::string row = section.substr(at, section.find("</tr>", at) - at);
    if (row.find("<th") != std::string::npos) continue;
    std::vector<std::string> cells;
    for (size_t c = row.find("<td"); c != std::string::npos; c = row.find("<td", c + 1)) {
      const size_t open = row.find('>', c) + 1;
      std::string cell = row.substr(open, row.find("</td>", open) - open);
      if (cell.compare(0, 6, "<code>") == 0) cell = cell.substr(6, cell.size() - 13);
      cells.push_back(cell);
    }
    rows.push_back(cells);
  }
  return rows;
}

// What sha256sum says of the file at `path`.
std::string sha256sum(const std::string& path) {
  FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r");
  char digest[65] = {};
  const bool read = pipe != nullptr && std::fread(digest, 1, 64, pipe) == 64;
  if (pipe != nullptr) pclose(pipe);
  return read ? std::string(digest, 64) : "";
}

// "1:02:03" as seconds.
long long secondsOf(const std::string& clock) {
  int h = 0, m = 0, s = 0;
  if (std::sscanf(clock.c_str(), "%d:%d:%d", &h, &m, &s) != 3) ADD_FAILURE() << "no time: " << clock;
  return h * 3600LL + m * 60 + s;
}

// Every file of the set is listed with the size it has and the digest sha256sum gives it;
// the page lists itself without either, every line ends in CR LF, and nothing on the page
// is fetched from elsewhere. A plan split into dives has a brief for each dive, listing
// that dive's own files.
TEST(BriefRun, ListsEachFileOfTheSetWithItsSizeAndChecksum) {
  std::string longRoute;  // 16 legs of 3.9 km eastward: about 12 hours with the surfacings
  for (int i = 0; i <= 16; ++i) longRoute += "45 " + std::to_string(10 + 0.05 * i) + "\n";
  struct setCase {
    const char* what;
    std::string route;
    std::vector<std::string> args;
    size_t files;  // of each plan's set
  };
  const setCase cases[] = {
      {"a plan", route, {"--map", "svg,html", "--map", "GeoJSON"}, 6},
      {"dives", longRoute, {"--map", "html,kml", "--max-dive-hours", "4"}, 5},
  };
  for (const setCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.write("route.txt", c.route);
    const vesk_result r = plan(dir, "route.txt", c.args);
    ASSERT_EQ(r.status, 0) << r.errors;
    size_t briefs = 0, scripts = 0;
    for (const std::string& name : dir.list()) scripts += name.find(".cfg") != std::string::npos ? 1 : 0;
    for (const std::string& name : dir.list()) {
      if (name.size() < 5 || name.compare(name.size() - 5, 5, ".html") != 0) continue;
      ++briefs;
      const std::string page = readFile(dir.file(name));
      EXPECT_NE(r.output.find(" **** Wrote map : " + name + " ****"), std::string::npos);
      const auto files = rowsOf(between(page, "<section id=\"plan\">", "</section>"));
      ASSERT_EQ(files.size(), c.files);
      const std::string stem = name.substr(0, name.size() - 4);
      for (const auto& row : files) {
        ASSERT_EQ(row.size(), 3u);
        EXPECT_EQ(row[0].compare(0, stem.size(), stem), 0) << row[0] << " is not of the set of " << name;
        if (row[0] == name) {
          EXPECT_EQ(row[1], "this page");
          continue;
        }
        EXPECT_EQ(row[1], std::to_string(readFile(dir.file(row[0])).size())) << row[0];
        EXPECT_EQ(row[2], sha256sum(dir.file(row[0]))) << row[0];
      }
      for (size_t at = page.find('\n'); at != std::string::npos; at = page.find('\n', at + 1))
        ASSERT_EQ(page[at - 1], '\r') << "a bare line feed at byte " << at;
      for (const char* fetched : {"<script", "<link", "<img", "<iframe", "src=", "href=", "@import", "@font-face"})
        EXPECT_EQ(page.find(fetched), std::string::npos) << fetched;
      for (size_t at = page.find("url("); at != std::string::npos; at = page.find("url(", at + 1))
        EXPECT_EQ(page[at + 4], '#') << "only the page's own parts: " << page.substr(at, 40);
    }
    EXPECT_EQ(briefs, scripts) << "a brief a dive";
    if (c.args.back() == "4") {
      EXPECT_GT(briefs, 1u) << "the plan was split";
    }
  }
}

// What came from a file or the command line is escaped: the route file's name, a warning
// that quotes an argument, the team's checklist items.
TEST(BriefRun, NamesWarningsAndChecklistItemsAreEscaped) {
  TempDir dir;
  // A file's name holds no slash; the argument a warning quotes may.
  const std::string name = "<script>alert('x') & \"quoted\"";
  const std::string argument = "<script>alert(1)</script>&'";
  dir.write(name + ".txt", route);
  dir.write("list.txt", "\xEF\xBB\xBFsamplers <b>checked</b>\r\n\r\nO-ring & cap \"seated\"\n");
  const vesk_result r = runVesk({"--no-input", "--set", "yoyoMission=1", "--set", "kallopMission=0", "--map", "html",
                                 "--checklist", "list.txt", name + ".txt", argument},
                                "", dir.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string page = readFile(dir.file(fileEnding(dir, ".html")));
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<b>checked"), std::string::npos);
  EXPECT_NE(page.find("<b>&lt;script&gt;alert(&apos;x&apos;) &amp; &quot;quoted&quot;.txt</b>"), std::string::npos);
  EXPECT_NE(
      page.find("<li>only one waypoint file is read; ignored: &lt;script&gt;alert(1)&lt;/script&gt;&amp;&apos;</li>"),
      std::string::npos);
  const std::string checklist = between(page, "<section id=\"checklist\">", "</section>");
  EXPECT_NE(checklist.find("<span class=\"box\"></span>samplers &lt;b&gt;checked&lt;/b&gt;</li>"), std::string::npos);
  EXPECT_NE(checklist.find("<span class=\"box\"></span>O-ring &amp; cap &quot;seated&quot;</li>"), std::string::npos);
  EXPECT_NE(checklist.find("Water samplers not armed"), std::string::npos) << "the settings' items";
  // Four items from the settings and two of the team's: the blank line is none.
  size_t boxes = 0;
  for (size_t at = checklist.find("class=\"box\""); at != std::string::npos;
       at = checklist.find("class=\"box\"", at + 1))
    ++boxes;
  EXPECT_EQ(boxes, 6u);
  // Without warnings the page says so.
  TempDir calm;
  calm.write("route.txt", route);
  ASSERT_EQ(plan(calm, "route.txt", {"--map", "html"}).status, 0);
  EXPECT_NE(readFile(calm.file(fileEnding(calm, ".html"))).find("<p class=\"none\">none</p>"), std::string::npos);
}

// The timetable is the plan the other files carry: a row for each record of the waypoint
// file at its position, the last surfacing when the summary's time under way and at the
// surfacings is over, and the timer's end at the script's timeOut.
TEST(BriefRun, TheTimetableIsThePlanTheOtherFilesCarry) {
  TempDir dir;
  dir.write("route.txt", route);
  const vesk_result r = plan(dir, "route.txt", {"--map", "html"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string page = readFile(dir.file(fileEnding(dir, ".html")));
  const auto rows = rowsOf(between(page, "<section id=\"timetable\"", "</section>"));
  const std::string wpt = readFile(dir.file(fileEnding(dir, ".wpt")));
  std::vector<std::string> records;
  for (size_t at = 0; at < wpt.size(); at = wpt.find('\n', at) + 1)
    records.push_back(wpt.substr(at, wpt.find('\n', at) - at));
  ASSERT_EQ(rows.size(), records.size() + 1) << "a row a waypoint and the timer's";
  for (size_t i = 0; i < records.size(); ++i) {
    int number = -1;
    double lat = 0, lon = 0, rowLat = 0, rowLon = 0;
    ASSERT_EQ(std::sscanf(records[i].c_str(), "%d,N%lf,%lf", &number, &lat, &lon), 3) << records[i];
    ASSERT_EQ(std::sscanf(rows[i][3].c_str(), "%lf %lf", &rowLat, &rowLon), 2) << rows[i][3];
    EXPECT_EQ(rows[i][0], std::to_string(number));
    EXPECT_NEAR(rowLat, lat, 5.01e-7) << number;
    EXPECT_NEAR(rowLon, lon, 5.01e-7) << number;
    if (i > 0) {
      EXPECT_GT(secondsOf(rows[i][6]), secondsOf(rows[i - 1][7])) << "arrives after it left";
    }
  }
  const size_t time = r.errors.find("  time         ");
  ASSERT_NE(time, std::string::npos) << r.errors;
  const std::string underWay = r.errors.substr(time + 15, r.errors.find(' ', time + 15) - time - 15);
  const size_t at = r.errors.find(", ", time) + 2;
  const std::string surfacings = r.errors.substr(at, r.errors.find(' ', at) - at);
  EXPECT_EQ(secondsOf(rows[records.size() - 1][6]), secondsOf(underWay) + secondsOf(surfacings));
  const std::string cfg = readFile(dir.file(fileEnding(dir, ".cfg")));
  const long long timeOut = std::atoll(cfg.c_str() + cfg.find("timeOut = ") + 10);
  EXPECT_EQ(rows.back()[1], "timer ends");
  EXPECT_EQ(secondsOf(rows.back()[3]), timeOut);
}

// With a launch time every time from launch is also the clock time in the launch's zone,
// across midnight, the year's end and a leap day.
TEST(BriefRun, LaunchTimesGiveClockTimesInTheirZone) {
  struct launchCase {
    const char* given;
    long long utc;  // the launch, seconds since 1970
    int offsetMinutes;
  };
  const launchCase cases[] = {
      {"2026-12-31T23:00:00-03:30", 1798770600, -210},
      {"2028-02-28 22:15Z", 1835388900, 0},
      {"2026-06-30T23:59:59+1400", 1782813599, 840},
  };
  for (const launchCase& c : cases) {
    SCOPED_TRACE(c.given);
    TempDir dir;
    dir.write("route.txt", route);
    const vesk_result r = plan(dir, "route.txt", {"--map", "html", "--launch-time", c.given});
    ASSERT_EQ(r.status, 0) << r.errors;
    const auto rows =
        rowsOf(between(readFile(dir.file(fileEnding(dir, ".html"))), "<section id=\"timetable\"", "</section>"));
    ASSERT_GT(rows.size(), 3u);
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", c.offsetMinutes < 0 ? '-' : '+', std::abs(c.offsetMinutes) / 60,
                  std::abs(c.offsetMinutes) % 60);
    for (const auto& row : rows) {
      const bool timer = row[1] == "timer ends";
      for (const size_t column : {size_t{6}, size_t{7}}) {
        // The timer's row: its time from launch under "arrive", its clock time beside it.
        if (timer && column == 7) continue;
        ASSERT_EQ(row.size(), timer ? 7u : 10u);
        const std::string& fromLaunch = row[timer ? 3 : column];
        const std::string& clock = row[timer ? 5 : column + 2];
        if (fromLaunch.empty()) {
          EXPECT_EQ(clock, "");
          continue;
        }
        const std::time_t local = static_cast<std::time_t>(c.utc + secondsOf(fromLaunch) + c.offsetMinutes * 60LL);
        std::tm parts{};
        gmtime_r(&local, &parts);
        char expected[40];
        std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S ", &parts);
        EXPECT_EQ(clock, std::string(expected) + zone) << row[0] << " " << fromLaunch;
      }
    }
  }
}

// A launch time the brief cannot read, or a checklist file it cannot, stops the run before
// any question, whichever way it was given, naming where it was given; nothing is written.
TEST(BriefRun, ALaunchTimeOrChecklistThatCannotBeUsedIsRefusedBeforeAnyQuestion) {
  struct refusal {
    std::vector<std::string> args;
    const char* said;
  };
  const refusal cases[] = {
      {{"--launch-time", "2026-12-11T22:30"}, "--set launchTime=2026-12-11T22:30: launchTime takes a launch time as"},
      {{"--launch-time", "2026-02-29T10:00Z"}, "launchTime takes a launch time as"},
      {{"--set", "launchTime=2026-12-11T24:00+01:00"}, "--set launchTime=2026-12-11T24:00+01:00: launchTime takes"},
      {{"--set", "launchTime="}, "--set launchTime=: launchTime takes a launch time as"},
      {{"--settings", "bad.toml"}, "bad.toml:2:14: launchTime = \"noon\": launchTime takes a launch time"},
      {{"--checklist", "missing.txt"},
       "vesk: the checklist (--set checklist=missing.txt) cannot be read: missing.txt:"},
      {{"--settings", "list.toml"}, "vesk: the checklist (list.toml:1:13) cannot be read"},
  };
  for (const refusal& c : cases) {
    SCOPED_TRACE(c.said);
    TempDir dir;
    dir.write("route.txt", route);
    dir.write("bad.toml", "yoyoMission = true\nlaunchTime = \"noon\"\n");
    dir.write("list.toml", "checklist = \"nowhere/list.txt\"\n");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--map", "html", "route.txt"});
    const vesk_result r = runVesk(args, acceptDefaults, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find(c.said), std::string::npos) << r.errors;
    EXPECT_EQ(r.output.find("Mission Parameters"), std::string::npos) << r.output;
    EXPECT_EQ(dir.list().size(), 3u) << "nothing written";
  }
}

// Each setting is shown with where its value came from: its default, the settings file,
// --set, or the operator's answer when the dialogue changed it.
TEST(BriefRun, EachSettingNamesItsSource) {
  TempDir dir;
  dir.write("route.txt", route);
  dir.write("s.toml", "# the team's file\nmaxDepth = 80\n");
  const vesk_result r = runVesk({"--settings", "s.toml", "--set", "gpsHits=20", "--map", "html", "route.txt"},
                                acceptDefaults, dir.path());
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string settings =
      between(readFile(dir.file(fileEnding(dir, ".html"))), "<section id=\"settings\">", "</section>");
  // Each as <li><b>KEY</b> = VALUE <span class="source">SOURCE</span></li>.
  std::vector<std::vector<std::string>> rows;
  for (size_t at = settings.find("<li><b>"); at != std::string::npos; at = settings.find("<li><b>", at + 1)) {
    const size_t key = at + 7, value = settings.find("</b> = ", key) + 7, source = settings.find("\">", value) + 2;
    rows.push_back({settings.substr(key, value - 7 - key),
                    settings.substr(value, settings.find(" <span", value) - value),
                    settings.substr(source, settings.find("</span>", source) - source)});
  }
  ASSERT_GT(rows.size(), 15u);
  const std::vector<std::vector<std::string>> expected = {
      {"maxDepth", "80.0", "file s.toml:2:12"}, {"gpsHits", "20", "--set gpsHits=20"},
      {"kallopMission", "false", "answer"},     {"yoyoMission", "true", "default"},
      {"missionSpeed", "1.5", "default"},
  };
  for (const auto& want : expected) {
    bool found = false;
    for (const auto& row : rows) found = found || row == want;
    EXPECT_TRUE(found) << want[0] << " " << want[2];
  }
  for (const auto& row : rows) EXPECT_NE(row[0], "lineSpacing") << "a survey's settings in a route's brief";
}

}  // namespace
