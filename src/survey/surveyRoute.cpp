#include "survey/surveyRoute.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "files/fileSet.h"
#include "geo/positionText.h"
#include "report/routeReport.h"
#include "survey/surveyPattern.h"
#include "text/runMessages.h"
#include "text/textOut.h"

namespace {

// The area as the file gives it.
surveyArea surveyAreaOf(const areaRings& given) {
  const auto ring = [](const std::vector<geoPoint>& points) {
    areaRing vertices;
    for (const geoPoint& p : points) vertices.push_back({p.lat, p.lon});
    return vertices;
  };
  surveyArea area{ring(given.outer), {}};
  for (const std::vector<geoPoint>& hole : given.holes) area.holes.push_back(ring(hole));
  return area;
}

std::string kilometres(double meters) { return numberText::fixed(meters / 1000, 3).text() + " km"; }

// Lays out the survey with `parameters` and the lines cut at `maxLegMeters`.
problem layOut(areaSurvey& s, surveyParameters parameters, double maxLegMeters, const surveyCosts& costs,
               const surveyProgress& progress) {
  parameters.maxLegMeters = maxLegMeters;
  if (!(parameters.lineSpacing > 0) && !(parameters.swathWidth > 0)) {
    return failure{"cannot lay out a survey of " + s.name + "\n",
                   "the lines need a spacing: give --line-spacing M, or --swath-width M (with --overlap PCT)"};
  }
  try {
    s.plan = planSurvey(s.area, parameters, costs, progress);
  } catch (const surveyError& e) {
    return failure{"cannot lay out a survey of " + s.name + "\n", areaReason(s.file, e.what(), e.ring, e.vertex)};
  }
  s.parameters = parameters;
  s.costs = costs;
  return std::nullopt;
}

// The folder (empty: the current one) and the name of a path.
std::pair<std::string, std::string> folderAndName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

result<areaSurvey> surveyOf(const std::string& name, areaFile file, const surveyParameters& parameters,
                            double maxLegMeters, const surveyCosts& costs, const surveyProgress& progress) {
  std::optional<projectedArea> area;
  try {
    area.emplace(checkArea(surveyAreaOf(file.area)));
  } catch (const surveyError& e) {
    return failure{"invalid area in " + name + "\n", areaReason(file, e.what(), e.ring, e.vertex)};
  }
  areaSurvey s{name, std::move(file), std::move(*area), {}, {}, {}};
  if (const problem p = layOut(s, parameters, maxLegMeters, costs, progress)) return *p;
  return result<areaSurvey>(std::move(s));
}

result<areaSurvey> surveyAgain(areaSurvey survey, const surveyParameters& parameters, double maxLegMeters,
                               const surveyCosts& costs, const surveyProgress& progress) {
  if (const problem p = layOut(survey, parameters, maxLegMeters, costs, progress)) return *p;
  return result<areaSurvey>(std::move(survey));
}

void warnAboutSurveyCoverage(const areaSurvey& survey, warningLog& warnings) {
  const surveyPlan& plan = survey.plan;
  if (plan.coveragePercent >= wellCoveredPercent) return;
  const bool runIn = survey.parameters.runIn > 0;
  std::string gap;
  if (!plan.gaps.empty()) {
    const surveyGap& g = plan.gaps.front();
    gap = "; the largest gap, about " + numberText::fixed(g.squareMeters, 0).text() + " m2 (" +
          numberText::fixed(g.alongMeters, 0).text() + " m along the lines, " +
          numberText::fixed(g.acrossMeters, 0).text() + " m across), lies around " + degreesAndMinutes(g.where);
  }
  // Where the margin the operator keeps off the boundary is what leaves the area unswept,
  // the warning says so first: no layout closes that gap.
  std::string margin;
  if (survey.parameters.edgeMargin > 0) {
    margin = "the edgeMargin of " + numberText::general(survey.parameters.edgeMargin, 6).text() + " m leaves " +
             numberText::fixed(plan.marginUnsweptSquareMeters, 0).text() +
             " m2 along the boundary and holes unswept (a smaller edgeMargin, or a swath wider than twice it, "
             "sweeps more); ";
  }
  warnings.warn(
      "the swaths of the survey lines cover " + numberText::fixed(plan.coveragePercent, 2).text() + " % of " +
      survey.name + gap + ": " + margin +
      (runIn ? "the run-in of lines that end at a hole or a notch, and strips between the ends of lines that meet "
               "an edge at a slant, are left unswept; "
             : "strips are left between the ends of lines that meet an edge at a slant; ") +
      "lines along that edge (lineAngle) or a closer spacing cover more" +
      (runIn ? ", and so does a shorter runIn" : ""));
}

problem checkSurveyRoutePath(const std::string& path, const std::string& areaName) {
  const std::string folder = folderAndName(path).first;
  if (!folder.empty()) {
    if (problem refused = checkOutputFolder(folder)) return refused;
  }
  std::error_code ec;
  if (std::filesystem::equivalent(std::filesystem::u8path(path), std::filesystem::u8path(areaName), ec)) {
    return failure{"cannot write route output file " + path + " over the area file\n", ""};
  }
  return std::nullopt;
}

problem writeSurveyRoute(const areaSurvey& survey, const std::string& path, warningLog* warnings) {
  const auto [folder, name] = folderAndName(path);
  if (name.empty()) return failure{"cannot open route output file " + path + " ", ""};
  const std::vector<outputFile> files = {{name, "cannot open route output file %s ",
                                          "cannot write route output file %s ", "\n **** Wrote route : %s ****\n"}};
  return writeFileSet(folder, files,
                      [&survey](const std::vector<textOut*>& out) {
                        for (const latLon& p : survey.plan.route) {
                          out[0]->put(numberText::shortest(p.lat));
                          out[0]->put(" ");
                          out[0]->put(numberText::shortest(p.lon));
                          out[0]->endLine();
                        }
                      },
                      {setKind::named, warnings});
}

std::vector<std::string> surveySummary(const areaSurvey& survey, double missionSpeed, double surfacingSeconds,
                                       std::optional<double> underWaySeconds) {
  const surveyPlan& plan = survey.plan;
  const long long cross =
      std::count_if(plan.lines.begin(), plan.lines.end(), [](const surveyLine& l) { return l.cross; });
  const long long lines = static_cast<long long>(plan.lines.size()) - cross;
  // Every waypoint after the first is a surfacing.
  const long long surfacings = static_cast<long long>(plan.route.size()) - 1;
  const double underWay = underWaySeconds ? *underWaySeconds : (plan.lineMeters + plan.transitMeters) / missionSpeed;
  std::string lineText = std::to_string(lines) + (lines == 1 ? " line" : " lines");
  // Lines are counted as they are run, a line split by a hole or a notch as several; the
  // operator who asked for N cross lines hears why there are more, or fewer.
  const int asked = survey.parameters.crossLines;
  if (cross > 0 || asked > 0) {
    lineText += " and " + (cross == 0 ? std::string("no") : std::to_string(cross)) +
                (cross == 1 ? " cross line" : " cross lines");
  }
  if (asked > 0 && cross != asked) {
    std::vector<std::string> why;
    if (plan.crossLinesSplit > 0) {
      why.push_back("a hole or a notch splits " + std::to_string(plan.crossLinesSplit) + " of them");
    }
    if (plan.crossLinesLaid < asked) {
      const int left = asked - plan.crossLinesLaid;
      why.push_back(std::to_string(left) + (left == 1 ? " crosses" : " cross") + " too little of the area to run");
    }
    lineText += " (" + std::to_string(asked) + " asked for";
    for (const std::string& w : why) lineText += "; " + w;
    lineText += ")";
  }
  // The spacing each cell was laid at, shrunk to fit it: a range where they differ.
  const std::string closest = numberText::general(plan.leastSpacing, 6).text();
  const std::string widest = numberText::general(plan.spacing, 6).text();
  lineText += ", " + kilometres(plan.lineMeters) + ", " + (closest == widest ? "" : closest + " to ") + widest +
              " m apart at " + numberText::fixed(plan.lineAngle, 1).text() + " degrees";
  // The parts covered back and forth each in one go, which the spacing range is over.
  if (plan.cells > 0) lineText += plan.cells == 1 ? " in one part" : " in " + std::to_string(plan.cells) + " parts";
  if (plan.boundaryLegs > 0) lineText += ", " + std::to_string(plan.boundaryLegs) + " of them legs along the boundary";
  std::string marginText;
  if (survey.parameters.edgeMargin > 0) {
    marginText = "; " + numberText::fixed(plan.marginUnsweptSquareMeters / 1e6, 3).text() +
                 " km2 left unswept by the edge margin of " +
                 numberText::general(survey.parameters.edgeMargin, 6).text() + " m";
  }
  const std::vector<planFigure> figures = {
      {"lines", lineText},
      {"transits", kilometres(plan.transitMeters)},
      {"coverage", numberText::fixed(plan.coveragePercent, 2).text() + " % of " +
                       numberText::fixed(plan.areaSquareMeters / 1e6, 3).text() + " km2" + marginText},
      {"survey time", clockTime(underWay) + " under way, " +
                          clockTime(static_cast<double>(surfacings) * surfacingSeconds) + " at " +
                          std::to_string(surfacings) + (surfacings == 1 ? " surfacing" : " surfacings")}};
  std::vector<std::string> summary{"survey " + survey.name + ":"};
  for (const planFigure& figure : figures) {
    summary.push_back("  " + figure.label + std::string(13 - figure.label.size(), ' ') + figure.value);
  }
  return summary;
}

void summariseSurvey(const areaSurvey& survey, double missionSpeed, double surfacingSeconds,
                     std::optional<double> underWaySeconds) {
  for (const std::string& line : surveySummary(survey, missionSpeed, surfacingSeconds, underWaySeconds)) toStderr(line);
}
