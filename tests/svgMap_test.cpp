// The picture of the plan, read back with an XML parser: what it draws must be what the
// plan says. Waypoints stand where their positions put them at the scale the bar shows,
// north up; the profile's time axis ends at the later of the timer and the route's end;
// no text covers another, even on a dense survey; and the example's bytes are the golden
// file's.
#include "picture/svgMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "calcs.h"
#include "goldenFiles.h"
#include "maps/mapExport.h"
#include "report/surfacingTime.h"
#include "settings.h"
#include "support/routeTest.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"

namespace {

struct xy {
  double x = 0;
  double y = 0;
};

// The points of a path's `d` attribute, one list per subpath (M L H V h a Z, repeated
// coordinates continuing the last command; a circular arc gives its middle point and its
// end point).
std::vector<std::vector<xy>> subpaths(const std::string& d) {
  std::vector<std::vector<xy>> paths;
  const char* at = d.c_str();
  char command = 0;
  xy current;
  const auto number = [&] {
    char* end = nullptr;
    const double v = std::strtod(at, &end);
    EXPECT_NE(end, at) << "a number in " << d;
    at = end;
    return v;
  };
  while (*at != '\0') {
    while (*at == ' ' || *at == ',') ++at;
    if (*at == '\0') break;
    if (std::isalpha(static_cast<unsigned char>(*at))) command = *at++;
    if (command == 'Z') continue;
    if (command == 'M') {
      current.x = number();
      current.y = number();
      paths.push_back({current});
      command = 'L';
      continue;
    }
    if (command == 'L') {
      current.x = number();
      current.y = number();
    } else if (command == 'H') {
      current.x = number();
    } else if (command == 'V') {
      current.y = number();
    } else if (command == 'h') {
      current.x += number();
    } else if (command == 'a') {
      const double r = number();
      number();  // the second radius, the same
      number();  // rotation
      const double large = number();
      const double sweep = number();
      const double dx = number(), dy = number();
      const double chord = std::hypot(dx, dy);
      // The arc's middle lies off the chord's middle, on the left of it when it sweeps
      // toward negative angles.
      const double off = r + (large != 0 ? 1 : -1) * std::sqrt(std::max(0.0, r * r - chord * chord / 4));
      const double side = sweep != 0 ? -1 : 1;
      paths.back().push_back(
          {current.x + dx / 2 - side * off * dy / chord, current.y + dy / 2 + side * off * dx / chord});
      current.x += dx;
      current.y += dy;
    } else {
      ADD_FAILURE() << "unexpected path command " << command;
      break;
    }
    paths.back().push_back(current);
  }
  return paths;
}

// The middle of a subpath's points: a mark's centre.
xy middleOf(const std::vector<xy>& points) {
  double left = HUGE_VAL, right = -HUGE_VAL, top = HUGE_VAL, bottom = -HUGE_VAL;
  for (const xy& p : points) {
    left = std::min(left, p.x), right = std::max(right, p.x);
    top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  return {(left + right) / 2, (top + bottom) / 2};
}

// What the picture shows besides the planned route and its settings.
struct pictureInputs {
  std::string routeFile;
  std::vector<std::string> setFiles;
  std::optional<missionSurvey> survey;
  warningLog warnings;
};

std::string pictureOf(const pictureInputs& inputs, const std::string& name = "2014_119_148.svg") {
  return mapText(mapFormat::svg, describeMission(inputs.routeFile, inputs.setFiles, &inputs.warnings, inputs.survey),
                 name);
}

pugi::xml_node byId(const pugi::xml_document& doc, const std::string& id) {
  return doc.select_node(("//*[@id='" + id + "']").c_str()).node();
}

double attribute(pugi::xml_node n, const char* name) { return n.attribute(name).as_double(); }

// A text as drawn: its baseline point, anchor and inherited font size.
struct shownText {
  std::string text;
  double x, y, size;
  std::string anchor;
};

std::vector<shownText> textsUnder(pugi::xml_node root) {
  std::vector<shownText> texts;
  for (const pugi::xpath_node& found : root.select_nodes(".//text")) {
    const pugi::xml_node t = found.node();
    double size = 16;
    for (pugi::xml_node n = t; n; n = n.parent()) {
      if (n.attribute("font-size")) {
        size = attribute(n, "font-size");
        break;
      }
    }
    texts.push_back({t.child_value(), attribute(t, "x"), attribute(t, "y"), size,
                     t.attribute("text-anchor") ? t.attribute("text-anchor").value() : "start"});
  }
  return texts;
}

// The least room a text takes in any sans-serif font: 0.55 em a character, from 0.7 em
// above the baseline down to it.
struct rect {
  double left, top, right, bottom;
};
rect boxOf(const shownText& t) {
  const double characters = static_cast<double>(std::count_if(
      t.text.begin(), t.text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
  const double width = 0.55 * t.size * characters;
  const double left = t.anchor == "middle" ? t.x - width / 2 : t.anchor == "end" ? t.x - width : t.x;
  return {left, t.y - 0.7 * t.size, left + width, t.y};
}

// The texts of `texts` that cover one another, as "A / B".
std::vector<std::string> overlapping(const std::vector<shownText>& texts) {
  std::vector<std::string> found;
  for (size_t i = 0; i < texts.size(); ++i) {
    for (size_t j = i + 1; j < texts.size(); ++j) {
      const rect a = boxOf(texts[i]);
      const rect b = boxOf(texts[j]);
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) {
        found.push_back(texts[i].text + " / " + texts[j].text);
      }
    }
  }
  return found;
}

void addRoute(const std::vector<std::pair<double, double>>& points) {
  for (const auto& [lat, lon] : points) insertLatLonEnd(lat, lon);
  planRoute();
}

const std::vector<std::pair<double, double>> exampleRoute = {
    {45.0, 10.0}, {45.045, 10.0}, {45.06, 10.05}, {45.03, 10.11}, {45.005, 10.06}};

class PictureTest : public routeTest {
 protected:
  void SetUp() override { routeTest::SetUp(); }
  void TearDown() override { routeTest::TearDown(); }

  // The picture of the planned route, parsed; the test fails when it is not well formed.
  void parse(const std::string& name = "2014_119_148.svg") {
    svg_ = pictureOf(planPicture, name);
    const pugi::xml_parse_result result = doc_.load_string(svg_.c_str());
    ASSERT_TRUE(result) << result.description() << " at byte " << result.offset;
  }

  std::vector<shownText> texts(const std::string& id) const { return textsUnder(byId(doc_, id)); }

  // The chart position of every waypoint, from the marks of its kind in route order.
  std::vector<xy> markPositions() const {
    const std::vector<xy> launch = subpaths(byId(doc_, "mark-launch").attribute("d").value()).at(0);
    std::vector<xy> marks[2];
    const char* ids[2] = {"marks-given", "marks-added"};
    for (int k = 0; k < 2; ++k) {
      const pugi::xml_node path = byId(doc_, ids[k]);
      if (!path) continue;
      for (const auto& mark : subpaths(path.attribute("d").value())) marks[k].push_back(middleOf(mark));
    }
    std::vector<xy> at;
    size_t next[2] = {0, 0};
    for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
      if (n == headNodePtr) {
        at.push_back({(launch[0].x + launch[1].x + launch[2].x) / 3, (launch[0].y + launch[1].y + launch[2].y) / 3});
        continue;
      }
      const int k = n->inserted ? 1 : 0;
      EXPECT_LT(next[k], marks[k].size()) << "a mark for waypoint " << n->wptNumber;
      at.push_back(next[k] < marks[k].size() ? marks[k][next[k]++] : xy{});
    }
    EXPECT_EQ(next[0], marks[0].size());
    EXPECT_EQ(next[1], marks[1].size());
    return at;
  }

  // Pixels per metre, from the scale bar's length and its label.
  double barScale() const {
    const pugi::xml_node bar = byId(doc_, "scale-bar");
    const pugi::xml_node line = bar.child("line");
    EXPECT_EQ(attribute(line, "y1"), attribute(line, "y2"));
    const std::string label = bar.child("text").child_value();
    const double value = std::strtod(label.c_str(), nullptr);
    EXPECT_TRUE(label == std::to_string(static_cast<int>(value)) + " m" ||
                label == std::to_string(static_cast<int>(value)) + " km")
        << label;
    const double meters = value * (label.find("km") != std::string::npos ? 1000 : 1);
    return (attribute(line, "x2") - attribute(line, "x1")) / meters;
  }

  pictureInputs planPicture;
  std::string svg_;
  pugi::xml_document doc_;
};

// The bundled route with the answers of the README's example (every default, samplers not
// armed); its picture is also the README's.
TEST_F(PictureTest, TheExampleRouteIsTheGoldenPicture) {
  kallopMission = 0;
  addRoute(exampleRoute);
  planPicture.routeFile = "route.txt";
  planPicture.setFiles = {"2014_119_148.cfg", "2014_119_148.wpt", "2014_119_148.pts", "2014_119_148.svg"};
  const std::string svg = pictureOf(planPicture);
  if (svg != goldenFile("example_plan.svg")) std::ofstream("example_plan.svg.actual", std::ios::binary) << svg;
  EXPECT_EQ(svg, goldenFile("example_plan.svg")) << "the picture is in example_plan.svg.actual";
}

// Every path of the picture draws something of its own extent, and the marks are filled
// shapes at least 2 px across: a path of length 0, drawn by its line caps alone, is left
// out by some renderers (librsvg drew none of the marks of added surfacings).
TEST_F(PictureTest, EveryMarkIsAFilledShapeEveryRendererDraws) {
  const std::vector<std::vector<std::pair<double, double>>> routes = {
      exampleRoute, {{45, 10}, {45.0003, 10}, {45.0006, 10.0004}, {45.0009, 10}, {45.03, 10}}};  // marks at half size
  for (const auto& route : routes) {
    destroyList();
    addRoute(route);
    parse();
    for (const pugi::xpath_node& found : doc_.select_nodes("//path")) {
      const std::string id = found.node().attribute("id").value(), fill = found.node().attribute("fill").value();
      const bool mark = id.rfind("marks-", 0) == 0 || id.rfind("surfacings-", 0) == 0;
      EXPECT_TRUE(!mark || (fill != "" && fill != "none")) << id;
      for (const std::vector<xy>& sub : subpaths(found.node().attribute("d").value())) {
        double width = 0, height = 0;
        for (const xy& p : sub) {
          width = std::max(width, std::fabs(p.x - sub[0].x));
          height = std::max(height, std::fabs(p.y - sub[0].y));
        }
        EXPECT_GT(width + height, 0) << "a path of length 0: " << id;
        EXPECT_TRUE(!mark || (width >= 2 && height >= 2)) << id;
      }
    }
  }
}

// Each waypoint's mark stands where the chart's true-scale plane puts it: every pair of
// waypoints as far apart on the chart, at the scale bar's scale, as on the sphere, and in
// the direction of the heading between them, north up; across the antimeridian as
// anywhere. Around a pole, where every meridian points another way, the distances hold.
TEST_F(PictureTest, WaypointsStandAtTheirPositionsAtTheScaleBarsScale) {
  struct chartCase {
    std::vector<std::pair<double, double>> route;
    bool northUp;
  };
  const std::vector<chartCase> cases = {{exampleRoute, true},
                                        {{{10, 179.9}, {10.05, -179.95}, {10, -179.9}}, true},
                                        {{{-33.9, 151.2}, {-33.85, 151.3}}, true},
                                        {{{89.95, 0}, {89.9, 10}, {89.92, 120}}, false}};
  for (const auto& [route, northUp] : cases) {
    SCOPED_TRACE("route from " + std::to_string(route[0].first) + " " + std::to_string(route[0].second));
    destroyList();
    addRoute(route);
    parse();
    const pugi::xml_node frame = byId(doc_, "chart-frame");
    const rect inside{attribute(frame, "x"), attribute(frame, "y"), attribute(frame, "x") + attribute(frame, "width"),
                      attribute(frame, "y") + attribute(frame, "height")};
    const std::vector<xy> at = markPositions();
    const double k = barScale();
    std::vector<const node*> nodes;
    for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) nodes.push_back(n);
    ASSERT_EQ(at.size(), nodes.size());
    for (size_t i = 0; i < at.size(); ++i) {
      EXPECT_TRUE(at[i].x > inside.left && at[i].x < inside.right && at[i].y > inside.top && at[i].y < inside.bottom)
          << "waypoint " << i << " at " << at[i].x << " " << at[i].y;
      for (size_t j = i + 1; j < at.size(); ++j) {
        const double dx = at[j].x - at[i].x;
        const double dy = at[j].y - at[i].y;
        const double pixels = std::hypot(dx, dy);
        if (pixels < 40) continue;
        const double meters = dist(nodes[i]->Lat, nodes[i]->Lon, nodes[j]->Lat, nodes[j]->Lon);
        EXPECT_NEAR(pixels / k, meters, meters * 0.002 + 0.15 / k) << i << " to " << j;
        const double drawn = std::atan2(dx, -dy) * 180 / 3.14159265358979;
        const double planned = heading(nodes[i]->Lat, nodes[i]->Lon, nodes[j]->Lat, nodes[j]->Lon);
        if (northUp) {
          EXPECT_NEAR(std::remainder(drawn - planned, 360), 0, 0.25) << i << " to " << j;
        }
      }
    }
  }
}

// The graticule is where the latitudes and longitudes are: waypoint 1 of the example, at
// 45N 10E exactly, stands where the lines labelled 45°00'N and 10°00'E cross, and the north
// arrow points up.
TEST_F(PictureTest, TheGraticuleLinesCrossAtTheirLatitudeAndLongitude) {
  addRoute(exampleRoute);
  parse();
  const xy first = markPositions().at(1);
  const auto lineLabelled = [&](const char* kind, const std::string& label) {
    for (const pugi::xpath_node& g : doc_.select_nodes(("//g[@class='" + std::string(kind) + "']").c_str())) {
      if (label == g.node().child_value("text")) return subpaths(g.node().child("path").attribute("d").value()).at(0);
    }
    ADD_FAILURE() << "no graticule line labelled " << label;
    return std::vector<xy>{};
  };
  // The line's coordinate `want` (y or x) where its other coordinate is `at`.
  const auto crossing = [](const std::vector<xy>& line, double at, bool yAtX) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
      const double a = yAtX ? line[i].x : line[i].y;
      const double b = yAtX ? line[i + 1].x : line[i + 1].y;
      if ((a - at) * (b - at) <= 0 && a != b) {
        const double t = (at - a) / (b - a);
        return yAtX ? line[i].y + t * (line[i + 1].y - line[i].y) : line[i].x + t * (line[i + 1].x - line[i].x);
      }
    }
    ADD_FAILURE() << "the line does not pass " << at;
    return 0.0;
  };
  EXPECT_NEAR(crossing(lineLabelled("parallel",
                                    "45\xC2\xB0"
                                    "00'N"),
                       first.x, true),
              first.y, 0.3);
  EXPECT_NEAR(crossing(lineLabelled("meridian",
                                    "10\xC2\xB0"
                                    "00'E"),
                       first.y, false),
              first.x, 0.3);
  const std::vector<xy> arrow = subpaths(byId(doc_, "north-arrow").child("path").attribute("d").value()).at(0);
  EXPECT_NEAR(arrow[0].x, arrow[2].x, 0.1);
  EXPECT_LT(arrow[0].y, arrow[2].y - 10);
}

// The profile's time axis is linear, ends at the later of the timer and the route's end,
// and puts the timer, the route's end and every surfacing where the time estimate does;
// a timer that ends the mission first shows in the warning colour. Depth lines stand at
// their depths on the depth axis.
TEST_F(PictureTest, TheProfileTimesAndDepthsAreThoseOfThePlan) {
  struct profileCase {
    int gpsHits;
    int yoyo;
    bool timerFirst;
  };
  for (const profileCase& c : {profileCase{30, 1, false}, profileCase{300, 1, true}, profileCase{30, 0, false}}) {
    SCOPED_TRACE("GPS hits " + std::to_string(c.gpsHits) + ", yoyo " + std::to_string(c.yoyo));
    destroyList();
    resetSettings();
    gpsHits = c.gpsHits;
    yoyoMission = c.yoyo;
    addRoute(exampleRoute);
    parse();
    // Seconds to pixels, from the labels of the time axis.
    std::vector<std::pair<double, double>> ticks;  // seconds, x
    for (const shownText& t : texts("time-axis")) {
      int h = 0, m = 0;
      if (std::sscanf(t.text.c_str(), "%d:%d", &h, &m) == 2) ticks.push_back({h * 3600.0 + m * 60.0, t.x});
    }
    ASSERT_GE(ticks.size(), 3u);
    const double perSecond = (ticks.back().second - ticks.front().second) / (ticks.back().first - ticks.front().first);
    const auto xOf = [&](double seconds) { return ticks.front().second + (seconds - ticks.front().first) * perSecond; };
    for (const auto& [seconds, x] : ticks) EXPECT_NEAR(x, xOf(seconds), 0.1) << seconds;

    long long legs = 0;
    double underWay = 0;
    std::vector<double> surfaced;
    const missionSettings settings = currentSettings();
    const double ascent = ascentSeconds(legEndDepth(settings));
    for (const node* n = headNodePtr; n->nextPtr != nullptr; n = n->nextPtr, ++legs) {
      surfaced.push_back((surfaced.empty() ? 0 : surfaced.back()) + beforeLegSeconds(settings) + n->legSecs + ascent);
      underWay += n->legSecs;
    }
    const double routeEnd = underWay + static_cast<double>(legs) * surfacingSeconds(settings, legEndDepth(settings));
    const double timer = std::nearbyint(missionTime);
    EXPECT_EQ(timer < routeEnd, c.timerFirst);
    const pugi::xml_node frame = byId(doc_, "profile-frame");
    EXPECT_NEAR(attribute(frame, "x") + attribute(frame, "width"), xOf(std::max(timer, routeEnd)), 0.1);
    const pugi::xml_node timerLine = byId(doc_, "timer");
    EXPECT_NEAR(attribute(timerLine, "x1"), xOf(timer), 0.1);
    EXPECT_NEAR(attribute(byId(doc_, "route-end"), "x1"), xOf(routeEnd), 0.1);
    EXPECT_EQ(std::string(timerLine.attribute("stroke").value()) == "#d62728", c.timerFirst);
    EXPECT_EQ(static_cast<bool>(byId(doc_, "after-timer")), c.timerFirst);

    std::vector<double> marks;
    for (const char* id : {"surfacings-given", "surfacings-added"}) {
      for (const auto& mark : subpaths(byId(doc_, id).attribute("d").value())) marks.push_back(middleOf(mark).x);
    }
    std::sort(marks.begin(), marks.end());
    ASSERT_EQ(marks.size(), surfaced.size());
    for (size_t i = 0; i < marks.size(); ++i) EXPECT_NEAR(marks[i], xOf(surfaced[i]), 0.1) << "surfacing " << i + 1;

    // Metres to pixels, from the depth axis's labels, drawn 3.5 px below their lines.
    std::vector<std::pair<double, double>> depths;  // metres, y
    for (const shownText& t : texts("depth-axis")) depths.push_back({std::strtod(t.text.c_str(), nullptr), t.y - 3.5});
    ASSERT_GE(depths.size(), 3u);
    const auto yOf = [&](double m) {
      return depths.front().second + (m - depths.front().first) * (depths.back().second - depths.front().second) /
                                         (depths.back().first - depths.front().first);
    };
    EXPECT_NEAR(attribute(byId(doc_, "abortDepth"), "y1"), yOf(abortDepth), 0.1);
    EXPECT_NEAR(attribute(byId(doc_, "maxDepth"), "y1"), yOf(maxDepth), 0.1);
    EXPECT_NEAR(attribute(byId(doc_, "minDepth"), "y1"), yOf(minDepth), 0.1);
    if (c.yoyo == 1) {
      const std::vector<xy> band = subpaths(byId(doc_, "yoyo-band").attribute("d").value()).at(0);
      EXPECT_NEAR(band[0].y, yOf(missionYoyoMinDepth), 0.1);
      EXPECT_NEAR(band[2].y, yOf(missionYoyoMaxDepth), 0.1);
    } else {
      EXPECT_NEAR(subpaths(byId(doc_, "leg-depth").attribute("d").value()).at(0).at(0).y, yOf(wayPointDepth), 0.1);
    }
    const std::vector<std::string> crowded = overlapping(textsUnder(doc_.child("svg")));
    EXPECT_TRUE(crowded.empty()) << crowded.front();
  }
}

// A survey of 10^4 waypoints stays a small file in which no text covers another: marks
// and numbers give way where the route is dense, and points closer than a pixel merge.
TEST_F(PictureTest, ADenseSurveyKeepsItsTextsApartAndItsFileSmall) {
  for (int i = 0; i < 10000; ++i) {
    const int line = i / 100;
    const int along = line % 2 == 1 ? 99 - i % 100 : i % 100;
    insertLatLonEnd(44 + 0.0009 * line, 10 + 0.001 * along);
  }
  planRoute();
  parse();
  const std::vector<std::string> crowded = overlapping(textsUnder(doc_.child("svg")));
  EXPECT_TRUE(crowded.empty()) << crowded.size() << " overlaps, the first " << crowded.front();
  const size_t labels = texts("labels").size();
  EXPECT_GT(labels, 100u);
  EXPECT_LT(labels, 1000u);
  const std::vector<xy> route = subpaths(byId(doc_, "route").attribute("d").value()).at(0);
  EXPECT_LE(route.size(), 10000u);
  for (size_t i = 0; i + 2 < route.size(); ++i) {
    EXPECT_GE(std::hypot(route[i + 1].x - route[i].x, route[i + 1].y - route[i].y), 0.7) << i;
  }
  RecordProperty("svgBytes", static_cast<int>(svg_.size()));
  EXPECT_LT(svg_.size(), 400000u);
}

// Names and warnings come from the operator's files as they are: the picture stays well
// formed XML whatever bytes they hold, shows them in order, and tells how many it left out.
TEST_F(PictureTest, TheTitleBlockShowsTheNamesAndWarningsWhateverTheyHold) {
  addRoute(exampleRoute);
  planPicture.routeFile = "r\xFF<&\"\x01.txt";
  planPicture.setFiles = {"a.cfg", "a.svg"};
  planPicture.warnings.warn("line 2: \"45 <10> & 7\": only the first two numbers are used");
  // A word too long for a line, with a byte that is no character in it, is cut across lines.
  planPicture.warnings.warn("path " + std::string(100, 'a') + "\xFF" + std::string(100, 'b'));
  for (int i = 0; i < 30; ++i) planPicture.warnings.warn("slip " + std::to_string(i));
  parse("a.svg");
  std::vector<std::string> lines;
  for (const shownText& t : texts("title-block")) lines.push_back(t.text);
  const auto after = [&](const std::string& label) {
    const auto found = std::find(lines.begin(), lines.end(), label);
    return found == lines.end() || found + 1 == lines.end() ? std::string() : *(found + 1);
  };
  EXPECT_EQ(after("Route file"), "r\xEF\xBF\xBD<&\"\xEF\xBF\xBD.txt");
  EXPECT_EQ(after("Files"), "a.cfg, a.svg");
  EXPECT_EQ(after("Longest leg").rfind("3600 m, from waypoint 1 to waypoint 2", 0), 0u);
  EXPECT_EQ(after("Warnings"), "warning: line 2: \"45 <10> & 7\": only the first two numbers are used");
  const auto first = std::find(lines.begin(), lines.end(), "warning: slip 0");
  ASSERT_NE(first, lines.end());
  EXPECT_EQ(*(first + 1), "warning: slip 1");
  const auto path = std::find(lines.begin(), lines.end(), "warning: path");
  ASSERT_EQ(path + 3, first);
  EXPECT_EQ(*(path + 1) + *(path + 2), std::string(100, 'a') + "\xEF\xBF\xBD" + std::string(100, 'b'));
  // 24 lines: the first warning, the path's three, 20 slips.
  EXPECT_EQ(lines.back(), "10 more warnings: see the console");
}

// The survey area (its outer ring and holes) and the swaths are drawn where they lie, and
// the chart takes in all of the area even where it reaches far beyond the route.
TEST_F(PictureTest, AnAreaAndItsSwathsAreDrawnWhereTheyLie) {
  addRoute(exampleRoute);
  missionSurvey area;
  area.outer = {{44.95, 9.9}, {44.95, 10.3}, {45.1, 10.3}, {45.1, 9.9}};
  area.holes = {{{45.02, 10.07}, {45.03, 10.07}, {45.03, 10.09}, {45.02, 10.09}}};
  area.swaths = {{{45.0, 10.0}, {45.0, 10.01}, {45.045, 10.01}, {45.045, 10.0}},
                 {{45.045, 10.0}, {45.06, 10.05}, {45.06, 10.06}, {45.045, 10.01}}};
  planPicture.survey = area;
  parse();
  const std::vector<std::vector<xy>> rings = subpaths(byId(doc_, "area").attribute("d").value());
  ASSERT_EQ(rings.size(), 2u);
  const pugi::xml_node frame = byId(doc_, "chart-frame");
  const xy first = markPositions().at(1);  // waypoint 1, at 45N 10E
  const double k = barScale();
  std::vector<missionPosition> vertices = area.outer;
  vertices.insert(vertices.end(), area.holes[0].begin(), area.holes[0].end());
  std::vector<xy> drawn = rings[0];
  drawn.insert(drawn.end(), rings[1].begin(), rings[1].end());
  ASSERT_EQ(drawn.size(), vertices.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    EXPECT_GT(drawn[i].x, attribute(frame, "x"));
    EXPECT_LT(drawn[i].x, attribute(frame, "x") + attribute(frame, "width"));
    EXPECT_GT(drawn[i].y, attribute(frame, "y"));
    EXPECT_LT(drawn[i].y, attribute(frame, "y") + attribute(frame, "height"));
    const double meters = dist(45, 10, vertices[i].lat, vertices[i].lon);
    EXPECT_NEAR(std::hypot(drawn[i].x - first.x, drawn[i].y - first.y) / k, meters, meters * 0.002 + 0.15 / k) << i;
  }
  EXPECT_EQ(subpaths(byId(doc_, "swaths").attribute("d").value()).size(), 2u);
  std::string legend;
  for (const shownText& t : texts("legend")) legend += t.text + ";";
  EXPECT_NE(legend.find("survey area;swaths;"), std::string::npos) << legend;
}

// A route spread over half the earth still gives a picture of finite numbers only, in
// the projection that can hold it, with every mark it keeps inside the chart.
TEST_F(PictureTest, ARouteOverHalfTheEarthIsDrawnInTheEquidistantProjection) {
  maxLegMeters = 5e6;
  addRoute({{0, 0}, {0, 170}, {60, -100}});
  parse();
  EXPECT_EQ(svg_.find("nan"), std::string::npos);
  EXPECT_EQ(svg_.find("inf"), std::string::npos);
  EXPECT_EQ(std::string(byId(doc_, "projection").child_value()).rfind("Azimuthal equidistant projection", 0), 0u);
  const pugi::xml_node frame = byId(doc_, "chart-frame");
  size_t marks = 0;
  for (const char* id : {"marks-given", "marks-added", "mark-launch"}) {
    for (const auto& mark : subpaths(byId(doc_, id).attribute("d").value())) {
      ++marks;
      const xy at = middleOf(mark);
      EXPECT_GT(at.x, attribute(frame, "x")) << id;
      EXPECT_LT(at.x, attribute(frame, "x") + attribute(frame, "width")) << id;
      EXPECT_GT(at.y, attribute(frame, "y")) << id;
      EXPECT_LT(at.y, attribute(frame, "y") + attribute(frame, "height")) << id;
    }
  }
  // The launch waypoint hides waypoint 1, 500 m on, and waypoint 8 the piece just before it.
  EXPECT_EQ(marks, 7u);
}

}  // namespace
