#include "picture/svgChart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "picture/svgGraticule.h"
#include "picture/svgProjection.h"
#include "picture/svgSurvey.h"

namespace {

const char* const routeColour = "#1f4e99";

class chartWriter {
 public:
  // The route is drawn inside the frame, clear of the north arrow above and the scale
  // bar below, with room for the numbers beside the marks.
  chartWriter(const box& frame, const plannedMission& mission, textOut& out)
      : frame_(frame),
        mission_(mission),
        out_(out),
        view_(allPoints(), {frame.left + 40, frame.top + 60, frame.right - 40, frame.bottom - 44}) {}

  void write() {
    out_.line("<g id=\"chart\">");
    out_.line("<clipPath id=\"chart-clip\"><rect x=\"" + px(frame_.left) + "\" y=\"" + px(frame_.top) + "\" width=\"" +
              px(frame_.right - frame_.left) + "\" height=\"" + px(frame_.bottom - frame_.top) + "\"/></clipPath>");
    out_.line("<rect id=\"chart-frame\" x=\"" + px(frame_.left) + "\" y=\"" + px(frame_.top) + "\" width=\"" +
              px(frame_.right - frame_.left) + "\" height=\"" + px(frame_.bottom - frame_.top) +
              "\" fill=\"#f3f7fa\" stroke=\"#6b7b8c\"/>");
    steps_ = writeGraticule(view_, frame_, out_);
    out_.line("<g clip-path=\"url(#chart-clip)\">");
    if (mission_.survey) writeSurveyOutline(*mission_.survey, view_, out_);
    route();
    marks();
    out_.line("</g>");
    northArrow();
    scaleBar();
    labels();
    legend();
    out_.line("</g>");
  }

 private:
  std::vector<vec3> allPoints() const {
    std::vector<vec3> points;
    for (const missionWaypoint& w : mission_.waypoints) points.push_back(unitOf(w.lat, w.lon));
    const auto addRing = [&](const missionRing& ring) {
      for (const missionPosition& p : ring) points.push_back(unitOf(p.lat, p.lon));
    };
    if (mission_.survey) {
      addRing(mission_.survey->outer);
      for (const missionRing& hole : mission_.survey->holes) addRing(hole);
      for (const missionRing& swath : mission_.survey->swaths) addRing(swath);
    }
    if (points.empty()) points.push_back(unitOf(0, 0));
    return points;
  }

  point toPx(vec3 p) const { return view_.toPx(p); }

  // ---- Route ----

  void route() {
    for (const missionWaypoint& w : mission_.waypoints) {
      at_.push_back(toPx(unitOf(w.lat, w.lon)));
      kinds_.push_back(w.kind == waypointKind::launch ? 'l' : w.kind == waypointKind::added ? 'a' : 'g');
      numbers_.push_back(w.number);
    }
    scaleMarks();
    if (at_.size() < 2) return;
    pathData launch(0);
    launch.moveTo(at_[0]);
    launch.lineTo(at_[1]);
    out_.line("<path id=\"launch-leg\" d=\"" + launch.text() + "\" fill=\"none\" stroke=\"" + routeColour +
              "\" stroke-width=\"1.6\" stroke-dasharray=\"6 4\"/>");
    if (at_.size() > 2) {
      pathData legs;
      legs.moveTo(at_[1]);
      for (size_t i = 2; i < at_.size(); ++i) legs.lineTo(at_[i]);
      out_.line("<path id=\"route\" d=\"" + legs.text() + "\" fill=\"none\" stroke=\"" + routeColour +
                "\" stroke-width=\"1.6\" stroke-linejoin=\"round\"/>");
    }
    arrows();
  }

  // An arrow on every leg long enough to hold one, and on runs of short legs every 100
  // pixels or so; never two on top of each other.
  void arrows() {
    pathData d(0);
    boxSet taken(16);
    double since = 0;
    for (size_t i = 0; i + 1 < at_.size(); ++i) {
      const point a = at_[i];
      const point b = at_[i + 1];
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      since += length;
      if (!(length >= 36 || (since >= 100 && length >= 4))) continue;
      const double k = std::max(markScale_, 0.7);
      const point u{k * (b.x - a.x) / length, k * (b.y - a.y) / length};
      const point m{(a.x + b.x) / 2, (a.y + b.y) / 2};
      if (!taken.takeIfFree({m.x - 6 * k, m.y - 6 * k, m.x + 6 * k, m.y + 6 * k})) continue;
      d.moveTo({m.x + 6 * u.x, m.y + 6 * u.y});
      d.lineTo({m.x - 4 * u.x - 4 * u.y, m.y - 4 * u.y + 4 * u.x});
      d.lineTo({m.x - 4 * u.x + 4 * u.y, m.y - 4 * u.y - 4 * u.x});
      d.endLine();
      since = 0;
    }
    if (!d.empty()) out_.line("<path id=\"arrows\" d=\"" + d.text() + "\" fill=\"" + routeColour + "\"/>");
  }

  // ---- Waypoints ----

  // Mark sizes: half the side of the box each kind takes.
  double markRadius(char kind) const { return kind == 'l' ? 7 : kind == 'g' ? 4 * markScale_ : 3 * markScale_; }

  // Marks shrink to half their size where the legs are short on the chart (a dense
  // survey), so that the route between them still shows.
  void scaleMarks() {
    std::vector<double> legs;
    for (size_t i = 1; i + 1 < at_.size(); ++i)
      legs.push_back(std::hypot(at_[i + 1].x - at_[i].x, at_[i + 1].y - at_[i].y));
    if (legs.empty()) return;
    std::nth_element(legs.begin(), legs.begin() + static_cast<std::ptrdiff_t>(legs.size() / 2), legs.end());
    markScale_ = std::clamp(legs[legs.size() / 2] / 16, 0.5, 1.0);
  }

  // Whether the route turns at waypoint `i` (by 30 degrees or more on the chart), or
  // starts or ends there: the waypoints an operator looks for first.
  bool turnsAt(size_t i) const {
    if (i <= 1 || i + 1 >= at_.size()) return true;
    const point a{at_[i].x - at_[i - 1].x, at_[i].y - at_[i - 1].y};
    const point b{at_[i + 1].x - at_[i].x, at_[i + 1].y - at_[i].y};
    const double la = std::hypot(a.x, a.y);
    const double lb = std::hypot(b.x, b.y);
    return la >= 0.5 && lb >= 0.5 && (a.x * b.x + a.y * b.y) / (la * lb) < 0.866;
  }

  // Marks with room around them, launch first, then the turns, the other given
  // waypoints and the added surfacings: where the route is dense, the later ones give way.
  void marks() {
    if (at_.empty()) return;
    boxSet taken(8);
    const auto mark = [&](size_t i) {
      const double r = markRadius(kinds_[i]) + 1.5;
      const box b{at_[i].x - r, at_[i].y - r, at_[i].x + r, at_[i].y + r};
      if (i == 0) {
        taken.take(b);
        labelsTaken_.take(b);  // no number covers the launch waypoint
        shown_.push_back(i);
      } else if (taken.takeIfFree(b)) {
        shown_.push_back(i);
      }
    };
    mark(0);
    turns_.assign(at_.size(), true);
    for (size_t i = 1; i < at_.size(); ++i) {
      turns_[i] = turnsAt(i);
      if (turns_[i]) mark(i);
    }
    for (const char kind : {'g', 'a'}) {
      for (size_t i = 1; i < at_.size(); ++i) {
        if (!turns_[i] && kinds_[i] == kind) mark(i);
      }
    }
    pathData added(0);
    pathData given(0);
    for (const size_t i : shown_) {
      if (kinds_[i] == 'a') added.square(at_[i], 3 * markScale_);
      if (kinds_[i] == 'g') given.circle(at_[i], 4 * markScale_);
    }
    if (!added.empty()) out_.line("<path id=\"marks-added\" d=\"" + added.text() + "\" fill=\"#e8590c\"/>");
    if (!given.empty()) out_.line("<path id=\"marks-given\" d=\"" + given.text() + "\" fill=\"#111\"/>");
    // Where the seabed makes the plan unsafe: a red diamond at each place warned of.
    if (mission_.seabed && !mission_.seabed->warned.empty()) {
      pathData seabed(0);
      for (const missionSeabedMark& m : mission_.seabed->warned) {
        const point p = toPx(unitOf(m.at.lat, m.at.lon));
        seabed.polygon({{p.x, p.y - 6}, {p.x + 6, p.y}, {p.x, p.y + 6}, {p.x - 6, p.y}});
      }
      out_.line("<path id=\"seabed-warnings\" d=\"" + seabed.text() + "\" fill=\"#b03a2e\" fill-opacity=\"0.8\"/>");
    }
    const point p = at_[0];
    pathData launch(0);
    launch.polygon({{p.x, p.y - 7}, {p.x + 6.1, p.y + 3.5}, {p.x - 6.1, p.y + 3.5}});
    out_.line("<path id=\"mark-launch\" d=\"" + launch.text() + "\" fill=\"#2e9e44\" stroke=\"#14521f\"/>");
  }

  // Numbers beside the marks shown, in the marks' order: where a label would cover
  // another, or leave the frame, it is left out.
  void labels() {
    constexpr double size = 10;
    const box inner{frame_.left + 2, frame_.top + 2, frame_.right - 2, frame_.bottom - 2};
    out_.line(
        "<g id=\"labels\" font-size=\"10\" fill=\"#111\" stroke=\"#fff\" stroke-width=\"2.5\" "
        "stroke-linejoin=\"round\" paint-order=\"stroke\">");
    for (const size_t i : shown_) {
      const point p = at_[i];
      const double r = markRadius(kinds_[i]);
      // Labels keep a little room between them, so that each number reads as one; those of
      // waypoints on a straight run keep more, so that a dense survey is not a wall of digits.
      const double room = turns_[i] ? 4 : 16;
      const std::string text = std::to_string(numbers_[i]);
      const double below = p.y + r + 1 + 0.8 * size;
      const std::array<std::pair<point, anchor>, 6> candidates = {{{{p.x + r + 1, p.y - r - 2}, anchor::start},
                                                                   {{p.x + r + 1, below}, anchor::start},
                                                                   {{p.x - r - 1, p.y - r - 2}, anchor::end},
                                                                   {{p.x - r - 1, below}, anchor::end},
                                                                   {{p.x, p.y - r - 3}, anchor::middle},
                                                                   {{p.x, below + 1}, anchor::middle}}};
      for (const auto& [where, how] : candidates) {
        const box b = textBox(where, text, size, how);
        if (b.inside(inner) &&
            labelsTaken_.takeIfFree({b.left - room, b.top - room / 2, b.right + room, b.bottom + room / 2})) {
          out_.line(textElement(where, text, how));
          break;
        }
      }
    }
    out_.line("</g>");
  }

  // ---- Scale, north, legend ----

  void scaleBar() {
    const double most = 0.2 * (frame_.right - frame_.left) / view_.scale();  // metres
    double meters = 1;
    for (double decade = 1; decade * 10 <= 1e8; decade *= 10) {
      for (const double m : {1.0, 2.0, 5.0}) {
        if (m * decade <= most) meters = m * decade;
      }
    }
    const double length = meters * view_.scale();
    const double x0 = frame_.left + 16;
    const double y = frame_.bottom - 14;
    const std::string label = meters >= 1000 ? std::to_string(static_cast<long long>(meters / 1000)) + " km"
                                             : std::to_string(static_cast<long long>(meters)) + " m";
    const box area{x0 - 8, y - 22, x0 + length + 8, y + 7};
    labelsTaken_.take(area);
    out_.line("<g id=\"scale-bar\">");
    out_.line("<rect x=\"" + px(area.left) + "\" y=\"" + px(area.top) + "\" width=\"" + px(area.right - area.left) +
              "\" height=\"" + px(area.bottom - area.top) + "\" fill=\"#fff\" fill-opacity=\"0.85\"/>");
    out_.line("<line x1=\"" + px(x0) + "\" y1=\"" + px(y) + "\" x2=\"" + px(x0 + length) + "\" y2=\"" + px(y) +
              "\" stroke=\"#222\" stroke-width=\"2\"/>");
    out_.line("<path d=\"M" + px(x0) + " " + px(y - 4) + "V" + px(y + 4) + "M" + px(x0 + length) + " " + px(y - 4) +
              "V" + px(y + 4) + "\" stroke=\"#222\" stroke-width=\"1.5\"/>");
    out_.line(textElement({x0 + length / 2, y - 7}, label, anchor::middle, " font-size=\"11\""));
    out_.line("</g>");
  }

  // The arrow points to true north where it stands: up on every chart but one around a pole.
  void northArrow() {
    const point c{frame_.right - 26, frame_.top + 34};
    const vec3 here = view_.sphereAt(c);
    const vec3 toPole = vec3{0, 0, 1} + (-here.z) * here;
    point u{0, -1};
    if (norm(toPole) > 1e-9) {
      const vec3 ahead = here + (1e-6 / norm(toPole)) * toPole;
      const point a = toPx((1 / norm(ahead)) * ahead);
      const double length = std::hypot(a.x - c.x, a.y - c.y);
      if (length > 0) u = {(a.x - c.x) / length, (a.y - c.y) / length};
    }
    const point v{-u.y, u.x};
    labelsTaken_.take({c.x - 24, c.y - 30, c.x + 24, c.y + 24});
    pathData d(0);
    d.polygon({{c.x + 14 * u.x, c.y + 14 * u.y},
               {c.x - 10 * u.x + 7 * v.x, c.y - 10 * u.y + 7 * v.y},
               {c.x - 5 * u.x, c.y - 5 * u.y},
               {c.x - 10 * u.x - 7 * v.x, c.y - 10 * u.y - 7 * v.y}});
    out_.line("<g id=\"north-arrow\">");
    out_.line("<path d=\"" + d.text() + "\" fill=\"#222\"/>");
    // The letter beyond the tip, its middle (0.36 of the size above the baseline) on the arrow's line.
    out_.line(textElement({c.x + 21 * u.x, c.y + 21 * u.y + 4.3}, "N", anchor::middle,
                          " font-size=\"12\" font-weight=\"bold\""));
    out_.line("</g>");
  }

  void legend() {
    double x = frame_.left;
    const double y = frame_.bottom + 36;
    out_.line("<g id=\"legend\" font-size=\"11\" fill=\"#222\">");
    const auto entry = [&](const std::string& symbol, const std::string& text) {
      out_.line(symbol);
      out_.line(textElement({x + 18, y + 4}, text, anchor::start));
      x += 18 + textWidth(text, 11) + 16;
    };
    const auto at = [&](double dx, double dy) { return px(x + dx) + " " + px(y + dy); };
    entry("<path d=\"M" + at(7, -7) + "L" + at(13.1, 3.5) + " " + at(0.9, 3.5) +
              "Z\" fill=\"#2e9e44\" stroke=\"#14521f\"/>",
          "launch waypoint 0");
    pathData givenMark(0);
    givenMark.circle({x + 7, y}, 4);
    entry("<path d=\"" + givenMark.text() + "\" fill=\"#111\"/>", "given waypoint");
    pathData addedMark(0);
    addedMark.square({x + 7, y}, 3);
    entry("<path d=\"" + addedMark.text() + "\" fill=\"#e8590c\"/>", "surfacing added by leg splitting");
    entry("<path d=\"M" + at(0, 0) + "H" + px(x + 14) + "\" stroke=\"" + routeColour +
              "\" stroke-width=\"1.6\" stroke-dasharray=\"4 2\"/>",
          "launch leg");
    entry("<path d=\"M" + at(0, 0) + "H" + px(x + 14) + "M" + at(14, 0) + "L" + at(6, -4) + " " + at(6, 4) +
              "Z\" stroke=\"" + routeColour + "\" stroke-width=\"1.6\" fill=\"" + routeColour + "\"/>",
          "leg and its direction");
    if (mission_.survey) {
      entry("<rect x=\"" + px(x) + "\" y=\"" + px(y - 6) +
                "\" width=\"14\" height=\"10\" fill=\"#f2c94c\" fill-opacity=\"0.22\" stroke=\"#b8860b\"/>",
            "survey area");
    }
    if (mission_.survey && !mission_.survey->swaths.empty()) {
      entry("<rect x=\"" + px(x) + "\" y=\"" + px(y - 6) +
                "\" width=\"14\" height=\"10\" fill=\"#4a9fd8\" fill-opacity=\"0.2\"/>",
            "swaths");
    }
    if (mission_.survey && !mission_.survey->margin.empty()) {
      entry("<path d=\"M" + at(0, 0) + "H" + px(x + 14) +
                "\" stroke=\"#b8860b\" stroke-width=\"1\" stroke-dasharray=\"5 3\"/>",
            "edge margin");
    }
    if (mission_.survey && !mission_.survey->gaps.empty()) {
      pathData gapMark(0);
      gapMark.moveTo({x + 3, y - 5});
      gapMark.lineTo({x + 11, y + 3});
      gapMark.moveTo({x + 3, y + 3});
      gapMark.lineTo({x + 11, y - 5});
      entry("<path d=\"" + gapMark.text() + "\" stroke=\"#d35400\" stroke-width=\"1.6\" fill=\"none\"/>",
            "left unswept");
    }
    if (mission_.seabed && !mission_.seabed->warned.empty()) {
      pathData seabedMark(0);
      seabedMark.polygon({{x + 7, y - 6}, {x + 13, y}, {x + 7, y + 6}, {x + 1, y}});
      entry("<path d=\"" + seabedMark.text() + "\" fill=\"#b03a2e\" fill-opacity=\"0.8\"/>", "seabed warning");
    }
    out_.line("</g>");
    const vec3 c = view_.plane().centre();
    const double lat = latitudeOf(c);
    const double lon = longitudeOf(c);
    const auto tenths = [](double degrees) {
      return static_cast<long long>(std::nearbyint(degrees * hundredthsPerDegree / 10)) * 10;
    };
    out_.line(textElement({frame_.left, frame_.bottom + 56},
                          std::string(view_.plane().gnomonic() ? "Gnomonic" : "Azimuthal equidistant") +
                              " projection centred on " + latitudeText(tenths(lat), 10) + " " +
                              longitudeText(tenths(lon), 10) +
                              ", north up, true scale at the centre; graticule every " + stepText(steps_.latitude) +
                              " of latitude and " + stepText(steps_.longitude) + " of longitude",
                          anchor::start, " id=\"projection\" font-size=\"11\" fill=\"#4a5a6a\""));
  }

  const box frame_;
  const plannedMission& mission_;
  textOut& out_;
  const chartView view_;
  graticuleSteps steps_{hundredthsPerDegree, hundredthsPerDegree};
  std::vector<point> at_;
  std::vector<char> kinds_;  // 'l'aunch, 'g'iven, 'a'dded surfacing
  std::vector<int> numbers_;
  double markScale_ = 1;
  std::vector<char> turns_;    // whether the route turns at each waypoint (turnsAt)
  std::vector<size_t> shown_;  // the marks drawn, in the order of their labels' priority
  boxSet labelsTaken_;
};

}  // namespace

void writeChart(const box& frame, const plannedMission& mission, textOut& out) {
  chartWriter(frame, mission, out).write();
}
