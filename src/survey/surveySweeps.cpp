#include "survey/surveySweeps.h"

#include <algorithm>
#include <string>

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
