#include "survey/surveyPattern.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <new>
#include <string>

#include "calcs.h"
#include "survey/surveyCoverage.h"
#include "survey/surveyGeometry.h"
#include "wptList.h"

namespace {

// Shorter stretches of a line inside the area (where it grazes a corner) are left out.
constexpr double shortestLineMeters = 0.1;

[[noreturn]] void refuse(const std::string& reason) { throw surveyError(surveyFault::badParameter, reason); }

// The metres between lines the parameters ask for, after checking them.
double checkParameters(const surveyParameters& p) {
  const auto finite = [](double x) { return std::isfinite(x); };
  if (!finite(p.maxLegMeters) || p.maxLegMeters < 1) refuse("the meters between surfacings must be at least 1");
  if (!finite(p.swathWidth) || p.swathWidth < 0) refuse("swathWidth must be a width in metres, greater than 0");
  if (!finite(p.overlap) || p.overlap < 0 || p.overlap >= 100) refuse("overlap must be a percentage from 0 up to 100");
  if (!finite(p.runIn) || p.runIn < 0 || p.runIn > maxAreaSpanMeters) refuse("runIn must be 0 to 200000 metres");
  if (p.crossLines < 0) refuse("crossLines must be a count of 0 or more");
  if (p.lineAngle && !finite(*p.lineAngle)) refuse("lineAngle must be a number of degrees");
  if (p.start && (!finite(p.start->lat) || !finite(p.start->lon) || std::fabs(p.start->lat) > 90)) {
    refuse("the start position is not a position");
  }
  if (!finite(p.lineSpacing) || p.lineSpacing < 0) refuse("lineSpacing must be a distance in metres, greater than 0");
  const double spacing = p.lineSpacing > 0 ? p.lineSpacing : p.swathWidth * (1 - p.overlap / 100);
  if (!(spacing > 0)) refuse("give lineSpacing, or swathWidth and overlap, to space the lines");
  if (spacing < 0.1) refuse("lines closer than 0.1 m cannot be run");
  return spacing;
}

// Lines of one bearing across the area, and the stretches of each that lie inside it.
struct sweepSet {
  double angle = 0;
  double spacing = 0;  // on the sphere, across the lines
  double uMin = 0, uMax = 0;
  bgPolygon polygon;  // the area in the turned plane
  // The vertices where the boundary turns back across the lines (a hole's lowest and
  // highest corners, the bottom of a notch), by v.
  std::vector<planePoint> turns;
  std::vector<double> across;  // each line's v in the turned plane
  std::vector<std::vector<std::pair<double, double>>> pieces;  // each line's stretches, [from, to] in u
};

double phiOf(double v) { return earthRadiusMeters * std::atan(v / earthRadiusMeters); }
double vOf(double phi) { return earthRadiusMeters * std::tan(phi / earthRadiusMeters); }

// The stretches of the line v inside the area, in order along it.
std::vector<std::pair<double, double>> clipAt(const sweepSet& set, double v) {
  const bgLine line{{set.uMin - 1, v}, {set.uMax + 1, v}};
  bgLines clipped;
  bg::intersection(line, set.polygon, clipped);
  std::vector<std::pair<double, double>> found;
  for (const bgLine& stretch : clipped) {
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (const bgPoint& p : stretch) lo = std::min(lo, p.x()), hi = std::max(hi, p.x());
    if (lo <= hi) found.emplace_back(lo, hi);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::pair<double, double>> merged;
  for (const auto& f : found) {
    // Stretches that meet at a point of a boundary (a corner of a hole on the line) are one.
    if (!merged.empty() && f.first - merged.back().second <= areaIndex::tolerance) {
      merged.back().second = std::max(merged.back().second, f.second);
    } else {
      merged.push_back(f);
    }
  }
  return merged;
}

// The lines lie at equal angles across, seen from the pole all lines of the bearing share:
// that is the true distance between them where they cross the area's middle at right
// angles, and they draw closer away from it by the cosine of the arc from there, less
// than 1.5e-4 within 100 km. The outer lines lie half a spacing inside the boundary, and
// the spacing is shrunk just enough to make a whole number of lines: `count` of them, or
// as many as `spacing` needs.
sweepSet laySweeps(const projectedArea& area, double angle, double spacing, int count, long maxLines) {
  const lineFrame turn(angle);
  sweepSet set;
  set.angle = angle;
  std::vector<std::vector<planePoint>> rings;
  double phiMin = HUGE_VAL, phiMax = -HUGE_VAL;
  set.uMin = HUGE_VAL, set.uMax = -HUGE_VAL;
  for (const auto& ring : area.rings) {
    rings.emplace_back();
    for (const planePoint& p : ring) {
      const planePoint t = turn.toLine(p);
      rings.back().push_back(t);
      phiMin = std::min(phiMin, phiOf(t.y));
      phiMax = std::max(phiMax, phiOf(t.y));
      set.uMin = std::min(set.uMin, t.x);
      set.uMax = std::max(set.uMax, t.x);
    }
  }
  set.polygon = toPolygon(rings);
  const double width = phiMax - phiMin;
  const double lines = count > 0 ? count : std::max(1.0, std::ceil(width / spacing - 1e-9));
  if (lines > static_cast<double>(maxLines)) {
    throw surveyError(surveyFault::tooLarge, "the area is " + std::to_string(static_cast<long>(width)) +
                                                 " m wide: more than " + std::to_string(maxLines) +
                                                 " lines at this spacing; widen the spacing");
  }
  set.spacing = width / lines;
  for (const auto& r : rings) {
    for (size_t i = 0; i < r.size(); ++i) {
      const planePoint before = r[(i + r.size() - 1) % r.size()], at = r[i], after = r[(i + 1) % r.size()];
      // Edges within a few centimetres of level, or rising less than 1 in 50 and less than
      // half a spacing in all, count as level: a parallel of latitude (the top of a hole
      // drawn on a chart) is such an edge away from the centre, and each of its corners is
      // where a cell beside it ends. A longer rise is a slanted edge the lines step along.
      const auto level = [&](planePoint p) {
        return std::max(0.05, std::min(0.02 * std::fabs(p.x - at.x), set.spacing / 2));
      };
      if ((before.y >= at.y - level(before) && after.y >= at.y - level(after)) ||
          (before.y <= at.y + level(before) && after.y <= at.y + level(after))) {
        set.turns.push_back(at);
      }
    }
  }
  std::sort(set.turns.begin(), set.turns.end(), [](planePoint a, planePoint b) { return a.y < b.y; });
  for (int k = 0; k < static_cast<int>(lines); ++k) {
    set.across.push_back(vOf(phiMin + (k + 0.5) / lines * width));
    set.pieces.push_back(clipAt(set, set.across.back()));
  }
  return set;
}

struct piece {
  double v, from, to;
};

struct cell {
  std::vector<piece> lines;
  bool joinedBelow = false, joinedAbove = false;  // to stretches of the lines before, after
  double spacing = 0;
};

// Whether the boundary steps sideways between two lines: a corner where it turns along the
// lines (the inner corner of an L) lies between them, at an end that moves by more than a
// spacing. Swept as one cell, the step would lie wherever the even spacing puts it, and the
// strip beside it could lie beyond the reach of both lines' swaths.
bool stepsBetween(const sweepSet& set, double vBefore, std::pair<double, double> before, double vNow,
                  std::pair<double, double> now) {
  const double gap = vNow - vBefore;
  auto at = std::upper_bound(set.turns.begin(), set.turns.end(), vBefore, [](double v, planePoint p) { return v < p.y; });
  for (; at != set.turns.end() && at->y < vNow; ++at) {
    for (const auto& ends : {std::make_pair(before.first, now.first), std::make_pair(before.second, now.second)}) {
      const double lo = std::min(ends.first, ends.second), hi = std::max(ends.first, ends.second);
      if (hi - lo > set.spacing && at->x >= lo - gap && at->x <= hi + gap) return true;
    }
  }
  return false;
}

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
        if (before[i].second < now[j].second) ++i; else ++j;
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
        cells.back().joinedBelow = downCount[j] > 0;
      }
      cells[cellNow[j]].lines.push_back({set.across[k], now[j].first, now[j].second});
    }
    cellBefore = std::move(cellNow);
  }
  return cells;
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
  return std::max(a.from, b.from) < std::min(a.to, b.to) && !stepsBetween(set, a.v, {a.from, a.to}, b.v, {b.from, b.to});
}

// The lines of a cell laid afresh between the levels lo and hi across (as phi), half a
// spacing inside them and the spacing shrunk to fit; each takes the stretch of its level
// that overlaps most the guide lines nearest it.
std::vector<piece> layCell(const sweepSet& set, double spacing, const std::vector<piece>& guide, double lo, double hi,
                           double& cellSpacing) {
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
    double best = -HUGE_VAL;
    piece chosen{v, 0, 0};
    for (const auto& stretch : clipAt(set, v)) {
      const double overlap = std::min(to, stretch.second) - std::max(from, stretch.first);
      if (overlap > best) best = overlap, chosen = {v, stretch.first, stretch.second};
    }
    if (chosen.to - chosen.from >= shortestLineMeters) lines.push_back(chosen);
  }
  return lines;
}

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
      out.lines = layCell(set, spacing, p.guide, p.lo, p.hi, out.spacing);
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
      parts.push_back({{out.lines.begin() + static_cast<long>(k), out.lines.end()}, cellEnd(set, b, a.v, true, middle), p.hi});
      parts.push_back({{out.lines.begin(), out.lines.begin() + static_cast<long>(k)}, p.lo, cellEnd(set, a, b.v, true, middle)});
    }
  }
  cells = std::move(laid);
}

struct lineRun {
  planePoint from, to;  // where the line meets the boundary
  bool cross;
  planePoint outFrom, outTo;  // the same, or past the boundary by the run-in
};

// Runs every cell back and forth, each from the corner nearest the end of the one before;
// the first from the corner `firstScore` rates lowest (when no line was run before).
void runCells(const sweepSet& set, const std::vector<cell>& cells, bool cross,
              const std::function<double(planePoint)>& firstScore, std::vector<lineRun>& runs) {
  const lineFrame turn(set.angle);
  std::vector<bool> used(cells.size(), false);
  for (size_t done = 0; done < cells.size(); ++done) {
    double bestScore = HUGE_VAL;
    size_t bestCell = 0;
    bool bestFromLast = false, bestAtTo = false;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (used[c]) continue;
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
    bool atTo = bestAtTo;
    for (size_t i = 0; i < lines.size(); ++i, atTo = !atTo) {
      const piece& p = lines[bestFromLast ? lines.size() - 1 - i : i];
      const planePoint a = turn.fromLine({p.from, p.v}), b = turn.fromLine({p.to, p.v});
      runs.push_back({atTo ? b : a, atTo ? a : b, cross, atTo ? b : a, atTo ? a : b});
    }
  }
}

double normalAngle(double degrees) { return std::fmod(std::fmod(degrees, 180) + 180, 180); }

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

}  // namespace

surveyPlan planSurvey(const surveyArea& area, const surveyParameters& parameters) {
  try {
    return planSurvey(checkArea(area), parameters);
  } catch (const surveyError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;  // memory ran out: no fault of the area, and no pattern to pass over
  } catch (const std::exception& e) {
    throw surveyError(surveyFault::geometry, std::string("the area's geometry could not be checked: ") + e.what());
  }
}

namespace {

// The pattern of lines at `angle` degrees true.
surveyPlan layPattern(const projectedArea& area, const surveyParameters& parameters, double angle) {
  const double spacing = checkParameters(parameters);
  // Each line takes two waypoints at least; and a hundred thousand lines, 200 km at 2 m,
  // are far beyond any one dive.
  const long maxLines = std::max(1L, std::min(maxRouteWaypoints / 2, 100000L));
  if (parameters.crossLines > maxLines) refuse("crossLines must be at most " + std::to_string(maxLines));
  surveyPlan plan;
  plan.lineAngle = angle;
  try {
    const sweepSet sweeps = laySweeps(area, plan.lineAngle, spacing, 0, maxLines);
    auto cells = formCells(sweeps);
    relayCells(sweeps, spacing, cells);
    plan.sweeps = static_cast<int>(sweeps.across.size());
    plan.cells = static_cast<int>(cells.size());
    size_t lineCount = 0;
    for (const cell& c : cells) lineCount += c.lines.size();
    if (lineCount > static_cast<size_t>(maxLines)) {
      throw surveyError(surveyFault::tooLarge, "the area's parts need more than " + std::to_string(maxLines) +
                                                   " lines at this spacing; widen the spacing");
    }
    for (const cell& c : cells) plan.spacing = std::max(plan.spacing, c.spacing);
    const std::function<double(planePoint)> entryScore = [&](planePoint p) {
      if (parameters.start) {
        const latLon q = area.frame.toLatLon(p);
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
    std::vector<lineRun> runs;
    runCells(sweeps, cells, false, entryScore, runs);
    if (parameters.crossLines > 0) {
      const sweepSet crossing = laySweeps(area, normalAngle(plan.lineAngle + 90), 0, parameters.crossLines, maxLines);
      plan.crossSpacing = crossing.spacing;
      auto crossCells = formCells(crossing);
      for (cell& c : crossCells) {
        c.lines.erase(std::remove_if(c.lines.begin(), c.lines.end(),
                                     [](const piece& p) { return p.to - p.from < shortestLineMeters; }),
                      c.lines.end());
      }
      crossCells.erase(std::remove_if(crossCells.begin(), crossCells.end(), [](const cell& c) { return c.lines.empty(); }),
                       crossCells.end());
      // Each cross line's stretches share its level across; the summary tells the lines
      // asked for from the stretches run.
      std::vector<double> levels;
      for (const cell& c : crossCells) {
        for (const piece& p : c.lines) levels.push_back(p.v);
      }
      std::sort(levels.begin(), levels.end());
      for (size_t i = 0; i < levels.size(); ++i) {
        if (i == 0 || levels[i] != levels[i - 1]) {
          ++plan.crossLinesLaid;
        } else if (i < 2 || levels[i - 1] != levels[i - 2]) {
          ++plan.crossLinesSplit;
        }
      }
      runCells(crossing, crossCells, true, entryScore, runs);
    }
    if (runs.empty()) throw surveyError(surveyFault::noArea, "no line of the pattern lies inside the area");

    const areaIndex index(area.rings);
    if (parameters.runIn > 0) {
      const bgPolygon whole = toPolygon(area.rings), outer = toPolygon({area.rings.front()});
      for (lineRun& r : runs) {
        r.outFrom = runOn(whole, outer, r.to, r.from, parameters.runIn);
        r.outTo = runOn(whole, outer, r.from, r.to, parameters.runIn);
      }
    }

    // The straight runs in order: each line, and the legs of the transit before it.
    std::vector<surveyStretch> stretches;
    for (size_t i = 0; i < runs.size(); ++i) {
      if (i > 0) {
        const lineRun &before = runs[i - 1], &next = runs[i];
        std::vector<planePoint> path = index.insidePath(before.to, next.from);
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
      stretches.push_back({runs[i].outFrom, runs[i].outTo, true});
    }

    double pieces = 0;
    for (const surveyStretch& s : stretches) {
      pieces += std::ceil(length(s.b - s.a) / (parameters.maxLegMeters - surfacingMarginMeters)) + 1;
    }
    if (pieces > static_cast<double>(maxRouteWaypoints)) {
      throw surveyError(surveyFault::tooLarge, "the survey would need more than " + std::to_string(maxRouteWaypoints) +
                                                   " waypoints; widen the spacing or the meters between surfacings");
    }
    plan.route.push_back(area.frame.toLatLon(stretches[0].a));
    size_t lineNumber = 0;
    for (const surveyStretch& s : stretches) {
      const latLon a = plan.route.back(), b = area.frame.toLatLon(s.b);
      const double meters = appendCut(plan.route, a, b, parameters.maxLegMeters - surfacingMarginMeters);
      if (s.line) {
        plan.lineMeters += meters;
        plan.lines.push_back({a, b, meters, runs[lineNumber++].cross});
      } else {
        plan.transitMeters += meters;
      }
    }

    // What the sonar sweeps: every straight run less the run-in at either end.
    const double halfSwath = (parameters.swathWidth > 0 ? parameters.swathWidth : spacing) / 2;
    std::vector<surveyStretch> swept;
    for (const surveyStretch& s : stretches) {
      const double len = length(s.b - s.a);
      if (len <= 2 * parameters.runIn) continue;
      const planePoint t = (parameters.runIn / len) * (s.b - s.a);
      swept.push_back({s.a + t, s.b - t, s.line});
      plan.swaths.push_back(swathPolygon(area.frame, swept.back().a, swept.back().b, halfSwath));
    }
    const swathCover cover =
        swathCoverage(area, plan.lineAngle, swept, halfSwath, std::clamp(8 * plan.sweeps, 256, 20000));
    plan.coveragePercent = cover.percent;
    plan.areaSquareMeters = cover.areaSquareMeters;
  } catch (const surveyError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;  // memory ran out: no fault of the area, and no pattern to pass over
  } catch (const std::exception& e) {
    throw surveyError(surveyFault::geometry, std::string("the area's geometry could not be laid out: ") + e.what());
  }
  return plan;
}

// The bearings of the longest edges of the area's boundary, 0..180, each once.
std::vector<double> edgeBearings(const projectedArea& area, size_t most) {
  std::vector<std::pair<double, double>> edges;  // length, bearing
  const auto& ring = area.rings.front();
  for (size_t i = 0; i < ring.size(); ++i) {
    const planePoint d = ring[(i + 1) % ring.size()] - ring[i];
    edges.emplace_back(length(d), normalAngle(std::atan2(d.x, d.y) * 180 / 3.14159265358979323846));
  }
  std::stable_sort(edges.begin(), edges.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<double> bearings;
  const auto near = [](double a, double b) { return std::fabs(normalAngle(a - b + 90) - 90) < 1; };
  for (const auto& e : edges) {
    if (bearings.size() == most) break;
    if (near(e.second, area.longAxis)) continue;
    if (std::none_of(bearings.begin(), bearings.end(), [&](double b) { return near(b, e.second); })) {
      bearings.push_back(e.second);
    }
  }
  return bearings;
}

}  // namespace

surveyPlan planSurvey(const projectedArea& area, const surveyParameters& parameters) {
  if (parameters.lineAngle) return layPattern(area, parameters, normalAngle(*parameters.lineAngle));
  surveyPlan best = layPattern(area, parameters, normalAngle(area.longAxis));
  if (best.coveragePercent >= wellCoveredPercent) return best;
  // Along the long axis the lines meet some edges at a slant (a square L has its long axis
  // on the diagonal) and leave strips between their ends: lines along one of the longest
  // edges may cover the area, with the fewest lines of those that do; else the pattern
  // that covers most.
  for (const double angle : edgeBearings(area, 4)) {
    surveyPlan other;
    try {
      other = layPattern(area, parameters, angle);
    } catch (const surveyError&) {
      continue;
    }
    const bool covers = other.coveragePercent >= wellCoveredPercent;
    if (best.coveragePercent >= wellCoveredPercent ? covers && other.lines.size() < best.lines.size()
                                                   : other.coveragePercent > best.coveragePercent) {
      best = std::move(other);
    }
  }
  return best;
}
