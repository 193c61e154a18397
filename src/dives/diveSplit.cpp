#include "dives/diveSplit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "energy/energyBudget.h"
#include "mission/routeLimits.h"
#include "report/routeReport.h"
#include "report/surfacingTime.h"
#include "text/textOut.h"

namespace {

std::string fixed(double value, int places) { return numberText::fixed(value, places).text(); }
std::string number(double value) { return numberText::general(value, 6).text(); }

// The mission timer as the script sets it.
double timerSeconds(const plannedMission& mission) { return std::nearbyint(mission.missionTime); }

// Finds the dives: each search plans the stretch it tries, as the driver plans any route.
class diveSearch {
 public:
  diveSearch(const std::vector<missionPosition>& points, const diveLimits& limits, const divePlanner& plan)
      : points_(points), limits_(limits), plan_(plan) {}

  plannedMission missionOf(size_t first, size_t last) const {
    return plan_(std::vector<missionPosition>(points_.begin() + static_cast<std::ptrdiff_t>(first),
                                              points_.begin() + static_cast<std::ptrdiff_t>(last) + 1));
  }
  std::string overrun(size_t first, size_t last) const { return diveOverrun(missionOf(first, last), limits_); }

  // The last waypoint a dive from points[first] reaches, its first leg known to fit. A
  // longer stretch never takes less time or energy, so the search gallops, then halves.
  size_t farthest(size_t first) const {
    const size_t end = points_.size() - 1;
    size_t good = first + 1;
    size_t bad = end + 1;  // none known not to fit
    for (size_t step = 1; good < end && bad > end; step *= 2) {
      const size_t next = std::min(good + step, end);
      (overrun(first, next).empty() ? good : bad) = next;
    }
    while (bad <= end && bad - good > 1) {
      const size_t middle = good + (bad - good) / 2;
      (overrun(first, middle).empty() ? good : bad) = middle;
    }
    return good;
  }

  // The fewest dives from points[first] to the end.
  size_t divesFrom(size_t first) const {
    size_t dives = 0;
    for (size_t at = first; at + 1 < points_.size(); at = farthest(at)) ++dives;
    return dives;
  }

 private:
  const std::vector<missionPosition>& points_;
  const diveLimits& limits_;
  const divePlanner& plan_;
};

std::string waypoint(size_t index) { return "waypoint " + std::to_string(index + 1); }

}  // namespace

std::string diveOverrun(const plannedMission& mission, const diveLimits& limits) {
  const double timer = timerSeconds(mission);
  if (timer > limits.maxTimerSeconds) {
    return "takes " + clockTime(timer) + " on the mission timer, more than the maxDiveHours of " +
           number(limits.maxTimerSeconds / 3600) + " h";
  }
  if (mission.waypoints.back().number > maxMissionWaypoints) {
    return "holds " + std::to_string(mission.waypoints.back().number) + " waypoints, more than the " +
           std::to_string(maxMissionWaypoints) + " a mission holds";
  }
  if (limits.energy && !reserveKept(mission, *limits.energy)) {
    return "uses " + fixed(energyUsedWh(mission, *limits.energy), 1) + " Wh and breaks the battery's reserve";
  }
  return "";
}

result<std::vector<divePlan>> splitIntoDives(const std::vector<missionPosition>& points,
                                             const std::vector<bool>& lineEnds, const diveLimits& limits,
                                             const divePlanner& plan) {
  const diveSearch search(points, limits, plan);
  // One waypoint: the launch leg is all there is to split.
  if (points.size() < 2) {
    const plannedMission whole = search.missionOf(0, 0);
    const std::string over = diveOverrun(whole, limits);
    if (over.empty()) return std::vector<divePlan>{{0, 0, whole}};
    return failure{"the launch leg to waypoint 1 does not fit one dive\n",
                   "vesk: a dive of this leg alone " + over + "; nothing is written"};
  }
  // A leg that does not fit a dive of its own cannot be run by any split: it is named
  // before anything is searched.
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const std::string over = search.overrun(i, i + 1);
    if (over.empty()) continue;
    return failure{"the leg from " + waypoint(i) + " to " + waypoint(i + 1) + " does not fit one dive\n",
                   "vesk: a dive of this leg alone " + over + "; nothing is written"};
  }
  std::vector<divePlan> dives;
  size_t left = search.divesFrom(0);
  for (size_t first = 0; first + 1 < points.size(); --left) {
    size_t last = search.farthest(first);
    if (last + 1 < points.size() && !lineEnds.empty()) {
      // The latest line end within reach, if the rest still takes no more dives from it.
      size_t end = last;
      while (end > first && !lineEnds[end]) --end;
      if (end > first && end < last && search.divesFrom(end) <= left - 1) last = end;
    }
    dives.push_back({first, last, search.missionOf(first, last)});
    first = last;
  }
  return dives;
}

std::vector<std::string> summariseDives(const std::vector<divePlan>& dives, const diveLimits& limits,
                                        const std::string& stem) {
  double meters = 0;
  double underWay = 0;
  double atSurface = 0;
  double energy = 0;
  double timers = 0;
  long long surfacings = 0;
  std::vector<std::string> lines;
  const auto figures = [&](double m, double secs, double surfaceSecs, long long count, double wh, double timer) {
    return fixed(m / 1000, 3) + " km, " + clockTime(secs) + " under way, " + clockTime(surfaceSecs) + " at " +
           std::to_string(count) + (count == 1 ? " surfacing" : " surfacings") +
           (limits.energy ? ", " + fixed(wh, 1) + " Wh" : "") + "; timer " + clockTime(timer);
  };
  const std::string base = stem.substr(0, stem.size() - 1);  // without the stem's final "."
  lines.push_back("plan " + base + "-1.cfg to " + base + "-" + std::to_string(dives.size()) + ".cfg, " +
                  std::to_string(dives.size()) + " dives of at most " + number(limits.maxTimerSeconds / 3600) +
                  " h on the timer" + (limits.energy ? ", each keeping the battery's reserve" : "") + ":");
  for (size_t k = 0; k < dives.size(); ++k) {
    const plannedMission& m = dives[k].mission;
    const missionSettings& s = m.settings;
    double length = 0;
    double secs = 0;
    for (const missionWaypoint& w : m.waypoints) {
      length += w.legMeters;
      secs += w.legSecs;
    }
    const long long count = static_cast<long long>(m.waypoints.size()) - 1;
    const double surfaceSecs = static_cast<double>(count) * surfacingSeconds(s, legEndDepth(s));
    const double wh = limits.energy ? energyUsedWh(m, *limits.energy) : 0;
    const std::string name = "dive " + std::to_string(k + 1);
    lines.push_back("  " + name + std::string(name.size() < 13 ? 13 - name.size() : 1, ' ') + waypoint(dives[k].first) +
                    " to " + std::to_string(dives[k].last + 1) + ": " +
                    figures(length, secs, surfaceSecs, count, wh, timerSeconds(m)));
    meters += length;
    underWay += secs;
    atSurface += surfaceSecs;
    surfacings += count;
    energy += wh;
    timers += timerSeconds(m);
  }
  lines.push_back("  all dives    " + figures(meters, underWay, atSurface, surfacings, energy, timers));
  return lines;
}
