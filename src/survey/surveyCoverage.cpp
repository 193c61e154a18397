#include "survey/surveyCoverage.h"

#include <algorithm>
#include <cmath>

#include "survey/surveyGeometry.h"

namespace {

// A part of the area no swath reaches, as the sample lines find it: the uncovered stretches
// of neighbouring sample lines that overlap are one gap.
struct gapPart {
  double weight = 0;    // of the area, in the sample lines' measure
  double u = 0, v = 0;  // the weighted sums of its stretches' middles
  double uMin = HUGE_VAL, uMax = -HUGE_VAL, vMin = HUGE_VAL, vMax = -HUGE_VAL;
  size_t joined;  // the gap it was found to be part of (itself when none)
};

struct swathCover {
  double percent = 0;
  double areaSquareMeters = 0;
  double total = 0;  // the area's weight in the sample lines' measure
};

size_t gapOf(std::vector<gapPart>& gaps, size_t g) {
  while (gaps[g].joined != g) g = gaps[g].joined = gaps[gaps[g].joined].joined;
  return g;
}

void joinGaps(std::vector<gapPart>& gaps, size_t a, size_t b) {
  a = gapOf(gaps, a), b = gapOf(gaps, b);
  if (a == b) return;
  gapPart &into = gaps[a], &from = gaps[b];
  into.weight += from.weight, into.u += from.u, into.v += from.v;
  into.uMin = std::min(into.uMin, from.uMin), into.uMax = std::max(into.uMax, from.uMax);
  into.vMin = std::min(into.vMin, from.vMin), into.vMax = std::max(into.vMax, from.vMax);
  from.joined = a;
}

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

// Where the sample line v = v0 crosses the swath of the stretch p->q: the points within `h`
// of it measured square to it and no farther along than its ends, for the sonar looks to
// the sides and sees nothing beyond where the line starts and stops.
bool swathOnScan(planePoint p, planePoint q, double h, double v0, interval& out) {
  const double len = length(q - p);
  if (!(len > 0)) return false;
  const planePoint t = (1 / len) * (q - p);
  double from = -HUGE_VAL, to = HUGE_VAL;
  limitLinear(t.x, (v0 - p.y) * t.y - p.x * t.x, 0, len, from, to);
  limitLinear(-t.y, (v0 - p.y) * t.x + p.x * t.y, -h, h, from, to);
  out = {from, to};
  return from <= to;
}

// The share of `area` within `halfSwath` metres of one of `runs`, measured along `scans`
// sample lines of bearing `angle` evenly spread across the area. Distances are taken in
// the layout plane, which only ever stretches them, so no point is counted as covered
// that the sonar misses.
swathCover swathCoverage(const projectedArea& area, double angle, const std::vector<surveyStretch>& runs,
                         double halfSwath, int scans, std::vector<gapPart>& found) {
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
  // An uncovered stretch of a sample line: it extends the gap of the stretch it overlaps on
  // the line before, or starts a gap of its own. Only starts and merges make parts, so a long
  // gap (between the teeth of a comb) is one part, not one a sample line.
  constexpr size_t noGap = static_cast<size_t>(-1);
  struct stretchOfGap {
    double lo, hi;
    size_t gap;
    double weight, v;
  };
  std::vector<gapPart> gaps;
  std::vector<stretchOfGap> gapsBefore, gapsNow;
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
    // The stretches no swath reaches, each made a gap and joined to the gaps of the sample
    // line before that it overlaps.
    const auto uncovered = [&](double lo, double hi) {
      const double w = weight(hi) - weight(lo);
      if (!(w > 0)) return;
      gapsNow.push_back({lo, hi, noGap, w, v});
    };
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
          uncovered(end, lo);
          start = lo;
        }
        end = std::max(end, hi);
      }
      covered += weight(end) - weight(start);
      uncovered(end, to);
    }
    const auto addTo = [&gaps](size_t g, const stretchOfGap& s) {
      gapPart& into = gaps[g];
      into.weight += s.weight, into.u += s.weight * (s.lo + s.hi) / 2, into.v += s.weight * s.v;
      into.uMin = std::min(into.uMin, s.lo), into.uMax = std::max(into.uMax, s.hi);
      into.vMin = std::min(into.vMin, s.v), into.vMax = std::max(into.vMax, s.v);
    };
    for (size_t i = 0, j = 0; i < gapsBefore.size() && j < gapsNow.size();) {
      if (std::max(gapsBefore[i].lo, gapsNow[j].lo) <= std::min(gapsBefore[i].hi, gapsNow[j].hi)) {
        if (gapsNow[j].gap == noGap) {
          gapsNow[j].gap = gapOf(gaps, gapsBefore[i].gap);
          addTo(gapsNow[j].gap, gapsNow[j]);
        } else {
          joinGaps(gaps, gapsBefore[i].gap, gapsNow[j].gap);
        }
      }
      if (gapsBefore[i].hi < gapsNow[j].hi)
        ++i;
      else
        ++j;
    }
    for (stretchOfGap& s : gapsNow) {
      if (s.gap != noGap) continue;
      s.gap = gaps.size();
      gaps.push_back({0, 0, 0, HUGE_VAL, -HUGE_VAL, HUGE_VAL, -HUGE_VAL, s.gap});
      addTo(s.gap, s);
    }
    gapsBefore.swap(gapsNow);
    gapsNow.clear();
  }
  swathCover result;
  result.percent = total > 0 ? 100 * covered / total : 0;
  result.total = total;
  for (size_t g = 0; g < gaps.size(); ++g) {
    if (gaps[g].joined == g) found.push_back(gaps[g]);
  }
  result.areaSquareMeters = std::fabs(bg::area(toPolygon(area.rings)));
  return result;
}

// The swath of the line a->b: the points within `halfSwath` of it across, between its ends.
std::vector<latLon> swathPolygon(const gnomonicFrame& frame, planePoint a, planePoint b, double halfSwath) {
  const planePoint d = b - a;
  const double len = length(d);
  const planePoint t = len > 0 ? (1 / len) * d : planePoint{1, 0};
  const planePoint n{-halfSwath * t.y, halfSwath * t.x};
  return {frame.toLatLon(a - n), frame.toLatLon(b - n), frame.toLatLon(b + n), frame.toLatLon(a + n)};
}

}  // namespace

void coverSwaths(const projectedArea& area, const projectedArea* keptTo, const std::vector<surveyStretch>& stretches,
                 double runIn, double halfSwath, surveyPlan& plan) {
  // Only the survey lines count: the sonar's data is no good on a transit, nor in the first
  // and last run-in of a line, while the vehicle steadies after and before a turn.
  std::vector<surveyStretch> swept;
  for (const surveyStretch& s : stretches) {
    const double len = length(s.b - s.a);
    if (!s.line || len <= 2 * runIn) continue;
    const planePoint t = (runIn / len) * (s.b - s.a);
    swept.push_back({s.a + t, s.b - t, s.line});
    plan.swaths.push_back(swathPolygon(area.frame, swept.back().a, swept.back().b, halfSwath));
  }
  std::vector<gapPart> gaps;
  const swathCover cover =
      swathCoverage(area, plan.lineAngle, swept, halfSwath, std::clamp(8 * plan.sweeps, 256, 20000), gaps);
  plan.coveragePercent = cover.percent;
  plan.areaSquareMeters = cover.areaSquareMeters;
  if (keptTo != nullptr) {
    // What the margin costs: the part of the area left unswept, less what is left unswept
    // within the margin's edge, where the lines could go.
    std::vector<gapPart> inside;
    const swathCover kept =
        swathCoverage(*keptTo, plan.lineAngle, swept, halfSwath, std::clamp(8 * plan.sweeps, 256, 20000), inside);
    plan.marginUnsweptSquareMeters = std::max(
        0.0, (100 - cover.percent) / 100 * cover.areaSquareMeters - (100 - kept.percent) / 100 * kept.areaSquareMeters);
  }
  // The gaps, largest first: the warning names the first, the picture marks them all.
  std::sort(gaps.begin(), gaps.end(), [](const gapPart& a, const gapPart& b) { return a.weight > b.weight; });
  const lineFrame turn(plan.lineAngle);
  for (const gapPart& g : gaps) {
    if (plan.gaps.size() == maxGapsMarked || !(cover.total > 0)) break;
    surveyGap gap;
    gap.where = area.frame.toLatLon(turn.fromLine({g.u / g.weight, g.v / g.weight}));
    gap.squareMeters = g.weight / cover.total * cover.areaSquareMeters;
    // Slivers where a line's end meets an edge at a slant are not marked: only gaps of more
    // than a tenth of the square of the swath, where a sonar image would show a hole.
    if (gap.squareMeters < 0.4 * halfSwath * halfSwath) break;
    gap.alongMeters = g.uMax - g.uMin;
    gap.acrossMeters = g.vMax - g.vMin;
    plan.gaps.push_back(gap);
  }
}
