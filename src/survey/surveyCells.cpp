#include "survey/surveyCells.h"

#include <algorithm>
#include <utility>

// Boustrophedon cells: a stretch continues the cell of the stretch on the line before it
// when each overlaps only the other along the lines. Where the area splits (around a hole,
// into the teeth of a comb) or joins again, new cells begin.
std::vector<cell> formCells(const sweepSet& set) {
  std::vector<cell> cells;
  std::vector<size_t> cellBefore;
  std::vector<int> upCount, upLink;
  for (size_t k = 0; k <= set.pieces.size(); ++k) {
    static const std::vector<std::pair<double, double>> none;
    const auto& now = k < set.pieces.size() ? set.pieces[k] : none;
    std::vector<int> downCount(now.size(), 0), downLink(now.size(), -1);
    if (k > 0) {
      const auto& before = set.pieces[k - 1];
      upCount.assign(before.size(), 0);
      upLink.assign(before.size(), -1);
      for (size_t i = 0, j = 0; i < before.size() && j < now.size();) {
        if (std::max(before[i].first, now[j].first) < std::min(before[i].second, now[j].second)) {
          ++upCount[i], ++downCount[j];
          upLink[i] = static_cast<int>(j), downLink[j] = static_cast<int>(i);
        }
        if (before[i].second < now[j].second)
          ++i;
        else
          ++j;
      }
      for (size_t i = 0; i < before.size(); ++i) {
        if (upCount[i] != 1 || downCount[upLink[i]] != 1) cells[cellBefore[i]].joinedAbove = upCount[i] > 0;
      }
    }
    std::vector<size_t> cellNow(now.size());
    for (size_t j = 0; j < now.size(); ++j) {
      const int i = downLink[j];
      if (downCount[j] == 1 && upCount[i] == 1) {
        cellNow[j] = cellBefore[i];
      } else {
        cellNow[j] = cells.size();
        cells.emplace_back();
        cells.back().angle = set.angle;
        cells.back().joinedBelow = downCount[j] > 0;
      }
      cells[cellNow[j]].lines.push_back({set.across[k], now[j].first, now[j].second});
    }
    cellBefore = std::move(cellNow);
  }
  return cells;
}

std::vector<cell> withoutShortLines(std::vector<cell> cells) {
  for (cell& c : cells) {
    c.lines.erase(std::remove_if(c.lines.begin(), c.lines.end(),
                                 [](const piece& p) { return p.to - p.from < shortestLineMeters; }),
                  c.lines.end());
  }
  cells.erase(std::remove_if(cells.begin(), cells.end(), [](const cell& c) { return c.lines.empty(); }), cells.end());
  return cells;
}
