#include "survey/surveyEdges.h"

#include <algorithm>
#include <utility>

namespace {

// The vertices of a closed ring that a line through the neighbours kept passes farther
// than `tolerance` from (Douglas and Peucker's way), the first always kept.
std::vector<planePoint> simplifiedRing(const std::vector<planePoint>& ring, double tolerance) {
  const size_t n = ring.size();
  std::vector<bool> keep(n + 1, false);
  keep[0] = keep[n] = true;
  const auto at = [&](size_t i) { return ring[i % n]; };
  std::vector<std::pair<size_t, size_t>> spans{{0, n}};
  while (!spans.empty()) {
    const auto [a, b] = spans.back();
    spans.pop_back();
    const planePoint d = at(b) - at(a);
    const double len = length(d);
    double farthest = 0;
    size_t far = a;
    for (size_t i = a + 1; i < b; ++i) {
      const planePoint e = at(i) - at(a);
      const double off = len > 0 ? std::fabs(d.x * e.y - d.y * e.x) / len : length(e);
      if (off > farthest) farthest = off, far = i;
    }
    if (farthest > tolerance) {
      keep[far] = true;
      spans.push_back({a, far});
      spans.push_back({far, b});
    }
  }
  std::vector<planePoint> kept;
  for (size_t i = 0; i < n; ++i) {
    if (keep[i]) kept.push_back(ring[i]);
  }
  return kept;
}

// The bearings of the longest edges of the area's boundary, holes included, 0..180, each
// once: lines along an edge meet no edge of that side at a slant. The boundary is first
// drawn without the wiggles of less than `tolerance`, so that a straight shore charted in
// many short edges counts as the one long edge it is.
}  // namespace

std::vector<double> edgeBearings(const projectedArea& area, size_t most, double tolerance) {
  std::vector<std::pair<double, double>> edges;  // length, bearing
  for (const auto& drawn : area.rings) {
    const std::vector<planePoint> ring = simplifiedRing(drawn, tolerance);
    for (size_t i = 0; i < ring.size(); ++i) {
      const planePoint d = ring[(i + 1) % ring.size()] - ring[i];
      edges.emplace_back(length(d), normalAngle(std::atan2(d.x, d.y) * 180 / 3.14159265358979323846));
    }
  }
  std::stable_sort(edges.begin(), edges.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<double> bearings;
  const auto near = [](double a, double b) { return std::fabs(normalAngle(a - b + 90) - 90) < 1; };
  for (const auto& e : edges) {
    if (bearings.size() == most) break;
    if (std::none_of(bearings.begin(), bearings.end(), [&](double b) { return near(b, e.second); })) {
      bearings.push_back(e.second);
    }
  }
  return bearings;
}
