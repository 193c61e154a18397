// The files of a run as one set, in-process on every platform: one stem, all files or
// none, an earlier set replaced only by a complete new one, nothing planted followed.
#include "fileSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "calcs.h"
#include "fileSetPlatform.h"
#include "vesk.h"
#include "wptList.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

const std::time_t when = 1398866880;  // 30 April 2014, 14:08 UTC: stem 2014_119_148.

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

class FileSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("vesk_fileset_" + platform::uniqueTag());
    fs::create_directory(folder_);
  }
  void TearDown() override {
    destroyList();
    resetSettings();
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
    outputFolder = folder_.string();
    testing::internal::CaptureStdout();
    int status = 0;
    try {
      writeMissionFiles(when, maps);
    } catch (const runEnd& end) {
      status = end.status;
    }
    output_ = testing::internal::GetCapturedStdout();
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
};

TEST_F(FileSetTest, OneStemForTheWholeSetAndAnEarlierSetReplacedWhole) {
  ASSERT_EQ(writeSet(45, {mapFormat::gpx}), 0) << output_;
  const std::vector<std::string> set = {"2014_119_148.cfg", "2014_119_148.gpx", "2014_119_148.pts",
                                        "2014_119_148.wpt"};
  EXPECT_EQ(names(), set);
  const std::string path = folder_.string() + "/2014_119_148.";
  EXPECT_EQ(output_, " **** Wrote mission script: " + path + "cfg **** \n\n **** Wrote waypoints file : " + path +
                         "wpt ****\n\n **** Wrote survey line : " + path + "pts ****\n\n **** Wrote map : " + path +
                         "gpx ****\n");
  const std::vector<std::string> first = contents();

  ASSERT_EQ(writeSet(50, {mapFormat::gpx}), 0) << output_;
  EXPECT_EQ(names(), set) << "no temporary or kept file may remain";
  const std::vector<std::string> second = contents();
  for (size_t i = 0; i < set.size(); ++i) {
    EXPECT_NE(second[i], first[i]) << set[i];
    EXPECT_EQ(second[i].find("45.0"), std::string::npos) << set[i] << " mixes the two routes";
  }
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

std::string textOf(const std::function<void(const textSink&)>& write) {
  std::string text;
  write([&](const std::string& piece) { text += piece; });
  return text;
}

TEST_F(FileSetTest, ASetKeptInMemoryHoldsTheBytesWrittenToTheDisk) {
  std::vector<keptFile> kept;
  struct restore {
    ~restore() { fileSetDestination.memory = nullptr; }
  } restoreDestination;
  const std::vector<mapFormat> maps = {mapFormat::kml, mapFormat::gpx, mapFormat::geojson};
  for (const int yoyo : {1, 0}) {
    // A survey whose mission script fills several buffers.
    destroyList();
    resetSettings();
    for (int i = 0; i < 700; ++i) insertLatLonEnd(45 + 0.0009 * (i / 100), 10 + 0.001 * (i % 100));
    planRoute();
    yoyoMission = yoyo;
    outputFolder = folder_.string();
    testing::internal::CaptureStdout();
    writeMissionFiles(when, maps);
    const std::string onDisk = testing::internal::GetCapturedStdout();

    fileSetDestination.memory = &kept;
    const long long before = fileSetDestination.keptSets;
    testing::internal::CaptureStdout();
    writeMissionFiles(when, maps);
    const std::string inMemory = testing::internal::GetCapturedStdout();
    fileSetDestination.memory = nullptr;
    EXPECT_EQ(inMemory, onDisk);
    EXPECT_EQ(fileSetDestination.keptSets, before + 1);

    const std::string stem = "2014_119_148.";
    const std::vector<std::string> extensions = {"cfg", "wpt", "pts", "kml", "gpx", "geojson"};
    const std::vector<std::string> texts = {
        textOf([&](const textSink& emit) { missionText(stem + "cfg", false, emit); }),
        textOf([&](const textSink& emit) { waypointRecords(emit); }),
        textOf([&](const textSink& emit) { surLineRecords(stem + "pts", emit); }),
        textOf([&](const textSink& emit) { mapText(mapFormat::kml, stem + "kml", emit); }),
        textOf([&](const textSink& emit) { mapText(mapFormat::gpx, stem + "gpx", emit); }),
        textOf([&](const textSink& emit) { mapText(mapFormat::geojson, stem + "geojson", emit); })};
    ASSERT_EQ(kept.size(), extensions.size());
    EXPECT_GT(kept[0].content.size(), 2 * textOut::bufferSize);
    for (size_t i = 0; i < kept.size(); ++i) {
      const fs::path path = folder_ / (stem + extensions[i]);
      EXPECT_EQ(kept[i].path, outputPath(stem + extensions[i]));
      EXPECT_TRUE(kept[i].content == contentOf(path)) << path;
      EXPECT_TRUE(kept[i].content == withCrLf(texts[i])) << path;
    }
  }
}

TEST_F(FileSetTest, EachSetKeptInMemoryTakesThePlaceOfTheLastAndNothingTouchesTheDisk) {
  std::vector<keptFile> kept;
  struct restore {
    ~restore() { fileSetDestination.memory = nullptr; }
  } restoreDestination;
  fileSetDestination.memory = &kept;
  const long long before = fileSetDestination.keptSets;
  ASSERT_EQ(writeSet(45, {mapFormat::kml, mapFormat::gpx}), 0) << output_;
  ASSERT_EQ(kept.size(), 5u);
  const std::string longer = kept[0].content;
  // A set of fewer files, of a shorter route, in the place of the first.
  destroyList();
  resetSettings();
  for (int i = 0; i < 3; ++i) insertLatLonEnd(50 + 0.001 * i, 10);
  planRoute();
  outputFolder = folder_.string();
  testing::internal::CaptureStdout();
  writeMissionFiles(when, {});
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(fileSetDestination.keptSets, before + 2);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_LT(kept[0].content.size(), longer.size());
  EXPECT_EQ(kept[0].content.find("45.0"), std::string::npos) << "no text of the first set may remain";
  EXPECT_EQ(kept[2].path, outputPath("2014_119_148.pts"));
  EXPECT_TRUE(names().empty()) << "a set kept in memory writes no file";
}

}  // namespace
