#include "picture/svgSurvey.h"

#include <algorithm>
#include <vector>

#include "picture/svgDraw.h"

namespace {

std::vector<point> ringPx(const missionRing& ring, const chartView& view) {
  std::vector<point> points;
  for (const missionPosition& p : ring) points.push_back(view.toPx(unitOf(p.lat, p.lon)));
  return points;
}

}  // namespace

void writeSurveyOutline(const missionSurvey& area, const chartView& view, textOut& out) {
  {
    pathData d;
    d.polygon(ringPx(area.outer, view));
    for (const missionRing& hole : area.holes) d.polygon(ringPx(hole, view));
    out.line(
        "<path id=\"area\" d=\"" + d.text() +
        "\" fill=\"#f2c94c\" fill-opacity=\"0.22\" fill-rule=\"evenodd\" stroke=\"#b8860b\" stroke-width=\"1.4\"/>");
  }
  if (!area.swaths.empty()) {
    pathData d;
    for (const missionRing& swath : area.swaths) {
      std::vector<point> points = ringPx(swath, view);
      // All swaths turn the same way, so that where they overlap they add up, as the
      // ground they cover does.
      double twiceArea = 0;
      for (size_t i = 0; i < points.size(); ++i) {
        const point& a = points[i];
        const point& b = points[(i + 1) % points.size()];
        twiceArea += a.x * b.y - b.x * a.y;
      }
      if (twiceArea < 0) std::reverse(points.begin(), points.end());
      d.polygon(points);
    }
    out.line("<path id=\"swaths\" d=\"" + d.text() + "\" fill=\"#4a9fd8\" fill-opacity=\"0.2\"/>");
  }
  if (!area.margin.empty()) {
    // The edge of the margin kept off the shore: between it and the boundary no line runs.
    pathData d;
    for (const missionRing& edge : area.margin) d.polygon(ringPx(edge, view));
    out.line("<path id=\"margin\" d=\"" + d.text() +
             "\" fill=\"none\" stroke=\"#b8860b\" stroke-width=\"1\" stroke-dasharray=\"5 3\"/>");
  }
  if (!area.gaps.empty()) {
    // A cross on each part left unswept, where the operator looks for what to close.
    pathData d;
    for (const missionPosition& g : area.gaps) {
      const point c = view.toPx(unitOf(g.lat, g.lon));
      d.moveTo({c.x - 4, c.y - 4});
      d.lineTo({c.x + 4, c.y + 4});
      d.moveTo({c.x - 4, c.y + 4});
      d.lineTo({c.x + 4, c.y - 4});
    }
    out.line("<path id=\"gaps\" d=\"" + d.text() + "\" stroke=\"#d35400\" stroke-width=\"1.6\" fill=\"none\"/>");
  }
}
