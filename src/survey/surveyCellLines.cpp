#include "survey/surveyCellLines.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Whether the boundary steps sideways between two lines: a corner where it turns along the
// lines (the inner corner of an L) lies between them, at an end that moves by more than a
// spacing. Swept as one cell, the step would lie wherever the even spacing puts it, and the
// strip beside it could lie beyond the reach of both lines' swaths.
bool stepsBetween(const sweepSet& set, double vBefore, std::pair<double, double> before, double vNow,
                  std::pair<double, double> now) {
  const double gap = vNow - vBefore;
  auto at =
      std::upper_bound(set.turns.begin(), set.turns.end(), vBefore, [](double v, planePoint p) { return v < p.y; });
  for (; at != set.turns.end() && at->y < vNow; ++at) {
    for (const auto& ends : {std::make_pair(before.first, now.first), std::make_pair(before.second, now.second)}) {
      const double lo = std::min(ends.first, ends.second), hi = std::max(ends.first, ends.second);
      if (hi - lo > set.spacing && at->x >= lo - gap && at->x <= hi + gap) return true;
    }
  }
  return false;
}

// The level across where a cell really ends, from the turning corners of the boundary
// between its outer line and the line beyond, within its stretch: the corner nearest the
// line where the area splits or joins there, the farthest where the cell simply ends.
double cellEnd(const sweepSet& set, const piece& outer, double beyond, bool nearest, double otherwise) {
  const double lo = std::min(outer.v, beyond), hi = std::max(outer.v, beyond);
  auto at = std::lower_bound(set.turns.begin(), set.turns.end(), lo, [](planePoint p, double v) { return p.y < v; });
  double found = otherwise;
  bool any = false;
  for (; at != set.turns.end() && at->y < hi; ++at) {
    // A corner belongs to the stretch when it lies within its ends, widened by the corner's
    // distance across: the edge from the corner to where the line meets it may slant (a
    // meridian away from the area's centre does, a diamond-shaped hole more so), so the
    // corner may lie beyond the stretch's end by that much.
    const double d = std::fabs(at->y - outer.v);
    if (at->y <= lo || at->x < outer.from - 0.01 - d || at->x > outer.to + 0.01 + d) continue;
    if (!any || (nearest ? d < std::fabs(found - outer.v) : d > std::fabs(found - outer.v))) found = at->y;
    any = true;
  }
  return phiOf(found);
}

// Whether the line b continues the line a in one cell.
bool continues(const sweepSet& set, const piece& a, const piece& b) {
  return std::max(a.from, b.from) < std::min(a.to, b.to) &&
         !stepsBetween(set, a.v, {a.from, a.to}, b.v, {b.from, b.to});
}

// The lines of a cell laid afresh between the levels lo and hi across (as phi), half a
// spacing inside them and the spacing shrunk to fit; each takes the stretch of its level
// that overlaps most the guide lines nearest it.
std::vector<piece> layCell(double spacing, const std::vector<piece>& guide, double lo, double hi, double& cellSpacing,
                           const nearClips& clips) {
  const double count = std::max(1.0, std::ceil((hi - lo) / spacing - 1e-9));
  cellSpacing = (hi - lo) / count;
  std::vector<piece> lines;
  size_t below = 0;
  for (double i = 0; i < count; ++i) {
    const double phi = lo + (i + 0.5) * cellSpacing, v = vOf(phi);
    while (below + 1 < guide.size() && guide[below + 1].v <= v) ++below;
    const size_t above = std::min(below + 1, guide.size() - 1);
    const double from = std::min(guide[below].from, guide[above].from);
    const double to = std::max(guide[below].to, guide[above].to);
    // The stretches lie in order and apart: the one that overlaps most is one that meets
    // [from, to] or the nearest on either side of it; the first of equals.
    double best = -HUGE_VAL;
    piece chosen{v, 0, 0};
    for (const auto& [start, end] : clips.around(v, from, to)) {
      const double overlap = std::min(to, end) - std::max(from, start);
      if (overlap > best) best = overlap, chosen = {v, start, end};
    }
    if (chosen.to - chosen.from >= shortestLineMeters) lines.push_back(chosen);
  }
  return lines;
}

}  // namespace

// Lays each cell's lines afresh between the levels where it ends: an edge across the lines
// that the global lines happen to miss by more than half a swath (the side of a hole, the
// bottom of a notch) is swept as the outer edges are. Where two of the lines laid do not
// continue one another (they do not overlap, or the boundary steps between them), the
// cell is two, each laid again between its own ends.
void relayCells(const sweepSet& set, double spacing, std::vector<cell>& cells) {
  struct part {
    std::vector<piece> guide;
    double lo, hi;
  };
  std::vector<cell> laid;
  // Cells side by side by the hundred (the teeth of a comb crossed at a slant) each clip
  // lines that cross them all.
  const nearClips clips(set, cells.size() > 64);
  for (const cell& c : cells) {
    const piece first = c.lines.front(), last = c.lines.back();
    const double phiFirst = phiOf(first.v), phiLast = phiOf(last.v);
    const double lo = cellEnd(set, first, vOf(phiFirst - set.spacing), c.joinedBelow, vOf(phiFirst - set.spacing / 2));
    const double hi = cellEnd(set, last, vOf(phiLast + set.spacing), c.joinedAbove, vOf(phiLast + set.spacing / 2));
    std::vector<part> parts{{c.lines, lo, hi}};
    // Every split is at a corner of the boundary; the bound only guards against a boundary
    // that would split a cell for ever.
    size_t splitsLeft = 4 * (set.turns.size() + 1);
    while (!parts.empty()) {
      const part p = std::move(parts.back());
      parts.pop_back();
      cell out;
      out.angle = set.angle;
      out.lo = p.lo, out.hi = p.hi;
      out.lines = layCell(spacing, p.guide, p.lo, p.hi, out.spacing, clips);
      size_t k = 1;
      while (k < out.lines.size() && continues(set, out.lines[k - 1], out.lines[k])) ++k;
      if (k >= out.lines.size() || splitsLeft == 0) {
        if (!out.lines.empty()) laid.push_back(std::move(out));
        continue;
      }
      --splitsLeft;
      const piece& a = out.lines[k - 1];
      const piece& b = out.lines[k];
      const double middle = vOf((phiOf(a.v) + phiOf(b.v)) / 2);
      parts.push_back(
          {{out.lines.begin() + static_cast<long>(k), out.lines.end()}, cellEnd(set, b, a.v, true, middle), p.hi});
      parts.push_back(
          {{out.lines.begin(), out.lines.begin() + static_cast<long>(k)}, p.lo, cellEnd(set, a, b.v, true, middle)});
    }
  }
  // Cells on either side of a split or a join each find their own end, and may pick
  // corners that lie apart: the cell below then runs on into the cells above it, and lines
  // of both lie side by side, flown twice. The cell below ends where the cell above begins,
  // and is laid again up to there.
  // Each cell's stretch along the lines, found once: a comb's thousand cells would
  // otherwise each be measured again for every other.
  const auto extentOf = [](const cell& c) {
    double from = HUGE_VAL, to = -HUGE_VAL;
    for (const piece& p : c.lines) from = std::min(from, p.from), to = std::max(to, p.to);
    return std::make_pair(from, to);
  };
  std::vector<std::pair<double, double>> extents;
  for (const cell& c : laid) extents.push_back(extentOf(c));
  // The cells by where they begin across, to find those that begin within another.
  std::vector<size_t> byLo(laid.size());
  for (size_t i = 0; i < laid.size(); ++i) byLo[i] = i;
  std::sort(byLo.begin(), byLo.end(), [&laid](size_t x, size_t y) { return laid[x].lo < laid[y].lo; });
  std::vector<size_t> within;
  for (size_t i = 0; i < laid.size(); ++i) {
    cell& below = laid[i];
    const auto b = extents[i];
    double end = below.hi, shared = 0;
    // Those beginning above its own beginning and below its end, taken in the order they
    // were laid, as the sum of what they share must be.
    within.clear();
    auto at =
        std::upper_bound(byLo.begin(), byLo.end(), below.lo, [&laid](double lo, size_t x) { return lo < laid[x].lo; });
    for (; at != byLo.end() && laid[*at].lo < below.hi; ++at) within.push_back(*at);
    std::sort(within.begin(), within.end());
    for (const size_t j : within) {
      const cell& above = laid[j];
      const auto a = extents[j];
      if (j == i) continue;
      const double along = std::min(a.second, b.second) - std::max(a.first, b.first);
      if (along > 0) end = std::min(end, above.lo), shared += along;
    }
    // Only where the cells above take over nearly the whole width: elsewhere the cell
    // below is all that sweeps the ground up to its own end.
    if (end < below.hi && shared >= 0.9 * (b.second - b.first)) {
      const std::vector<piece> guide = below.lines;
      below.hi = end;
      below.lines = layCell(spacing, guide, below.lo, below.hi, below.spacing, clips);
      extents[i] = extentOf(below);
    }
  }
  laid.erase(std::remove_if(laid.begin(), laid.end(), [](const cell& c) { return c.lines.empty(); }), laid.end());
  cells = std::move(laid);
}
