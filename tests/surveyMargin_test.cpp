// A survey that keeps off the shore: every point of its route at least the margin from the
// boundary and from every hole, its coverage counted against the whole area drawn, what the
// margin leaves unswept told, and areas the margin leaves nothing of, or cuts in two,
// refused. The route is checked on the sphere (surveyCheck), not in the layout's plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "survey/surveyPattern.h"
#include "surveyCheck.h"

namespace {

using surveyCheck::shape;

const latLon home{54.2, 7.8};

surveyParameters kept(double spacing, double swath, double margin) {
  surveyParameters p;
  p.lineSpacing = spacing;
  p.swathWidth = swath;
  p.edgeMargin = margin;
  p.maxLegMeters = 1200;
  return p;
}

// What the margin must cost: along every ring of `perimeter` metres, a strip the margin
// less half a swath wide; and at each of `corners` convex corners of the boundary, the
// triangle beyond the flat ends of any swath that keeps the margin from both edges, twice
// the margin squared at a right angle.
struct marginCase {
  const char* name;
  surveyArea area;
  surveyParameters parameters;
  double perimeter;
  int corners;
};

TEST(surveyMargin, routesKeepOffTheShoreAndTheCoverageTellsWhatItCosts) {
  const areaRing box = shape(home, {{0, 0}, {2000, 0}, {2000, 1000}, {0, 1000}});
  const areaRing wreck = shape(home, {{1200, 400}, {1300, 500}, {1200, 600}, {1100, 500}});
  const areaRing ell = shape(home, {{0, 0}, {1500, 0}, {1500, 400}, {400, 400}, {400, 1500}, {0, 1500}}, 25);
  const marginCase cases[] = {
      // Half a swath (25 m) short of the 40 m margin: a strip of 15 m is left all round.
      {"box and wreck, swath narrower than the margin", {box, {wreck}}, kept(50, 0, 40), 6000 + 400 * 1.4142, 4},
      // A swath of 100 m reaches over a margin of 20 m: only the corners are left.
      {"slanted L, swath wider than the margin", {ell, {}}, kept(0, 100, 20), 6000, 5},
      {"box and wreck, margin on a narrow swath", {box, {wreck}}, kept(30, 40, 15), 6000 + 400 * 1.4142, 4},
  };
  for (const marginCase& c : cases) {
    const double margin = c.parameters.edgeMargin;
    const double half = (c.parameters.swathWidth > 0 ? c.parameters.swathWidth : c.parameters.lineSpacing) / 2;
    const surveyPlan plan = planSurvey(c.area, c.parameters);
    EXPECT_EQ(surveyCheck::worstStray(c.area, plan.route, 2, 0.5), 0) << c.name;
    EXPECT_GE(surveyCheck::nearestShore(c.area, plan.route, 2), margin - 0.5) << c.name;
    // The coverage is of the whole area, as the sonar records it.
    const double recorded = surveyCheck::lineCoverage(c.area, plan.lines, half, 0, 40000);
    EXPECT_NEAR(plan.coveragePercent, recorded, 0.25) << c.name;
    // Most of what is left unswept is the margin's doing, and no more than it must be.
    const double unswept = (100 - plan.coveragePercent) / 100 * plan.areaSquareMeters;
    EXPECT_LE(plan.marginUnsweptSquareMeters, unswept + 1) << c.name;
    EXPECT_GE(plan.marginUnsweptSquareMeters, 0.8 * unswept) << c.name;
    const double strip = std::max(0.0, margin - half) * c.perimeter;
    EXPECT_GE(plan.marginUnsweptSquareMeters, 0.8 * strip) << c.name;
    EXPECT_LE(plan.marginUnsweptSquareMeters, 1.2 * (strip + c.corners * 2 * margin * margin)) << c.name;
    // Without the margin the lines may go nearer the shore, and it is not more work to cover.
    surveyParameters along = c.parameters;
    along.edgeMargin = 0;
    EXPECT_LT(surveyCheck::nearestShore(c.area, planSurvey(c.area, along).route, 2), margin) << c.name;
  }
}

TEST(surveyMargin, anAreaTheMarginLeavesNothingOfOrCutsInTwoIsRefused) {
  // Two basins joined by a channel 50 m wide: a margin of 30 m closes the channel.
  const areaRing basins = shape(home, {{0, 0},
                                       {1000, 0},
                                       {1000, 475},
                                       {2000, 475},
                                       {2000, 0},
                                       {3000, 0},
                                       {3000, 1000},
                                       {2000, 1000},
                                       {2000, 525},
                                       {1000, 525},
                                       {1000, 1000},
                                       {0, 1000}});
  const struct {
    const char* name;
    double margin;
    surveyFault fault;
    const char* words;
  } cases[] = {
      {"channel closed", 30, surveyFault::noInsideTransit,
       "keeping the edgeMargin of 30 m from the boundary and holes, the area falls into 2 parts that no path joins"},
      {"nothing left", 600, surveyFault::noArea, "beyond the edgeMargin of 600 m from its boundary and holes"},
      {"negative", -1, surveyFault::badParameter, "edgeMargin must be 0 to 200000 metres"},
  };
  for (const auto& c : cases) {
    try {
      planSurvey(surveyArea{basins, {}}, kept(50, 0, c.margin));
      ADD_FAILURE() << c.name << ": laid out";
    } catch (const surveyError& e) {
      EXPECT_EQ(e.fault, c.fault) << c.name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << c.name << ": " << e.what();
    }
  }
  // A channel wider than twice the margin is flown through, keeping the margin; the caller
  // hears of every layout tried, to the last.
  std::vector<std::pair<size_t, size_t>> told;
  const surveyPlan plan = planSurvey(surveyArea{basins, {}}, kept(50, 0, 20), {},
                                     [&told](size_t tried, size_t toTry) { told.emplace_back(tried, toTry); });
  ASSERT_FALSE(told.empty());
  for (size_t i = 0; i < told.size(); ++i) EXPECT_EQ(told[i].first, i + 1);
  EXPECT_EQ(told.back().first, told.back().second);
  EXPECT_GE(surveyCheck::nearestShore(surveyArea{basins, {}}, plan.route, 2), 19.5);
}

}  // namespace
