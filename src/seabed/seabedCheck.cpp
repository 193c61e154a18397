#include "seabed/seabedCheck.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geo/longitude.h"
#include "geo/sphere.h"
#include "text/textOut.h"

namespace {

std::string metres(double value) { return numberText::fixed(value, 1).text() + " m"; }

// One cell a leg passes, as the walk along the leg meets it.
struct legCell {
  long row = 0;
  long col = 0;
  latLon at;         // where the leg enters it
  double along = 0;  // metres from the leg's start
};

// Calls `visit` for every cell the great circle from `a` to `b` passes, in order, each
// once: the leg is cut into pieces of at most half a cell, and each piece is walked across
// the cells it crosses, so no cell the leg touches is passed by, however it is crossed.
template <typename Visit>
void walkLeg(const gridWindow& grid, latLon a, latLon b, double legMeters, Visit visit) {
  const vec3 ua = unitOf(a);
  const vec3 ub = unitOf(b);
  const double angle = angleBetween(ua, ub);
  const double widest = std::max(std::fabs(a.lat), std::fabs(b.lat));
  const double cellAngle =
      std::min(grid.cellLat, grid.cellLon * std::max(std::cos(std::min(widest, 89.0) * radiansPerDegree), 1e-3)) *
      radiansPerDegree;
  const long pieces = std::max(1L, static_cast<long>(std::ceil(angle / (cellAngle / 2))));
  const double centreLon = grid.west + grid.cellLon * static_cast<double>(grid.cols) / 2;
  const auto pointAt = [&](double t) -> latLon {
    if (angle == 0) return a;
    const double s = std::sin(angle);
    const vec3 p = (std::sin((1 - t) * angle) / s) * ua + (std::sin(t * angle) / s) * ub;
    return latLonOf(p);
  };
  // Grid coordinates: columns and rows as real numbers.
  const auto gridX = [&](latLon p) { return (longitudeNear(p.lon, centreLon) - grid.west) / grid.cellLon; };
  const auto gridY = [&](latLon p) { return (p.lat - grid.south) / grid.cellLat; };
  long lastRow = std::numeric_limits<long>::min();
  long lastCol = std::numeric_limits<long>::min();
  const auto meet = [&](long row, long col, latLon at, double along) {
    if (row == lastRow && col == lastCol) return;
    lastRow = row, lastCol = col;
    visit(legCell{row, col, at, along});
  };
  latLon from = a;
  for (long k = 1; k <= pieces; ++k) {
    const double t0 = static_cast<double>(k - 1) / static_cast<double>(pieces);
    const double t1 = static_cast<double>(k) / static_cast<double>(pieces);
    const latLon to = k == pieces ? b : pointAt(t1);
    double x0 = gridX(from), y0 = gridY(from);
    double x1 = gridX(to), y1 = gridY(to);
    // The cells of the straight piece from (x0, y0) to (x1, y1), in the order it crosses them.
    long col = static_cast<long>(std::floor(x0));
    long row = static_cast<long>(std::floor(y0));
    const long endCol = static_cast<long>(std::floor(x1));
    const long endRow = static_cast<long>(std::floor(y1));
    const double dx = x1 - x0, dy = y1 - y0;
    const long stepX = dx > 0 ? 1 : -1, stepY = dy > 0 ? 1 : -1;
    const double inf = std::numeric_limits<double>::infinity();
    double tMaxX = dx == 0 ? inf : ((dx > 0 ? std::floor(x0) + 1 : std::floor(x0)) - x0) / dx;
    double tMaxY = dy == 0 ? inf : ((dy > 0 ? std::floor(y0) + 1 : std::floor(y0)) - y0) / dy;
    const double tDeltaX = dx == 0 ? inf : std::fabs(1 / dx);
    const double tDeltaY = dy == 0 ? inf : std::fabs(1 / dy);
    double t = 0;
    const auto placeAt = [&](double u) {
      const double tt = t0 + (t1 - t0) * u;
      return std::pair<latLon, double>{pointAt(tt), legMeters * tt};
    };
    auto [at, along] = placeAt(0);
    meet(row, col, at, along);
    for (long guard = 0; (col != endCol || row != endRow) && guard < 1000000; ++guard) {
      if (tMaxX < tMaxY) {
        t = tMaxX;
        tMaxX += tDeltaX;
        col += stepX;
      } else {
        t = tMaxY;
        tMaxY += tDeltaY;
        row += stepY;
      }
      if (t > 1) break;
      std::tie(at, along) = placeAt(t);
      meet(row, col, at, along);
    }
    from = to;
  }
}

// What is found along one leg: the worst of each kind.
struct legFindings {
  std::optional<seabedPlace> shallowest;
  std::optional<seabedPlace> noData;
  std::optional<seabedPlace> offGrid;
  std::optional<seabedPlace> steepest;
  double steepestRise = 0;  // metres of rise per metre run at steepest
  double riseMeters = 0;
  double runMeters = 0;
};

latLon cellCentre(const gridWindow& grid, long row, long col) {
  return {grid.south + (static_cast<double>(row) + 0.5) * grid.cellLat,
          wrapLongitude(grid.west + (static_cast<double>(col) + 0.5) * grid.cellLon)};
}

}  // namespace

gridBounds boundsOf(const plannedMission& mission, double marginMeters) {
  gridBounds b{90, -90, 0, 0};
  double reference = mission.waypoints.empty() ? 0 : mission.waypoints.front().lon;
  bool first = true;
  for (const missionWaypoint& w : mission.waypoints) {
    const double lon = longitudeNear(wrapLongitude(w.lon), reference);
    reference = lon;
    b.south = std::min(b.south, w.lat);
    b.north = std::max(b.north, w.lat);
    b.west = first ? lon : std::min(b.west, lon);
    b.east = first ? lon : std::max(b.east, lon);
    first = false;
  }
  const double dLat = marginMeters / earthRadiusMeters / radiansPerDegree;
  const double widest = std::min(89.0, std::max(std::fabs(b.south), std::fabs(b.north)) + dLat);
  const double dLon = dLat / std::cos(widest * radiansPerDegree);
  return {std::max(-90.0, b.south - dLat), std::min(90.0, b.north + dLat), b.west - dLon, b.east + dLon};
}

seabedReport checkSeabed(const plannedMission& mission, const gridWindow& grid, gridValues values, double margin) {
  seabedReport report;
  const missionSettings& s = mission.settings;
  const bool yoyo = s.yoyoMission == 1;
  const double steepest = std::tan(steepestClimbDegrees * radiansPerDegree);
  const auto warnAt = [&](const seabedPlace& place, const std::string& text) {
    report.warnings.push_back(text);
    report.warned.push_back(place);
  };
  const auto legName = [](const seabedPlace& p) {
    return "leg " + std::to_string(p.fromWaypoint) + " to " + std::to_string(p.toWaypoint);
  };
  const auto where = [](const seabedPlace& p) { return degreesAndMinutes(p.at); };
  std::optional<seabedPlace> shallowest;
  std::optional<seabedPlace> leastClearance;
  double leastClearanceMeters = std::numeric_limits<double>::infinity();
  long cellsWithData = 0;
  long cellsOfLand = 0;
  const std::vector<missionWaypoint>& route = mission.waypoints;
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    const missionWaypoint& a = route[i];
    const missionWaypoint& b = route[i + 1];
    legFindings f;
    std::vector<missionSeabedPoint>& drawn = report.profile.legs.emplace_back();
    std::optional<std::pair<double, legCell>> previous;  // the last cell with data
    walkLeg(grid, {a.lat, a.lon}, {b.lat, b.lon}, a.legMeters, [&](const legCell& c) {
      const seabedPlace here{c.at, c.along, 0, a.number, b.number};
      if (c.row < 0 || c.row >= grid.rows || c.col < 0 || c.col >= grid.cols) {
        drawn.push_back({c.along, std::nan("")});
        if (!f.offGrid) f.offGrid = here;
        previous.reset();
        return;
      }
      const float depth = grid.at(c.row, c.col);
      drawn.push_back({c.along, depth});
      if (std::isnan(depth)) {
        if (!f.noData) f.noData = here;
        previous.reset();
        return;
      }
      seabedPlace found = here;
      found.depth = depth;
      ++cellsWithData;
      if (depth <= 0) ++cellsOfLand;
      if (!f.shallowest || depth < f.shallowest->depth) f.shallowest = found;
      // A rise the yoyo must climb where its floor follows the bottom.
      if (yoyo && previous && depth < previous->first && depth - s.yoyoMinAltitude < s.maxDepth) {
        const latLon p = cellCentre(grid, previous->second.row, previous->second.col);
        const latLon q = cellCentre(grid, c.row, c.col);
        const double run = angleBetween(unitOf(p), unitOf(q)) * earthRadiusMeters;
        const double rise = previous->first - depth;
        if (run > 0 && rise / run > steepest && rise / run > f.steepestRise) {
          f.steepestRise = rise / run;
          f.riseMeters = rise;
          f.runMeters = run;
          f.steepest = found;
        }
      }
      previous = std::pair<double, legCell>{depth, c};
    });
    if (f.offGrid) {
      warnAt(*f.offGrid, legName(*f.offGrid) + " leaves the bathymetry grid at " + where(*f.offGrid) +
                             ": the seabed beyond is not known");
    }
    if (f.noData) {
      warnAt(*f.noData, legName(*f.noData) + " crosses cells without data at " + where(*f.noData) +
                            ": the seabed there is not known and not taken as safe");
    }
    if (!f.shallowest) continue;
    const seabedPlace& low = *f.shallowest;
    if (!shallowest || low.depth < shallowest->depth) shallowest = low;
    const double clearance = low.depth - (yoyo ? s.missionYoyoMinDepth : s.wayPointDepth);
    if (clearance < leastClearanceMeters) leastClearanceMeters = clearance, leastClearance = low;
    const std::string seabed = "the seabed at " + where(low) + " is " + metres(low.depth) + " deep";
    const size_t warnedBefore = report.warnings.size();
    if (low.depth <= 0) {
      warnAt(low, legName(low) + " crosses land or a seabed above the sea's surface at " + where(low) + " (" +
                      metres(-low.depth) + " above it): the vehicle grounds");
    } else if (!yoyo && clearance < s.abortAltitude) {
      warnAt(low,
             legName(low) + " runs at wayPointDepth " + std::to_string(s.wayPointDepth) + " m where " + seabed + ": " +
                 (clearance < 0 ? metres(-clearance) + " below the bottom" : metres(clearance) + " above the bottom") +
                 ", less than abortAltitude " + numberText::general(s.abortAltitude, 6).text() +
                 " m: the vehicle aborts");
    } else if (!yoyo && clearance < s.abortAltitude + margin) {
      warnAt(low, legName(low) + " runs at wayPointDepth " + std::to_string(s.wayPointDepth) + " m where " + seabed +
                      ": " + metres(clearance) + " above the bottom, within seabedMargin " +
                      numberText::general(margin, 6).text() + " m of abortAltitude " +
                      numberText::general(s.abortAltitude, 6).text() + " m");
    } else if (yoyo && low.depth < s.missionYoyoMinDepth + s.abortAltitude) {
      warnAt(low, legName(low) + ": " + seabed + ", within abortAltitude " +
                      numberText::general(s.abortAltitude, 6).text() + " m of the yoyo's least depth " +
                      std::to_string(s.missionYoyoMinDepth) + " m (MISSION_YOYO_MIN_DEPTH): the vehicle aborts");
    } else if (yoyo && low.depth - s.yoyoMinAltitude < s.missionYoyoMinDepth) {
      warnAt(low, legName(low) + ": " + seabed + ": YOYO_MIN_ALTITUDE " + std::to_string(s.yoyoMinAltitude) +
                      " m above it is shallower than MISSION_YOYO_MIN_DEPTH " + std::to_string(s.missionYoyoMinDepth) +
                      " m, so the yoyo band closes");
    }
    // A rise the vehicle cannot climb matters where nothing worse was found on the leg.
    const bool fatal = report.warnings.size() > warnedBefore &&
                       report.warnings.back().find("yoyo band closes") == std::string::npos &&
                       report.warnings.back().find("within seabedMargin") == std::string::npos;
    if (f.steepest && !fatal) {
      warnAt(*f.steepest, legName(*f.steepest) + ": the seabed rises " + metres(f.riseMeters) + " in " +
                              metres(f.runMeters) + " toward " + where(*f.steepest) +
                              ", steeper than the vehicle climbs (" +
                              numberText::general(steepestClimbDegrees, 6).text() +
                              " degrees): the yoyo that follows the bottom cannot keep YOYO_MIN_ALTITUDE");
    }
  }
  // Every surfacing: the vehicle dives to surfacingDescentMeters before each leg.
  const double centreLon = grid.west + grid.cellLon * static_cast<double>(grid.cols) / 2;
  for (const missionWaypoint& w : route) {
    const long row = static_cast<long>(std::floor((w.lat - grid.south) / grid.cellLat));
    const long col = static_cast<long>(std::floor((longitudeNear(w.lon, centreLon) - grid.west) / grid.cellLon));
    const float depth = grid.at(row, col);
    if (std::isnan(depth)) continue;  // told with the legs
    const seabedPlace here{{w.lat, w.lon}, 0, depth, w.number, w.number};
    if (depth < surfacingDescentMeters + s.abortAltitude) {
      warnAt(here, "waypoint " + std::to_string(w.number) + " at " + degreesAndMinutes(here.at) + ": the seabed is " +
                       metres(depth) + " deep, too shallow for the descent to " +
                       numberText::general(surfacingDescentMeters, 6).text() + " m with abortAltitude " +
                       numberText::general(s.abortAltitude, 6).text() + " m above the bottom");
    }
  }
  // The marks of the picture: a leg's place by its start waypoint, a surfacing at the end
  // of the leg that arrives there (the launch waypoint at the start of the first).
  for (const seabedPlace& p : report.warned) {
    const bool surfacing = p.fromWaypoint == p.toWaypoint;
    size_t at = 0;
    while (at + 1 < route.size() && route[at].number != p.fromWaypoint) ++at;
    const bool arrival = surfacing && at > 0;
    const size_t leg = arrival ? at - 1 : at;
    report.profile.warned.push_back({leg, arrival ? route[leg].legMeters : p.along, arrival, {p.at.lat, p.at.lon}});
  }
  if (cellsWithData > 0 && cellsOfLand == cellsWithData) {
    // Every cell under the route dry: most likely depths read as elevations or the reverse.
    report.warnings.insert(
        report.warnings.begin(),
        "every cell of " + grid.name + " under the route lies above the sea's surface as its " +
            "values are read: if they are " +
            (values == gridValues::elevation ? "depths, positive down, give bathymetryValues = \"depth\""
                                             : "elevations, negative below the sea, give bathymetryValues = "
                                               "\"elevation\""));
    report.warned.insert(report.warned.begin(), *shallowest);
  }
  if (shallowest) {
    const std::string depth =
        shallowest->depth > 0 ? metres(shallowest->depth) : metres(-shallowest->depth) + " above the surface (land)";
    report.summary.push_back("  shallowest   " + depth + " at " + degreesAndMinutes(shallowest->at) + ", " +
                             legName(*shallowest));
    report.summary.push_back("  clearance    " + metres(leastClearanceMeters) + " at least, at " +
                             degreesAndMinutes(leastClearance->at) + ", " + legName(*leastClearance) +
                             (yoyo ? " (below the yoyo's least depth)" : " (below wayPointDepth)"));
  } else {
    report.summary.push_back("  no cell of the grid under the route holds a depth");
  }
  return report;
}
