// The files of a run as one set, in-process on every platform: one stem, all files or
// none, an earlier set replaced only by a complete new one, nothing planted followed.
#include "files/fileSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "calcs.h"
#include "files/fileSetPlatform.h"
#include "files/setJournal.h"
#include "support/readFile.h"
#include "support/routeTest.h"
#include "support/setDestinations.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

const std::string stem = fileNameAt(1398866880);  // 30 April 2014, 14:08 UTC: 2014_119_148.

std::string contentOf(const fs::path& path) { return readFile(path.string()); }

class FileSetTest : public routeTest {
 protected:
  void SetUp() override {
    routeTest::SetUp();
    folder_ = fs::temp_directory_path() / ("vesk_fileset_" + platform::uniqueTag());
    fs::create_directory(folder_);
  }
  void TearDown() override {
    routeTest::TearDown();
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  // Plans a short survey near `latitude` and writes its set into the folder; returns the
  // exit status the run would have.
  int writeSet(double latitude, const std::vector<mapFormat>& maps = {}) {
    destroyList();
    resetSettings();
    for (int i = 0; i < 30; ++i) insertLatLonEnd(latitude + 0.001 * i, 10 + 0.002 * (i % 2));
    planRoute();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = 0;
    try {
      writeMissionFiles(describeMission("", missionFileNames(stem, maps)), folder_.string(), maps);
    } catch (const runEnd& end) {
      status = end.status;
    }
    output_ = testing::internal::GetCapturedStdout();
    errors_ = testing::internal::GetCapturedStderr();
    return status;
  }

  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& entry : fs::directory_iterator(folder_)) all.push_back(entry.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
  }

  std::vector<std::string> contents() const {
    std::vector<std::string> all;
    for (const std::string& name : names()) all.push_back(contentOf(folder_ / name));
    return all;
  }

  fs::path folder_;
  std::string output_;
  std::string errors_;
};

TEST_F(FileSetTest, OneStemForTheWholeSetAndEachEarlierSetKeptUnderNumberedBackups) {
  ASSERT_EQ(writeSet(45, {mapFormat::kml, mapFormat::svg}), 0) << output_;
  const std::vector<std::string> set = {"2014_119_148.cfg", "2014_119_148.kml", "2014_119_148.pts", "2014_119_148.svg",
                                        "2014_119_148.wpt"};
  EXPECT_EQ(names(), set);
  const std::string path = folder_.string() + "/2014_119_148.";
  EXPECT_EQ(output_, " **** Wrote mission script: " + path + "cfg **** \n\n **** Wrote waypoints file : " + path +
                         "wpt ****\n\n **** Wrote survey line : " + path + "pts ****\n\n **** Wrote map : " + path +
                         "kml ****\n\n **** Wrote map : " + path + "svg ****\n");
  const std::vector<std::string> first = contents();

  // The same minute again, twice: each earlier set is kept whole under the next number,
  // the same for all its files, and the newest set has the plain names. A plan without
  // maps sends the earlier plan's maps and picture to the backups with the rest: no map
  // of another plan stays beside the new mission.
  ASSERT_EQ(writeSet(50, {mapFormat::kml, mapFormat::svg}), 0) << output_;
  const std::vector<std::string> second = contents();  // the plain names come first
  ASSERT_EQ(writeSet(55), 0) << output_;
  EXPECT_EQ(errors_,
            "warning: the earlier set 2014_119_148 is kept as 2014_119_148.cfg.~2~, 2014_119_148.wpt.~2~, "
            "2014_119_148.pts.~2~, 2014_119_148.kml.~2~, 2014_119_148.svg.~2~\n");
  const std::vector<std::string> all = {"2014_119_148.cfg",     "2014_119_148.cfg.~1~", "2014_119_148.cfg.~2~",
                                        "2014_119_148.kml.~1~", "2014_119_148.kml.~2~", "2014_119_148.pts",
                                        "2014_119_148.pts.~1~", "2014_119_148.pts.~2~", "2014_119_148.svg.~1~",
                                        "2014_119_148.svg.~2~", "2014_119_148.wpt",     "2014_119_148.wpt.~1~",
                                        "2014_119_148.wpt.~2~"};
  ASSERT_EQ(names(), all) << "no temporary file or journal may remain";
  const std::vector<std::string> now = contents();
  const std::vector<std::string> expected = {now[0],    first[0], second[0], first[1], second[2], now[5],   first[2],
                                             second[4], first[3], second[6], now[10],  first[4],  second[8]};
  EXPECT_EQ(now, expected) << "each backup holds its set byte for byte";
  EXPECT_EQ(now[0].find("45.0"), std::string::npos) << "the newest set has the plain names";
  // The next number is one past the highest any file of the set has, gaps and all.
  std::ofstream(folder_ / "2014_119_148.wpt.~7~", std::ios::binary) << "old";
  ASSERT_EQ(writeSet(60), 0) << output_;
  EXPECT_TRUE(fs::exists(folder_ / "2014_119_148.cfg.~8~") && fs::exists(folder_ / "2014_119_148.pts.~8~"));
}

TEST_F(FileSetTest, AFileThatCannotTakeItsNamePutsTheEarlierSetBack) {
  ASSERT_EQ(writeSet(45), 0) << output_;
  const std::vector<std::string> before = names();
  const std::vector<std::string> earlier = contents();
  // The third file cannot have its name: a folder stands there. The earlier .pts, moved
  // aside, goes back in its place; the files named before it are put back too.
  fs::rename(folder_ / "2014_119_148.pts", folder_ / "kept.pts");
  fs::create_directory(folder_ / "2014_119_148.pts");
  EXPECT_EQ(writeSet(50), 1);
  EXPECT_EQ(output_, "cannot write surveyline output file " + folder_.string() + "/2014_119_148.pts ");
  fs::remove(folder_ / "2014_119_148.pts");
  fs::rename(folder_ / "kept.pts", folder_ / "2014_119_148.pts");
  EXPECT_EQ(names(), before);
  EXPECT_EQ(contents(), earlier);
}

// Any failure while the text is written, not only one of the disk, leaves no file: the
// temporary files go as the failure passes on to the end of the run.
TEST_F(FileSetTest, AFailureWhileTheTextIsWrittenLeavesNoFile) {
  const std::vector<outputFile> files = {{"a.cfg", "open %s", "write %s", "wrote %s\n"},
                                         {"a.wpt", "open %s", "write %s", "wrote %s\n"}};
  testing::internal::CaptureStdout();
  EXPECT_THROW(static_cast<void>(writeFileSet(folder_.string(), files,
                                              [](const std::vector<textOut*>& out) {
                                                out[0]->put(std::string(3 * textOut::bufferSize, 'x'));
                                                throw std::bad_alloc();
                                              })),
               std::bad_alloc);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(names().empty());
}

TEST_F(FileSetTest, ATemporaryFileIsNeverOpenedThroughAnExistingName) {
  const fs::path existing = folder_ / "existing";
  std::ofstream(existing, std::ios::binary) << "keep me";
  EXPECT_EQ(platform::createNew(existing.string()), platform::noFile);
  EXPECT_EQ(contentOf(existing), "keep me");
  EXPECT_EQ(platform::createNew(folder_.string()), platform::noFile);

  const platform::fileHandle created = platform::createNew((folder_ / "new").string());
  ASSERT_NE(created, platform::noFile);
  EXPECT_TRUE(platform::writeAll(created, "x", 1));
  EXPECT_TRUE(platform::flushAndClose(created));
  EXPECT_EQ(contentOf(folder_ / "new"), "x");
}

// Every "\n" of `text` as the CR LF of the files.
std::string withCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST_F(FileSetTest, ASetKeptInMemoryHoldsTheBytesWrittenToTheDisk) {
  keptSets sets;
  const std::vector<keptFile>& kept = sets.files;
  const std::vector<mapFormat> maps = {mapFormat::kml, mapFormat::gpx, mapFormat::geojson};
  for (const int yoyo : {1, 0}) {
    // A survey whose mission script fills several buffers.
    destroyList();
    resetSettings();
    for (int i = 0; i < 700; ++i) insertLatLonEnd(45 + 0.0009 * (i / 100), 10 + 0.001 * (i % 100));
    planRoute();
    yoyoMission = yoyo;
    const std::string folder = folder_.string();
    testing::internal::CaptureStdout();
    writeMissionFiles(describeMission("", missionFileNames(stem, maps)), folder, maps);
    const std::string onDisk = testing::internal::GetCapturedStdout();

    const long long before = sets.sets;
    testing::internal::CaptureStdout();
    {
      const divertedSets toMemory(sets);
      writeMissionFiles(describeMission("", missionFileNames(stem, maps)), folder, maps);
    }
    const std::string inMemory = testing::internal::GetCapturedStdout();
    EXPECT_EQ(inMemory, onDisk);
    EXPECT_EQ(sets.sets, before + 1);

    const std::vector<std::string> extensions = {"cfg", "wpt", "pts", "kml", "gpx", "geojson"};
    const std::vector<std::string> texts = {missionText(stem + "cfg", false),
                                            waypointRecords(),
                                            surLineRecords(stem + "pts"),
                                            mapText(mapFormat::kml, describeMission(), stem + "kml"),
                                            mapText(mapFormat::gpx, describeMission(), stem + "gpx"),
                                            mapText(mapFormat::geojson, describeMission(), stem + "geojson")};
    ASSERT_EQ(kept.size(), extensions.size());
    EXPECT_GT(kept[0].content.size(), 2 * textOut::bufferSize);
    for (size_t i = 0; i < kept.size(); ++i) {
      const fs::path path = folder_ / (stem + extensions[i]);
      EXPECT_EQ(kept[i].path, outputPath(folder, stem + extensions[i]));
      EXPECT_TRUE(kept[i].content == contentOf(path)) << path;
      EXPECT_TRUE(kept[i].content == withCrLf(texts[i])) << path;
    }
  }
}

TEST_F(FileSetTest, EachSetKeptInMemoryTakesThePlaceOfTheLastAndNothingTouchesTheDisk) {
  keptSets sets;
  const std::vector<keptFile>& kept = sets.files;
  const divertedSets toMemory(sets);
  const long long before = sets.sets;
  ASSERT_EQ(writeSet(45, {mapFormat::kml, mapFormat::gpx}), 0) << output_;
  ASSERT_EQ(kept.size(), 5u);
  const std::string longer = kept[0].content;
  // A set of fewer files, of a shorter route, in the place of the first.
  destroyList();
  resetSettings();
  for (int i = 0; i < 3; ++i) insertLatLonEnd(50 + 0.001 * i, 10);
  planRoute();
  testing::internal::CaptureStdout();
  writeMissionFiles(describeMission("", missionFileNames(stem, {})), folder_.string(), {});
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(sets.sets, before + 2);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_LT(kept[0].content.size(), longer.size());
  EXPECT_EQ(kept[0].content.find("45.0"), std::string::npos) << "no text of the first set may remain";
  EXPECT_EQ(kept[2].path, outputPath(folder_.string(), "2014_119_148.pts"));
  EXPECT_TRUE(names().empty()) << "a set kept in memory writes no file";
}

// The state a run killed while naming its set leaves, staged by hand: the earlier set (or
// none), the new files under their temporary names, the journal with what each file was,
// and `renamed` files already backed up and named. The next run finishes the naming when
// every new file is there and undoes it when one is lost; a journal it cannot trust is
// left with every file.
TEST_F(FileSetTest, AJournalLeftByAStoppedRunIsFinishedOrUndoneAndAForeignOneRefused) {
  const std::vector<std::string> set = {"2014_119_148.cfg", "2014_119_148.wpt", "2014_119_148.pts"};
  const auto temporary = [](const std::string& name) { return name + ".k3j4h5g6f7.tmp"; };
  const std::string finished = "; finished: the new set has its names";
  struct journalCase {
    std::string journal;  // "trusted", "other version" or "damaged"
    bool earlier;         // an earlier set was there
    int renamed;
    bool loseWpt;      // the new .wpt is gone
    std::string said;  // after the folder on standard error; empty: refused
  };
  const std::vector<journalCase> cases = {
      {"trusted", true, 0, false,
       finished + ", the earlier files are kept as 2014_119_148.cfg.~1~, 2014_119_148.wpt.~1~, 2014_119_148.pts.~1~"},
      {"trusted", true, 2, false,
       finished + ", the earlier files are kept as 2014_119_148.cfg.~1~, 2014_119_148.wpt.~1~, 2014_119_148.pts.~1~"},
      {"trusted", true, 1, true, "; rolled back: the earlier set 2014_119_148 is in place"},
      {"trusted", false, 2, false, finished},
      {"trusted", false, 2, true, "; rolled back: its new files are removed, as there was no earlier set"},
      {"other version", true, 1, false, ""},
      {"damaged", true, 1, false, ""},
  };
  for (const auto& c : cases) {
    fs::remove_all(folder_);
    fs::create_directory(folder_);
    setJournal journal{setKind::mission, "2014_119_148", c.earlier ? 1 : 0, {}};
    for (const std::string& name : set) {
      if (c.earlier) std::ofstream(folder_ / name, std::ios::binary) << "earlier " << name;
      std::ofstream(folder_ / temporary(name), std::ios::binary) << "new " << name;
      const platform::fileIdentity earlier =
          c.earlier ? platform::factsAt((folder_ / name).string()).identity : platform::fileIdentity{};
      journal.files.push_back({name, temporary(name), platform::factsAt((folder_ / temporary(name)).string()).identity,
                               c.earlier, earlier});
    }
    std::string text = journalText(journal);
    if (c.journal == "other version") {
      text.replace(text.find("program "), 8 + std::string(journalProgram).size(), "program 0.9.0");
    }
    if (c.journal == "damaged") text[text.find(".wpt") + 2] = 'x';
    std::ofstream(folder_ / journalName, std::ios::binary) << text;
    for (int i = 0; i < c.renamed; ++i) {
      if (c.earlier) fs::rename(folder_ / set[i], folder_ / (set[i] + ".~1~"));
      fs::rename(folder_ / temporary(set[i]), folder_ / set[i]);
    }
    if (c.loseWpt) fs::remove(folder_ / (c.renamed > 1 ? set[1] : temporary(set[1])));
    const std::vector<std::string> before = contents();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = 0;
    try {
      if (const problem refused = checkOutputFolder(folder_.string())) reportFailure(*refused);
    } catch (const runEnd& end) {
      status = end.status;
    }
    const std::string output = testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, c.said.empty() ? 1 : 0) << errors;
    if (c.said.empty()) {
      EXPECT_EQ(output, "cannot use output folder " + folder_.string() + "\n");
      EXPECT_NE(errors.find("; it is left as it is and no file was touched"), std::string::npos) << errors;
      EXPECT_EQ(contents(), before) << "every file stays, the journal too";
      continue;
    }
    EXPECT_EQ(errors, "vesk: a run stopped while it named the set 2014_119_148 in output folder " + folder_.string() +
                          c.said + "\n");
    const bool done = c.said.rfind(finished, 0) == 0;
    for (const std::string& name : set) {
      if (done || c.earlier) {
        EXPECT_EQ(contentOf(folder_ / name), (done ? "new " : "earlier ") + name);
      }
      if (done && c.earlier) {
        EXPECT_EQ(contentOf(folder_ / (name + ".~1~")), "earlier " + name);
      }
    }
    const size_t left = (done ? 3 : 0) + (c.earlier ? 3 : 0);
    EXPECT_EQ(names().size(), left) << "no temporary, stray backup or journal may remain: " << c.said;
  }
}

}  // namespace
