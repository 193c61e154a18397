#include "current/currentLegs.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "report/routeReport.h"
#include "text/textOut.h"

namespace {

const double pi = std::acos(-1.0);

// A leg shorter than this is two waypoints at one place, the distance between them no more
// than the residue of rounding: its heading means nothing, and it takes no time.
constexpr double noLegMeters = 0.001;

// The degree sign in UTF-8, as the console and the files of the run show it.
const std::string degreeSign = "\xC2\xB0";

std::string number(double value) { return numberText::general(value, 6).text(); }
std::string speedText(double value) { return numberText::general(value, 3).text() + " m/s"; }
std::string degrees(double value) { return numberText::fixed(value, 1).text() + degreeSign; }
std::string waypoint(int number) { return "waypoint " + std::to_string(number); }

std::string legName(int from, int to) { return "the leg from " + waypoint(from) + " to " + waypoint(to); }

std::string currentName(const currentParameters& current) {
  return "the current of " + number(*current.speed) + " m/s toward " + number(*current.toward) + degreeSign;
}

// `angle` degrees brought into (-180, 180], so that a current square to the track has a
// sine of exactly 1 and one along it a cosine of exactly 1 or -1.
double halfTurn(double angle) {
  double a = std::fmod(angle, 360.0);
  if (a > 180) a -= 360;
  if (a <= -180) a += 360;
  return a;
}

// A heading as the planner keeps one: (0, 360], due north 360.
double compass(double angle) {
  const double a = std::fmod(angle, 360.0);
  return a <= 0 ? a + 360 : a;
}

// "waypoints 2, 3 and 4", the first ten and how many more.
std::string waypointList(const std::vector<int>& numbers) {
  constexpr size_t shown = 10;
  std::string text = numbers.size() == 1 ? "waypoint " : "waypoints ";
  const size_t listed = std::min(numbers.size(), shown);
  for (size_t i = 0; i < listed; ++i) {
    const bool last = i + 1 == listed && numbers.size() <= shown;
    text += (i == 0 ? "" : last ? " and " : ", ") + std::to_string(numbers[i]);
  }
  if (numbers.size() > shown) text += " and " + std::to_string(numbers.size() - shown) + " more";
  return text;
}

}  // namespace

bool currentGiven(const currentParameters& current) { return current.toward || current.speed; }

std::string missingCurrentKeys(const currentParameters& current) {
  if (current.toward.has_value() == current.speed.has_value()) return "";
  const char* const given = current.toward ? "currentToward" : "currentSpeed";
  const char* const missing = current.toward ? "currentSpeed" : "currentToward";
  return std::string(given) + " is given without " + missing +
         ": the current needs currentToward and currentSpeed together";
}

legInCurrent inCurrent(double track, double speed, const currentParameters& current) {
  const double relative = halfTurn(*current.toward - track) * pi / 180;
  legInCurrent leg;
  leg.along = *current.speed * std::cos(relative);
  leg.across = *current.speed * std::sin(relative);
  if (!(std::fabs(leg.across) < speed)) return leg;
  // The vehicle points up into the current by the angle whose sine is the current across
  // over its own speed: to the left of the track for a current setting it to the right.
  const double crab = std::asin(leg.across / speed);
  leg.overGround = leg.along + std::sqrt(speed * speed - leg.across * leg.across);
  leg.steer = compass(track - crab * 180 / pi);
  leg.held = leg.overGround > 0;
  return leg;
}

result<double> legSecondsInCurrent(int from, int to, double meters, double track, double speed,
                                   const currentParameters& current) {
  if (meters < noLegMeters) return meters / speed;
  const legInCurrent leg = inCurrent(track, speed, current);
  if (leg.held) return meters / leg.overGround;
  // The leg on standard output, as every failure once the dialogue has begun; the figures
  // on standard error.
  const std::string message = "the vehicle cannot hold " + legName(from, to) + ", " +
                              numberText::fixed(meters, 0).text() + " m on " + degrees(track) + ", in the current\n";
  const std::string through = speedText(speed) + " through the water";
  if (!(std::fabs(leg.across) < speed)) {
    return failure{message, "vesk: " + currentName(current) + " sets it " + speedText(std::fabs(leg.across)) +
                                " across the track, and it makes " + through + "; nothing is written"};
  }
  return failure{message, "vesk: " + currentName(current) + " runs " + speedText(-leg.along) +
                              " against the track, and at " + through + " the vehicle makes " +
                              speedText(leg.overGround) + " over the ground; nothing is written"};
}

currentReport reportCurrent(const plannedMission& mission, const currentParameters& current) {
  const std::vector<missionWaypoint>& route = mission.waypoints;
  const double speed = mission.settings.missionSpeed;
  double slowest = INFINITY;
  double fastest = 0;
  double crabbed = -1;
  size_t crabbedLeg = 0;
  double steered = 0;
  double drifted = -1;
  size_t driftedLeg = 0;
  std::vector<int> farOff;
  for (size_t i = 0; i + 1 < route.size(); ++i) {
    const missionWaypoint& w = route[i];
    if (w.legMeters < noLegMeters) continue;
    const legInCurrent leg = inCurrent(w.heading, speed, current);
    slowest = std::min(slowest, leg.overGround);
    fastest = std::max(fastest, leg.overGround);
    const double crab = std::fabs(std::asin(leg.across / speed)) * 180 / pi;
    if (crab > crabbed) {
      crabbed = crab;
      crabbedLeg = i;
      steered = leg.steer;
    }
    // Carried with the water for the whole time under the surface, a vehicle that lost its
    // track would come up this far from the waypoint.
    const double drift = *current.speed * w.legSecs;
    if (drift > drifted) {
      drifted = drift;
      driftedLeg = i;
    }
    if (drift > driftWarnedMeters) farOff.push_back(route[i + 1].number);
  }

  currentReport report;
  for (size_t i = 1; i < route.size(); ++i) report.secondsFromWaypoint1 += route[i].legSecs;
  const std::string driftText =
      numberText::fixed(drifted, 0).text() + " m at " + waypoint(route[driftedLeg + 1].number);
  if (!farOff.empty()) {
    report.warnings.push_back(
        "if the vehicle did not hold its track, " + currentName(current) + " would carry it more than " +
        number(driftWarnedMeters) + " m from " + waypointList(farOff) + " by its surfacing there, the most " +
        driftText +
        "; a vehicle that cannot see the ground under way comes up that far off: shorten the legs "
        "(maxLegMeters) or check its navigation holds the track");
  }
  const missionWaypoint& crab = route[crabbedLeg];
  const std::string slowestText = numberText::fixed(slowest, 2).text();
  const std::string fastestText = numberText::fixed(fastest, 2).text();
  const std::string overGround = slowestText == fastestText ? slowestText : slowestText + " to " + fastestText;
  report.summary.push_back("current:");
  report.summary.push_back("  toward       " + number(*current.toward) + degreeSign + " at " + number(*current.speed) +
                           " m/s");
  report.summary.push_back("  over ground  " + overGround + " m/s, at " + number(speed) + " m/s through the water");
  report.summary.push_back("  steering     up to " + degrees(crabbed) + " off the track: " + degrees(steered) +
                           " for " + degrees(crab.heading) + " on " +
                           legName(crab.number, route[crabbedLeg + 1].number));
  report.summary.push_back("  drift        up to " + driftText + ", " + clockTime(route[driftedLeg].legSecs) +
                           " submerged, if the vehicle did not hold its track");
  return report;
}
