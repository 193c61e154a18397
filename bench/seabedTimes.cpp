// The seabed part of the scale benchmark (benchParts.h): a GEBCO-sized tile made by
// gdal_translate and a route of 300 waypoints checked against it, with the time and the
// memory it takes.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "benchParts.h"
#include "seabed/seabedCheck.h"
#include "seabed/seabedGrid.h"
#include "settings.h"
#include "vesk.h"
#include "writeMission.h"

namespace fs = std::filesystem;

namespace {

// Peak resident memory of the process so far, MB.
double peakMegabytes() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
}

}  // namespace

int seabed(std::FILE* out) {
  // A small grid of elevations, 60 m deep with a shoal every degree, blown up by GDAL to
  // the tile's size without smoothing.
  {
    std::ofstream small("small.asc");
    small << "ncols 90\nnrows 90\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -32767\n";
    for (int r = 0; r < 90; ++r) {
      for (int c = 0; c < 90; ++c) small << ((r + c) % 7 == 0 ? -40 : -60) << ' ';
      small << '\n';
    }
  }
  const auto made = clock_type::now();
  if (std::system("gdal_translate -q -a_srs EPSG:4326 -ot Int16 -outsize 21600 21600 -r nearest -co TILED=YES "
                  "-a_nodata -32767 small.asc tile.tif") != 0) {
    std::fprintf(out, "seabed: gdal_translate could not make the tile (install gdal-bin)\n");
    return 1;
  }
  std::fprintf(out, "seabed: a 21600 x 21600 Int16 tiled GeoTIFF of %.0f MB made in %.1f s\n",
               static_cast<double>(fs::file_size("tile.tif")) / 1e6, secondsSince(made));
  // 300 waypoints zigzagging across 3 degrees of latitude in the North Sea's corner of the
  // tile.
  destroyList();
  resetSettings();
  for (int i = 0; i < 300; ++i) insertLatLonEnd(54 + 0.01 * i, 7 + (i % 2 == 0 ? 0 : 0.05));
  maxLegMeters = 1e6;
  planRoute();
  const plannedMission mission = describeMission();
  const double before = peakMegabytes();
  const auto start = clock_type::now();
  const result<gridWindow> grid =
      readSeabedGrid("tile.tif", boundsOf(mission, gridMarginMeters), gridValues::elevation, 0);
  const double read = secondsSince(start);
  if (!grid) {
    std::fprintf(out, "seabed: %s\n", grid.error().reason.c_str());
    return 1;
  }
  const auto checking = clock_type::now();
  const seabedReport report = checkSeabed(mission, *grid, gridValues::elevation, defaultSeabedMargin);
  const double checked = secondsSince(checking);
  std::fprintf(out,
               "seabed: %ld waypoints, window %ld x %ld cells: read %.3f s, checked %.3f s, %zu warnings; "
               "peak memory %.1f MB beyond the run without a grid\n",
               countWaypoints(), grid->rows, grid->cols, read, checked, report.warnings.size(),
               peakMegabytes() - before);
  fs::remove("tile.tif");
  fs::remove("small.asc");
  destroyList();
  resetSettings();
  return read + checked < 2 ? 0 : 1;
}
