#include "writeMission.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "calcs.h"
#include "files/fileSet.h"
#include "settings.h"
#include "text/runMessages.h"
#include "wptList.h"

namespace {

// Latitude and longitude keep nine significant digits, 0.1 m on the ground or better; the
// other values keep six.
constexpr int positionDigits = 9;
constexpr int valueDigits = 6;

numberText value(double v) { return numberText::general(v, valueDigits); }
numberText latOf(const node* n) { return numberText::general(n->Lat, positionDigits); }
numberText lonOf(const node* n) { return numberText::general(n->Lon, positionDigits); }

// The double brought to the nearest integer (halfway values to the even neighbour); the
// integer is also left in `scratch` when it fits an int.
numberText nearestInteger(double v, int& scratch) {
  const double rounded = std::nearbyint(v);  // ties go to the even neighbour
  if (rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()) {
    scratch = static_cast<int>(rounded);
    return numberText::integer(scratch);
  }
  return numberText::fixed(rounded, 0);
}

// The vehicle's GPS blocks abort on a timed-out fix only when the flag is exactly 1.
const char* abortOnTimeoutLine(bool preview) {
  return preview || abortOnTimeout == 1 ? "abortOnTimeout = True;\n" : "abortOnTimeout = False;\n";
}

// The mission timer as the script's comment tells it: "120%" of the time under way, and
// the seconds added for each surfacing when there are any.
std::string timerShare() { return value(missionTimerFactor * 100).text() + "%"; }
std::string timerAllowance() {
  if (surfacingAllowance == 0) return "";
  return " plus " + value(surfacingAllowance).text() + " s a waypoint";
}

// `text` with each "\n" written as `lineEnd`.
std::string ended(std::string_view text, std::string_view lineEnd) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') {
      out += lineEnd;
    } else {
      out += c;
    }
  }
  return out;
}

// The heading of the leg that arrives at `n`, from its predecessor. Only the launch
// waypoint of a route of one waypoint holds no heading (0): its leg is taken from the two
// positions, so that the vehicle never dives toward north by default.
double arrivingHeading(const node* n) {
  const node* const prev = n->prevPtr;
  if (prev->heading != 0) return prev->heading;
  return heading(prev->Lat, prev->Lon, n->Lat, n->Lon);
}

// The group of behaviours for one waypoint, read from the bottom up as the vehicle runs
// it: fix the position at the surface where the leg starts, gather momentum and dive on
// the heading of the leg, run the leg to the waypoint as a yoyo between the mission's
// depths or at one depth, then ascend there (turning by rudder before a sharp turn,
// otherwise onto the heading of the next leg). The fixed texts between the values are
// prepared once per script, with the output's line ends and the run's settings in place.
class groupWriter {
 public:
  groupWriter(bool preview, std::string_view lineEnd)
      : preview_(preview),
        yoyo_(yoyoMission == 1),
        ascendHead_(ended("\nbehavior ascend {\nduration         = 1200;\n", lineEnd)),
        rudderTurn_(ended("horizontalMode   = rudder;\nhorizontal       = 5;\n", lineEnd)),
        headingTurn_(ended("horizontalMode   = heading;\nhorizontal       = ", lineEnd)),
        valueEnd_(ended(";\n", lineEnd)),
        ascendTail_(ended("pitch            = 20;\nspeed            = 1.5;\nendDepth         = 2;\n}\n", lineEnd)),
        legHead_(ended(yoyo_ ? "\nbehavior waypoint_yoyo  {\nlatitude      = "
                             : "\n# waypoint behavior\nbehavior waypoint {\nlatitude      = ",
                       lineEnd)),
        lonHead_(ended(";\nlongitude     = ", lineEnd)),
        durationHead_(ended(
            yoyo_ ? ";\ncaptureRadius = 10;\nduration      = " : ";\ncaptureRadius = 10; \nduration      = ", lineEnd)),
        legTail_(ended(yoyo_ ? ";\nspeed         = MISSION_SPEED;\nminDepth      = MISSION_YOYO_MIN_DEPTH;\n"
                               "maxDepth      = " +
                                   (preview ? value(maxDepth).text() : std::string("MISSION_YOYO_MAX_DEPTH")) +
                                   ";\nminAltitude   = YOYO_MIN_ALTITUDE;\nmaxCycles     = 2000;\n}\n"
                             : ";\nspeed         = MISSION_SPEED; \ndepth         = " +
                                   numberText::integer(wayPointDepth).text() + "; \n}\n",
                       lineEnd)),
        descendHead_(ended("\n# Descend behavior to 5 meters\nbehavior descend {\nhorizontalMode  = heading;\n"
                           "horizontal      = ",
                           lineEnd)),
        setpointHead_(ended(";\npitch           = -30;\nspeed           = 1.5;\nmaxDepth        = 5;\n"
                            "minAltitude     = 9;\nduration        = 60;\n}\n\n"
                            "# setpoint on surface to gather momentum\nbehavior setpoint {\nduration     = 30;\n"
                            "heading      = ",
                            lineEnd)),
        fixAndBanner_(ended(";\nspeed        = 1.5;\nverticalMode = pitch;\npitch        = 0;\n}\n\n"
                            "behavior getgps {\nduration       = 300;\nminHits        = " +
                                numberText::integer(gpsHits).text() + ";\n" + abortOnTimeoutLine(preview) +
                                "}\n\n# ***** ",
                            lineEnd)),
        finalBanner_(preview ? "WAYPOINT NUMBER: " : "FINAL WAYPOINT NUMBER: "),
        bannerTail_(ended(" ^ *****\n", lineEnd)) {}

  // The group of the waypoint `n`; the final group is the first one written, that of the
  // last waypoint.
  void write(const node* n, bool finalGroup, textOut& out) const {
    const node* const prev = n->prevPtr;
    const bool rudder = finalGroup || preview_ || std::fabs(n->heading - prev->heading) > 70.0;
    const numberText nextHeading = preview_ ? value(n->heading) : nearestInteger(n->heading, headingInt);
    const double legHeadingDeg = arrivingHeading(n);
    const numberText legHeading = preview_ ? value(legHeadingDeg) : nearestInteger(legHeadingDeg, headingInt);
    const numberText legSecs = yoyo_ && !preview_ ? nearestInteger(prev->legSecs, legSecsInt) : value(prev->legSecs);
    out.put(ascendHead_);
    if (rudder) {
      out.put(rudderTurn_);
    } else {
      out.put(headingTurn_);
      out.put(nextHeading);
      out.put(valueEnd_);
    }
    out.put(ascendTail_);
    out.put(legHead_);
    out.put(latOf(n));
    out.put(lonHead_);
    out.put(lonOf(n));
    out.put(durationHead_);
    out.put(legSecs);
    out.put(legTail_);
    out.put(descendHead_);
    out.put(legHeading);
    out.put(setpointHead_);
    out.put(legHeading);
    out.put(fixAndBanner_);
    out.put(finalGroup ? finalBanner_ : "WAYPOINT NUMBER: ");
    out.put(numberText::integer(n->wptNumber));
    out.put(bannerTail_);
  }

 private:
  const bool preview_;
  const bool yoyo_;
  const std::string ascendHead_, rudderTurn_, headingTurn_, valueEnd_, ascendTail_, legHead_, lonHead_, durationHead_,
      legTail_, descendHead_, setpointHead_, fixAndBanner_;
  const std::string_view finalBanner_;
  const std::string bannerTail_;
};

// The head of the script, down to the end of the mission, which the vehicle reaches last.
std::string missionHead(const std::string& name, bool preview, const std::string& launchPosition,
                        const std::string& launchHeading) {
  std::string out;
  if (preview) out += "\n\n **** begin writing file " + name + " **** \n";
  out += "# Mission Filename: " + name + "\n";
  out +=
      "#\n"
      "#\n"
      "#                   *** CAUTION *** \n"
      "#   *** THIS MISSION GENERATED WITH UTILITY VESK ***\n"
      "#               *** UNPROVEN CODE ***\n"
      "#\n"
      "#               *** LAUNCH WAYPOINT ***\n";
  out += "#               LAT/LON: " + launchPosition + "\n";
  out +=
      "#\n"
      "#               *** INITIAL HEADING *** \n";
  out += "#                        " + launchHeading + "  \n";
  out += "#\n";
  if (!preview) {
    out += abortOnTimeout == 1 ? "#             *** abortOnTimeout is True ***\n"
                               : "#             *** abortOnTimeout is False ***\n";
  }
  out += "#\n";

  const std::string speedDefines = "#define MISSION_SPEED " + value(missionSpeed).text() + "\n" +
                                   "#define MISSION_SPEED_SLOW " + value(missionSpeedSlow).text() + "\n";
  if (preview) out += speedDefines;
  if (kallopMission == 1) {
    out += preview ? "# KALLOPS ARMED AT START OF MISSION\n"
                     "# MOVE THE ARMING BEHAVIOR IF NECESSARY\n"
                   : "#   *** KALLOPS ARMED AT START OF MISSION ***\n"
                     "# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n";
    out += "#\n";
  }
  if (yoyoMission == 1) {
    out += "#define MISSION_YOYO_MIN_DEPTH " + numberText::integer(missionYoyoMinDepth).text() + "\n";
    if (!preview) out += "#define MISSION_YOYO_MAX_DEPTH " + numberText::integer(missionYoyoMaxDepth).text() + "\n";
    out += "#define YOYO_MIN_ALTITUDE " + numberText::integer(yoyoMinAltitude).text() + "\n";
  }
  if (!preview) out += speedDefines;

  out += "\n# mission timer set to " + timerShare() + " of estimated time of mission" + timerAllowance() + "\n";
  out += "behavior missionTimer {\n";
  out += "timeOut = " + (preview ? value(missionTime) : nearestInteger(missionTime, missionTimeInt)).text() + ";\n";
  out += "}\n";

  out +=
      "\n# depth envelope set to commanded + 5 m, abort at commanded + 10\n"
      "behavior depthEnvelope {\n";
  out += " minDepth          = " + value(minDepth).text() + ";\n";
  out += " maxDepth          = " + value(maxDepth).text() + ";\n";
  out += " abortDepth        = " + value(abortDepth).text() + ";\n";
  out += " abortAltitude     = " + value(abortAltitude).text() + ";\n";
  out += " abortLockoutDepth = " + value(abortLockoutDepth).text() + ";\n";
  out += "}\n";

  // The closing fix after the last waypoint waits for a sure position before the mission
  // ends, whatever the hits asked for at the surfacings.
  out +=
      "\nbehavior getgps {\n"
      "duration       = 1800;\n"
      "minHits        = 300;\n";
  out += abortOnTimeoutLine(preview);
  out +=
      "}\n"
      "\n# ***** Mission Ends ^ *****\n";
  return out;
}

// The foot of the script, from which the vehicle starts.
std::string missionFoot(const std::string& launchPosition, const std::string& launchHeading) {
  std::string out;
  if (kallopMission == 1) {
    out +=
        "\n#Arm UNFIRED kallops for adaptive firing#\n"
        "behavior ArmTheKallop{\n"
        "duration = 5;\n";
    for (int i = 0; i <= 9; ++i) out += "kallop" + numberText::integer(i).text() + " = 1;\n";
    out += "}\n";
  }
  out += "\n# ***** LAUNCH WAYPOINT *****\n";
  out += "# LAT/LON: " + launchPosition + "\n";
  out += "# INITIAL HEADING:  " + launchHeading + "  \n";
  return out;
}

// What `write` puts into a text output with "\n" line ends, as a string.
template <typename Write>
std::string consoleText(Write write) {
  std::string text;
  memoryTarget target(text);
  textOut out(target, "\n");
  write(out);
  out.flush();
  return text;
}

}  // namespace

std::string nearestInt(double value, int& scratch) { return nearestInteger(value, scratch).text(); }

void missionText(const std::string& name, bool preview, textOut& out) {
  const node* const launch = headNodePtr;
  const std::string launchPosition = latOf(launch).text() + " " + lonOf(launch).text();
  const std::string launchHeading = value(launch->heading).text();
  out.lines(missionHead(name, preview, launchPosition, launchHeading));
  // The script runs from the end of the mission back to waypoint 1; the launch waypoint
  // gets no group of its own.
  const groupWriter groups(preview, out.lineEnd());
  for (const node* n = tailNodePtr; n->prevPtr != nullptr; n = n->prevPtr) groups.write(n, n == tailNodePtr, out);
  out.lines(missionFoot(launchPosition, launchHeading));
}

void routeRecords(textOut* waypoints, textOut* surLine, const std::string& surLineName) {
  if (surLine != nullptr) surLine->lines("0," + surLineName + ",0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n");
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    const numberText lat = latOf(n);
    const numberText lon = lonOf(n);
    if (waypoints != nullptr) {
      waypoints->put(numberText::integer(n->wptNumber));
      waypoints->put(",N");
      waypoints->put(lat);
      waypoints->put(",");
      waypoints->put(lon);
      waypoints->put(",5,250.000,0.0,0.0,255,0.000  ");
      waypoints->endLine();
    }
    if (surLine != nullptr) {
      surLine->put("1,");
      surLine->put(lat);
      surLine->put(",");
      surLine->put(lon);
      surLine->put(",0.00m,0.00m,0.0,0.0,0.0  ");
      surLine->endLine();
    }
  }
}

std::string missionText(const std::string& name, bool preview) {
  return consoleText([&](textOut& out) { missionText(name, preview, out); });
}

std::string waypointRecords() {
  return consoleText([](textOut& out) { routeRecords(&out, nullptr, ""); });
}

std::string surLineRecords(const std::string& name) {
  return consoleText([&](textOut& out) { routeRecords(nullptr, &out, name); });
}

std::vector<std::string> missionFileNames(const std::string& stem, const std::vector<mapFormat>& maps) {
  std::vector<std::string> names = {stem + "cfg", stem + "wpt", stem + "pts"};
  for (const mapFormat format : maps) names.push_back(stem + mapExtension(format));
  return names;
}

namespace {

// The files of one plan named as `names`, with the messages the operator knows them by.
void addPlanFiles(const std::vector<std::string>& names, size_t maps, std::vector<outputFile>& files) {
  files.push_back({names[0], "cannot open mission output file %s ", "cannot write mission output file %s ",
                   " **** Wrote mission script: %s **** \n"});
  files.push_back({names[1], "cannot open waypoint output file %s ", "cannot write waypoint output file %s ",
                   "\n **** Wrote waypoints file : %s ****\n"});
  files.push_back({names[2], "cannot open surveyline output file %s ", "cannot write surveyline output file %s ",
                   "\n **** Wrote survey line : %s ****\n"});
  for (size_t i = 0; i < maps; ++i) {
    files.push_back({names[3 + i], "cannot open map output file %s ", "cannot write map output file %s ",
                     "\n **** Wrote map : %s ****\n"});
  }
}

// The texts of one plan's files, the list holding its route, from out[first] on.
void planTexts(const plannedMission& mission, const std::vector<mapFormat>& maps, const std::vector<outputFile>& files,
               const std::vector<textOut*>& out, size_t first, const briefInputs& brief) {
  missionText(files[first].name, false, *out[first]);
  routeRecords(out[first + 1], out[first + 2], files[first + 2].name);
  for (size_t i = 0; i < maps.size(); ++i) {
    const std::string& name = files[first + 3 + i].name;
    if (maps[i] == mapFormat::html) {
      briefPageText(mission, maps, name, brief, *out[first + 3 + i]);
    } else {
      mapText(maps[i], mission, name, *out[first + 3 + i]);
    }
  }
}

// What the brief of dive `k` takes, when the set has a brief.
briefInputs briefOf(const briefSource& brief, const std::vector<mapFormat>& maps, size_t k) {
  const bool wanted = std::find(maps.begin(), maps.end(), mapFormat::html) != maps.end();
  return wanted && brief ? brief(k) : briefInputs{};
}

}  // namespace

void writeMissionFiles(const plannedMission& mission, const std::string& folder, const std::vector<mapFormat>& maps,
                       warningLog* warnings, setSteps steps, const briefSource& brief) {
  std::vector<outputFile> files;
  addPlanFiles(mission.setFiles, maps.size(), files);
  const briefInputs inputs = briefOf(brief, maps, 0);
  const problem failed = writeFileSet(
      folder, files, [&](const std::vector<textOut*>& out) { planTexts(mission, maps, files, out, 0, inputs); },
      {setKind::mission, warnings, steps});
  if (failed) reportFailure(*failed);
}

void writeDiveFiles(const std::vector<const plannedMission*>& dives, const std::function<void(size_t)>& listDive,
                    const std::string& folder, const std::vector<mapFormat>& maps, warningLog* warnings, setSteps steps,
                    const briefSource& brief) {
  std::vector<outputFile> files;
  for (const plannedMission* dive : dives) addPlanFiles(dive->setFiles, maps.size(), files);
  const size_t each = 3 + maps.size();
  const problem failed = writeFileSet(folder, files,
                                      [&](const std::vector<textOut*>& out) {
                                        for (size_t k = 0; k < dives.size(); ++k) {
                                          listDive(k);
                                          planTexts(*dives[k], maps, files, out, k * each, briefOf(brief, maps, k));
                                        }
                                      },
                                      {setKind::mission, warnings, steps});
  if (failed) reportFailure(*failed);
}
