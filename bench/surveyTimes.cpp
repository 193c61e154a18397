// The survey parts of the scale benchmark (benchParts.h): an area an operator draws,
// read from KML and laid out as lines 10 m apart; and layouts far larger than that, built
// in memory, to show how the layout's time grows with the lines and the vertices.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "benchParts.h"
#include "routes/areaImport.h"
#include "settings.h"
#include "survey/surveyPattern.h"
#include "survey/surveyRoute.h"
#include "text/textOut.h"
#include "vesk.h"

namespace {

constexpr double pi = 3.14159265358979323846;

// The position `east` and `north` metres from `ref`.
geoPoint at(latLon ref, double east, double north) {
  return {ref.lat + north / 111195, ref.lon + east / (111195 * std::cos(ref.lat * pi / 180))};
}

// A shore cut by `teeth` jetties, each 39 m wide and `length` long, 20 m apart, standing on
// a strip 60 m deep that reaches 20 m past the first: 4 vertices a tooth and 2 more. On the
// equator, where the 60 km edge along the strip, a great circle, keeps to its parallel.
areaRings comb(int teeth, double length) {
  const double width = 39, gap = 20, back = 60;
  const latLon ref{0, 8.9};
  const double east = gap + teeth * width + (teeth - 1) * gap;
  areaRings rings;
  rings.outer = {at(ref, 0, 0), at(ref, east, 0)};
  for (int t = teeth - 1; t >= 0; --t) {
    const double x0 = gap + t * (width + gap), x1 = x0 + width;
    if (t < teeth - 1) rings.outer.push_back(at(ref, x1, back));
    rings.outer.push_back(at(ref, x1, back + length));
    rings.outer.push_back(at(ref, x0, back + length));
    rings.outer.push_back(at(ref, x0, back));
  }
  rings.outer.push_back(at(ref, 0, back));
  return rings;
}

areaRings circle(int vertices, double radius) {
  const latLon ref{42.9, 3.2};
  areaRings rings;
  for (int k = 0; k < vertices; ++k) {
    const double t = 2 * pi * k / vertices;
    rings.outer.push_back(at(ref, radius * std::cos(t), radius * std::sin(t)));
  }
  return rings;
}

// Lays the area out through surveyOf as a run with --area does and plans its route: the
// fastest of three runs, or one run when that took over a minute. 1 when it is refused.
int timeLayout(std::FILE* out, const char* name, const areaRings& rings, const surveyParameters& parameters) {
  double layout = HUGE_VAL, planning = HUGE_VAL;
  int runs = 0;
  long waypoints = 0;
  size_t lines = 0;
  double coverage = 0, took = 0;
  while (runs < 3 && took <= 60) {
    resetSettings();
    auto start = clock_type::now();
    const result<areaSurvey> laidOut = surveyOf(name, areaFile{rings, {}}, parameters, maxLegMeters);
    if (!laidOut) {
      std::fprintf(out, "%s: %s%s\n", name, laidOut.error().message.c_str(), laidOut.error().reason.c_str());
      return 1;
    }
    for (const latLon& p : laidOut->plan.route) insertLatLonEnd(p.lat, p.lon);
    took = secondsSince(start);
    layout = std::min(layout, took);
    start = clock_type::now();
    planRoute();
    planning = std::min(planning, secondsSince(start));
    waypoints = countWaypoints();
    lines = laidOut->plan.lines.size();
    coverage = laidOut->plan.coveragePercent;
    destroyList();
    ++runs;
  }
  std::fprintf(out, "%-34s %8zu %7zu %9ld %9.2f %10.3f %9.3f  %s\n", name, rings.outer.size(), lines, waypoints,
               coverage, layout, planning, runs == 1 ? "one run, over 60 s" : "fastest of 3");
  std::fflush(out);
  return 0;
}

}  // namespace

void survey(std::FILE* out) {
  const double north = 10000 / 111195.0, east = north / std::cos(45 * 3.14159265358979323846 / 180);
  // The area as an operator draws it, a KML polygon, read by the program's area reader.
  const std::string name = "area.kml";
  std::ofstream(name, std::ios::binary)
      << "<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Placemark><Polygon><outerBoundaryIs><LinearRing>"
         "<coordinates>10,45 "
      << numberText::shortest(10 + east).view() << ",45 " << numberText::shortest(10 + east).view() << ","
      << numberText::shortest(45 + north).view() << " 10," << numberText::shortest(45 + north).view()
      << " 10,45</coordinates></LinearRing></outerBoundaryIs></Polygon></Placemark></kml>\n";
  double layout = HUGE_VAL, planning = HUGE_VAL;
  long waypoints = 0;
  for (int run = 0; run < 5; ++run) {
    resetSettings();
    surveySettings.lineSpacing = 10;
    auto start = clock_type::now();
    std::vector<std::string> warnings;
    const result<areaSurvey> laidOut =
        surveyOf(name, *readArea(readRouteFile(name), name, warnings), surveySettings, maxLegMeters);
    for (const latLon& p : laidOut->plan.route) insertLatLonEnd(p.lat, p.lon);
    layout = std::min(layout, secondsSince(start));
    start = clock_type::now();
    planRoute();
    planning = std::min(planning, secondsSince(start));
    waypoints = countWaypoints();
    destroyList();
  }
  surveyParameters parameters = surveySettings;
  surveyArea area;
  area.outer = {{45, 10}, {45, 10 + east}, {45 + north, 10 + east}, {45 + north, 10}};
  const surveyPlan plan = planSurvey(area, parameters);
  std::fprintf(out,
               "\nsurvey area 10 km x 10 km, lines 10 m apart: %zu lines, %zu route points, coverage %.2f %%\n"
               "read and laid out in %.4f s, planned in %.4f s (%ld waypoints), together %.4f s (fastest of 5)\n",
               plan.lines.size(), plan.route.size(), plan.coveragePercent, layout, planning, waypoints,
               layout + planning);
}

int surveySizes(std::FILE* out) {
  std::fprintf(out, "\n%-34s %8s %7s %9s %9s %10s %9s\n", "survey layout", "vertices", "lines", "waypoints", "coverage",
               "layout s", "plan s");
  surveyParameters spaced;
  spaced.lineSpacing = 20;
  surveyParameters swathed;
  swathed.swathWidth = 100;
  swathed.overlap = 20;
  int status = timeLayout(out, "comb of 1000 teeth 1 km long, 20 m", comb(1000, 1000), spaced);
  status = std::max(status, timeLayout(out, "circle 10 km across, swath 100 m", circle(100000, 5000), swathed));
  return status;
}
