#include "picture/svgGraticule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "geo/longitude.h"

namespace {

// The steps a graticule may take, in hundredths of a minute of arc: from 0.01' to 90 degrees.
constexpr std::array<long long, 20> stepChoices = {
    1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 3000, 6000, 12000, 30000, 60000, 90000, 180000, 270000, 540000};

std::string twoDigits(long long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string angleText(long long hundredths, long long step, const char* positive, const char* negative) {
  const long long a = hundredths < 0 ? -hundredths : hundredths;
  std::string text = std::to_string(a / hundredthsPerDegree) + "\xC2\xB0";
  if (step % hundredthsPerDegree != 0) {
    const long long rest = a % hundredthsPerDegree;
    text += twoDigits(rest / 100);
    if (step % 100 != 0) text += step % 10 == 0 ? "." + std::to_string(rest % 100 / 10) : "." + twoDigits(rest % 100);
    text += "'";
  }
  if (hundredths > 0) text += positive;
  if (hundredths < 0) text += negative;
  return text;
}

// Writes the graticule of one chart.
class graticuleWriter {
 public:
  graticuleWriter(const chartView& view, const box& frame, textOut& out) : view_(view), frame_(frame), out_(out) {}

  // Steps that give the frame a few lines each way, then every line in steps over what
  // the frame shows and a little beyond, so that each reaches the frame's edges.
  graticuleSteps write() {
    const shownRange r = visible();
    latStep_ = stepFor(r.north - r.south, 6);
    lonStep_ = stepFor(r.east - r.west, 7);
    const double lon0 = longitudeOf(view_.plane().centre());
    const double step = static_cast<double>(latStep_);
    const double lonStep = static_cast<double>(lonStep_);
    const double south = std::max(-90.0, r.south - (r.north - r.south) * 0.1);
    const double north = std::min(90.0, r.north + (r.north - r.south) * 0.1);
    const bool round = r.east - r.west >= 360;
    const double west = round ? -180 : r.west - (r.east - r.west) * 0.1;
    const double east = round ? 180 : r.east + (r.east - r.west) * 0.1;
    constexpr int samples = 64;
    boxSet taken;
    out_.line("<g id=\"graticule\" font-size=\"10\" fill=\"#4a5a6a\">");
    for (long long k = static_cast<long long>(std::ceil(r.south * hundredthsPerDegree / step));
         static_cast<double>(k) * step <= r.north * hundredthsPerDegree; ++k) {
      const long long value = k * latStep_;
      if (value <= -90 * hundredthsPerDegree || value >= 90 * hundredthsPerDegree) continue;
      const double lat = static_cast<double>(value) / hundredthsPerDegree;
      std::vector<vec3> line;
      for (int i = 0; i <= samples * 2; ++i)
        line.push_back(unitOf(lat, lon0 + west + (east - west) * i / (samples * 2)));
      graticuleLine(line, latitudeText(value, latStep_), true, taken);
    }
    const double firstLon = round ? -180 : lon0 + r.west;
    const double lastLon = round ? 180 - 1e-9 : lon0 + r.east;
    for (long long k = static_cast<long long>(std::ceil(firstLon * hundredthsPerDegree / lonStep));
         static_cast<double>(k) * lonStep <= lastLon * hundredthsPerDegree; ++k) {
      const long long value = k * lonStep_;
      const double lon = static_cast<double>(value) / hundredthsPerDegree;
      std::vector<vec3> line;
      for (int i = 0; i <= samples; ++i) line.push_back(unitOf(south + (north - south) * i / samples, lon));
      graticuleLine(line, longitudeText(value, lonStep_), false, taken);
    }
    out_.line("</g>");
    return {latStep_, lonStep_};
  }

 private:
  // Latitudes and longitudes (relative to the centre's) the frame shows.
  struct shownRange {
    double south = 90, north = -90, west = 180, east = -180;
  };
  shownRange visible() const {
    shownRange r;
    const double lon0 = longitudeOf(view_.plane().centre());
    const auto take = [&](point p) {
      const vec3 v = view_.sphereAt(p);
      r.south = std::min(r.south, latitudeOf(v));
      r.north = std::max(r.north, latitudeOf(v));
      const double d = wrapLongitude(longitudeOf(v) - lon0);
      r.west = std::min(r.west, d);
      r.east = std::max(r.east, d);
    };
    constexpr int samples = 32;
    for (int i = 0; i <= samples; ++i) {
      const double f = static_cast<double>(i) / samples;
      take({frame_.left + f * (frame_.right - frame_.left), frame_.top});
      take({frame_.left + f * (frame_.right - frame_.left), frame_.bottom});
      take({frame_.left, frame_.top + f * (frame_.bottom - frame_.top)});
      take({frame_.right, frame_.top + f * (frame_.bottom - frame_.top)});
    }
    // A pole inside the frame: every longitude meets it.
    for (const double z : {1.0, -1.0}) {
      const vec3 pole{0, 0, z};
      if (view_.plane().shows(pole) && inFrame(toPx(pole))) {
        (z > 0 ? r.north : r.south) = 90 * z;
        r.west = -180;
        r.east = 180;
      }
    }
    if (r.east - r.west > 300) {
      r.west = -180;
      r.east = 180;
    }
    return r;
  }

  static long long stepFor(double degrees, double most) {
    for (const long long step : stepChoices) {
      if (degrees * hundredthsPerDegree / static_cast<double>(step) <= most) return step;
    }
    return stepChoices.back();
  }

  // One graticule line through `samples`, labelled where it crosses the frame's left edge
  // (a parallel) or its bottom edge (a meridian), unless another label stands there.
  void graticuleLine(const std::vector<vec3>& samples, const std::string& label, bool parallel, boxSet& taken) {
    pathData d(0.5);
    bool drawing = false;
    point previous;
    std::string labelText;
    for (const vec3& v : samples) {
      const point p = view_.plane().shows(v) ? toPx(v) : point{1e9, 1e9};
      if (std::fabs(p.x) > 1e5 || std::fabs(p.y) > 1e5) {
        drawing = false;
        continue;
      }
      if (!drawing) {
        d.moveTo(p);
      } else {
        d.lineTo(p);
        if (labelText.empty()) {
          // Where the segment crosses the frame's left (parallel) or bottom (meridian) edge.
          const double edge = parallel ? frame_.left : frame_.bottom;
          const double a = parallel ? previous.x - edge : previous.y - edge;
          const double b = parallel ? p.x - edge : p.y - edge;
          if ((a < 0) != (b < 0) && a != b) {
            const double t = a / (a - b);
            const point at{previous.x + t * (p.x - previous.x), previous.y + t * (p.y - previous.y)};
            const point where = parallel ? point{frame_.left - 5, at.y + 3.5} : point{at.x, frame_.bottom + 14};
            const bool along =
                parallel ? at.y >= frame_.top && at.y <= frame_.bottom : at.x >= frame_.left && at.x <= frame_.right;
            if (along && taken.takeIfFree(textBox(where, label, 10, parallel ? anchor::end : anchor::middle))) {
              labelText = textElement(where, label, parallel ? anchor::end : anchor::middle);
            }
          }
        }
      }
      previous = p;
      drawing = true;
    }
    if (d.empty()) return;
    out_.line(std::string("<g class=\"") + (parallel ? "parallel" : "meridian") + "\"><path d=\"" + d.text() +
              "\" fill=\"none\" stroke=\"#b5c3d1\" stroke-width=\"0.7\" clip-path=\"url(#chart-clip)\"/>" + labelText +
              "</g>");
  }

  point toPx(vec3 p) const { return view_.toPx(p); }
  bool inFrame(point p) const {
    return p.x >= frame_.left && p.x <= frame_.right && p.y >= frame_.top && p.y <= frame_.bottom;
  }

  const chartView& view_;
  const box frame_;
  textOut& out_;
  long long latStep_ = hundredthsPerDegree;
  long long lonStep_ = hundredthsPerDegree;
};

}  // namespace

std::string latitudeText(long long hundredths, long long step) { return angleText(hundredths, step, "N", "S"); }

std::string longitudeText(long long hundredths, long long step) {
  constexpr long long turn = 360 * hundredthsPerDegree;
  long long w = hundredths % turn;
  if (w > turn / 2) w -= turn;
  if (w <= -turn / 2) w += turn;
  return angleText(w, step, w == turn / 2 || w == -turn / 2 ? "" : "E", "W");
}

std::string stepText(long long step) {
  if (step % hundredthsPerDegree == 0) return std::to_string(step / hundredthsPerDegree) + "\xC2\xB0";
  std::string text = std::to_string(step / 100);
  if (step % 100 != 0) text += step % 10 == 0 ? "." + std::to_string(step % 100 / 10) : "." + twoDigits(step % 100);
  return text + "'";
}

graticuleSteps writeGraticule(const chartView& view, const box& frame, textOut& out) {
  return graticuleWriter(view, frame, out).write();
}
