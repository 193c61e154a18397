#include "survey/surveyOrder.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "survey/surveyGeometry.h"

#include "calcs.h"

std::function<double(planePoint)> entryScore(const gnomonicFrame& frame, const surveyParameters& parameters) {
  return [frame, parameters](planePoint p) {
    if (parameters.start) {
      const latLon q = frame.toLatLon(p);
      return dist(parameters.start->lat, parameters.start->lon, q.lat, q.lon);
    }
    switch (parameters.entry) {
      case entryCorner::southWest: return p.x + p.y;
      case entryCorner::southEast: return -p.x + p.y;
      case entryCorner::northWest: return p.x - p.y;
      case entryCorner::northEast: break;
    }
    return -p.x - p.y;
  };
}

namespace {

// The order a cell's `count` lines are flown in: one after the other, or, where they lie
// closer than the vehicle turns, every `step`th line, then every `step`th from the next, and
// so on, so that each turn spans `step` spacings.
std::vector<size_t> flightOrder(size_t count, size_t step) {
  std::vector<size_t> order;
  for (size_t first = 0; first < std::min(step, count); ++first) {
    for (size_t i = first; i < count; i += step) order.push_back(i);
  }
  return order;
}

}  // namespace

void runCells(const std::vector<cell>& cells, bool cross, const std::function<double(planePoint)>& firstScore,
              double turnRadius, std::vector<lineRun>& runs) {
  // The four corners a cell may be begun from: its first or last line, from either end.
  // The cells are taken nearest first from where the last one ended, found through an
  // index of the corners left, so that a comb's thousands of teeth are ordered in n log n.
  const auto cornerOf = [&](size_t c, bool fromLast, bool atTo) {
    const piece& p = fromLast ? cells[c].lines.back() : cells[c].lines.front();
    return lineFrame(cells[c].angle).fromLine({atTo ? p.to : p.from, p.v});
  };
  using corner = std::pair<bgPoint, size_t>;  // the corner, 4 c + 2 fromLast + atTo
  std::vector<corner> corners;
  for (size_t c = 0; c < cells.size(); ++c) {
    for (size_t k = 0; k < 4; ++k) {
      const planePoint p = cornerOf(c, k >= 2, k % 2 == 1);
      corners.emplace_back(bgPoint(p.x, p.y), 4 * c + k);
    }
  }
  bgi::rtree<corner, bgi::rstar<16>> left(corners.begin(), corners.end());
  std::vector<corner> near;
  for (size_t done = 0; done < cells.size(); ++done) {
    double bestScore = HUGE_VAL;
    size_t best = 4 * cells.size();
    const auto consider = [&](size_t k, double score) {
      // Of corners as near, the cell listed first, as a scan of the cells in order finds.
      if (score < bestScore || (score == bestScore && k < best)) bestScore = score, best = k;
    };
    if (runs.empty()) {
      // Only the first cell, with every cell left.
      for (const corner& c : corners) consider(c.second, firstScore({c.first.x(), c.first.y()}));
    } else {
      const planePoint last = runs.back().to;
      near.clear();
      left.query(bgi::nearest(bgPoint(last.x, last.y), 1), std::back_inserter(near));
      // Every corner as near as the nearest found, widened for the rounding of the box.
      const double reach = length(planePoint{near[0].first.x(), near[0].first.y()} - last);
      near.clear();
      left.query(bgi::intersects(boxAround(last, last, reach * (1 + 1e-9) + 1e-9)), std::back_inserter(near));
      for (const corner& c : near) consider(c.second, length(planePoint{c.first.x(), c.first.y()} - last));
    }
    const size_t bestCell = best / 4;
    const bool bestFromLast = best % 4 >= 2, bestAtTo = best % 2 == 1;
    for (size_t k = 0; k < 4; ++k) left.remove(corners[4 * bestCell + k]);
    const auto& lines = cells[bestCell].lines;
    const lineFrame turn(cells[bestCell].angle);
    bool atTo = bestAtTo;
    const double spacing = cells[bestCell].spacing;
    const size_t step = turnRadius > 0 && spacing > 0 && spacing < 2 * turnRadius
                            ? static_cast<size_t>(std::ceil(2 * turnRadius / spacing - 1e-9))
                            : 1;
    const std::vector<size_t> order = flightOrder(lines.size(), step);
    for (size_t k = 0; k < order.size(); ++k, atTo = !atTo) {
      const size_t i = order[k];
      const piece& p = lines[bestFromLast ? lines.size() - 1 - i : i];
      const planePoint a = turn.fromLine({p.from, p.v}), b = turn.fromLine({p.to, p.v});
      runs.push_back({atTo ? b : a, atTo ? a : b, cross, false, atTo ? b : a, atTo ? a : b});
    }
  }
}

void runLoops(const std::vector<std::vector<planePoint>>& loops, const std::function<double(planePoint)>& firstScore,
              std::vector<lineRun>& runs) {
  std::vector<bool> used(loops.size(), false);
  for (size_t done = 0; done < loops.size(); ++done) {
    double bestScore = HUGE_VAL;
    size_t bestLoop = 0, bestVertex = 0;
    for (size_t l = 0; l < loops.size(); ++l) {
      if (used[l]) continue;
      for (size_t v = 0; v < loops[l].size(); ++v) {
        const double score = runs.empty() ? firstScore(loops[l][v]) : length(loops[l][v] - runs.back().to);
        if (score < bestScore) bestScore = score, bestLoop = l, bestVertex = v;
      }
    }
    used[bestLoop] = true;
    const auto& loop = loops[bestLoop];
    for (size_t i = 0; i < loop.size(); ++i) {
      const planePoint a = loop[(bestVertex + i) % loop.size()], b = loop[(bestVertex + i + 1) % loop.size()];
      runs.push_back({a, b, false, true, a, b});
    }
  }
}
