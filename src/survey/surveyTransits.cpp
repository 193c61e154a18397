#include "survey/surveyTransits.h"

#include <string>

#include "survey/surveyGeometry.h"

namespace {

bool same(planePoint a, planePoint b) { return a.x == b.x && a.y == b.y; }

// The point the line a->b runs on to past its end b, so that the sonar is steady when the
// line proper starts or ends at the boundary: up to `runIn` metres, but never into a hole
// (a line that ends at one stops there) and no more than half way to where it would meet
// the area again (the other side of a notch).
planePoint runOn(const bgPolygon& whole, const bgPolygon& outer, planePoint a, planePoint b, double runIn) {
  const double len = length(b - a);
  if (!(runIn > 0) || !(len > 0)) return b;
  const planePoint along = (1 / len) * (b - a);
  const planePoint beyond = b + 0.01 * along;
  if (bg::covered_by(bgPoint{beyond.x, beyond.y}, outer)) return b;
  const planePoint far = b + 2 * runIn * along;
  bgLines again;
  bg::intersection(bgLine{{beyond.x, beyond.y}, {far.x, far.y}}, whole, again);
  double room = runIn;
  for (const bgLine& stretch : again) {
    for (const bgPoint& q : stretch) room = std::min(room, length(planePoint{q.x(), q.y()} - b) / 2);
  }
  return b + room * along;
}

// Whether the straight leg a->b touches one of the holes.
bool touchesHole(const std::vector<std::vector<planePoint>>& rings, planePoint a, planePoint b) {
  for (size_t r = 1; r < rings.size(); ++r) {
    if (bg::intersects(bgLine{{a.x, a.y}, {b.x, b.y}}, toPolygon({rings[r]}))) return true;
  }
  return false;
}

// The path with fewer legs: every waypoint of this vehicle is a surfacing, and a shortest
// path along a curving shore bends at each of its vertices, legs of a metre or two. Each
// corner is moved `clearance` off the shore (where that stays inside), and the path goes
// straight on to the farthest of them it can reach inside the area.
std::vector<planePoint> fewerLegs(const areaIndex& index, const std::vector<planePoint>& path, double clearance) {
  if (path.size() < 3 || !(clearance > 0)) return path;
  std::vector<planePoint> points{path.front()};
  for (size_t i = 1; i + 1 < path.size(); ++i) {
    const planePoint in = path[i] - path[i - 1], out = path[i + 1] - path[i];
    const double lin = length(in), lout = length(out);
    planePoint moved = path[i];
    if (lin > 0 && lout > 0) {
      const planePoint away = (1 / lin) * in - (1 / lout) * out;
      const double la = length(away);
      if (la > 1e-9) {
        const planePoint candidate = path[i] + (clearance / la) * away;
        if (index.covers(candidate)) moved = candidate;
      }
    }
    points.push_back(moved);
  }
  points.push_back(path.back());
  std::vector<planePoint> kept{points.front()};
  for (size_t at = 0; at + 1 < points.size();) {
    size_t next = at + 1;
    for (size_t j = points.size() - 1; j > at + 1; --j) {
      if (index.legInside(points[at], points[j])) {
        next = j;
        break;
      }
    }
    // A moved corner that cannot be reached straight is left for the shore's own.
    if (next == at + 1 && !index.legInside(points[at], points[next])) {
      points[next] = path[next];
      if (!index.legInside(points[at], points[next])) return path;
    }
    kept.push_back(points[next]);
    at = next;
  }
  return kept;
}

}  // namespace

std::vector<surveyStretch> joinLines(const projectedArea& area, const areaIndex& index, std::vector<lineRun> runs,
                                     double runIn, double clearance) {
  if (runIn > 0) {
    const bgPolygon whole = toPolygon(area.rings), outer = toPolygon({area.rings.front()});
    for (lineRun& r : runs) {
      r.outFrom = runOn(whole, outer, r.to, r.from, runIn);
      r.outTo = runOn(whole, outer, r.from, r.to, runIn);
    }
  }

  // The straight runs in order: each line, and the legs of the transit before it.
  std::vector<surveyStretch> stretches;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) {
      const lineRun &before = runs[i - 1], &next = runs[i];
      std::vector<planePoint> path = fewerLegs(index, index.insidePath(before.to, next.from), clearance);
      if (path.empty()) {
        throw surveyError(surveyFault::noInsideTransit, "no path inside the area leads from the end of line " +
                                                            std::to_string(i) + " to line " + std::to_string(i + 1));
      }
      if (!same(before.outTo, before.to) || !same(next.outFrom, next.from)) {
        // Turning outside: straight across when the path inside is straight, which keeps
        // the turn within the run-in of the area, and the turn clear of the holes; else
        // back to the boundary and along the path inside.
        if (path.size() == 2 && !touchesHole(area.rings, before.outTo, next.outFrom)) {
          path = {before.outTo, next.outFrom};
        } else {
          path.insert(path.begin(), before.outTo);
          path.push_back(next.outFrom);
        }
      }
      for (size_t k = 1; k < path.size(); ++k) {
        if (length(path[k] - path[k - 1]) > areaIndex::tolerance) stretches.push_back({path[k - 1], path[k], false});
      }
    }
    stretches.push_back({runs[i].outFrom, runs[i].outTo, true, runs[i].cross, runs[i].boundary});
  }
  return stretches;
}
