// The built program end to end: command line, waypoint file rules, messages, exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runVesk.h"

namespace {

struct badFileCase {
  const char* content;
  int line;
};

TEST(Program, RejectsInvalidWaypointLinesNamingTheLine) {
  const std::vector<badFileCase> cases = {
      {"45 10\nheading text\n46 10\n", 2},
      {"\n\n45 10\n  \t\r\n46\n", 5},  // one number only; blank lines still count
      {"91 10\n", 1},
      {"45 10\n-90.5 10\n", 2},
      {"45 180.0001\n", 1},
      {"45 -181\n", 1},
      {"nan 10\n", 1},
      {"45 inf\n", 1},
      {"45 1e999\n", 1},
      {"45,10\n", 1},
      {"45 10\r\n46 10\r\nx\r\n", 3},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("route.txt", c.content);
    const vesk_result r = runVesk({"route.txt"}, "", dir.path());
    EXPECT_EQ(r.status, 1) << c.content;
    EXPECT_EQ(r.output, "invalid waypoint on line " + std::to_string(c.line) + " of route.txt\n")
        << c.content;
    EXPECT_EQ(dir.list(), std::vector<std::string>{"route.txt"}) << "nothing may be written";
  }
}

TEST(Program, FileProblemsStopTheRunWithAMessage) {
  TempDir dir;
  vesk_result r = runVesk({"missing.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot open file missing.txt ");

  r = runVesk({dir.path()}, "", dir.path());  // a directory is not a waypoint file
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "cannot open file " + dir.path() + " ");

  dir.write("empty.txt", "");
  r = runVesk({"empty.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "list is empty\n");

  dir.write("blank.txt", "\n   \n\t\r\n");
  r = runVesk({"blank.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "list is empty\n");

  dir.write("equator.txt", "0 10\n1 10\n");
  r = runVesk({"equator.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.output, "the first waypoint cannot lie on latitude 0\n");

  dir.write("negzero.txt", "-0.0 10\n");
  r = runVesk({"negzero.txt"}, "", dir.path());
  EXPECT_EQ(r.output, "the first waypoint cannot lie on latitude 0\n");
}

TEST(Program, HelpAndVersion) {
  TempDir dir;
  for (const char* flag : {"-h", "--help"}) {
    const vesk_result r = runVesk({flag}, "", dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("usage: vesk [WAYPOINT_FILE]"), std::string::npos);
    EXPECT_NE(r.output.find("Exit status"), std::string::npos);
  }
  const vesk_result r = runVesk({"--version"}, "", dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind("vesk ", 0), 0u);
  EXPECT_EQ(r.output.back(), '\n');
}

TEST(Program, AcceptsBlankLinesCrLfAndLongLines) {
  TempDir dir;
  const std::string comment(200, 'x');
  dir.write("route.txt", "\n45 10  " + comment + "\r\n\r\n   \t\n45.05 10.05\t" + comment +
                             "\r\n46 10\n\n");
  const vesk_result r = runVesk({"route.txt"}, "", dir.path());
  EXPECT_EQ(r.status, 0) << r.output;
}

}  // namespace
