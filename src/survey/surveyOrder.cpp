#include "survey/surveyOrder.h"

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

void runCells(const std::vector<cell>& cells, bool cross, const std::function<double(planePoint)>& firstScore,
              std::vector<lineRun>& runs) {
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
    for (size_t i = 0; i < lines.size(); ++i, atTo = !atTo) {
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
