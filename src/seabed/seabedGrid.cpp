#include "seabed/seabedGrid.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "seabed/gridReaders.h"
#include "text/textOut.h"

namespace {

// The cells of a grid of `rows` x `cols` cells from (`south`, `west`) that hold `wanted`;
// no rows or columns when the grid does not reach it.
window windowOf(const gridBounds& wanted, double south, double west, double cellLat, double cellLon, long rows,
                long cols, bool coversWorld) {
  window cut;
  const long firstRow = std::max(0L, static_cast<long>(std::floor((wanted.south - south) / cellLat)));
  const long lastRow = std::min(rows - 1, static_cast<long>(std::floor((wanted.north - south) / cellLat)));
  if (lastRow < firstRow) return cut;
  // The route's longitudes taken by whole turns to where the grid lies.
  const double east = west + static_cast<double>(cols) * cellLon;
  double shift = 0;
  double best = -1;
  for (const double turn : {0.0, 360.0, -360.0, 720.0, -720.0}) {
    const double overlap = std::min(east, wanted.east + turn) - std::max(west, wanted.west + turn);
    if (overlap > best) best = overlap, shift = turn;
  }
  long firstCol = static_cast<long>(std::floor((wanted.west + shift - west) / cellLon));
  long lastCol = static_cast<long>(std::floor((wanted.east + shift - west) / cellLon));
  if (coversWorld) {
    const long count = std::min(cols, lastCol - firstCol + 1);
    firstCol = (firstCol % cols + cols) % cols;
    lastCol = firstCol + count - 1;
  } else {
    firstCol = std::max(0L, firstCol);
    lastCol = std::min(cols - 1, lastCol);
    if (lastCol < firstCol) return cut;
  }
  cut.firstRow = firstRow;
  cut.rows = lastRow - firstRow + 1;
  cut.firstCol = firstCol;
  cut.cols = lastCol - firstCol + 1;
  return cut;
}

}  // namespace

result<placedGrid> placeGrid(const std::string& name, const gridBounds& wanted, double south, double west,
                             double cellLat, double cellLon, long rows, long cols) {
  const auto refuse = [&](const std::string& why) -> failure {
    return {"", "vesk: bathymetry grid " + name + ": " + why};
  };
  const double east = west + static_cast<double>(cols) * cellLon;
  const double north = south + static_cast<double>(rows) * cellLat;
  const auto corners = [&] {
    return "latitudes " + numberText::general(south, 10).text() + " to " + numberText::general(north, 10).text() +
           " and longitudes " + numberText::general(west, 10).text() + " to " + numberText::general(east, 10).text();
  };
  if (south < -90.000001 || north > 90.000001 || west < -360.000001 || east > 720.000001 || east - west > 360.000001) {
    return refuse("its cells lie outside latitude and longitude (" + corners() +
                  "): a projected grid? make it latitude and longitude with gdalwarp -t_srs EPSG:4326");
  }
  placedGrid placed;
  gridWindow& grid = placed.grid;
  grid.name = name;
  grid.cellLat = cellLat;
  grid.cellLon = cellLon;
  grid.coversWorld = east - west >= 360 - cellLon / 2;
  const window cut = windowOf(wanted, south, west, cellLat, cellLon, rows, cols, grid.coversWorld);
  if (cut.rows == 0 || cut.cols == 0) return refuse("it does not reach the route: the grid covers " + corners());
  // 50 million cells, 200 MB: a grid a hundred times finer than any survey needs under a
  // long route.
  if (static_cast<double>(cut.rows) * static_cast<double>(cut.cols) > 5e7) {
    return refuse("the part under the route holds " + std::to_string(cut.rows) + " x " + std::to_string(cut.cols) +
                  " cells, more than 50,000,000: resample it coarser with gdal_translate -tr");
  }
  grid.south = south + static_cast<double>(cut.firstRow) * cellLat;
  grid.west = west + static_cast<double>(cut.firstCol) * cellLon;
  grid.rows = cut.rows;
  grid.cols = cut.cols;
  grid.depth.assign(static_cast<size_t>(cut.rows * cut.cols), std::nanf(""));
  placed.cut = cut;
  return result<placedGrid>(std::move(placed));
}

std::string shownWord(const std::string& word) { return word.size() <= 40 ? word : word.substr(0, 40) + "..."; }

result<gridWindow> readSeabedGrid(const std::string& name, const gridBounds& wanted, gridValues values, double tide) {
  const auto refuse = [&](const std::string& why) -> failure {
    return {"", "vesk: bathymetry grid " + name + ": " + why};
  };
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::u8path(name);
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) return refuse("is a folder");
  // A device or a pipe may never end, or block the planner waiting for data.
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return refuse("is a device or a pipe, not a file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return refuse("cannot be read");
  char magic[4] = {};
  in.read(magic, sizeof magic);
  const std::string start(magic, static_cast<size_t>(in.gcount()));
  in.clear();
  in.seekg(0);
  if (start == std::string("II*\0", 4) || start == std::string("MM\0*", 4) || start == std::string("II+\0", 4) ||
      start == std::string("MM\0+", 4)) {
    in.close();
    return readGeoTiffGrid(name, name, wanted, values, tide);
  }
  if (start.rfind("CDF", 0) == 0 || start == "\x89HDF") {
    return refuse("is a netCDF file, which vesk does not read: convert it to a GeoTIFF with gdal_translate -of GTiff " +
                  name + " grid.tif");
  }
  return readAsciiGrid(in, name, wanted, values, tide);
}
