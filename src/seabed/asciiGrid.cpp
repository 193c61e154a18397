// Esri ASCII grids, as GEBCO's download offers them: a header of keys and numbers, then the
// values row by row from the north, separated by blanks. The file is read as a stream and
// only the rows and columns under the route are kept.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <istream>
#include <limits>
#include <map>
#include <optional>
#include <string>

#include "geo/longitude.h"
#include "seabed/gridReaders.h"
#include "text/characters.h"
#include "text/textOut.h"

namespace {

// Beyond any grid of the earth at a metre's spacing in one direction: a header claiming
// more lies.
constexpr double mostCells = 1e8;

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::optional<double> numberOf(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// No key or number of a grid is longer. A longer word is no grid's: reading it whole would
// let a file of one endless word (a device of zeros, a binary file) hold the planner forever.
constexpr size_t longestWord = 100;

// Reads the next blank-separated word, at most one character beyond `longestWord`; empty at
// the end of the input.
std::string nextWord(std::istream& in) {
  std::string word;
  std::istream::sentry skipBlanks(in);
  if (!skipBlanks) return word;
  for (int c = in.peek(); c != std::char_traits<char>::eof() && !std::isspace(c); c = in.peek()) {
    word.push_back(static_cast<char>(in.get()));
    if (word.size() > longestWord) break;
  }
  return word;
}

}  // namespace

result<gridWindow> readAsciiGrid(std::istream& in, const std::string& name, const gridBounds& wanted, gridValues values,
                                 double tide) {
  const auto refuse = [&](const std::string& why) -> failure {
    return {"", "vesk: bathymetry grid " + name + ": " + why};
  };
  // The header: six keys or five (NODATA_value may be left out), any case, any order; GDAL
  // writes dx and dy instead of cellsize for cells that are not square.
  std::map<std::string, double> header;
  std::string pending;
  for (;;) {
    const std::string word = nextWord(in);
    if (word.empty())
      return refuse(
          "ends in its header: an Esri ASCII grid starts with ncols, nrows, xllcorner, "
          "yllcorner, cellsize and NODATA_value");
    const std::string key = lowered(word);
    if (!key.empty() &&
        (std::isdigit(static_cast<unsigned char>(key[0])) || key[0] == '-' || key[0] == '+' || key[0] == '.')) {
      pending = word;  // the first value
      break;
    }
    static const char* const known[] = {"ncols",     "nrows",    "xllcorner", "xllcenter", "yllcorner",
                                        "yllcenter", "cellsize", "dx",        "dy",        "nodata_value"};
    if (std::find_if(std::begin(known), std::end(known), [&](const char* k) { return key == k; }) == std::end(known)) {
      return refuse("the header holds \"" + shownWord(word) + "\", which no Esri ASCII grid has");
    }
    if (header.count(key) > 0) return refuse("the header gives " + word + " twice");
    const std::string text = nextWord(in);
    const std::optional<double> number = numberOf(text);
    if (!number) return refuse(word + " is \"" + shownWord(text) + "\", not a number");
    header[key] = *number;
  }
  const auto has = [&](const char* key) { return header.count(key) > 0; };
  if (!has("ncols") || !has("nrows")) return refuse("the header lacks ncols or nrows");
  if (has("xllcorner") == has("xllcenter") || has("yllcorner") == has("yllcenter")) {
    return refuse("the header gives the lower left corner as xllcorner and yllcorner, or as xllcenter and yllcenter");
  }
  const double cols = header["ncols"];
  const double rows = header["nrows"];
  if (cols < 1 || rows < 1 || cols != std::floor(cols) || rows != std::floor(rows) || cols * rows > mostCells) {
    return refuse("ncols " + numberText::general(cols, 12).text() + " and nrows " +
                  numberText::general(rows, 12).text() + " are no size of a grid of at most 100,000,000 cells");
  }
  double cellLon = has("cellsize") ? header["cellsize"] : has("dx") ? header["dx"] : 0;
  double cellLat = has("cellsize") ? header["cellsize"] : has("dy") ? header["dy"] : 0;
  if (!(cellLon > 0) || !(cellLat > 0)) return refuse("the header gives no cell size greater than 0 (cellsize)");
  const double west = has("xllcorner") ? header["xllcorner"] : header["xllcenter"] - cellLon / 2;
  const double south = has("yllcorner") ? header["yllcorner"] : header["yllcenter"] - cellLat / 2;
  const bool hasNoData = has("nodata_value");
  const double noData = hasNoData ? header["nodata_value"] : 0;
  result<placedGrid> placed =
      placeGrid(name, wanted, south, west, cellLat, cellLon, static_cast<long>(rows), static_cast<long>(cols));
  if (!placed) return placed.error();
  gridWindow& grid = placed->grid;
  const window& cut = placed->cut;

  // Rows come from the north: row r of the file is row (rows - 1 - r) from the south.
  const long allCols = static_cast<long>(cols);
  const long lastFileRow = static_cast<long>(rows) - 1 - cut.firstRow;  // the window's southern row, in the file
  const long firstFileRow = lastFileRow - cut.rows + 1;
  const long needed = (lastFileRow + 1) * allCols;  // values up to the end of the window
  for (long index = 0; index < needed; ++index) {
    std::string word = index == 0 ? pending : nextWord(in);
    if (word.empty()) {
      return refuse("ends after " + std::to_string(index) + " values, where its header promises " +
                    numberText::general(cols * rows, 12).text());
    }
    if (word.size() > longestWord) {
      return refuse("value " + std::to_string(index + 1) + " is \"" + shownWord(word) + "\", not a number");
    }
    const long fileRow = index / allCols;
    const long col = index % allCols;
    if (fileRow < firstFileRow) continue;
    const long windowCol = grid.coversWorld ? ((col - cut.firstCol) % allCols + allCols) % allCols : col - cut.firstCol;
    if (windowCol < 0 || windowCol >= cut.cols) continue;
    const std::optional<double> value = numberOf(word);
    if (!value) return refuse("value " + std::to_string(index + 1) + " is \"" + shownWord(word) + "\", not a number");
    const long row = lastFileRow - fileRow;
    float& cell = grid.depth[static_cast<size_t>(row * cut.cols + windowCol)];
    if (hasNoData && *value == noData) continue;
    cell = static_cast<float>((values == gridValues::elevation ? -*value : *value) + tide);
  }
  return std::move(grid);
}
