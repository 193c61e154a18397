#include "survey/surveyCoverage.h"

#include <algorithm>
#include <cmath>

#include "survey/surveyGeometry.h"

namespace {

struct swathCover {
  double percent = 0;
  double areaSquareMeters = 0;
};

using interval = std::pair<double, double>;

// The u where lo <= k u + m <= hi, intersected into [from, to].
void limitLinear(double k, double m, double lo, double hi, double& from, double& to) {
  if (k == 0) {
    if (m < lo || m > hi) from = HUGE_VAL;
    return;
  }
  const double u1 = (lo - m) / k, u2 = (hi - m) / k;
  from = std::max(from, std::min(u1, u2));
  to = std::min(to, std::max(u1, u2));
}

// Where the sample line v = v0 runs within `h` of the stretch p->q: an interval, for the
// points within h of a segment make a convex shape.
bool swathOnScan(planePoint p, planePoint q, double h, double v0, interval& out) {
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (const planePoint e : {p, q}) {
    const double dv = v0 - e.y;
    if (std::fabs(dv) <= h) {
      const double w = std::sqrt(h * h - dv * dv);
      lo = std::min(lo, e.x - w);
      hi = std::max(hi, e.x + w);
    }
  }
  const double len = length(q - p);
  if (len > 0) {
    const planePoint t = (1 / len) * (q - p);
    double from = -HUGE_VAL, to = HUGE_VAL;
    limitLinear(t.x, (v0 - p.y) * t.y - p.x * t.x, 0, len, from, to);
    limitLinear(-t.y, (v0 - p.y) * t.x + p.x * t.y, -h, h, from, to);
    if (from <= to) lo = std::min(lo, from), hi = std::max(hi, to);
  }
  out = {lo, hi};
  return lo <= hi;
}

// The share of `area` within `halfSwath` metres of one of `runs`, measured along `scans`
// sample lines of bearing `angle` evenly spread across the area. Distances are taken in
// the layout plane, which only ever stretches them, so no point is counted as covered
// that the sonar misses.
swathCover swathCoverage(const projectedArea& area, double angle, const std::vector<surveyStretch>& runs,
                         double halfSwath, int scans) {
  const lineFrame turn(angle);
  struct edge {
    planePoint a, b;  // a.y < b.y
  };
  std::vector<edge> edges;
  double phiMin = HUGE_VAL, phiMax = -HUGE_VAL;
  for (const auto& ring : area.rings) {
    for (size_t i = 0; i < ring.size(); ++i) {
      planePoint a = turn.toLine(ring[i]), b = turn.toLine(ring[(i + 1) % ring.size()]);
      phiMin = std::min(phiMin, std::atan(a.y / earthRadiusMeters));
      phiMax = std::max(phiMax, std::atan(a.y / earthRadiusMeters));
      if (a.y == b.y) continue;
      if (a.y > b.y) std::swap(a, b);
      edges.push_back({a, b});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const edge& l, const edge& r) { return l.a.y < r.a.y; });
  struct swath {
    planePoint a, b;
    double lo, hi;  // v within reach
  };
  std::vector<swath> swaths;
  for (const surveyStretch& run : runs) {
    const planePoint a = turn.toLine(run.a), b = turn.toLine(run.b);
    swaths.push_back({a, b, std::min(a.y, b.y) - halfSwath, std::max(a.y, b.y) + halfSwath});
  }
  std::sort(swaths.begin(), swaths.end(), [](const swath& l, const swath& r) { return l.lo < r.lo; });

  // Sample lines at equal steps of the angle across, each weighed by its true length.
  // Along a sample line the true area grows with the sine of the arc from the area's
  // middle, u / sqrt(R^2 + u^2 + v^2).
  double total = 0, covered = 0;
  size_t nextEdge = 0, nextSwath = 0;
  std::vector<edge> activeEdges;
  std::vector<swath> activeSwaths;
  std::vector<double> crossings;
  std::vector<interval> reach;
  for (int k = 0; k < scans; ++k) {
    const double v = earthRadiusMeters * std::tan(phiMin + (k + 0.5) * (phiMax - phiMin) / scans);
    const double scale = earthRadiusMeters * earthRadiusMeters + v * v;
    const auto weight = [scale](double u) { return u / std::sqrt(scale + u * u); };
    while (nextEdge < edges.size() && edges[nextEdge].a.y <= v) activeEdges.push_back(edges[nextEdge++]);
    activeEdges.erase(std::remove_if(activeEdges.begin(), activeEdges.end(), [v](const edge& e) { return e.b.y <= v; }),
                      activeEdges.end());
    while (nextSwath < swaths.size() && swaths[nextSwath].lo <= v) activeSwaths.push_back(swaths[nextSwath++]);
    activeSwaths.erase(
        std::remove_if(activeSwaths.begin(), activeSwaths.end(), [v](const swath& s) { return s.hi < v; }),
        activeSwaths.end());
    crossings.clear();
    for (const edge& e : activeEdges) crossings.push_back(e.a.x + (v - e.a.y) * (e.b.x - e.a.x) / (e.b.y - e.a.y));
    std::sort(crossings.begin(), crossings.end());
    reach.clear();
    for (const swath& s : activeSwaths) {
      interval i;
      if (swathOnScan(s.a, s.b, halfSwath, v, i)) reach.push_back(i);
    }
    std::sort(reach.begin(), reach.end());
    size_t r = 0;
    for (size_t c = 0; c + 1 < crossings.size(); c += 2) {
      const double from = crossings[c], to = crossings[c + 1];
      total += weight(to) - weight(from);
      while (r < reach.size() && reach[r].second <= from) ++r;
      // The merged reach of the swaths within [from, to].
      double start = from, end = from;
      for (size_t j = r; j < reach.size() && reach[j].first < to; ++j) {
        const double lo = std::max(reach[j].first, from), hi = std::min(reach[j].second, to);
        if (lo > end) {
          covered += weight(end) - weight(start);
          start = lo;
        }
        end = std::max(end, hi);
      }
      covered += weight(end) - weight(start);
    }
  }
  swathCover result;
  result.percent = total > 0 ? 100 * covered / total : 0;
  result.areaSquareMeters = std::fabs(bg::area(toPolygon(area.rings)));
  return result;
}

// The swath of the run a->b: the points within `halfSwath` of it, as a polygon.
std::vector<latLon> swathPolygon(const gnomonicFrame& frame, planePoint a, planePoint b, double halfSwath) {
  const planePoint d = b - a;
  const double len = length(d);
  const planePoint t = len > 0 ? (1 / len) * d : planePoint{1, 0};
  const planePoint n{-t.y, t.x};
  // Half circles of eight steps at either end.
  constexpr int steps = 8;
  std::vector<latLon> polygon;
  for (int end = 0; end < 2; ++end) {
    const planePoint centre = end == 0 ? b : a;
    const double sign = end == 0 ? 1 : -1;
    for (int i = 0; i <= steps; ++i) {
      const double angle = 3.14159265358979323846 * i / steps;
      const planePoint offset = (-std::cos(angle) * halfSwath * sign) * n + (std::sin(angle) * halfSwath * sign) * t;
      polygon.push_back(frame.toLatLon(centre + offset));
    }
  }
  return polygon;
}

}  // namespace

void coverSwaths(const projectedArea& area, const std::vector<surveyStretch>& stretches, double runIn, double halfSwath,
                 surveyPlan& plan) {
  std::vector<surveyStretch> swept;
  for (const surveyStretch& s : stretches) {
    const double len = length(s.b - s.a);
    if (len <= 2 * runIn) continue;
    const planePoint t = (runIn / len) * (s.b - s.a);
    swept.push_back({s.a + t, s.b - t, s.line});
    plan.swaths.push_back(swathPolygon(area.frame, swept.back().a, swept.back().b, halfSwath));
  }
  const swathCover cover =
      swathCoverage(area, plan.lineAngle, swept, halfSwath, std::clamp(8 * plan.sweeps, 256, 20000));
  plan.coveragePercent = cover.percent;
  plan.areaSquareMeters = cover.areaSquareMeters;
}
