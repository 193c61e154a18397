// The fuzz input is a survey area and its line parameters, as text: the first line holds
// up to eight numbers, lineSpacing swathWidth overlap lineAngle runIn crossLines
// maxLegMeters entry (a lineAngle that is not a number, such as "-", asks for the long
// axis; entry 0..3 names the corner, 4 and more a start at the next position line); then
// one "latitude longitude" vertex a line, and a line "hole" before each inner boundary.
// A refusal is a surveyError; every survey laid out must keep its route inside the area
// and out of its holes (within half a metre, its legs followed as the planner follows
// them) and hand the planner no leg longer than the distance between surfacings.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "calcs.h"
#include "fuzz_check.h"
#include "survey/surveyPattern.h"
#include "surveyCheck.h"

namespace veskfuzz {
namespace {

std::vector<double> numbers(const std::string& line) {
  std::vector<double> found;
  const char* p = line.c_str();
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (*p == '\0') break;
    char* end = nullptr;
    const double x = std::strtod(p, &end);
    if (end == p) {
      found.push_back(NAN);
      while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    } else {
      found.push_back(x);
      p = end;
    }
  }
  return found;
}

}  // namespace

void checkSurvey(const std::string& input) {
  std::istringstream text(input);
  std::string line;
  surveyParameters parameters;
  if (std::getline(text, line)) {
    const std::vector<double> p = numbers(line);
    const auto at = [&](size_t i, double otherwise) { return i < p.size() ? p[i] : otherwise; };
    parameters.lineSpacing = at(0, 50);
    parameters.swathWidth = at(1, 0);
    parameters.overlap = at(2, 0);
    if (std::isfinite(at(3, NAN))) parameters.lineAngle = at(3, 0);
    parameters.runIn = at(4, 0);
    const double cross = at(5, 0);
    parameters.crossLines = std::isfinite(cross) && std::fabs(cross) < 1e6 ? static_cast<int>(cross) : 0;
    parameters.maxLegMeters = at(6, 3600);
    const double entry = at(7, 0);
    if (entry >= 0 && entry < 4) parameters.entry = static_cast<entryCorner>(static_cast<int>(entry));
    if (entry >= 4 && std::getline(text, line)) {
      const std::vector<double> start = numbers(line);
      if (start.size() >= 2) parameters.start = latLon{start[0], start[1]};
    }
  }
  surveyArea area;
  areaRing* ring = &area.outer;
  while (std::getline(text, line)) {
    if (line.rfind("hole", 0) == 0) {
      area.holes.emplace_back();
      ring = &area.holes.back();
      continue;
    }
    const std::vector<double> v = numbers(line);
    if (v.size() >= 2) ring->push_back({v[0], v[1]});
  }
  surveyPlan plan;
  try {
    plan = planSurvey(area, parameters);
  } catch (const surveyError&) {
    return;
  }
  if (plan.route.empty() || plan.lines.empty()) finding("a survey laid out without lines");
  double total = 0;
  for (size_t i = 0; i + 1 < plan.route.size(); ++i) {
    const latLon a = plan.route[i], b = plan.route[i + 1];
    const double meters = dist(a.lat, a.lon, b.lat, b.lon);
    if (!(meters <= parameters.maxLegMeters)) finding("a survey leg longer than the distance between surfacings");
    total += meters;
  }
  // Some ten thousand samples along the route, none farther apart than 50 m.
  const double step = std::min(50.0, std::max(2.0, total / 10000));
  // Lines run on past the boundary by the run-in at most, and turn there.
  const double runIn = parameters.runIn > 0 ? parameters.runIn : 0;
  if (surveyCheck::worstStray(area, plan.route, step, 0.5 + runIn) > 0) finding("a survey route that leaves its area");
}

}  // namespace veskfuzz
