#include "survey/surveyGeometry.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <queue>
#include <tuple>

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
  for (size_t c = 0; c < corners_.size(); ++c) byX_.push_back(c);
  std::sort(byX_.begin(), byX_.end(), [this](size_t i, size_t j) { return corners_[i].x < corners_[j].x; });
}

areaIndex::where areaIndex::locate(planePoint p) const {
  for (auto at = tree_.qbegin(bgi::intersects(boxAround(p, p, tolerance))); at != tree_.qend(); ++at) {
    if (pointSegmentDistance(p, edges_[at->second].a, edges_[at->second].b) <= tolerance) return where::boundary;
  }
  // Even-odd count of the edges a ray from p crosses, the ray cast toward the nearest side
  // of the bounds: a ray along the length of a long comb would cross every tooth. Away
  // from the boundary every ray gives the same count; the points are only mirrored or
  // swapped, which rounds nothing, so that one test of crossing serves all four.
  const bgPoint& low = bounds_.min_corner();
  const bgPoint& high = bounds_.max_corner();
  const double toEast = high.x() - p.x, toWest = p.x - low.x(), toNorth = high.y() - p.y, toSouth = p.y - low.y();
  const double nearest = std::min({toEast, toWest, toNorth, toSouth});
  bgBox ray(bgPoint(p.x, p.y), bgPoint(high.x() + 1, p.y));
  planePoint (*turned)(planePoint) = [](planePoint q) { return q; };
  if (nearest == toWest && nearest < toEast) {
    ray = bgBox(bgPoint(low.x() - 1, p.y), bgPoint(p.x, p.y));
    turned = [](planePoint q) { return planePoint{-q.x, q.y}; };
  } else if (nearest == toNorth && nearest < toEast) {
    ray = bgBox(bgPoint(p.x, p.y), bgPoint(p.x, high.y() + 1));
    turned = [](planePoint q) { return planePoint{q.y, q.x}; };
  } else if (nearest == toSouth && nearest < toEast) {
    ray = bgBox(bgPoint(p.x, low.y() - 1), bgPoint(p.x, p.y));
    turned = [](planePoint q) { return planePoint{-q.y, q.x}; };
  }
  const planePoint from = turned(p);
  bool inside = false;
  for (auto at = tree_.qbegin(bgi::intersects(ray)); at != tree_.qend(); ++at) {
    if (crossesRayEast(from, turned(edges_[at->second].a), turned(edges_[at->second].b))) inside = !inside;
  }
  return inside ? where::inside : where::outside;
}

bool areaIndex::legInside(planePoint a, planePoint b) const {
  const double legLength = length(b - a);
  if (legLength <= tolerance) return covers(a);
  // Where the leg meets the boundary; between two such places it is wholly inside or
  // wholly outside, which the middle of the stretch tells. The edges are taken as the index
  // finds them, so that a leg across the area's teeth stops at the first it crosses.
  std::vector<double> meets{0, 1};
  for (auto at = tree_.qbegin(bgi::intersects(boxAround(a, b, tolerance))); at != tree_.qend(); ++at) {
    const planePoint c = edges_[at->second].a, d = edges_[at->second].b;
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

namespace {

enum class pathFound { yes, no, tooLarge };

// The path from nodes[0] to nodes[1], by legs inside the area from node to node, the
// estimate toward nodes[1] leading the search. Each leg is tested when the search
// reaches its near end, as the area's corners are few.
template <typename legTest>
pathFound searchNow(const legTest& inside, const std::vector<planePoint>& nodes, std::vector<planePoint>& path) {
  const size_t n = nodes.size();
  std::vector<double> cost(n, std::numeric_limits<double>::infinity());
  std::vector<size_t> from(n, n);
  std::vector<bool> done(n, false);
  using entry = std::pair<double, size_t>;
  std::priority_queue<entry, std::vector<entry>, std::greater<entry>> open;
  cost[0] = 0;
  open.push({length(nodes[1] - nodes[0]), 0});
  while (!open.empty()) {
    const size_t x = open.top().second;
    open.pop();
    if (done[x]) continue;
    if (x == 1) {
      for (size_t k = 1; k != n; k = from[k]) path.push_back(nodes[k]);
      std::reverse(path.begin(), path.end());
      return pathFound::yes;
    }
    done[x] = true;
    for (size_t y = 1; y < n; ++y) {
      const double c = cost[x] + length(nodes[y] - nodes[x]);
      if (!done[y] && c < cost[y] && inside(x, y)) {
        cost[y] = c;
        from[y] = x;
        open.push({c + length(nodes[1] - nodes[y]), y});
      }
    }
  }
  return pathFound::no;
}

// The same path, each leg tested only when the search reaches its far end through it: a
// transit round the back of a comb would otherwise test legs to every corner of the teeth
// beside it. Tested in the order of the cost through them, ties to the corner reached
// first, the legs give each corner the cost and the corner before that searchNow gives.
// The legs waiting to be tested are held in memory: tooLarge when they grow too many.
template <typename legTest>
pathFound searchLate(const legTest& inside, const std::vector<planePoint>& nodes, std::vector<planePoint>& path,
                     pathRoom& room) {
  constexpr size_t mostWaiting = size_t{1} << 21;
  const size_t n = nodes.size();
  std::vector<size_t> from(n, n);
  std::vector<bool> done(n, false);
  std::vector<double> toEnd(n);
  for (size_t y = 0; y < n; ++y) toEnd[y] = length(nodes[1] - nodes[y]);
  // The legs from each corner reached wait in a run of their own, a heap soonest first;
  // only the first of each run is in the heap of runs, so that a hundred corners reached
  // among a hundred do not fill one heap with ten thousand legs, most of them never taken.
  // The soonest of all is the soonest of the firsts: legs are taken in the same order as
  // from one heap of them all.
  const std::greater<pathRoom::head> later;
  const auto laterLeg = [](const pathRoom::leg& a, const pathRoom::leg& b) {
    return a.estimate > b.estimate || (a.estimate == b.estimate && a.far > b.far);
  };
  std::vector<pathRoom::leg>& legs = room.legs;
  std::vector<pathRoom::head>& heads = room.heads;
  legs.clear();
  heads.clear();
  heads.push_back({toEnd[0], 0, 0.0, 0, n, 0, 0});
  size_t waiting = 1;
  for (size_t reached = 0; !heads.empty();) {
    const auto [estimate, x, cost, when, before, first, end] = heads.front();
    std::pop_heap(heads.begin(), heads.end(), later);
    heads.pop_back();
    --waiting;
    if (end - first > 1) {
      const auto run = legs.begin() + static_cast<long>(first);
      std::pop_heap(run, legs.begin() + static_cast<long>(end), laterLeg);
      heads.push_back({run->estimate, run->far, run->through, when, before, first, end - 1});
      std::push_heap(heads.begin(), heads.end(), later);
    }
    if (done[x] || (before != n && !inside(before, x))) continue;
    from[x] = before;
    if (x == 1) {
      for (size_t k = 1; k != n; k = from[k]) path.push_back(nodes[k]);
      std::reverse(path.begin(), path.end());
      return pathFound::yes;
    }
    done[x] = true;
    if (waiting + n > mostWaiting) return pathFound::tooLarge;
    const size_t start = legs.size();
    for (size_t y = 1; y < n; ++y) {
      const double through = cost + length(nodes[y] - nodes[x]);
      if (!done[y]) legs.push_back({through + toEnd[y], y, through});
    }
    if (legs.size() > start) {
      std::make_heap(legs.begin() + static_cast<long>(start), legs.end(), laterLeg);
      const pathRoom::leg& soonest = legs[start];
      heads.push_back({soonest.estimate, soonest.far, soonest.through, reached, x, start, legs.size()});
      std::push_heap(heads.begin(), heads.end(), later);
    }
    waiting += legs.size() - start;
    ++reached;
  }
  return pathFound::no;
}

}  // namespace

bool areaIndex::cornersSee(std::size_t i, std::size_t j) const {
  // Enough for every leg among two thousand corners; beyond it legs are tested afresh.
  constexpr size_t mostRemembered = size_t{1} << 22;
  const std::uint64_t key = static_cast<std::uint64_t>(i) * corners_.size() + j;
  const auto found = seen_.find(key);
  if (found != seen_.end()) return found->second;
  const bool inside = legInside(corners_[i], corners_[j]);
  if (seen_.size() < mostRemembered) seen_.emplace(key, inside);
  return inside;
}

std::vector<planePoint> areaIndex::insidePath(planePoint a, planePoint b) const {
  if (legInside(a, b)) return {a, b};
  // A shortest path bends only at corners that jut into the area. Those near the two ends
  // are tried first; the search widens until it holds the whole area.
  constexpr size_t notCorner = static_cast<size_t>(-1);
  for (double reach = std::max(length(b - a), 1.0);; reach *= 4) {
    const bgBox box = boxAround(a, b, reach);
    std::vector<planePoint> nodes{a, b};
    std::vector<size_t> corner{notCorner, notCorner};
    // The corners within the box, found among those between its west and east sides (a
    // comb's transits look at a few of its thousands of corners), taken in their order.
    const auto west = std::lower_bound(byX_.begin(), byX_.end(), box.min_corner().x(),
                                       [this](size_t c, double x) { return corners_[c].x < x; });
    for (auto at = west; at != byX_.end() && corners_[*at].x <= box.max_corner().x(); ++at) {
      if (bg::covered_by(bgPoint(corners_[*at].x, corners_[*at].y), box)) corner.push_back(*at);
    }
    std::sort(corner.begin() + 2, corner.end());
    for (size_t k = 2; k < corner.size(); ++k) nodes.push_back(corners_[corner[k]]);
    const auto inside = [&](size_t x, size_t y) {
      return corner[x] != notCorner && corner[y] != notCorner ? cornersSee(corner[x], corner[y])
                                                              : legInside(nodes[x], nodes[y]);
    };
    std::vector<planePoint> path;
    pathFound found = searchLate(inside, nodes, path, room_);
    // The room of a search among very many corners is given back.
    if (room_.legs.capacity() > (size_t{1} << 16)) room_ = pathRoom();
    if (found == pathFound::tooLarge) {
      path.clear();
      found = searchNow(inside, nodes, path);
    }
    if (found == pathFound::yes) return path;
    if (bg::covered_by(bounds_, box)) return {};
  }
}
