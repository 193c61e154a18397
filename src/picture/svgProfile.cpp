#include "picture/svgProfile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "report/legTimes.h"
#include "report/surfacingTime.h"

namespace {

std::string twoDigits(long long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// A time from launch as hours and minutes (1:05), or with seconds (1:05:30).
std::string clock(double seconds, bool withSeconds) {
  const long long s = static_cast<long long>(std::nearbyint(seconds));
  std::string text = std::to_string(s / 3600) + ":" + twoDigits(s / 60 % 60);
  if (withSeconds) text += ":" + twoDigits(s % 60);
  return text;
}

std::string meters(double depth) { return std::string(numberText::general(depth, 6).view()) + " m"; }

// The round step, 1, 2 or 5 times a power of ten, that cuts `span` into at most `most` parts.
double roundStep(double span, double most) {
  for (double decade = 1e-3;; decade *= 10) {
    for (const double m : {1.0, 2.0, 5.0}) {
      if (span / (m * decade) <= most || m * decade >= 1e12) return m * decade;
    }
  }
}

// Steps of the time axis, seconds: from a second to days.
double timeStep(double span) {
  constexpr std::array<double, 18> steps = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                            600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
  for (const double step : steps) {
    if (span / step <= 10) return step;
  }
  return 86400 * roundStep(span / 86400, 10);
}

class profileWriter {
 public:
  profileWriter(const box& frame, const plannedMission& mission, textOut& out)
      : frame_(frame), mission_(mission), s(mission.settings), out_(out) {}

  void write() {
    routeEnd_ = forEachLeg(mission_, [](const legTimes&) {});
    timer_ = std::nearbyint(mission_.missionTime);
    end_ = std::max(routeEnd_, timer_);
    depthScale();
    const bool yoyo = s.yoyoMission == 1;
    out_.line("<g id=\"profile\">");
    out_.line(textElement(
        {frame_.left, frame_.top - 20},
        yoyo ? "Depth over mission time: yoyo legs between " + meters(shallowLeg_) + " and " + meters(deepLeg_)
             : "Depth over mission time: legs at " + meters(shallowLeg_),
        anchor::start, " font-size=\"13\" font-weight=\"bold\" fill=\"#222\""));
    out_.line("<rect id=\"profile-frame\" x=\"" + px(frame_.left) + "\" y=\"" + px(frame_.top) + "\" width=\"" +
              px(width()) + "\" height=\"" + px(frame_.bottom - frame_.top) + "\" fill=\"#fff\" stroke=\"#6b7b8c\"/>");
    // Times too long to draw (a mistyped speed) leave the frame empty; the title block and
    // the warnings still tell them.
    if (!(end_ > 0 && end_ < 1e13)) {
      out_.line(textElement({(frame_.left + frame_.right) / 2, (frame_.top + frame_.bottom) / 2},
                            "the mission's times are too long to draw", anchor::middle, " font-size=\"12\""));
      out_.line("</g>");
      return;
    }
    depthAxis();
    timeAxis();
    legs(yoyo);
    if (mission_.seabed) seabed(*mission_.seabed);
    surfacings();
    limits();
    out_.line("</g>");
  }

 private:
  double width() const { return frame_.right - frame_.left; }
  double x(double t) const { return frame_.left + t / end_ * width(); }
  double y(double depth) const {
    return frame_.top + (std::clamp(depth, -1e9, 1e9) - top_) / (bottom_ - top_) * (frame_.bottom - frame_.top);
  }

  // The depth axis holds the surface, every depth of the envelope and of the legs.
  void depthScale() {
    const bool yoyo = s.yoyoMission == 1;
    shallowLeg_ = yoyo ? std::min(s.missionYoyoMinDepth, s.missionYoyoMaxDepth) : s.wayPointDepth;
    deepLeg_ = yoyo ? std::max(s.missionYoyoMinDepth, s.missionYoyoMaxDepth) : s.wayPointDepth;
    const std::array<double, 6> depths = {0, s.minDepth, s.maxDepth, s.abortDepth, shallowLeg_, deepLeg_};
    const double shallowest = std::clamp(*std::min_element(depths.begin(), depths.end()), -1e9, 0.0);
    const double deepest = std::clamp(*std::max_element(depths.begin(), depths.end()), descentDepth, 1e9);
    const double span = std::max(deepest - shallowest, 10.0);
    depthStep_ = roundStep(span, 6);
    top_ = std::floor(shallowest / depthStep_) * depthStep_;
    bottom_ = std::ceil((deepest + span * 0.04) / depthStep_) * depthStep_;
  }

  void depthAxis() {
    pathData grid(0);
    std::string labels;
    for (double d = top_; d <= bottom_ + depthStep_ * 1e-9; d += depthStep_) {
      grid.moveTo({frame_.left, y(d)});
      grid.lineTo({frame_.right, y(d)});
      labels += textElement({frame_.left - 5, y(d) + 3.5}, meters(d), anchor::end) + "\n";
    }
    out_.line("<g id=\"depth-axis\" font-size=\"10\" fill=\"#4a5a6a\">");
    out_.line("<path d=\"" + grid.text() + "\" stroke=\"#e3e8ee\"/>");
    out_.lines(labels);
    out_.line("</g>");
    out_.line("<path id=\"surface\" d=\"M" + px(frame_.left) + " " + px(y(0)) + "H" + px(frame_.right) +
              "\" stroke=\"#4a9fd8\" stroke-width=\"1.2\"/>");
  }

  void timeAxis() {
    const double step = timeStep(end_);
    pathData grid(0);
    std::string labels;
    for (double k = 0; k * step <= end_ * (1 + 1e-12); ++k) {
      grid.moveTo({x(k * step), frame_.top});
      grid.lineTo({x(k * step), frame_.bottom});
      labels += textElement({x(k * step), frame_.bottom + 14}, clock(k * step, step < 60), anchor::middle) + "\n";
    }
    out_.line("<g id=\"time-axis\" font-size=\"10\" fill=\"#4a5a6a\">");
    out_.line("<path d=\"" + grid.text() + "\" stroke=\"#e3e8ee\"/>");
    out_.lines(labels);
    out_.line(textElement({frame_.right, frame_.bottom + 30},
                          std::string(step < 60 ? "hours:minutes:seconds" : "hours:minutes") + " from launch",
                          anchor::end));
    out_.line("</g>");
    const double surfacing = surfacingSeconds(s, legEndDepth(s));
    out_.line(textElement({frame_.left, frame_.bottom + 30},
                          "Each surfacing about " + clock(surfacing, true) + ": ascent from " + meters(legEndDepth(s)) +
                              ", GPS fix, setpoint, descent to " + meters(descentDepth) +
                              " (the closing fix after the last waypoint not counted)",
                          anchor::start, " font-size=\"10\" fill=\"#4a5a6a\""));
  }

  // The legs at their depths, merged where less than a pixel apart, and the vehicle's
  // path between them through the surfacings.
  // The seabed under each leg as the grid gives it, cell by cell, with abortAltitude above
  // it dashed, and the places the seabed's warnings point at marked above the frame.
  void seabed(const missionSeabed& under) {
    pathData ground(0);
    pathData abort(0);
    size_t index = 0;
    std::vector<double> marks;
    forEachLeg(mission_, [&](const legTimes& leg) {
      if (index >= under.legs.size()) return;
      const std::vector<missionSeabedPoint>& cells = under.legs[index];
      const double meters = mission_.waypoints[index].legMeters;
      const auto timeAt = [&](double along) {
        return leg.leg + (meters > 0 ? std::clamp(along / meters, 0.0, 1.0) : 0) * (leg.legEnd - leg.leg);
      };
      for (size_t k = 0; k < cells.size();) {
        if (std::isnan(cells[k].depth)) {
          ++k;
          continue;
        }
        // A run of cells with data, drawn as steps down to the frame's bottom.
        ground.moveTo({x(timeAt(cells[k].along)), y(bottom_)});
        bool first = true;
        for (; k < cells.size() && !std::isnan(cells[k].depth); ++k) {
          const double from = x(timeAt(cells[k].along));
          const double to = x(timeAt(k + 1 < cells.size() ? cells[k + 1].along : meters));
          const double depth = std::clamp(cells[k].depth, top_, bottom_);
          const double dashed = std::clamp(cells[k].depth - s.abortAltitude, top_, bottom_);
          ground.lineTo({from, y(depth)});
          ground.lineTo({to, y(depth)});
          if (first) abort.moveTo({from, y(dashed)});
          abort.lineTo({from, y(dashed)});
          abort.lineTo({to, y(dashed)});
          first = false;
          if (k + 1 == cells.size() || std::isnan(cells[k + 1].depth)) ground.lineTo({to, y(bottom_)});
        }
      }
      for (const missionSeabedMark& m : under.warned) {
        if (m.leg == index) marks.push_back(m.surfacing ? leg.surfaced : timeAt(m.along));
      }
      ++index;
    });
    if (!ground.empty()) {
      out_.line("<path id=\"seabed\" d=\"" + ground.text() + "\" fill=\"#b08d57\" fill-opacity=\"0.55\"/>");
    }
    if (!abort.empty()) {
      out_.line("<path id=\"seabed-abort-altitude\" d=\"" + abort.text() +
                "\" fill=\"none\" stroke=\"#b03a2e\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>");
    }
    pathData warned(0);
    for (const double t : marks) {
      const double at = x(t);
      warned.polygon({{at - 4, frame_.top - 8}, {at + 4, frame_.top - 8}, {at, frame_.top - 1}});
    }
    if (!warned.empty()) out_.line("<path id=\"seabed-warnings\" d=\"" + warned.text() + "\" fill=\"#b03a2e\"/>");
  }

  void legs(bool yoyo) {
    pathData planned(0);
    columnPath dive;
    double from = 0, to = 0;
    bool open = false;
    const auto flush = [&] {
      if (!open) return;
      if (yoyo) {
        planned.rectangle(x(from), y(shallowLeg_), std::max(x(to), x(from) + 0.5),
                          std::max(y(deepLeg_), y(shallowLeg_) + 1.5));
      } else {
        planned.moveTo({x(from), y(shallowLeg_)});
        planned.lineTo({std::max(x(to), x(from) + 0.5), y(shallowLeg_)});
      }
    };
    // The vehicle's path shows only where the legs are a few pixels wide: where they are
    // narrower, it would fill the band with its dives and hide the depths.
    long long count = 0;
    forEachLeg(mission_, [&](const legTimes&) { ++count; });
    const bool showDive = static_cast<double>(count) * 3 <= width();
    forEachLeg(mission_, [&](const legTimes& leg) {
      if (open && x(leg.leg) - x(to) < 1) {
        to = leg.legEnd;
      } else {
        flush();
        from = leg.leg;
        to = leg.legEnd;
        open = true;
      }
      if (!showDive) return;
      dive.add({x(leg.surface), y(0)});
      dive.add({x(leg.descent), y(0)});
      dive.add({x(leg.leg), y(descentDepth)});
      // On a yoyo leg the vehicle runs anywhere in the band; the path takes up again at
      // its bottom, from which the estimate has it ascend.
      if (!yoyo) dive.add({x(leg.leg), y(shallowLeg_)});
      dive.add({x(leg.legEnd), y(deepLeg_)}, !yoyo);
      dive.add({x(leg.surfaced), y(ascentEndDepth)});
      dive.add({x(leg.surfaced), y(0)});
    });
    flush();
    if (yoyo) {
      out_.line("<path id=\"yoyo-band\" d=\"" + planned.text() + "\" fill=\"#4a9fd8\" fill-opacity=\"0.35\"/>");
    } else {
      out_.line("<path id=\"leg-depth\" d=\"" + planned.text() + "\" stroke=\"#1f4e99\" stroke-width=\"2.5\"/>");
    }
    if (showDive) {
      out_.line("<path id=\"dive\" d=\"" + dive.finish() + "\" fill=\"none\" stroke=\"#333\" stroke-width=\"0.8\"/>");
    }
  }

  // A mark at every surfacing the picture has room for, by the kind of its waypoint, and
  // their numbers above the frame where they do not crowd each other.
  void surfacings() {
    pathData given(0);
    pathData added(0);
    std::string numbers;
    double lastMark = -1e9;
    double lastNumber = -1e9;
    forEachLeg(mission_, [&](const legTimes& leg) {
      const double at = x(leg.surfaced);
      if (at - lastMark < 3.5) return;
      lastMark = at;
      if (leg.to->kind == waypointKind::added) {
        added.square({at, y(0)}, 2.25);
      } else {
        given.circle({at, y(0)}, 3);
      }
      const std::string number = std::to_string(leg.to->number);
      const box b = textBox({at, frame_.top - 5}, number, 9, anchor::middle);
      if (b.left >= lastNumber + 8) {
        lastNumber = b.right;
        numbers += textElement({at, frame_.top - 5}, number, anchor::middle) + "\n";
      }
    });
    if (!added.empty()) {
      out_.line("<path id=\"surfacings-added\" d=\"" + added.text() + "\" fill=\"#e8590c\"/>");
    }
    if (!given.empty()) out_.line("<path id=\"surfacings-given\" d=\"" + given.text() + "\" fill=\"#111\"/>");
    out_.line("<g id=\"surfacing-numbers\" font-size=\"9\" fill=\"#222\">");
    out_.lines(numbers);
    out_.line("</g>");
  }

  // A labelled line; the label goes to the first of `places` where it covers no other.
  void labelledLine(const std::string& id, point a, point b, const std::string& colour, const std::string& style,
                    const std::string& label, const std::vector<std::pair<point, anchor>>& places) {
    out_.line("<line id=\"" + id + "\" x1=\"" + px(a.x) + "\" y1=\"" + px(a.y) + "\" x2=\"" + px(b.x) + "\" y2=\"" +
              px(b.y) + "\" stroke=\"" + colour + "\"" + style + "/>");
    const box inner{frame_.left + 2, frame_.top + 2, frame_.right - 2, frame_.bottom - 2};
    for (const auto& [where, how] : places) {
      const box taken = textBox(where, label, 10, how);
      if (taken.inside(inner) && labels_.takeIfFree(taken)) {
        out_.line(textElement(where, label, how, " fill=\"" + colour + "\""));
        return;
      }
    }
  }

  // The end of the route and the timer, then the depth envelope.
  void limits() {
    const bool short_ = timer_ < routeEnd_;
    const std::string timerColour = short_ ? "#d62728" : "#2e7d32";
    if (short_) {
      out_.line("<rect id=\"after-timer\" x=\"" + px(x(timer_)) + "\" y=\"" + px(frame_.top) + "\" width=\"" +
                px(x(routeEnd_) - x(timer_)) + "\" height=\"" + px(frame_.bottom - frame_.top) +
                "\" fill=\"#d62728\" fill-opacity=\"0.12\"/>");
    }
    out_.line("<g id=\"limits\" font-size=\"10\">");
    const auto vertical = [&](double t) {
      std::vector<std::pair<point, anchor>> places;
      for (int row = 0; row < 6; ++row) {
        const double at = frame_.top + 14 + 14 * row;
        places.push_back({{x(t) - 4, at}, anchor::end});
        places.push_back({{x(t) + 4, at}, anchor::start});
      }
      return places;
    };
    labelledLine("timer", {x(timer_), frame_.top}, {x(timer_), frame_.bottom}, timerColour, " stroke-width=\"2\"",
                 "mission timer " + clock(timer_, true) + (short_ ? ": ends the mission before the route" : ""),
                 vertical(timer_));
    labelledLine("route-end", {x(routeEnd_), frame_.top}, {x(routeEnd_), frame_.bottom}, "#1f4e99",
                 " stroke-width=\"1.5\" stroke-dasharray=\"5 3\"", "route end " + clock(routeEnd_, true),
                 vertical(routeEnd_));
    const std::array<std::pair<const char*, double>, 3> envelope = {
        {{"abortDepth", s.abortDepth}, {"maxDepth", s.maxDepth}, {"minDepth", s.minDepth}}};
    for (const auto& [name, depth] : envelope) {
      const double at = y(depth);
      const std::string colour = name[0] == 'a' ? "#d62728" : name[1] == 'a' ? "#e8590c" : "#2e7d32";
      labelledLine(name, {frame_.left, at}, {frame_.right, at}, colour, " stroke-dasharray=\"8 3\"",
                   std::string(name) + " " + meters(depth),
                   {{{frame_.right - 4, at - 3}, anchor::end},
                    {{frame_.right - 4, at + 11}, anchor::end},
                    {{frame_.left + 4, at - 3}, anchor::start},
                    {{frame_.left + 4, at + 11}, anchor::start},
                    {{(frame_.left + frame_.right) / 2, at - 3}, anchor::middle},
                    {{(frame_.left + frame_.right) / 2, at + 11}, anchor::middle}});
    }
    out_.line("</g>");
  }

  const box frame_;
  const plannedMission& mission_;
  const missionSettings& s;
  textOut& out_;
  double routeEnd_ = 0;
  double timer_ = 0;
  double end_ = 1;  // the right end of the time axis
  double top_ = 0;  // depths at the frame's top and bottom
  double bottom_ = 100;
  double depthStep_ = 10;
  double shallowLeg_ = 0;
  double deepLeg_ = 0;
  boxSet labels_;
};

}  // namespace

void writeProfile(const box& frame, const plannedMission& mission, textOut& out) {
  profileWriter(frame, mission, out).write();
}
