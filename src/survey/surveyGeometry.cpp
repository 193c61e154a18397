#include "survey/surveyGeometry.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>

double nearestFraction(planePoint p, planePoint a, planePoint b) {
  const planePoint d = b - a;
  const double d2 = dot(d, d);
  if (!(d2 > 0)) return 0;
  return std::clamp(dot(p - a, d) / d2, 0.0, 1.0);
}

double pointSegmentDistance(planePoint p, planePoint a, planePoint b) {
  return length(p - (a + nearestFraction(p, a, b) * (b - a)));
}

double segmentDistance(planePoint a, planePoint b, planePoint c, planePoint d) {
  const double d1 = cross(b - a, c - a), d2 = cross(b - a, d - a);
  const double d3 = cross(d - c, a - c), d4 = cross(d - c, b - c);
  if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return 0;
  return std::min({pointSegmentDistance(a, c, d), pointSegmentDistance(b, c, d), pointSegmentDistance(c, a, b),
                   pointSegmentDistance(d, a, b)});
}

bgBox boxAround(planePoint a, planePoint b, double margin) {
  return bgBox(bgPoint(std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin),
               bgPoint(std::max(a.x, b.x) + margin, std::max(a.y, b.y) + margin));
}

bgPolygon toPolygon(const std::vector<std::vector<planePoint>>& rings) {
  bgPolygon polygon;
  for (size_t r = 0; r < rings.size(); ++r) {
    bgRing ring;
    for (const planePoint& p : rings[r]) ring.push_back({p.x, p.y});
    ring.push_back({rings[r][0].x, rings[r][0].y});
    if (r == 0) {
      polygon.outer() = std::move(ring);
    } else {
      polygon.inners().push_back(std::move(ring));
    }
  }
  return polygon;
}

areaIndex::areaIndex(const std::vector<std::vector<planePoint>>& rings) {
  std::vector<std::pair<bgBox, std::size_t>> boxes;
  bounds_ = boxAround(rings[0][0], rings[0][0], 0);
  for (const auto& ring : rings) {
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
      const planePoint before = ring[(i + n - 1) % n], p = ring[i], after = ring[(i + 1) % n];
      boxes.emplace_back(boxAround(p, after, tolerance), edges_.size());
      edges_.push_back({p, after});
      bg::expand(bounds_, bgPoint(p.x, p.y));
      // The area lies to the left: a right turn is a corner that juts into it.
      if (cross(p - before, after - p) < 0) corners_.push_back(p);
    }
  }
  tree_ = edgeTree(boxes.begin(), boxes.end());
}

areaIndex::where areaIndex::locate(planePoint p) const {
  std::vector<std::pair<bgBox, std::size_t>> found;
  tree_.query(bgi::intersects(boxAround(p, p, tolerance)), std::back_inserter(found));
  for (const auto& f : found) {
    if (pointSegmentDistance(p, edges_[f.second].a, edges_[f.second].b) <= tolerance) return where::boundary;
  }
  // Even-odd count of the edges a ray toward +x crosses.
  found.clear();
  tree_.query(bgi::intersects(bgBox(bgPoint(p.x, p.y), bgPoint(bounds_.max_corner().x() + 1, p.y))),
              std::back_inserter(found));
  bool inside = false;
  for (const auto& f : found) {
    if (crossesRayEast(p, edges_[f.second].a, edges_[f.second].b)) inside = !inside;
  }
  return inside ? where::inside : where::outside;
}

bool areaIndex::legInside(planePoint a, planePoint b) const {
  const double legLength = length(b - a);
  if (legLength <= tolerance) return covers(a);
  std::vector<std::pair<bgBox, std::size_t>> found;
  tree_.query(bgi::intersects(boxAround(a, b, tolerance)), std::back_inserter(found));
  // Where the leg meets the boundary; between two such places it is wholly inside or
  // wholly outside, which the middle of the stretch tells.
  std::vector<double> meets{0, 1};
  for (const auto& f : found) {
    const planePoint c = edges_[f.second].a, d = edges_[f.second].b;
    const double n1 = cross(b - a, c - a) / legLength, n2 = cross(b - a, d - a) / legLength;
    const double edgeLength = length(d - c);
    const double m1 = cross(d - c, a - c) / edgeLength, m2 = cross(d - c, b - c) / edgeLength;
    const bool edgeAcross = (n1 > tolerance && n2 < -tolerance) || (n1 < -tolerance && n2 > tolerance);
    const bool legAcross = (m1 > tolerance && m2 < -tolerance) || (m1 < -tolerance && m2 > tolerance);
    if (edgeAcross && legAcross) return false;
    if (std::fabs(n1) <= tolerance) meets.push_back(nearestFraction(c, a, b));
    if (std::fabs(n2) <= tolerance) meets.push_back(nearestFraction(d, a, b));
    if ((m1 > 0) != (m2 > 0) && m1 != m2) {
      const double t = m1 / (m1 - m2);
      if (t > 0 && t < 1) meets.push_back(t);
    }
  }
  std::sort(meets.begin(), meets.end());
  for (size_t i = 1; i < meets.size(); ++i) {
    if (meets[i] - meets[i - 1] > 1e-12 && !covers(a + 0.5 * (meets[i] + meets[i - 1]) * (b - a))) return false;
  }
  return true;
}

std::vector<planePoint> areaIndex::insidePath(planePoint a, planePoint b) const {
  if (legInside(a, b)) return {a, b};
  // A shortest path bends only at corners that jut into the area. Those near the two ends
  // are tried first; the search widens until it holds the whole area.
  for (double reach = std::max(length(b - a), 1.0);; reach *= 4) {
    const bgBox box = boxAround(a, b, reach);
    std::vector<planePoint> nodes{a, b};
    for (const planePoint& c : corners_) {
      if (bg::covered_by(bgPoint(c.x, c.y), box)) nodes.push_back(c);
    }
    const size_t n = nodes.size();
    std::vector<double> cost(n, std::numeric_limits<double>::infinity());
    std::vector<size_t> from(n, n);
    std::vector<bool> done(n, false);
    using entry = std::pair<double, size_t>;
    std::priority_queue<entry, std::vector<entry>, std::greater<entry>> open;
    cost[0] = 0;
    open.push({length(b - a), 0});
    while (!open.empty()) {
      const size_t x = open.top().second;
      open.pop();
      if (done[x]) continue;
      if (x == 1) {
        std::vector<planePoint> path;
        for (size_t k = 1; k != n; k = from[k]) path.push_back(nodes[k]);
        std::reverse(path.begin(), path.end());
        return path;
      }
      done[x] = true;
      for (size_t y = 1; y < n; ++y) {
        const double c = cost[x] + length(nodes[y] - nodes[x]);
        if (!done[y] && c < cost[y] && legInside(nodes[x], nodes[y])) {
          cost[y] = c;
          from[y] = x;
          open.push({c + length(b - nodes[y]), y});
        }
      }
    }
    if (bg::covered_by(bounds_, box)) return {};
  }
}
