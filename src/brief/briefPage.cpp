#include "brief/briefPage.h"

#include <kainjow/mustache.hpp>

#include <cmath>

#include "geo/positionText.h"
#include "picture/svgMap.h"
#include "report/legTimes.h"
#include "report/routeReport.h"

// The template, built into the program (cmake/embedFiles.cmake) so that the page needs
// nothing beside the program wherever it is copied.
extern const unsigned char briefTemplateBytes[];

namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

std::string decimalDegrees(double value) { return numberText::fixed(value, 6).text(); }

// The timetable: one row a waypoint, the times those of the picture's profile (legTimes.h).
data timetable(const plannedMission& mission, const std::optional<launchClock>& launch) {
  const std::vector<missionWaypoint>& route = mission.waypoints;
  std::vector<double> arrive(route.size(), -1);
  std::vector<double> depart(route.size(), -1);
  size_t i = 0;
  forEachLeg(mission, [&](const legTimes& leg) {
    depart[i] = leg.descent;
    arrive[i + 1] = leg.surfaced;
    ++i;
  });
  const char* const kinds[] = {"launch", "waypoint", "surfacing"};
  data rows{data::type::list};
  for (size_t k = 0; k < route.size(); ++k) {
    const missionWaypoint& w = route[k];
    const bool last = k + 1 == route.size();
    data row;
    row.set("number", std::to_string(w.number));
    row.set("kind", kinds[static_cast<int>(w.kind)]);
    row.set("position", degreesAndMinutes({w.lat, w.lon}));
    row.set("decimal", decimalDegrees(w.lat) + " " + decimalDegrees(w.lon));
    row.set("legMeters", last ? "" : numberText::fixed(w.legMeters, 1).text());
    row.set("heading", last ? "" : numberText::fixed(w.heading, 1).text());
    row.set("arrive", arrive[k] < 0 ? "" : clockTime(arrive[k]));
    row.set("depart", depart[k] < 0 ? "" : clockTime(depart[k]));
    if (launch) {
      row.set("arriveClock", arrive[k] < 0 ? "" : clockAfter(*launch, arrive[k]));
      row.set("departClock", depart[k] < 0 ? "" : clockAfter(*launch, depart[k]));
    }
    rows.push_back(row);
  }
  return rows;
}

// What the settings ask the team to see to before the vehicle goes in.
std::vector<std::string> settingsChecklist(const plannedMission& mission, long long timer) {
  const missionSettings& s = mission.settings;
  return {
      s.kallopMission == 1 ? "Water samplers armed at the start of the mission (kallop0 to kallop9): the arming "
                             "behaviour is where the samples are to be taken"
                           : "Water samplers not armed: none of them will fire",
      s.abortOnTimeout == 1 ? "abortOnTimeout is True: the vehicle aborts when a GPS fix times out"
                            : "abortOnTimeout is False: the vehicle goes on when a GPS fix times out",
      "Mission timer set to " + std::to_string(timer) + " s (" + clockTime(static_cast<double>(timer)) +
          "): the vehicle's timer holds it",
      "GPS hits at each surfacing: " + std::to_string(s.gpsHits) + "; the receiver sees the sky",
  };
}

data listOf(const std::vector<std::string>& texts) {
  data list{data::type::list};
  for (const std::string& text : texts) list.push_back(data(text));
  return list;
}

// The picture as it sits inside the page: without its XML declaration.
std::string inlinePicture(const plannedMission& mission, const std::string& name) {
  const std::string stem = name.size() > 5 ? name.substr(0, name.size() - 5) : name;
  std::string svg;
  memoryTarget target(svg);
  textOut picture(target, "\n");
  svgText(mission, stem + ".svg", picture);
  picture.flush();
  if (svg.compare(0, 5, "<?xml") == 0) svg.erase(0, svg.find('\n') + 1);
  if (!svg.empty() && svg.back() == '\n') svg.pop_back();
  return svg;
}

}  // namespace

problem briefText(const plannedMission& mission, const std::string& name, const briefInputs& in, textOut& out) {
  mustache page(reinterpret_cast<const char*>(briefTemplateBytes));
  if (!page.is_valid()) return failure{"", "vesk: the brief's template cannot be read: " + page.error_message()};
  data d;
  const std::string stem =
      name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0 ? name.substr(0, name.size() - 5) : name;
  d.set("planName", stem);
  d.set("madeAt", in.madeAt);
  d.set("routeKind", in.survey ? "area" : "route");
  d.set("routeFile", mission.routeFile);
  data files{data::type::list};
  for (const briefFile& f : in.files) {
    data file;
    file.set("name", f.name);
    file.set("bytes", f.bytes ? std::to_string(*f.bytes) : std::string("this page"));
    file.set("sha256", f.sha256.empty() ? std::string("not listed") : f.sha256);
    files.push_back(file);
  }
  d.set("files", files);
  const std::vector<std::string> none;
  const std::vector<std::string>& warnings = mission.warnings != nullptr ? mission.warnings->texts() : none;
  d.set("hasWarnings", data(!warnings.empty()));
  d.set("warnings", listOf(warnings));
  data settings{data::type::list};
  for (const briefSetting& s : in.settings) {
    data row;
    row.set("key", s.key);
    row.set("value", s.value);
    row.set("source", s.source);
    settings.push_back(row);
  }
  d.set("settings", settings);
  d.set("withClock", data(in.launch.has_value()));
  if (in.launch) {
    const std::string any = clockAfter(*in.launch, 0);
    d.set("zone", "(" + any.substr(any.size() - 6) + ")");
  }
  d.set("rows", timetable(mission, in.launch));
  // The timer as the mission script sets it, to the whole second.
  const long long timer = std::llround(mission.missionTime);
  d.set("timerSeconds", std::to_string(timer));
  d.set("timerEnd", clockTime(static_cast<double>(timer)));
  if (in.launch) d.set("timerClock", clockAfter(*in.launch, static_cast<double>(timer)));
  d.set("svg", inlinePicture(mission, name));
  data summaries{data::type::list};
  std::vector<std::string> plan;
  for (const planFigure& figure : planFigures(mission)) plan.push_back(figure.label + ": " + figure.value);
  std::vector<briefSummary> all{{"plan", plan}};
  all.insert(all.end(), in.summaries.begin(), in.summaries.end());
  for (const briefSummary& s : all) {
    data summary;
    summary.set("title", s.title);
    summary.set("lines", listOf(s.lines));
    summaries.push_back(summary);
  }
  d.set("summaries", summaries);
  std::vector<std::string> checklist = settingsChecklist(mission, timer);
  checklist.insert(checklist.end(), in.checklist.begin(), in.checklist.end());
  d.set("checklist", listOf(checklist));
  const std::string text = page.render(d);
  if (!page.is_valid()) return failure{"", "vesk: the brief's template cannot be filled: " + page.error_message()};
  out.lines(text);
  return std::nullopt;
}

std::vector<std::string> checklistItems(const std::string& text) {
  std::vector<std::string> items;
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    if (!item.empty() && item.back() == '\r') item.pop_back();
    if (item.find_first_not_of(" \t") != std::string::npos) items.push_back(item);
    start = end + 1;
  }
  return items;
}
