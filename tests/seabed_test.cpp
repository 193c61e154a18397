// Plans checked against synthetic grids with planted features: each feature warned of at
// its place, nothing on a clean grid, and grids that cannot be used refused with the reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "seabed/seabedCheck.h"
#include "seabed/seabedGrid.h"
#include "settings.h"
#include "support/routeTest.h"
#include "vesk.h"
#include "wptList.h"

namespace {

namespace fs = std::filesystem;

// Grid cells of 0.0005 degrees (55 m north to south) from 44.95 N, 9.95 E.
constexpr double cell = 0.0005;
constexpr double gridSouth = 44.95;
constexpr double gridWest = 9.95;
constexpr int gridRows = 200;
constexpr int gridCols = 260;
constexpr double noData = -9999;

// The elevation of the cell whose centre is at (lat, lon); noData for none.
using seabedShape = std::function<double(double lat, double lon)>;

// The cell (row from the south, column from the west) that holds (lat, lon).
std::pair<int, int> cellOf(double lat, double lon) {
  return {static_cast<int>(std::floor((lat - gridSouth) / cell)),
          static_cast<int>(std::floor((lon - gridWest) / cell))};
}

std::string asciiGrid(const seabedShape& shape) {
  std::string text = "ncols " + std::to_string(gridCols) + "\nnrows " + std::to_string(gridRows) +
                     "\nxllcorner 9.95\nyllcorner 44.95\ncellsize 0.0005\nNODATA_value -9999\n";
  char number[32];
  for (int r = gridRows - 1; r >= 0; --r) {
    for (int c = 0; c < gridCols; ++c) {
      std::snprintf(number, sizeof number, "%g ", shape(gridSouth + (r + 0.5) * cell, gridWest + (c + 0.5) * cell));
      text += number;
    }
    text += "\n";
  }
  return text;
}

// A plain seabed 60 m down, with the cells `planted` holds given their elevation.
seabedShape plainWith(std::vector<std::pair<std::pair<int, int>, double>> planted) {
  return [planted](double lat, double lon) {
    const std::pair<int, int> at = cellOf(lat, lon);
    for (const auto& [where, elevation] : planted) {
      if (where == at) return elevation;
    }
    return -60.0;
  };
}

// GDAL's gdal_translate, which writes the GeoTIFFs the grids are compared in: on Linux, not
// under Wine.
bool gdalAtHand() {
#ifdef _WIN32
  static const bool atHand = std::system("gdal_translate --version > NUL 2>&1") == 0;
#else
  static const bool atHand = std::system("gdal_translate --version > /dev/null 2>&1") == 0;
#endif
  return atHand;
}

class Seabed : public routeTest {
 protected:
  // Plans `route` with the yoyo or at a constant 50 m and checks it against `shape`.
  // With `translate` (gdal_translate's options) the grid is a GeoTIFF that GDAL, an
  // independent writer, made from the same values.
  seabedReport check(const std::vector<std::pair<double, double>>& route, bool yoyo, const seabedShape& shape,
                     gridValues values = gridValues::elevation, double tide = 0, const std::string& translate = "") {
    for (const auto& [lat, lon] : route) insertLatLonEnd(lat, lon);
    yoyoMission = yoyo ? 1 : 0;
    wayPointDepth = 50;
    planRoute();
    const plannedMission mission = describeMission();
    std::ofstream(path_, std::ios::binary) << asciiGrid(shape);
    fs::path file = path_;
    if (!translate.empty()) {
      file = fs::path(path_).replace_extension(".tif");
      const std::string command = "gdal_translate -q -a_srs EPSG:4326 -a_nodata -9999 " + translate + " \"" +
                                  path_.string() + "\" \"" + file.string() + "\"";
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    const result<gridWindow> grid = readSeabedGrid(file.u8string(), boundsOf(mission, gridMarginMeters), values, tide);
    if (file != path_) fs::remove(file);
    EXPECT_TRUE(grid) << (grid ? "" : grid.error().reason);
    return grid ? checkSeabed(mission, *grid, values, defaultSeabedMargin) : seabedReport{};
  }
  void TearDown() override {
    fs::remove(path_);
    routeTest::TearDown();
  }
  fs::path path_ = fs::temp_directory_path() /
                   ("vesk-seabed-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".asc");
};

// North along 10 E, then east, then south: legs 1 to 2, 2 to 3, 3 to 4; the corners a
// quarter of a cell inside their cells, so that no waypoint lies on a cell's edge.
constexpr double south = 45.000125, north = 45.030125, west = 10.000125, east = 10.040125;
const std::vector<std::pair<double, double>> box = {{south, west}, {north, west}, {north, east}, {south, east}};

struct planted {
  const char* name;
  bool yoyo;
  std::vector<std::pair<std::pair<int, int>, double>> cells;
  // Each warning expected: words it holds, and the cell it points at.
  std::vector<std::pair<std::string, std::pair<int, int>>> warned;
};

TEST_F(Seabed, EachPlantedFeatureIsWarnedOfAtItsPlace) {
  const std::pair<int, int> ridge = cellOf(45.015, west);
  const std::pair<int, int> island = cellOf(north, 10.02);
  const std::pair<int, int> hole = cellOf(45.015, east);
  const std::pair<int, int> shoalAtWaypoint = cellOf(north, east);
  const std::pair<int, int> slopeTop = cellOf(45.0101, west);
  const std::pair<int, int> slopeFoot = {slopeTop.first - 1, slopeTop.second};
  const std::vector<planted> cases = {
      {"clean, yoyo", true, {}, {}},
      {"clean, constant", false, {}, {}},
      {"ridge at 45 m under a leg at 50 m", false, {{ridge, -45}}, {{"leg 1 to 2 runs at wayPointDepth 50 m", ridge}}},
      {"ridge at 54 m: within the margin", false, {{ridge, -54}}, {{"within seabedMargin", ridge}}},
      {"ridge at 45 m under a yoyo", true, {{ridge, -45}}, {}},
      {"island", true, {{island, 2}}, {{"leg 2 to 3 crosses land", island}}},
      {"no data", true, {{hole, noData}}, {{"leg 3 to 4 crosses cells without data", hole}}},
      {"shoal under a waypoint",
       true,
       {{shoalAtWaypoint, -6}},
       {{"leg 2 to 3: the seabed at", shoalAtWaypoint},
        {"leg 2 to 3: the seabed rises 54.0 m", shoalAtWaypoint},
        {"leg 3 to 4: the seabed at", shoalAtWaypoint},
        {"waypoint 3 at", shoalAtWaypoint}}},
      {"a yoyo's least depth in the abort altitude", true, {{ridge, -3}}, {{"leg 1 to 2: the seabed at", ridge}}},
      {"a rise steeper than the vehicle climbs",
       true,
       {{slopeTop, -35}, {slopeFoot, -60}},
       {{"rises 25.0 m", slopeTop}}},
  };
  for (const planted& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* translate :
         {"", "-ot Int16 -co TILED=YES -co BLOCKXSIZE=32 -co BLOCKYSIZE=32", "-ot Float32 -co BLOCKYSIZE=7"}) {
      SCOPED_TRACE(*translate == 0 ? "Esri ASCII grid" : translate);
      if (*translate != 0 && !gdalAtHand()) continue;
      const seabedReport report = check(box, c.yoyo, plainWith(c.cells), gridValues::elevation, 0, translate);
      std::string all;
      for (const std::string& w : report.warnings) all += w + "\n";
      ASSERT_EQ(report.warnings.size(), c.warned.size()) << all;
      for (size_t i = 0; i < c.warned.size(); ++i) {
        EXPECT_NE(report.warnings[i].find(c.warned[i].first), std::string::npos) << all;
        const std::pair<int, int> at = cellOf(report.warned[i].at.lat, report.warned[i].at.lon);
        EXPECT_LE(std::abs(at.first - c.warned[i].second.first), 1) << report.warnings[i];
        EXPECT_LE(std::abs(at.second - c.warned[i].second.second), 1) << report.warnings[i];
      }
      destroyList();
      resetSettings();
    }
  }
}

// A leg that clips a one-cell shoal at its corner, where a sampler that looks at points
// half a cell apart may pass it by.
TEST_F(Seabed, AShoalTheLegOnlyClipsIsFound) {
  const std::vector<std::pair<double, double>> diagonal = {{45.000125, 10.000125}, {45.02, 10.0311}};
  // The cells the leg crosses, and how far it runs in each, from a walk of ten thousand
  // steps a cell; the shoal goes where it runs least.
  std::map<std::pair<int, int>, int> steps;
  const int count = 400000;
  for (int i = 0; i <= count; ++i) {
    const double t = static_cast<double>(i) / count;
    ++steps[cellOf(diagonal[0].first + t * (diagonal[1].first - diagonal[0].first),
                   diagonal[0].second + t * (diagonal[1].second - diagonal[0].second))];
  }
  // Not so little that the leg's own rounding could take it past the cell: a metre or so.
  const int average = count / static_cast<int>(steps.size());
  std::pair<int, int> clipped{-1, -1};
  for (const auto& [at, n] : steps) {
    if (n >= average / 50 && (clipped.first < 0 || n < steps[clipped]) &&
        at != cellOf(diagonal[0].first, diagonal[0].second) && at != cellOf(diagonal[1].first, diagonal[1].second)) {
      clipped = at;
    }
  }
  ASSERT_LT(steps[clipped], average / 5) << "the leg crosses no cell at a corner";
  const seabedReport report = check(diagonal, false, plainWith({{clipped, -5}}));
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_NE(report.warnings[0].find("leg 1 to 2 runs at wayPointDepth 50 m"), std::string::npos) << report.warnings[0];
  const std::pair<int, int> at = cellOf(report.warned[0].at.lat, report.warned[0].at.lon);
  EXPECT_LE(std::abs(at.first - clipped.first) + std::abs(at.second - clipped.second), 1) << report.warnings[0];
}

// Depths rather than elevations, and the tide over the grid's datum, mean the same seabed.
TEST_F(Seabed, DepthsAndTheTideGiveTheSameSeabed) {
  const std::pair<int, int> ridge = cellOf(45.015, west);
  const seabedShape asDepths = [&](double lat, double lon) { return -plainWith({{ridge, -45}})(lat, lon); };
  const seabedReport depths = check(box, false, asDepths, gridValues::depth);
  ASSERT_EQ(depths.warnings.size(), 1u);
  EXPECT_NE(depths.warnings[0].find("is 45.0 m deep"), std::string::npos) << depths.warnings[0];
  destroyList();
  resetSettings();
  // Twenty metres of tide make the ridge 65 m deep: 15 m under a leg at 50 m, clear of the
  // abort altitude and its margin.
  const seabedReport tide = check(box, false, plainWith({{ridge, -45}}), gridValues::elevation, 20);
  EXPECT_TRUE(tide.warnings.empty()) << (tide.warnings.empty() ? "" : tide.warnings[0]);
  destroyList();
  resetSettings();
  // Depths read as elevations put the whole route on land: the operator is told which key
  // says otherwise, before the legs' own warnings.
  const seabedReport misread = check(box, false, asDepths, gridValues::elevation);
  ASSERT_FALSE(misread.warnings.empty());
  EXPECT_NE(misread.warnings[0].find("give bathymetryValues = \"depth\""), std::string::npos) << misread.warnings[0];
}

struct hostileGrid {
  const char* name;
  std::string bytes;
  const char* reason;
};

TEST_F(Seabed, GridsThatCannotBeUsedAreRefusedWithTheReason) {
  const std::string header = "ncols 4\nnrows 2\nxllcorner 9.9\nyllcorner 44.9\ncellsize 0.1\n";
  const std::vector<hostileGrid> cases = {
      {"unknown header key", "ncols 4\nnrows 2\nxllcorner 9.9\nyllcorner 44.9\ncellsiz 0.1\n1 2 3 4\n",
       "the header holds \"cellsiz\""},
      {"a size that lies", header + "-60 -60 -60\n", "ends after 3 values, where its header promises 8"},
      {"a value that is no number", header + "-60 x -60 -60\n-60 -60 -60 -60\n", "value 2 is \"x\", not a number"},
      {"projected", "ncols 4\nnrows 2\nxllcorner 500000\nyllcorner 5000000\ncellsize 100\n1 2 3 4 5 6 7 8\n",
       "gdalwarp -t_srs EPSG:4326"},
      {"a huge size declared", "ncols 100000\nnrows 100000\nxllcorner 9\nyllcorner 44\ncellsize 0.00001\n1\n",
       "no size of a grid of at most 100,000,000 cells"},
      {"no cell size", "ncols 4\nnrows 2\nxllcorner 9.9\nyllcorner 44.9\n1 2 3 4 5 6 7 8\n", "no cell size"},
      {"beside the route", "ncols 4\nnrows 2\nxllcorner 20\nyllcorner 44.9\ncellsize 0.1\n1 2 3 4 5 6 7 8\n",
       "does not reach the route"},
      {"netCDF", std::string("CDF\x01\0\0\0\0", 8), "gdal_translate"},
      {"empty", "", "ends in its header"},
  };
  for (const auto& [lat, lon] : box) insertLatLonEnd(lat, lon);
  planRoute();
  const plannedMission mission = describeMission();
  for (const hostileGrid& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(path_, std::ios::binary) << c.bytes;
    const result<gridWindow> grid =
        readSeabedGrid(path_.u8string(), boundsOf(mission, gridMarginMeters), gridValues::elevation, 0);
    ASSERT_FALSE(grid);
    EXPECT_NE(grid.error().reason.find(c.reason), std::string::npos) << grid.error().reason;
    EXPECT_EQ(grid.error().reason.rfind("vesk: bathymetry grid ", 0), 0u) << grid.error().reason;
  }
#if !defined(_WIN32)
  // A settings file may name any path: a device of endless zeros is refused at once, where
  // it once held the planner reading one endless word.
  const result<gridWindow> device =
      readSeabedGrid("/dev/zero", boundsOf(mission, gridMarginMeters), gridValues::elevation, 0);
  ASSERT_FALSE(device);
  EXPECT_EQ(device.error().reason, "vesk: bathymetry grid /dev/zero: is a device or a pipe, not a file");
#endif
}

// GeoTIFFs that cannot be used: one in metres of a map projection, one cut short, one far
// from the route and one wider than the world.
TEST_F(Seabed, GeoTiffsThatCannotBeUsedAreRefusedWithTheReason) {
  if (!gdalAtHand()) GTEST_SKIP() << "gdal_translate, which writes the GeoTIFFs, is not at hand";
  for (const auto& [lat, lon] : box) insertLatLonEnd(lat, lon);
  planRoute();
  const plannedMission mission = describeMission();
  std::ofstream(path_, std::ios::binary) << asciiGrid(plainWith({}));
  const fs::path tif = fs::path(path_).replace_extension(".tif");
  const std::string translate =
      "gdal_translate -q -ot Int16 -co TILED=YES \"" + path_.string() + "\" \"" + tif.string() + "\"";
  const struct {
    const char* name;
    std::string options;
    uintmax_t cutTo;  // 0: whole
    const char* reason;
  } cases[] = {
      {"projected", " -a_srs EPSG:32632 -a_ullr 500000 5000000 513000 4990000", 0, "gdalwarp -t_srs EPSG:4326"},
      {"cut short", " -a_srs EPSG:4326", 2000, "cannot be read"},
      // Placed in latitude and longitude, but far from the route: where it lies is told.
      {"elsewhere", " -a_srs EPSG:4326 -a_ullr 100 -30 101 -31", 0,
       "it does not reach the route: the grid covers latitudes -31 to -30 and longitudes 100 to 101"},
      // Wider than the world: no grid of the earth.
      {"wider than the world", " -a_srs EPSG:4326 -a_ullr -200 60 200 50", 0,
       "its cells lie outside latitude and longitude"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string command = translate;
    command.insert(std::string("gdal_translate -q").size(), c.options);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    if (c.cutTo > 0) fs::resize_file(tif, c.cutTo);
    const result<gridWindow> grid =
        readSeabedGrid(tif.u8string(), boundsOf(mission, gridMarginMeters), gridValues::elevation, 0);
    fs::remove(tif);
    ASSERT_FALSE(grid);
    EXPECT_NE(grid.error().reason.find(c.reason), std::string::npos) << grid.error().reason;
  }
}

}  // namespace
