// GeoTIFF grids, as GDAL writes them: one band of 16- or 32-bit integers or 32-bit floats,
// in strips or tiles, placed by a tie point and a pixel scale in latitude and longitude.
// Only the strips or tiles that hold the window under the route are read, so a grid of an
// ocean costs the memory of one tile row and the window.
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "seabed/gridReaders.h"

namespace {

// The GeoTIFF and GDAL tags libtiff does not know by itself.
constexpr ttag_t modelPixelScaleTag = 33550;
constexpr ttag_t modelTiepointTag = 33922;
constexpr ttag_t geoKeyDirectoryTag = 34735;
constexpr ttag_t geoDoubleParamsTag = 34736;
constexpr ttag_t geoAsciiParamsTag = 34737;
constexpr ttag_t gdalNoDataTag = 42113;

const TIFFFieldInfo geoTiffFields[] = {
    {modelPixelScaleTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelPixelScale")},
    {modelTiepointTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("ModelTiepoint")},
    {geoKeyDirectoryTag, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoKeyDirectory")},
    {geoDoubleParamsTag, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoDoubleParams")},
    {geoAsciiParamsTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GeoAsciiParams")},
    {gdalNoDataTag, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GDALNoDataValue")},
};

TIFFExtendProc previousExtender = nullptr;

void addGeoTiffFields(TIFF* tiff) {
  TIFFMergeFieldInfo(tiff, geoTiffFields, sizeof geoTiffFields / sizeof geoTiffFields[0]);
  if (previousExtender != nullptr) previousExtender(tiff);
}

// libtiff's own messages would go to standard error in its words: the reader gives its
// reasons itself.
void quiet(const char*, const char*, va_list) {}

struct tiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// The value of GeoKey `key` in the directory, or 0 when it is not there.
int geoKey(const uint16_t* keys, uint32_t count, uint16_t key) {
  if (keys == nullptr || count < 4) return 0;
  const uint32_t entries = std::min<uint32_t>(keys[3], (count - 4) / 4);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint16_t* entry = keys + 4 + 4 * i;
    if (entry[0] == key && entry[1] == 0) return entry[3];
  }
  return 0;
}

}  // namespace

result<gridWindow> readGeoTiffGrid(const std::string& path, const std::string& name, const gridBounds& wanted,
                                   gridValues values, double tide) {
  const auto refuse = [&](const std::string& why) -> failure {
    return {"", "vesk: bathymetry grid " + name + ": " + why};
  };
  static const bool registered = [] {
    previousExtender = TIFFSetTagExtender(addGeoTiffFields);
    TIFFSetWarningHandler(quiet);
    TIFFSetErrorHandler(quiet);
    return true;
  }();
  static_cast<void>(registered);
#ifdef _WIN32
  // The names are UTF-8 everywhere in the program; Windows opens them by their wide form.
  const std::unique_ptr<TIFF, tiffCloser> tiff(TIFFOpenW(std::filesystem::u8path(path).wstring().c_str(), "r"));
#else
  const std::unique_ptr<TIFF, tiffCloser> tiff(TIFFOpen(path.c_str(), "r"));
#endif
  if (!tiff) return refuse("is a TIFF file that cannot be read");
  uint32_t cols = 0, rows = 0;
  uint16_t samples = 1, bits = 0, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &cols);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &rows);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
  if (cols == 0 || rows == 0) return refuse("is a TIFF file without an image");
  if (samples != 1) return refuse("holds " + std::to_string(samples) + " bands; a grid of the seabed holds one");
  const bool integers = format == SAMPLEFORMAT_INT || format == SAMPLEFORMAT_UINT;
  if (!((integers && (bits == 16 || bits == 32)) || (format == SAMPLEFORMAT_IEEEFP && bits == 32))) {
    return refuse("holds " + std::to_string(bits) +
                  "-bit values of a kind vesk does not read: 16- or 32-bit integers or 32-bit floats");
  }
  uint32_t count = 0;
  double* scale = nullptr;
  double* tie = nullptr;
  uint16_t* keys = nullptr;
  if (TIFFGetField(tiff.get(), modelPixelScaleTag, &count, &scale) != 1 || count < 2 || scale == nullptr ||
      TIFFGetField(tiff.get(), modelTiepointTag, &count, &tie) != 1 || count < 6 || tie == nullptr) {
    return refuse("is a TIFF file without a tie point and pixel scale: no GeoTIFF placed in latitude and longitude");
  }
  uint32_t keyCount = 0;
  if (TIFFGetField(tiff.get(), geoKeyDirectoryTag, &keyCount, &keys) != 1) keys = nullptr;
  // GTModelTypeGeoKey: 2 is a geographic model; a projected one is in metres of a map.
  if (geoKey(keys, keyCount, 1024) != 2) {
    return refuse("is not in latitude and longitude (a projected GeoTIFF): convert it with gdalwarp -t_srs EPSG:4326 " +
                  name + " grid.tif");
  }
  const double cellLon = scale[0];
  const double cellLat = scale[1];
  if (!(cellLon > 0) || !(cellLat > 0) || !std::isfinite(cellLon) || !std::isfinite(cellLat)) {
    return refuse("gives no pixel scale greater than 0");
  }
  // GTRasterTypeGeoKey 2: the tie point is a pixel's centre, not its corner.
  const double half = geoKey(keys, keyCount, 1025) == 2 ? 0.5 : 0;
  const double west = tie[3] - (tie[0] + half) * cellLon;
  const double north = tie[4] + (tie[1] + half) * cellLat;
  const double south = north - static_cast<double>(rows) * cellLat;
  char* noDataText = nullptr;
  const bool hasNoData = TIFFGetField(tiff.get(), gdalNoDataTag, &noDataText) == 1 && noDataText != nullptr;
  const double noData = hasNoData ? std::strtod(noDataText, nullptr) : 0;
  result<placedGrid> placed =
      placeGrid(name, wanted, south, west, cellLat, cellLon, static_cast<long>(rows), static_cast<long>(cols));
  if (!placed) return placed.error();
  gridWindow& grid = placed->grid;
  const window& cut = placed->cut;
  // A tile or strip is read whole: one of more than 64 MB is no grid a planner needs.
  const tmsize_t block = TIFFIsTiled(tiff.get()) ? TIFFTileSize(tiff.get()) : TIFFStripSize(tiff.get());
  if (block <= 0 || block > 64 * 1024 * 1024)
    return refuse("holds tiles or strips of no size vesk reads (at most 64 MB)");

  const auto valueAt = [&](const unsigned char* data, size_t index) -> double {
    if (bits == 16) {
      return format == SAMPLEFORMAT_INT ? reinterpret_cast<const int16_t*>(data)[index]
                                        : reinterpret_cast<const uint16_t*>(data)[index];
    }
    if (format == SAMPLEFORMAT_IEEEFP) return reinterpret_cast<const float*>(data)[index];
    return format == SAMPLEFORMAT_INT ? reinterpret_cast<const int32_t*>(data)[index]
                                      : reinterpret_cast<const uint32_t*>(data)[index];
  };
  // Cell (file row, file column) of a block read, into the window.
  const long allCols = static_cast<long>(cols);
  const long lastFileRow = static_cast<long>(rows) - 1 - cut.firstRow;
  const long firstFileRow = lastFileRow - cut.rows + 1;
  const auto keep = [&](long fileRow, long col, double value) {
    if (fileRow < firstFileRow || fileRow > lastFileRow) return;
    const long windowCol = grid.coversWorld ? ((col - cut.firstCol) % allCols + allCols) % allCols : col - cut.firstCol;
    if (windowCol < 0 || windowCol >= cut.cols) return;
    if ((hasNoData && value == noData) || !std::isfinite(value)) return;
    grid.depth[static_cast<size_t>((lastFileRow - fileRow) * cut.cols + windowCol)] =
        static_cast<float>((values == gridValues::elevation ? -value : value) + tide);
  };
  const auto wantedCol = [&](long col) {
    const long windowCol = grid.coversWorld ? ((col - cut.firstCol) % allCols + allCols) % allCols : col - cut.firstCol;
    return windowCol >= 0 && windowCol < cut.cols;
  };
  if (TIFFIsTiled(tiff.get())) {
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(tiff.get(), TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff.get(), TIFFTAG_TILELENGTH, &tileLength);
    if (tileWidth == 0 || tileLength == 0) return refuse("is tiled without a tile size");
    std::vector<unsigned char> tile(static_cast<size_t>(TIFFTileSize(tiff.get())));
    for (long top = firstFileRow / tileLength * tileLength; top <= lastFileRow; top += tileLength) {
      for (long left = 0; left < allCols; left += tileWidth) {
        bool any = false;
        for (long c = left; c < std::min<long>(left + tileWidth, allCols) && !any; ++c) any = wantedCol(c);
        if (!any) continue;
        if (TIFFReadTile(tiff.get(), tile.data(), static_cast<uint32_t>(left), static_cast<uint32_t>(top), 0, 0) < 0) {
          return refuse("a tile cannot be read: the file is damaged or cut short");
        }
        for (long r = 0; r < static_cast<long>(tileLength) && top + r < static_cast<long>(rows); ++r) {
          for (long c = 0; c < static_cast<long>(tileWidth) && left + c < allCols; ++c) {
            keep(top + r, left + c, valueAt(tile.data(), static_cast<size_t>(r * tileWidth + c)));
          }
        }
      }
    }
  } else {
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(rowsPerStrip == 0 ? rows : rowsPerStrip, rows);
    std::vector<unsigned char> strip(static_cast<size_t>(TIFFStripSize(tiff.get())));
    for (long top = firstFileRow / rowsPerStrip * rowsPerStrip; top <= lastFileRow; top += rowsPerStrip) {
      const tstrip_t number = TIFFComputeStrip(tiff.get(), static_cast<uint32_t>(top), 0);
      if (TIFFReadEncodedStrip(tiff.get(), number, strip.data(), static_cast<tmsize_t>(strip.size())) < 0) {
        return refuse("a strip cannot be read: the file is damaged or cut short");
      }
      for (long r = 0; r < static_cast<long>(rowsPerStrip) && top + r < static_cast<long>(rows); ++r) {
        for (long c = 0; c < allCols; ++c) {
          if (wantedCol(c)) keep(top + r, c, valueAt(strip.data(), static_cast<size_t>(r * allCols + c)));
        }
      }
    }
  }
  return std::move(grid);
}
