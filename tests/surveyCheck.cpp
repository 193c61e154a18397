#include "surveyCheck.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "calcs.h"

namespace surveyCheck {
namespace {

using vec = std::array<double, 3>;
constexpr double radius = 6371000;
constexpr double pi = 3.14159265358979323846;

vec unit(latLon p) {
  const double f = p.lat * pi / 180, l = p.lon * pi / 180;
  return {std::cos(f) * std::cos(l), std::cos(f) * std::sin(l), std::sin(f)};
}
double dot(const vec& a, const vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
vec cross(const vec& a, const vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
vec scaled(const vec& a, double k) { return {a[0] * k, a[1] * k, a[2] * k}; }

// A plane touching the sphere at the first outer vertex, for telling inside from outside;
// the rings are laid on it once, as a check follows a route of 10^5 points past a
// boundary of thousands of vertices.
struct plane {
  using point = std::array<double, 2>;
  vec c, e, n;
  std::vector<point> outer;
  std::vector<std::vector<point>> holes;
  explicit plane(const surveyArea& area) : c(unit(area.outer.at(0))) {
    e = cross({0, 0, 1}, c);
    const double len = std::sqrt(dot(e, e));
    e = len > 1e-12 ? scaled(e, 1 / len) : vec{0, 1, 0};
    n = cross(c, e);
    outer = laid(area.outer);
    for (const areaRing& h : area.holes) holes.push_back(laid(h));
  }
  point at(latLon p) const {
    const vec u = unit(p);
    return {dot(u, e) / dot(u, c), dot(u, n) / dot(u, c)};
  }
  std::vector<point> laid(const areaRing& ring) const {
    std::vector<point> points;
    for (const latLon& p : ring) points.push_back(at(p));
    return points;
  }
};

bool inRing(const std::vector<plane::point>& ring, plane::point q) {
  bool in = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const auto &a = ring[j], &b = ring[i];
    if ((a[1] > q[1]) != (b[1] > q[1]) && q[0] < a[0] + (q[1] - a[1]) * (b[0] - a[0]) / (b[1] - a[1])) in = !in;
  }
  return in;
}

double boundaryDistance(const surveyArea& area, latLon p) {
  double best = HUGE_VAL;
  const auto ring = [&](const areaRing& r) {
    for (size_t i = 0; i < r.size(); ++i) best = std::min(best, arcDistance(p, r[i], r[(i + 1) % r.size()]));
  };
  ring(area.outer);
  for (const areaRing& h : area.holes) ring(h);
  return best;
}

bool strictlyInside(const plane& pl, latLon p) {
  if (dot(unit(p), pl.c) <= 0) return false;
  const plane::point q = pl.at(p);
  if (!inRing(pl.outer, q)) return false;
  for (const auto& h : pl.holes) {
    if (inRing(h, q)) return false;
  }
  return true;
}

// Calls `sample` with each point of a square grid of about `samples` points over the
// outer boundary's extent on the plane that lies inside the area; gives back their number.
template <typename visit>
long eachSample(const plane& pl, int samples, visit sample) {
  double x0 = HUGE_VAL, x1 = -HUGE_VAL, y0 = HUGE_VAL, y1 = -HUGE_VAL;
  for (const plane::point& q : pl.outer) {
    x0 = std::min(x0, q[0]), x1 = std::max(x1, q[0]), y0 = std::min(y0, q[1]), y1 = std::max(y1, q[1]);
  }
  const double step = std::sqrt((x1 - x0) * (y1 - y0) / samples);
  long total = 0;
  for (double x = x0 + step / 2; x < x1; x += step) {
    for (double y = y0 + step / 2; y < y1; y += step) {
      const vec u{pl.c[0] + x * pl.e[0] + y * pl.n[0], pl.c[1] + x * pl.e[1] + y * pl.n[1],
                  pl.c[2] + x * pl.e[2] + y * pl.n[2]};
      const latLon p{std::atan2(u[2], std::hypot(u[0], u[1])) * 180 / pi, std::atan2(u[1], u[0]) * 180 / pi};
      if (!strictlyInside(pl, p)) continue;
      ++total;
      sample(p);
    }
  }
  return total;
}

}  // namespace

areaRing shape(latLon ref, const std::vector<std::array<double, 2>>& metres, double turn) {
  areaRing ring;
  const double s = std::sin(turn * pi / 180), c = std::cos(turn * pi / 180);
  for (const auto& m : metres) {
    const double east = m[0] * c + m[1] * s, north = -m[0] * s + m[1] * c;
    ring.push_back({ref.lat + north / 111195, wrapLongitude(ref.lon + east / (111195 * std::cos(ref.lat * pi / 180)))});
  }
  return ring;
}

double arcDistance(latLon p, latLon a, latLon b) {
  const vec u = unit(p), ua = unit(a), ub = unit(b);
  vec n = cross(ua, ub);
  const double len = std::sqrt(dot(n, n));
  // The foot of the perpendicular lies on the arc when p is between the planes through
  // the poles and either end; otherwise the nearer end is nearest.
  if (len > 1e-15) {
    n = scaled(n, 1 / len);
    if (dot(cross(ua, u), n) >= 0 && dot(cross(u, ub), n) >= 0) {
      return std::asin(std::min(1.0, std::fabs(dot(u, n)))) * radius;
    }
  }
  return std::min(dist(p.lat, p.lon, a.lat, a.lon), dist(p.lat, p.lon, b.lat, b.lon));
}

bool inside(const surveyArea& area, latLon p, double toleranceMeters) {
  return strictlyInside(plane(area), p) || boundaryDistance(area, p) <= toleranceMeters;
}

namespace {

// Calls `visit` with points along each leg of the route, on its great circle, at most
// `stepMeters` apart, both ends included.
template <typename visitor>
void eachPointOfRoute(const std::vector<latLon>& route, double stepMeters, visitor visit) {
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    const latLon a = route[i], b = route[i + 1];
    const double meters = dist(a.lat, a.lon, b.lat, b.lon);
    const double towards = heading(a.lat, a.lon, b.lat, b.lon);
    const int steps = std::max(1, static_cast<int>(std::ceil(meters / stepMeters)));
    for (int k = 0; k <= steps; ++k) {
      latLon p = b;
      if (k < steps) {
        newLatLon(a.lat, a.lon, towards, meters * k / steps, p.lat, p.lon);
        p.lon = wrapLongitude(p.lon);
      }
      visit(p);
    }
  }
}

}  // namespace

double worstStray(const surveyArea& area, const std::vector<latLon>& route, double stepMeters, double toleranceMeters) {
  const plane pl(area);
  double worst = 0;
  eachPointOfRoute(route, stepMeters, [&](latLon p) {
    if (!strictlyInside(pl, p)) worst = std::max(worst, boundaryDistance(area, p));
  });
  return worst > toleranceMeters ? worst : 0;
}

double nearestShore(const surveyArea& area, const std::vector<latLon>& route, double stepMeters) {
  double nearest = HUGE_VAL;
  eachPointOfRoute(route, stepMeters, [&](latLon p) { nearest = std::min(nearest, boundaryDistance(area, p)); });
  return nearest;
}

double sampledCoverage(const surveyArea& area, const std::vector<latLon>& route, double halfSwath, int samples) {
  long covered = 0;
  size_t last = 0;
  const long total = eachSample(plane(area), samples, [&](latLon p) {
    // Neighbouring samples are mostly covered by the same leg: try it first.
    if (last + 1 < route.size() && arcDistance(p, route[last], route[last + 1]) <= halfSwath) {
      ++covered;
      return;
    }
    for (size_t i = 0; i + 1 < route.size(); ++i) {
      if (arcDistance(p, route[i], route[i + 1]) <= halfSwath) {
        ++covered;
        last = i;
        return;
      }
    }
  });
  return total > 0 ? 100.0 * static_cast<double>(covered) / static_cast<double>(total) : 0;
}

double lineCoverage(const surveyArea& area, const std::vector<surveyLine>& lines, double halfSwath, double runIn,
                    int samples) {
  // Each line's great circle: its pole, and the start and the direction along it, so that a
  // sample's distance off the line and its place along it are two dot products each.
  struct arc {
    vec pole, start, along;
    double from, to;  // radians along from the start: the part that records
  };
  std::vector<arc> arcs;
  for (const surveyLine& l : lines) {
    if (l.cross) continue;
    const vec a = unit(l.start), b = unit(l.end);
    vec pole = cross(a, b);
    const double len = std::sqrt(dot(pole, pole));
    if (len < 1e-15) continue;
    pole = scaled(pole, 1 / len);
    const double angle = std::atan2(len, dot(a, b));
    if (angle * radius <= 2 * runIn) continue;
    arcs.push_back({pole, a, cross(pole, a), runIn / radius, angle - runIn / radius});
  }
  const double offLine = std::sin(halfSwath / radius);
  const auto covers = [&](const arc& l, const vec& u) {
    if (std::fabs(dot(u, l.pole)) > offLine) return false;
    const double along = std::atan2(dot(u, l.along), dot(u, l.start));
    return along >= l.from && along <= l.to;
  };
  long covered = 0;
  size_t last = 0;
  const long total = eachSample(plane(area), samples, [&](latLon p) {
    const vec u = unit(p);
    // Neighbouring samples mostly lie in the same swath: try it first.
    if (last < arcs.size() && covers(arcs[last], u)) {
      ++covered;
      return;
    }
    for (size_t i = 0; i < arcs.size(); ++i) {
      if (covers(arcs[i], u)) {
        ++covered;
        last = i;
        return;
      }
    }
  });
  return total > 0 ? 100.0 * static_cast<double>(covered) / static_cast<double>(total) : 0;
}

}  // namespace surveyCheck
