// Survey areas laid out as routes: each must keep inside its area and out of its holes,
// record it with its survey lines' swaths, be flown in no more time than one pattern along
// its long axis, lie half a spacing inside its edges where one angle holds, and hand the
// planner no piece it would cut again. The route is checked on the sphere (surveyCheck), not in the
// layout's own plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "calcs.h"
#include "survey/surveyPattern.h"
#include "survey/surveySweeps.h"
#include "surveyCheck.h"

namespace {

constexpr double pi = 3.14159265358979323846;

using surveyCheck::shape;

surveyArea areaOf(areaRing outer, std::vector<areaRing> holes = {}) { return {std::move(outer), std::move(holes)}; }

surveyParameters spaced(double spacing, std::optional<double> angle = {}, int crossLines = 0) {
  surveyParameters p;
  p.lineSpacing = spacing;
  p.lineAngle = angle;
  p.crossLines = crossLines;
  p.maxLegMeters = 400;
  return p;
}

surveyParameters swathed(double swath, double overlap) {
  surveyParameters p = spaced(0);
  p.swathWidth = swath;
  p.overlap = overlap;
  return p;
}

// `angle`: the operator's, or the bearing of the long axis, which one pattern of lines
// across the whole area would take. `oneAngle`: every line runs at that angle, `spacing`
// apart, and the outer lines lie half a spacing inside the farthest vertices.
struct areaCase {
  const char* name;
  surveyArea area;
  surveyParameters parameters;
  double angle;
  bool oneAngle;
  double spacing;
};

const latLon home{45, 10};
const std::vector<std::array<double, 2>> rectangle{{0, 0}, {1190, 0}, {1190, 480}, {0, 480}, {0, 0}};

// A shore with `teeth` jetties 30 m wide, 300 m long and 20 m apart, on a strip 60 m deep.
std::vector<std::array<double, 2>> jetties(int teeth) {
  std::vector<std::array<double, 2>> ring{{0, 0}, {20.0 + 50 * teeth, 0}};
  for (int t = teeth - 1; t >= 0; --t) {
    const double west = 20.0 + 50 * t, east = west + 30;
    if (t < teeth - 1) ring.push_back({east, 60});
    ring.push_back({east, 360});
    ring.push_back({west, 360});
    ring.push_back({west, 60});
  }
  ring.push_back({0, 60});
  return ring;
}

const std::vector<areaCase> areas{
    {"rectangle", areaOf(shape(home, rectangle)), spaced(50), 90, true, 48},
    {"rectangle, swath less overlap", areaOf(shape(home, rectangle)), swathed(62.5, 20), 90, true, 48},
    {"rotated rectangle", areaOf(shape(home, rectangle, 30)), spaced(50), 120, true, 48},
    // The step of the L lies between two of the lines laid across the whole: each arm is
    // swept on its own, so that the strip beside the step is not left between two swaths.
    {"L", areaOf(shape(home, {{0, 0}, {1000, 0}, {1000, 510}, {500, 510}, {500, 980}, {0, 980}})), spaced(50, 90), 90,
     true, 47},
    // A square L has its long axis on the diagonal, where every line would end at a slant:
    // the lines run along its edges instead.
    {"square L", areaOf(shape(home, {{0, 0}, {1000, 0}, {1000, 400}, {400, 400}, {400, 1000}, {0, 1000}})), spaced(150),
     0, false, 133.31},
    {"U",
     areaOf(shape(home, {{0, 0}, {1000, 0}, {1000, 590}, {700, 590}, {700, 170}, {300, 170}, {300, 590}, {0, 590}})),
     spaced(50), 90, false, 420.0 / 9},
    {"comb",
     areaOf(shape(home, {{0, 0},
                         {1300, 0},
                         {1300, 770},
                         {1200, 770},
                         {1200, 190},
                         {900, 190},
                         {900, 770},
                         {800, 770},
                         {800, 190},
                         {500, 190},
                         {500, 770},
                         {400, 770},
                         {400, 190},
                         {100, 190},
                         {100, 770},
                         {0, 770}})),
     spaced(50, 90), 90, true, 580.0 / 12},
    // Lines across the teeth cross them all, each tooth a cell of its own: each line is
    // clipped near the tooth it is laid in.
    {"eighty jetties", areaOf(shape(home, jetties(80))), spaced(10), 90, false, 10},
    {"hole",
     areaOf(shape(home, {{0, 0}, {1000, 0}, {1000, 790}, {0, 790}}),
            {shape(home, {{350, 310}, {650, 310}, {650, 500}, {350, 500}})}),
     spaced(50), 90, false, 290.0 / 6},
    // Away from the centre the sides of a hole (meridians here) slant in the layout plane:
    // the cells beside it must still reach its top and bottom.
    {"hole far from the centre",
     areaOf(shape(home, {{0, 0}, {6500, 0}, {6500, 1110}, {0, 1110}}),
            {shape(home, {{1300, 330}, {1560, 330}, {1560, 500}, {1300, 500}})}),
     spaced(90), 90, false, 87.22},
    {"diamond hole",
     areaOf(shape(home, {{0, 0}, {2000, 0}, {2000, 1000}, {0, 1000}}),
            {shape(home, {{1500, 350}, {1650, 500}, {1500, 650}, {1350, 500}})}),
     spaced(50), 90, false, 50},
    {"across the antimeridian", areaOf(shape({10, 179.995}, rectangle)), spaced(50), 90, true, 48},
    {"70 north", areaOf(shape({70, 20}, {{0, 0}, {2000, 0}, {2000, 990}, {0, 990}})), spaced(100), 90, true, 99},
    {"southern, slanted ends, cross lines",
     areaOf(shape({-33.9, 151.3}, {{0, 0}, {1500, 0}, {1782.9, 490}, {282.9, 490}})), spaced(50, {}, 3), 90, true, 49},
};

std::array<double, 3> unit(latLon p) {
  const double f = p.lat * pi / 180, l = p.lon * pi / 180;
  return {std::cos(f) * std::cos(l), std::cos(f) * std::sin(l), std::sin(f)};
}

// The signed metres from q to the great circle with pole n.
double offset(const std::array<double, 3>& n, latLon q) {
  const auto u = unit(q);
  return std::asin(n[0] * u[0] + n[1] * u[1] + n[2] * u[2]) * 6371000;
}

class surveyAreas : public ::testing::TestWithParam<areaCase> {};

TEST_P(surveyAreas, linesStayInsideAndSwathsCover) {
  const areaCase& c = GetParam();
  const surveyPlan plan = planSurvey(c.area, c.parameters);
  const double asked = c.parameters.lineSpacing > 0 ? c.parameters.lineSpacing
                                                    : c.parameters.swathWidth * (1 - c.parameters.overlap / 100);
  const double halfSwath = (c.parameters.swathWidth > 0 ? c.parameters.swathWidth : asked) / 2;
  EXPECT_LE(plan.spacing, asked);
  if (!c.parameters.lineAngle) {
    // The layout chosen is flown in no more time than one pattern across the whole area
    // along its long axis.
    surveyParameters along = c.parameters;
    along.lineAngle = c.angle;
    const surveyCosts costs;
    EXPECT_LE(surveySeconds(plan, costs), surveySeconds(planSurvey(c.area, along), costs) + 1e-6);
  }

  // Every leg, transits included, inside the area and out of its holes.
  EXPECT_EQ(surveyCheck::worstStray(c.area, plan.route, 2, 0.5), 0) << "the route leaves the area";

  // No piece the planner would cut again, and the pieces of a line all alike.
  for (size_t i = 0; i + 1 < plan.route.size(); ++i) {
    const latLon a = plan.route[i], b = plan.route[i + 1];
    ASSERT_LE(dist(a.lat, a.lon, b.lat, b.lon), c.parameters.maxLegMeters) << "leg " << i;
  }
  size_t at = 0;
  for (const surveyLine& line : plan.lines) {
    while (plan.route[at].lat != line.start.lat || plan.route[at].lon != line.start.lon) ++at;
    const double first = dist(line.start.lat, line.start.lon, plan.route[at + 1].lat, plan.route[at + 1].lon);
    for (; plan.route[at].lat != line.end.lat || plan.route[at].lon != line.end.lon; ++at) {
      const latLon a = plan.route[at], b = plan.route[at + 1];
      EXPECT_NEAR(dist(a.lat, a.lon, b.lat, b.lon), first, 0.01) << "a short piece on a line";
    }
  }

  if (c.oneAngle) {
    EXPECT_NEAR(plan.spacing, c.spacing, 0.05);
    EXPECT_NEAR(plan.lineAngle, c.angle, 0.5);
    // The outer lines lie half a spacing inside the farthest vertices on either side, and
    // no two neighbouring lines farther apart than the spacing asked for.
    std::vector<std::array<double, 3>> poles;
    for (const surveyLine& line : plan.lines) {
      if (line.cross || line.boundary) continue;
      const auto a = unit(line.start), b = unit(line.end);
      std::array<double, 3> n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
      const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      const double sign = poles.empty() || n[0] * poles[0][0] + n[1] * poles[0][1] + n[2] * poles[0][2] > 0 ? 1 : -1;
      poles.push_back({sign * n[0] / len, sign * n[1] / len, sign * n[2] / len});
    }
    double inPlus = HUGE_VAL, inMinus = HUGE_VAL;
    std::vector<double> across;
    for (const auto& n : poles) {
      double most = -HUGE_VAL, least = HUGE_VAL;
      for (const latLon& q : c.area.outer) most = std::max(most, offset(n, q)), least = std::min(least, offset(n, q));
      inPlus = std::min(inPlus, most);
      inMinus = std::min(inMinus, -least);
      across.push_back(-offset(n, c.area.outer[0]));
    }
    std::sort(across.begin(), across.end());
    // Lines of separate cells less than a metre apart run at one level.
    across.erase(std::unique(across.begin(), across.end(), [](double l, double r) { return r - l < 1; }), across.end());
    ASSERT_GE(across.size(), 2u);
    EXPECT_NEAR(inMinus, (across[1] - across[0]) / 2, 0.05);
    EXPECT_NEAR(inPlus, (across[across.size() - 1] - across[across.size() - 2]) / 2, 0.05);
    for (size_t i = 1; i < across.size(); ++i) EXPECT_LE(across[i] - across[i - 1], asked + 0.01);
    // A pass along the boundary runs only where the lines meet it at a slant: along an edge
    // the lines follow, or one they meet square, their swaths leave nothing to sweep.
    for (const surveyLine& line : plan.lines) {
      if (!line.boundary) continue;
      const auto a = unit(line.start), b = unit(line.end);
      std::array<double, 3> n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
      const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      const double cosine = std::fabs(n[0] * poles[0][0] + n[1] * poles[0][1] + n[2] * poles[0][2]) / len;
      EXPECT_GT(cosine, 0.01) << "a leg of the pass square to the lines";
      EXPECT_LT(cosine, 0.9999) << "a leg of the pass along the lines";
    }
  }

  // The survey lines' swaths, flat at their ends and less the run-in, record the area,
  // and the summary's figure is theirs.
  const double recorded = surveyCheck::lineCoverage(c.area, plan.lines, halfSwath, c.parameters.runIn, 40000);
  EXPECT_GE(recorded, 99.9);
  EXPECT_GE(plan.coveragePercent, 99.9);
  EXPECT_NEAR(plan.coveragePercent, recorded, 0.15);
}

INSTANTIATE_TEST_SUITE_P(table, surveyAreas, ::testing::ValuesIn(areas), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
});

// The first line starts at the corner asked for, or at the line end nearest the launch.
TEST(surveyEntry, startsAtTheCornerAskedFor) {
  const surveyArea area = areaOf(shape(home, rectangle));
  const struct {
    entryCorner corner;
    std::optional<latLon> start;
    std::array<double, 2> expected;  // metres east and north of home
  } cases[] = {{entryCorner::southWest, {}, {0, 24}},
               {entryCorner::northEast, {}, {1190, 456}},
               {entryCorner::southEast, {}, {1190, 24}},
               {entryCorner::northWest, {}, {0, 456}},
               {entryCorner::northEast, shape(home, {{1300, -200}})[0], {1190, 24}}};
  for (const auto& c : cases) {
    surveyParameters p = spaced(50);
    p.entry = c.corner;
    p.start = c.start;
    const latLon first = planSurvey(area, p).route.front();
    const latLon expected = shape(home, {c.expected})[0];
    EXPECT_LT(dist(first.lat, first.lon, expected.lat, expected.lon), 1.0);
  }
}

// Each line runs on past the boundary by the run-in, so that the sonar is steady where the
// area begins: the turns lie outside, within the run-in, and the swaths cover as before.
// Never into a hole, and only half way across a notch.
TEST(surveyRunIn, linesRunOnPastTheBoundaryWhereThereIsRoom) {
  const surveyArea area = areaOf(shape(home, rectangle));
  surveyParameters p = spaced(50);
  const surveyPlan plain = planSurvey(area, p);
  p.runIn = 30;
  const surveyPlan runOn = planSurvey(area, p);
  ASSERT_EQ(runOn.lines.size(), plain.lines.size());
  EXPECT_NEAR(runOn.lineMeters, plain.lineMeters + 60.0 * static_cast<double>(plain.lines.size()), 0.1);
  EXPECT_GT(surveyCheck::worstStray(area, runOn.route, 2, 0.5), 29);
  EXPECT_EQ(surveyCheck::worstStray(area, runOn.route, 2, 30.5), 0);
  EXPECT_GE(runOn.coveragePercent, 99.9);

  // A hole the lines beside it end at, and a notch 40 m wide from the top.
  const areaRing hole = shape(home, {{300, 150}, {400, 150}, {400, 250}, {300, 250}});
  const surveyArea notched = areaOf(
      shape(home, {{0, 0}, {1190, 0}, {1190, 480}, {700, 480}, {700, 300}, {660, 300}, {660, 480}, {0, 480}}), {hole});
  const surveyPlan aside = planSurvey(notched, p);
  const surveyArea aroundAll = areaOf(shape(home, {{-100, -100}, {1290, -100}, {1290, 580}, {-100, 580}}), {hole});
  EXPECT_EQ(surveyCheck::worstStray(aroundAll, aside.route, 2, 0.5), 0) << "into the hole";
  const surveyArea farSideOfTheMiddle = areaOf(shape(home, {{681, 301}, {699, 301}, {699, 479}, {681, 479}}));
  const surveyArea nearSideOfTheMiddle = areaOf(shape(home, {{661, 301}, {679, 301}, {679, 479}, {661, 479}}));
  // The lines on either side of the notch stop at its middle, 20 m from each side.
  int inNotch = 0;
  for (const latLon& q : aside.route) {
    inNotch += surveyCheck::inside(farSideOfTheMiddle, q, 0) || surveyCheck::inside(nearSideOfTheMiddle, q, 0);
  }
  EXPECT_EQ(inNotch, 0) << "short of or past the middle of the notch";
  EXPECT_EQ(surveyCheck::worstStray(notched, aside.route, 2, 30.5), 0);
}

struct refusalCase {
  const char* name;
  surveyArea area;
  surveyFault fault;
  int ring, vertex;
  const char* words;
};

TEST(surveyRefusals, nameThePlaceAndTheReason) {
  const areaRing outer = shape(home, {{0, 0}, {1000, 0}, {1000, 800}, {0, 800}});
  const areaRing inner = shape(home, {{300, 300}, {600, 300}, {600, 500}, {300, 500}});
  const refusalCase cases[] = {
      {"two vertices", areaOf({{45, 10}, {45, 10.01}, {45, 10}}), surveyFault::tooFewVertices, 0, 0, "2 distinct"},
      {"repeats", areaOf({{45, 10}, {45, 10}, {45.01, 10}, {45.01, 10}, {45, 10}}), surveyFault::tooFewVertices, 0, 0,
       "2 distinct"},
      {"not a position", areaOf({{45, 10}, {95, 10}, {45, 10.1}}), surveyFault::badPosition, 0, 2, "vertex 2"},
      {"bow tie", areaOf(shape(home, {{0, 0}, {1000, 0}, {0, 500}, {1000, 500}})), surveyFault::selfCrossing, 0, 2,
       "outer boundary crosses itself: the edge from vertex 2 to vertex 3 meets the edge from vertex 4 to vertex 1"},
      {"on one meridian", areaOf({{45, 10}, {45.005, 10}, {45.01, 10}}), surveyFault::noArea, 0, 0, "encloses no area"},
      {"hole outside", areaOf(outer, {shape(home, {{1300, 300}, {1600, 300}, {1600, 500}})}), surveyFault::holeOutside,
       1, 1, "inner boundary 1 lies outside"},
      {"hole across the edge", areaOf(outer, {shape(home, {{800, 300}, {1200, 300}, {1200, 500}, {800, 500}})}),
       surveyFault::holeCrossing, 1, 0, "inner boundary 1 crosses the outer boundary"},
      {"hole in a hole", areaOf(outer, {inner, shape(home, {{400, 350}, {500, 350}, {500, 450}})}),
       surveyFault::holeInHole, 2, 1, "inner boundary 2 lies inside inner boundary 1"},
      {"too wide", areaOf(shape(home, {{0, 0}, {150000, 0}, {150000, 150000}, {0, 150000}})), surveyFault::tooWide, 0,
       0, "km apart; an area may span at most 200.0 km"},
  };
  for (const refusalCase& c : cases) {
    try {
      planSurvey(c.area, spaced(50));
      ADD_FAILURE() << c.name << ": laid out";
    } catch (const surveyError& e) {
      EXPECT_EQ(e.fault, c.fault) << c.name << ": " << e.what();
      EXPECT_EQ(e.ring, c.ring) << c.name;
      if (c.vertex > 0) {
        EXPECT_EQ(e.vertex, c.vertex) << c.name;
      }
      EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << c.name << ": " << e.what();
    }
  }
}

}  // namespace

// Steps, notches and holes at random places, sizes and bearings, lines along the default
// angle: every route keeps inside and its swaths cover the area.
TEST(surveyShapes, randomStepsNotchesAndHolesAreCovered) {
  unsigned seed = 7;
  const auto rnd = [&seed](double lo, double hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + (hi - lo) * ((seed >> 8) & 0xffff) / 65535.0;
  };
  for (int n = 0; n < 60; ++n) {
    const double w = rnd(500, 3000), h = rnd(300, 2000), turn = rnd(0, 180), spacing = rnd(20, 200);
    const latLon ref{rnd(-70, 70), rnd(-179, 179)};
    std::vector<std::array<double, 2>> outer;
    std::vector<areaRing> holes;
    const double a = rnd(0.1, 0.45) * w, b = rnd(0.55, 0.9) * w, c = rnd(0.1, 0.5) * h, d = rnd(0.5, 0.9) * h;
    switch (n % 4) {
      case 0: outer = {{0, 0}, {w, 0}, {w, c}, {a, c}, {a, h}, {0, h}}; break;                  // L
      case 1: outer = {{0, 0}, {w, 0}, {w, h}, {b, h}, {b, c}, {a, c}, {a, h}, {0, h}}; break;  // U
      case 2: outer = {{0, 0}, {w, 0}, {w, c}, {b, c}, {b, d}, {a, d}, {a, h}, {0, h}}; break;  // stairs
      default:
        outer = {{0, 0}, {w, 0}, {w, h}, {0, h}};
        holes.push_back(shape(ref, {{a, c}, {b, c}, {b, d}, {a, d}}, turn));
    }
    const surveyArea area = areaOf(shape(ref, outer, turn), holes);
    surveyParameters p = spaced(spacing);
    p.maxLegMeters = 3600;
    const surveyPlan plan = planSurvey(area, p);
    EXPECT_EQ(surveyCheck::worstStray(area, plan.route, 2, 0.5), 0) << "shape " << n;
    EXPECT_GE(plan.coveragePercent, 99.9) << "shape " << n;
    EXPECT_GE(surveyCheck::sampledCoverage(area, plan.route, spacing / 2, 20000), 99.8) << "shape " << n;
  }
  // The meridians at the sides of a square 10 km wide slant 8 m across 10 m lines east and
  // west: a slant the lines step along, not a step that would split the square into cells.
  surveyArea square;
  const double north = 10000 / 111195.0, east = north / std::cos(pi / 4);
  square.outer = {{45, 10}, {45, 10 + east}, {45 + north, 10 + east}, {45 + north, 10}};
  const surveyPlan plan = planSurvey(square, spaced(10, 90));
  EXPECT_EQ(plan.lines.size(), 1000u);
  EXPECT_EQ(plan.cells, 1);
}

// A vehicle that cannot turn onto the next line flies the lines out of order: every turn
// between two lines spans twice its radius, and the lines and their coverage stay as they
// were. Lines already twice the radius apart keep their order.
TEST(surveyTurns, linesCloserThanTheTurnAreFlownOutOfOrder) {
  const surveyArea area = areaOf(shape(home, rectangle));
  const surveyPlan plain = planSurvey(area, spaced(20, 90));
  for (const double radius : {5.0, 30.0, 70.0}) {
    surveyParameters p = spaced(20, 90);
    p.turnRadius = radius;
    const surveyPlan turned = planSurvey(area, p);
    ASSERT_EQ(turned.lines.size(), plain.lines.size()) << radius;
    EXPECT_NEAR(turned.coveragePercent, plain.coveragePercent, 0.01) << radius;
    for (size_t i = 1; i < turned.lines.size(); ++i) {
      const latLon a = turned.lines[i - 1].end, b = turned.lines[i].start;
      EXPECT_GE(dist(a.lat, a.lon, b.lat, b.lon), 2 * radius - 0.5) << "turn " << i << " at radius " << radius;
    }
    if (radius < 10) {
      ASSERT_EQ(turned.route.size(), plain.route.size());
      for (size_t i = 0; i < plain.route.size(); ++i) {
        EXPECT_EQ(turned.route[i].lat, plain.route[i].lat);
        EXPECT_EQ(turned.route[i].lon, plain.route[i].lon);
      }
    }
  }
}

// A line clipped near a part of it only, as the cells of a comb crossed at a slant clip
// theirs, gives the stretches the whole line clipped gives there, to the bit: at the
// levels of the lines, and at the levels of the corners and of level edges (the top of a
// square hole), where a line touches the boundary.
TEST(surveyClips, aLineClippedNearAPartIsTheWholeLineClippedThere) {
  const auto aroundIn = [](const std::vector<std::pair<double, double>>& all, double from, double to) {
    size_t first = 0, last = 0;
    while (first < all.size() && all[first].second < from) ++first;
    if (first > 0) --first;
    for (last = first; last < all.size() && !(all[last].first > to); ++last) {
    }
    if (last < all.size()) ++last;
    return std::vector<std::pair<double, double>>(all.begin() + static_cast<long>(first),
                                                  all.begin() + static_cast<long>(last));
  };
  const std::vector<surveyArea> areas{
      areaOf(shape(home, jetties(30))),
      areaOf(shape(home, {{0, 0}, {2000, 0}, {2000, 1000}, {0, 1000}}),
             {shape(home, {{1500, 350}, {1650, 500}, {1500, 650}, {1350, 500}}),
              shape(home, {{300, 300}, {600, 300}, {600, 600}, {300, 600}}),
              shape(home, {{800, 500}, {1000, 400}, {1000, 600}})}),
      areaOf(shape(home, {{0, 0}, {1000, 0}, {1000, 590}, {700, 590}, {700, 170}, {300, 170}, {300, 590}, {0, 590}})),
  };
  unsigned seed = 11;
  const auto rnd = [&seed](double lo, double hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + (hi - lo) * ((seed >> 8) & 0xffff) / 65535.0;
  };
  size_t compared = 0;
  for (const surveyArea& area : areas) {
    const projectedArea projected = checkArea(area);
    for (const double angle : {0.0, 33.0, 90.0, 135.0}) {
      const sweepSet set = laySweeps(projected, angle, 10, 0, 100000);
      const nearClips near(set, true);
      std::vector<double> levels = set.across;
      for (const auto& edge : set.edges) levels.push_back(edge[0].y);
      const double extent = set.uMax - set.uMin;
      for (const double v : levels) {
        const auto whole = clipAt(set, v);
        for (int k = 0; k < 4; ++k) {
          const double from = rnd(set.uMin - 50, set.uMax + 50), to = from + rnd(0, 0.3 * extent);
          ASSERT_EQ(near.around(v, from, to), aroundIn(whole, from, to))
              << "angle " << angle << " level " << v << " from " << from << " to " << to;
          ++compared;
        }
      }
    }
  }
  EXPECT_GT(compared, 5000u);
}
