#include "survey/surveyPattern.h"
#include "mission/routeLimits.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "survey/surveyBoundary.h"
#include "survey/surveyCellAngles.h"
#include "survey/surveyCellLines.h"
#include "survey/surveyCells.h"
#include "survey/surveyCoverage.h"
#include "survey/surveyCutting.h"
#include "survey/surveyEdges.h"
#include "survey/surveyOrder.h"
#include "survey/surveySweeps.h"
#include "survey/surveyTransits.h"
#include "text/textOut.h"

namespace {

[[noreturn]] void refuse(const std::string& reason) { throw surveyError(surveyFault::badParameter, reason); }

// Each cross line's stretches share its level across; the summary tells the lines asked
// for from the stretches run.
void countCrossLines(const std::vector<cell>& crossCells, surveyPlan& plan) {
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
}

// The metres between lines the parameters ask for, after checking them.
double checkParameters(const surveyParameters& p) {
  const auto finite = [](double x) { return std::isfinite(x); };
  if (!finite(p.maxLegMeters) || p.maxLegMeters < 1) refuse("the meters between surfacings must be at least 1");
  if (!finite(p.swathWidth) || p.swathWidth < 0) refuse("swathWidth must be a width in metres, greater than 0");
  if (!finite(p.overlap) || p.overlap < 0 || p.overlap >= 100) refuse("overlap must be a percentage from 0 up to 100");
  if (!finite(p.runIn) || p.runIn < 0 || p.runIn > maxAreaSpanMeters) refuse("runIn must be 0 to 200000 metres");
  if (p.crossLines < 0) refuse("crossLines must be a count of 0 or more");
  if (!finite(p.turnRadius) || p.turnRadius < 0) refuse("turnRadius must be metres, 0 or more");
  if (!finite(p.edgeMargin) || p.edgeMargin < 0 || p.edgeMargin > maxAreaSpanMeters) {
    refuse("edgeMargin must be 0 to 200000 metres");
  }
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

// The ways the area is swept: parallel lines alone; parallel lines after a pass along the
// boundary, whose swath takes the slivers the lines' ends leave; the same pass only along
// the edges the lines meet at a slant (along an edge the lines follow, or one they meet
// square, their own swaths leave no sliver); or passes along the boundary alone, each the
// last moved a swath further in, as a corridor or a river is best flown, along its length.
enum class sweepKind { lines, linesAfterPass, linesAfterEndPass, rings };

// The legs of the pass that run at a slant to the lines of some cell: more than a degree
// off both their bearing and the square to it.
std::vector<lineRun> slantedLegs(const std::vector<lineRun>& pass, const std::vector<cell>& cells) {
  std::set<double> angles;
  for (const cell& c : cells) angles.insert(c.angle);
  const double straight = std::tan(1 * 3.14159265358979323846 / 180);
  std::vector<lineRun> kept;
  for (const lineRun& leg : pass) {
    for (const double angle : angles) {
      const planePoint d = lineFrame(angle).toLine(leg.to - leg.from);
      const double along = std::fabs(d.x), across = std::fabs(d.y);
      if (across > straight * along && along > straight * across) {
        kept.push_back(leg);
        break;
      }
    }
  }
  return kept;
}

// True when two lines of one bearing, closer than half the spacing, run beside each other
// for more than a spacing: where cells laid apart meet, the same strip would be flown twice.
bool linesPiled(const std::vector<cell>& cells, double spacing) {
  std::map<double, std::vector<piece>> byAngle;
  for (const cell& c : cells) byAngle[c.angle].insert(byAngle[c.angle].end(), c.lines.begin(), c.lines.end());
  for (auto& [angle, pieces] : byAngle) {
    std::sort(pieces.begin(), pieces.end(), [](const piece& a, const piece& b) { return a.v < b.v; });
    for (size_t i = 0; i < pieces.size(); ++i) {
      for (size_t j = i + 1; j < pieces.size() && pieces[j].v - pieces[i].v < spacing / 2; ++j) {
        if (std::min(pieces[i].to, pieces[j].to) - std::max(pieces[i].from, pieces[j].from) > spacing) return true;
      }
    }
  }
  return false;
}

// The least time the vehicle can take to fly `runs`, whatever joins them: each under way,
// and a surfacing at the end of each of its legs. Lengths in the layout plane are at most a
// thousandth longer than on the earth within the widest area, hence the hundredth off. A
// layout whose lines alone take longer than a layout found that covers need not be joined,
// cut and measured: it cannot be the quickest.
double leastSeconds(const std::vector<lineRun>& runs, double maxLegMeters, const surveyCosts& costs) {
  double seconds = 0;
  for (const lineRun& r : runs) {
    const double meters = 0.99 * length(r.to - r.from);
    seconds += meters / costs.metersPerSecond + std::ceil(meters / maxLegMeters) * costs.surfacingSeconds;
  }
  return seconds;
}

// The least time the lines of a layout take alone, and after either pass along the
// boundary (the same lines, the pass's legs added): a layout found that covers in less
// time makes laying the passed patterns at that bearing needless.
struct passBounds {
  double lines = -HUGE_VAL, afterPass = -HUGE_VAL, afterEndPass = -HUGE_VAL;
};

// What every layout of one area shares, found once: the index of its boundary that
// transits are found through, and the loops of the pass along the boundary. A coastline of
// 10^5 vertices is otherwise indexed and buffered again for each of the fifty layouts tried.
struct sharedLayout {
  explicit sharedLayout(const projectedArea& area) : index(area.rings) {}
  areaIndex index;
  std::optional<std::vector<std::vector<planePoint>>> passLoops;
};

// The pattern of `kind` with lines at `angle` degrees true, through every stage in turn;
// `piled` tells whether any of its lines run beside each other.
// The lines keep within `area`; their coverage is of `whole`, the area the operator drew,
// which is larger when they keep a margin off its boundary.
surveyPlan layPattern(const projectedArea& area, const projectedArea& whole, const surveyParameters& parameters,
                      const surveyCosts& costs, sharedLayout& shared, double angle, sweepKind kind,
                      bool* piled = nullptr, double toBeat = HUGE_VAL, bool* beaten = nullptr,
                      passBounds* bounds = nullptr) {
  const double spacing = checkParameters(parameters);
  // Each line takes two waypoints at least; and a hundred thousand lines, 200 km at 2 m,
  // are far beyond any one dive.
  const long maxLines = std::max(1L, std::min(maxRouteWaypoints / 2, 100000L));
  if (parameters.crossLines > maxLines) refuse("crossLines must be at most " + std::to_string(maxLines));
  surveyPlan plan;
  plan.lineAngle = angle;
  try {
    const sweepSet sweeps = laySweeps(area, plan.lineAngle, spacing, 0, maxLines);
    std::vector<cell> cells;
    if (kind != sweepKind::rings) {
      cells = formCells(sweeps);
      relayCells(sweeps, spacing, cells);
      // The operator's angle holds for every cell.
      if (!parameters.lineAngle) turnCells(area, sweeps, spacing, maxLines, parameters.maxLegMeters, costs, cells);
    }
    plan.sweeps = static_cast<int>(sweeps.across.size());
    if (!cells.empty()) {
      // Cells may run at angles of their own: the summary names the angle of most of the
      // lines, and the positions across them at any angle.
      std::map<double, double> metresAt;
      std::set<std::pair<double, long>> positions;
      for (const cell& c : cells) {
        for (const piece& p : c.lines) {
          metresAt[c.angle] += p.to - p.from;
          positions.emplace(c.angle, std::lround(p.v));
        }
      }
      plan.lineAngle = std::max_element(metresAt.begin(), metresAt.end(), [](const auto& a, const auto& b) {
                         return a.second < b.second;
                       })->first;
      plan.sweeps = static_cast<int>(positions.size());
    }
    plan.cells = static_cast<int>(cells.size());
    if (piled != nullptr) *piled = linesPiled(cells, spacing);
    size_t lineCount = 0;
    for (const cell& c : cells) lineCount += c.lines.size();
    if (lineCount > static_cast<size_t>(maxLines)) {
      throw surveyError(surveyFault::tooLarge, "the area's parts need more than " + std::to_string(maxLines) +
                                                   " lines at this spacing; widen the spacing");
    }
    for (const cell& c : cells) {
      plan.spacing = std::max(plan.spacing, c.spacing);
      plan.leastSpacing = plan.leastSpacing > 0 ? std::min(plan.leastSpacing, c.spacing) : c.spacing;
    }
    const std::function<double(planePoint)> firstScore = entryScore(area.frame, parameters);
    std::vector<lineRun> runs;
    const double halfSwath = (parameters.swathWidth > 0 ? parameters.swathWidth : spacing) / 2;
    if (kind == sweepKind::linesAfterPass || kind == sweepKind::linesAfterEndPass) {
      // The pass keeps within half a swath of the boundary, its swath reaching it, and
      // strays half of that to save legs; behind a margin, as much nearer its edge as lets
      // the swath still reach the shore, where it can.
      const double inset = std::max(0.5 * (halfSwath - parameters.edgeMargin), 0.05 * halfSwath);
      if (!shared.passLoops) shared.passLoops = boundaryPasses(area, inset, inset);
      runLoops(*shared.passLoops, firstScore, runs);
      if (kind == sweepKind::linesAfterEndPass) runs = slantedLegs(runs, cells);
    } else if (kind == sweepKind::rings) {
      // Each pass within half a swath of the last one's swath; each strays a quarter of that
      // to save legs.
      const double tolerance = 0.25 * halfSwath;
      const double step = std::min(spacing, 2 * (halfSwath - tolerance));
      const auto loops =
          ringsInward(area, 1.5 * tolerance, step, halfSwath - tolerance, tolerance, static_cast<size_t>(maxLines));
      if (loops.empty()) throw surveyError(surveyFault::tooLarge, "no passes along the boundary fit");
      runLoops(loops, firstScore, runs);
      plan.spacing = plan.leastSpacing = std::min(spacing, 1.5 * halfSwath);
    }
    runCells(cells, false, firstScore, parameters.turnRadius, runs);
    if (parameters.crossLines > 0) {
      const sweepSet crossing = laySweeps(area, normalAngle(plan.lineAngle + 90), 0, parameters.crossLines, maxLines);
      plan.crossSpacing = crossing.spacing;
      const std::vector<cell> crossCells = withoutShortLines(formCells(crossing));
      countCrossLines(crossCells, plan);
      runCells(crossCells, true, firstScore, parameters.turnRadius, runs);
    }
    if (runs.empty()) throw surveyError(surveyFault::noArea, "no line of the pattern lies inside the area");
    const double leastRunSeconds = leastSeconds(runs, parameters.maxLegMeters, costs);
    if (bounds != nullptr) bounds->lines = leastRunSeconds;
    if (beaten != nullptr && leastRunSeconds > toBeat) {
      *beaten = true;
      return plan;
    }
    const std::vector<surveyStretch> stretches =
        joinLines(area, shared.index, std::move(runs), parameters.runIn, halfSwath / 2);
    cutAtSurfacings(area.frame, stretches, parameters.maxLegMeters, plan);
    coverSwaths(whole, &area == &whole ? nullptr : &area, stretches, parameters.runIn, halfSwath, plan);
    if (bounds != nullptr && kind == sweepKind::lines && plan.coveragePercent < wellCoveredPercent) {
      // The passes are tried next at this bearing. Where the pass cannot be laid, the
      // passed patterns are laid and refused in their turn.
      try {
        const double inset = std::max(0.5 * (halfSwath - parameters.edgeMargin), 0.05 * halfSwath);
        if (!shared.passLoops) shared.passLoops = boundaryPasses(area, inset, inset);
        std::vector<lineRun> pass;
        runLoops(*shared.passLoops, firstScore, pass);
        bounds->afterPass = bounds->lines + leastSeconds(pass, parameters.maxLegMeters, costs);
        bounds->afterEndPass = bounds->lines + leastSeconds(slantedLegs(pass, cells), parameters.maxLegMeters, costs);
      } catch (const std::exception&) {
        bounds->afterPass = bounds->afterEndPass = -HUGE_VAL;
      }
    }
  } catch (const surveyError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;  // memory ran out: no fault of the area, and no pattern to pass over
  } catch (const std::exception& e) {
    throw surveyError(surveyFault::geometry, std::string("the area's geometry could not be laid out: ") + e.what());
  }
  return plan;
}

}  // namespace

double surveySeconds(const surveyPlan& plan, const surveyCosts& costs) {
  const double surfacings = plan.route.empty() ? 0 : static_cast<double>(plan.route.size() - 1);
  return (plan.lineMeters + plan.transitMeters) / costs.metersPerSecond + surfacings * costs.surfacingSeconds;
}

surveyPlan planSurvey(const surveyArea& area, const surveyParameters& parameters, const surveyCosts& costs,
                      const surveyProgress& progress) {
  try {
    return planSurvey(checkArea(area), parameters, costs, progress);
  } catch (const surveyError&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;  // memory ran out: no fault of the area, and no pattern to pass over
  } catch (const std::exception& e) {
    throw surveyError(surveyFault::geometry, std::string("the area's geometry could not be checked: ") + e.what());
  }
}

namespace {

// The survey of `whole` with its lines, turns and transits kept within `area`.
surveyPlan planWithin(const projectedArea& area, const projectedArea& whole, const surveyParameters& parameters,
                      const surveyCosts& costs, const surveyProgress& progress) {
  sharedLayout shared(area);
  if (parameters.lineAngle) {
    surveyPlan plan =
        layPattern(area, whole, parameters, costs, shared, normalAngle(*parameters.lineAngle), sweepKind::lines);
    if (plan.coveragePercent >= wellCoveredPercent) return plan;
    // The pass along the slanted edges alone when it covers, else the whole pass when it
    // covers more.
    surveyPlan ends = layPattern(area, whole, parameters, costs, shared, normalAngle(*parameters.lineAngle),
                                 sweepKind::linesAfterEndPass);
    if (ends.coveragePercent >= wellCoveredPercent) return ends;
    surveyPlan passed = layPattern(area, whole, parameters, costs, shared, normalAngle(*parameters.lineAngle),
                                   sweepKind::linesAfterPass);
    if (ends.coveragePercent > plan.coveragePercent) plan = std::move(ends);
    return passed.coveragePercent > plan.coveragePercent ? passed : plan;
  }
  // The bearings tried: along the long axis (fewest lines), along each long edge (no
  // slanted ends there), and a sweep of the whole half turn, for outlines whose best lines
  // follow neither. Of the layouts whose line swaths cover the area, the one the vehicle
  // flies in least time; when none does, the one that covers most.
  std::vector<double> angles{normalAngle(area.longAxis)};
  for (const double angle : edgeBearings(area, 8, checkParameters(parameters) / 2)) angles.push_back(angle);
  for (int step = 0; step < 180; step += 10) angles.push_back(step);
  // Layouts are ranked: covering with no line piled on another, then not piled, then any;
  // within the first rank the quickest, within the others the one that covers most.
  std::optional<surveyPlan> best;
  double bestSeconds = HUGE_VAL;
  int bestRank = -1;
  std::optional<surveyError> firstRefusal;
  std::vector<std::pair<double, sweepKind>> tries;
  for (const double angle : angles) tries.emplace_back(angle, sweepKind::lines);
  tries.emplace_back(normalAngle(area.longAxis), sweepKind::rings);
  // A bearing met again (the long axis is often an edge's bearing, or one of the sweep's)
  // lays the same pattern again, which cannot be chosen over the first.
  std::set<std::pair<double, sweepKind>> tried;
  // The least time of the patterns with a pass at each bearing, from its lines alone.
  std::map<double, passBounds> passed;
  for (size_t t = 0; t < tries.size(); ++t) {
    surveyPlan other;
    bool piled = false, beaten = false;
    const auto bound = passed.find(tries[t].first);
    const double least = bound == passed.end()                             ? -HUGE_VAL
                         : tries[t].second == sweepKind::linesAfterPass    ? bound->second.afterPass
                         : tries[t].second == sweepKind::linesAfterEndPass ? bound->second.afterEndPass
                                                                           : -HUGE_VAL;
    if (!tried.insert(tries[t]).second || (bestRank == 2 && least > bestSeconds)) {
      if (progress) progress(t + 1, tries.size());
      continue;
    }
    try {
      passBounds bounds;
      other = layPattern(area, whole, parameters, costs, shared, tries[t].first, tries[t].second, &piled,
                         bestRank == 2 ? bestSeconds : HUGE_VAL, &beaten, &bounds);
      if (tries[t].second == sweepKind::lines) passed[tries[t].first] = bounds;
    } catch (const surveyError& e) {
      if (!firstRefusal) firstRefusal = e;
      if (progress) progress(t + 1, tries.size());
      continue;
    }
    // Its lines alone take longer than a layout that covers; with a pass along the boundary
    // they would take longer still.
    if (beaten) {
      if (progress) progress(t + 1, tries.size());
      continue;
    }
    // Lines alone that leave slivers at the boundary are tried again after a pass along it.
    if (tries[t].second == sweepKind::lines && other.coveragePercent < wellCoveredPercent) {
      tries.emplace_back(tries[t].first, sweepKind::linesAfterEndPass);
      tries.emplace_back(tries[t].first, sweepKind::linesAfterPass);
    }
    if (progress) progress(t + 1, tries.size());
    const double seconds = surveySeconds(other, costs);
    const int rank = piled ? 0 : other.coveragePercent >= wellCoveredPercent ? 2 : 1;
    if (rank > bestRank ||
        (rank == bestRank && (rank == 2 ? seconds < bestSeconds : other.coveragePercent > best->coveragePercent))) {
      best = std::move(other);
      bestSeconds = seconds;
      bestRank = rank;
    }
  }
  if (!best) throw *firstRefusal;
  return std::move(*best);
}

}  // namespace

surveyPlan planSurvey(const projectedArea& area, const surveyParameters& parameters, const surveyCosts& costs,
                      const surveyProgress& progress) {
  const double spacing = checkParameters(parameters);
  if (!(parameters.edgeMargin > 0)) return planWithin(area, area, parameters, costs, progress);
  // A part the vehicle cannot turn in takes no line; the coverage tells what it costs.
  const std::vector<projectedArea> parts = keptOff(area, parameters.edgeMargin, spacing * spacing);
  const std::string margin = "the edgeMargin of " + numberText::general(parameters.edgeMargin, 6).text() + " m";
  if (parts.empty()) {
    throw surveyError(surveyFault::noArea, "no part of the area wide enough for a line lies beyond " + margin +
                                               " from its boundary and holes; lessen edgeMargin");
  }
  if (parts.size() > 1) {
    // Joining them would take the vehicle through a neck closer to the shore than the
    // operator allows.
    throw surveyError(surveyFault::noInsideTransit,
                      "keeping " + margin + " from the boundary and holes, the area falls into " +
                          std::to_string(parts.size()) +
                          " parts that no path joins; lessen edgeMargin, or survey each part as an area of its own");
  }
  surveyPlan plan = planWithin(parts.front(), area, parameters, costs, progress);
  for (const std::vector<planePoint>& ring : parts.front().rings) {
    std::vector<latLon>& edge = plan.margin.emplace_back();
    for (const planePoint& p : ring) edge.push_back(area.frame.toLatLon(p));
  }
  return plan;
}
