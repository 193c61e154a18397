#include "picture/svgMap.h"

#include <algorithm>
#include <string>
#include <vector>

#include "picture/svgChart.h"
#include "picture/svgDraw.h"
#include "picture/svgProfile.h"
#include "report/routeReport.h"
#include "settings.h"
#include "text/runMessages.h"

pictureInputs planPicture;

namespace {

constexpr double margin = 20;
constexpr double panelLeft = 80;  // room for the latitude and depth labels
constexpr double chartHeight = 700;
constexpr double profileHeight = 220;
constexpr double lineHeight = 17;
constexpr double textSize = 12;
// A warning takes at most this many lines, and all of them together this many.
constexpr size_t linesPerWarning = 3;
constexpr size_t warningLines = 24;

struct titleLine {
  std::string text;
  std::string attributes;
  std::string label;  // shown in bold before the text, when there is one
};

std::string number(double value) { return std::string(numberText::general(value, 6).view()); }

std::string missionSettings() {
  std::string text = yoyoMission == 1 ? "yoyo between " + std::to_string(missionYoyoMinDepth) + " m and " +
                                            std::to_string(missionYoyoMaxDepth) + " m, YOYO_MIN_ALTITUDE " +
                                            std::to_string(yoyoMinAltitude) + " m"
                                      : "legs at " + std::to_string(wayPointDepth) + " m";
  text += "; depth envelope " + number(minDepth) + " to " + number(maxDepth) + " m, abort at " + number(abortDepth) +
          " m, abortAltitude " + number(abortAltitude) + " m, abortLockoutDepth " + number(abortLockoutDepth) + " m";
  text += "; " + number(missionSpeed) + " m/s; " + std::to_string(gpsHits) + " GPS hits; " + number(maxLegMeters) +
          " m between surfacings; abortOnTimeout " + (abortOnTimeout == 1 ? "True" : "False") + "; samplers " +
          (kallopMission == 1 ? "armed" : "not armed");
  return text;
}

std::vector<titleLine> titleLines(const std::string& name) {
  const double width = pictureWidth - 2 * margin;
  std::vector<titleLine> lines;
  const auto add = [&](const std::string& label, const std::string& text, const std::string& attributes = "") {
    const double room = width - (label.empty() ? 0 : 110);
    lines.push_back({fitted(text, textSize, room), attributes, label});
  };
  if (!planPicture.routeFile.empty()) add("Route file", planPicture.routeFile);
  std::string files;
  for (const std::string& file : planPicture.setFiles.empty() ? std::vector<std::string>{name} : planPicture.setFiles) {
    files += (files.empty() ? "" : ", ") + file;
  }
  add("Files", files);
  for (const planFigure& figure : planFigures()) {
    std::string label = figure.label;
    label[0] = static_cast<char>(label[0] - 'a' + 'A');
    add(label, figure.value);
  }
  const std::vector<std::string> settings = wrapped(missionSettings(), textSize, width - 110);
  for (size_t i = 0; i < settings.size(); ++i) add(i == 0 ? "Mission" : "", settings[i]);
  if (runWarnings.empty()) {
    add("Warnings", "none", " fill=\"#2e7d32\"");
    return lines;
  }
  size_t shown = 0;
  size_t warnings = 0;
  bool first = true;
  for (const std::string& warning : runWarnings) {
    std::vector<std::string> parts = wrapped("warning: " + warning, textSize, width - 110);
    if (parts.size() > linesPerWarning) {
      parts.resize(linesPerWarning);
      parts.back() = fitted(parts.back() + " ...", textSize, width - 110);
    }
    if (shown + parts.size() > warningLines) break;
    for (const std::string& part : parts) {
      add(first ? "Warnings" : "", part, " fill=\"#b03a2e\"");
      first = false;
    }
    shown += parts.size();
    ++warnings;
  }
  if (warnings < runWarnings.size()) {
    add("", std::to_string(runWarnings.size() - warnings) + " more warnings: see the console", " fill=\"#b03a2e\"");
  }
  return lines;
}

}  // namespace

void svgText(const std::string& name, textOut& out) {
  const std::vector<titleLine> lines = titleLines(name);
  const double titleBottom = 44 + lineHeight * static_cast<double>(lines.size());
  const double chartTop = titleBottom + 14;
  const box chart{panelLeft, chartTop, pictureWidth - margin, chartTop + chartHeight};
  const double profileTop = chart.bottom + chartBelowFrame + profileAboveFrame;
  const box profile{panelLeft, profileTop, pictureWidth - margin, profileTop + profileHeight};
  const std::string height = px(profile.bottom + profileBelowFrame + 8);
  const std::string stem =
      name.size() > 4 && name.compare(name.size() - 4, 4, ".svg") == 0 ? name.substr(0, name.size() - 4) : name;

  out.line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  out.line("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + px(pictureWidth) + "\" height=\"" +
           height + "\" viewBox=\"0 0 " + px(pictureWidth) + " " + height + "\" font-family=\"sans-serif\">");
  out.line("<title>" + xmlText("Mission plan " + stem) + "</title>");
  out.line("<rect width=\"" + px(pictureWidth) + "\" height=\"" + height + "\" fill=\"#fff\"/>");
  out.line("<g id=\"title-block\" font-size=\"12\" fill=\"#222\">");
  out.line(textElement({margin, 30}, "Mission plan " + stem, anchor::start, " font-size=\"20\" font-weight=\"bold\""));
  double y = 44 + lineHeight - 4;
  for (const titleLine& line : lines) {
    if (!line.label.empty()) out.line(textElement({margin, y}, line.label, anchor::start, " font-weight=\"bold\""));
    out.line(textElement({margin + 110, y}, line.text, anchor::start, line.attributes));
    y += lineHeight;
  }
  out.line("</g>");
  writeChart(chart, planPicture, out);
  writeProfile(profile, out);
  out.line("</svg>");
}
