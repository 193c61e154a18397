#include "maps/mapWaypoints.h"

#include <cmath>
#include <string>

#include "report/routeReport.h"
#include "text/textOut.h"

double rounded(double value, int places) {
  double scale = 1;
  for (int i = 0; i < places; ++i) scale *= 10;  // exact, unlike a library's pow
  return std::nearbyint(value * scale) / scale;
}

std::string decimal(double value, int places) { return numberText::shortest(rounded(value, places)).text(); }

namespace {

const char* kindDescription(const char* kind) {
  if (kind[0] == 'l') return "launch waypoint";
  if (kind[0] == 's') return "surfacing added by leg splitting";
  return "given waypoint";
}

}  // namespace

std::string description(const mapPoint& p) {
  std::string text = kindDescription(p.kind);
  if (!p.last) {
    text += "; leg " + numberText::fixed(p.w->legMeters, 1).text() + " m at heading " +
            numberText::fixed(p.w->heading, 1).text() + ", " + clockTime(p.w->legSecs);
  } else {
    text += "; end of the route";
  }
  return text + "; " + clockTime(p.fromLaunch) + " from launch";
}

routeTotals totals(const plannedMission& mission) {
  routeTotals t;
  forEachPoint(mission, [&](const mapPoint& p) {
    ++t.waypoints;
    t.meters += p.w->legMeters;
    t.seconds += p.w->legSecs;
  });
  return t;
}

std::string routeSummary(const plannedMission& mission, const routeTotals& t) {
  return std::to_string(t.waypoints) + " waypoints, " + numberText::fixed(t.meters / 1000, 3).text() + " km, " +
         clockTime(t.seconds) + " at " + numberText::general(mission.settings.missionSpeed, 6).text() + " m/s";
}
