#include "survey/surveyOrder.h"

#include <algorithm>
#include <cmath>

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
  std::vector<bool> used(cells.size(), false);
  for (size_t done = 0; done < cells.size(); ++done) {
    double bestScore = HUGE_VAL;
    size_t bestCell = 0;
    bool bestFromLast = false, bestAtTo = false;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (used[c]) continue;
      const lineFrame turn(cells[c].angle);
      for (const bool fromLast : {false, true}) {
        const piece& p = fromLast ? cells[c].lines.back() : cells[c].lines.front();
        for (const bool atTo : {false, true}) {
          const planePoint start = turn.fromLine({atTo ? p.to : p.from, p.v});
          const double score = runs.empty() ? firstScore(start) : length(start - runs.back().to);
          if (score < bestScore) bestScore = score, bestCell = c, bestFromLast = fromLast, bestAtTo = atTo;
        }
      }
    }
    used[bestCell] = true;
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
