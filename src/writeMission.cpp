#include "writeMission.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

#include "calcs.h"
#include "svgMap.h"
#include "vesk.h"
#include "wptList.h"

namespace {

// Positions keep nine significant digits (positionTexts); the other values keep six.
constexpr int valueDigits = 6;

numberText value(double v) { return numberText::general(v, valueDigits); }

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

// The group of behaviours for one waypoint, from the waypoint the leg arrives at: surface
// and ascend, run the leg, dive again on the heading of the leg that leaves it, fix the
// position.
constexpr std::string_view groupText =
    "\n"
    "behavior ascend {\n"
    "duration         = 1200;\n"
    "{{turn}}"
    "pitch            = 20;\n"
    "speed            = 1.5;\n"
    "endDepth         = 2;\n"
    "}\n"
    "{{leg}}"
    "\n"
    "# Descend behavior to 5 meters\n"
    "behavior descend {\n"
    "horizontalMode  = heading;\n"
    "horizontal      = {{heading}};\n"
    "pitch           = -30;\n"
    "speed           = 1.5;\n"
    "maxDepth        = 5;\n"
    "minAltitude     = 9;\n"
    "duration        = 60;\n"
    "}\n"
    "\n"
    "# setpoint on surface to gather momentum\n"
    "behavior setpoint {\n"
    "duration     = 30;\n"
    "heading      = {{heading}};\n"
    "speed        = 1.5;\n"
    "verticalMode = pitch;\n"
    "pitch        = 0;\n"
    "}\n"
    "\n"
    "behavior getgps {\n"
    "duration       = 300;\n"
    "minHits        = {{gpsHits}};\n"
    "{{abortOnTimeout}}"
    "}\n"
    "\n"
    "# ***** {{banner}}: {{number}} ^ *****\n";

// A sharp turn is left to the rudder; otherwise the vehicle holds the new heading.
constexpr std::string_view rudderTurn =
    "horizontalMode   = rudder;\n"
    "horizontal       = 5;\n";
constexpr std::string_view headingTurn =
    "horizontalMode   = heading;\n"
    "horizontal       = {{heading}};\n";

// The leg as a yoyo between the mission's depths, or at one depth.
constexpr std::string_view yoyoLeg =
    "\n"
    "behavior waypoint_yoyo  {\n"
    "latitude      = {{lat}};\n"
    "longitude     = {{lon}};\n"
    "captureRadius = 10;\n"
    "duration      = {{legSecs}};\n"
    "speed         = MISSION_SPEED;\n"
    "minDepth      = MISSION_YOYO_MIN_DEPTH;\n"
    "maxDepth      = {{maxDepth}};\n"
    "minAltitude   = YOYO_MIN_ALTITUDE;\n"
    "maxCycles     = 2000;\n"
    "}\n";
constexpr std::string_view constantDepthLeg =
    "\n"
    "# waypoint behavior\n"
    "behavior waypoint {\n"
    "latitude      = {{lat}};\n"
    "longitude     = {{lon}};\n"
    "captureRadius = 10; \n"
    "duration      = {{legSecs}};\n"
    "speed         = MISSION_SPEED; \n"
    "depth         = {{depth}}; \n"
    "}\n";

// The groups of one mission script, prepared once with the run's settings in place: every
// group then costs the formatting of its waypoint's values and a few copies.
class groupWriter {
 public:
  groupWriter(bool preview, std::string_view lineEnd)
      : preview_(preview),
        yoyo_(yoyoMission == 1),
        gpsHits_(numberText::integer(gpsHits)),
        depth_(numberText::integer(wayPointDepth)),
        maxDepth_(value(maxDepth)),
        final_(make(rudderTurn, preview ? "WAYPOINT NUMBER" : "FINAL WAYPOINT NUMBER", lineEnd)),
        rudder_(make(rudderTurn, "WAYPOINT NUMBER", lineEnd)),
        heading_(make(headingTurn, "WAYPOINT NUMBER", lineEnd)) {}

  // The group of the waypoint `n`; the final group is the first one written, that of the
  // last waypoint.
  void write(const node* n, bool finalGroup, positionTexts::position position, textOut& out) const {
    const node* const prev = n->prevPtr;
    const bool rudder = finalGroup || preview_ || std::fabs(n->heading - prev->heading) > 70.0;
    const numberText heading = preview_ ? value(n->heading) : nearestInteger(n->heading, headingInt);
    const numberText legSecs =
        yoyo_ && !preview_ ? nearestInteger(prev->legSecs, legSecsInt) : value(prev->legSecs);
    const numberText number = numberText::integer(n->wptNumber);
    const textTemplate& group = finalGroup ? final_ : rudder ? rudder_ : heading_;
    group.write(out, {position.lat, position.lon, legSecs.view(), heading.view(), number.view()});
  }

 private:
  textTemplate make(std::string_view turn, std::string_view banner, std::string_view lineEnd) const {
    return textTemplate(groupText, lineEnd, {"lat", "lon", "legSecs", "heading", "number"},
                        {{"turn", turn},
                         {"leg", yoyo_ ? yoyoLeg : constantDepthLeg},
                         {"maxDepth", preview_ ? maxDepth_.view() : "MISSION_YOYO_MAX_DEPTH"},
                         {"depth", depth_.view()},
                         {"gpsHits", gpsHits_.view()},
                         {"abortOnTimeout", abortOnTimeoutLine(preview_)},
                         {"banner", banner}});
  }

  const bool preview_;
  const bool yoyo_;
  const numberText gpsHits_;
  const numberText depth_;
  const numberText maxDepth_;
  const textTemplate final_;
  const textTemplate rudder_;
  const textTemplate heading_;
};

std::string text(const numberText& number) { return std::string(number.view()); }

// The head of the script, down to the end of the mission, which the vehicle reaches last.
std::string missionHead(const std::string& name, bool preview, const std::string& launchPosition,
                        const std::string& launchHeading) {
  std::string out;
  if (preview) out += "\n\n **** begin writing file " + name + " **** \n";
  out += "# Mission Filename: " + name + "\n";
  out += "#\n"
         "#\n"
         "#                   *** CAUTION *** \n"
         "#   *** THIS MISSION GENERATED WITH UTILITY VESK ***\n"
         "#               *** UNPROVEN CODE ***\n"
         "#\n"
         "#               *** LAUNCH WAYPOINT ***\n";
  out += "#               LAT/LON: " + launchPosition + "\n";
  out += "#\n"
         "#               *** INITIAL HEADING *** \n";
  out += "#                        " + launchHeading + "  \n";
  out += "#\n";
  if (!preview) {
    out += abortOnTimeout == 1 ? "#             *** abortOnTimeout is True ***\n"
                               : "#             *** abortOnTimeout is False ***\n";
  }
  out += "#\n";

  const std::string speedDefines = "#define MISSION_SPEED " + text(value(missionSpeed)) + "\n" +
                                   "#define MISSION_SPEED_SLOW " + text(value(missionSpeedSlow)) + "\n";
  if (preview) out += speedDefines;
  if (kallopMission == 1) {
    out += preview ? "# KALLOPS ARMED AT START OF MISSION\n"
                     "# MOVE THE ARMING BEHAVIOR IF NECESSARY\n"
                   : "#   *** KALLOPS ARMED AT START OF MISSION ***\n"
                     "# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n";
    out += "#\n";
  }
  if (yoyoMission == 1) {
    out += "#define MISSION_YOYO_MIN_DEPTH " + text(numberText::integer(missionYoyoMinDepth)) + "\n";
    if (!preview) out += "#define MISSION_YOYO_MAX_DEPTH " + text(numberText::integer(missionYoyoMaxDepth)) + "\n";
    out += "#define YOYO_MIN_ALTITUDE " + text(numberText::integer(yoyoMinAltitude)) + "\n";
  }
  if (!preview) out += speedDefines;

  out += "\n# mission timer set to 120% of estimated time of mission\n"
         "behavior missionTimer {\n";
  out += "timeOut = " + text(preview ? value(missionTime) : nearestInteger(missionTime, missionTimeInt)) + ";\n";
  out += "}\n";

  out += "\n# depth envelope set to commanded + 5 m, abort at commanded + 10\n"
         "behavior depthEnvelope {\n";
  out += " minDepth          = " + text(value(minDepth)) + ";\n";
  out += " maxDepth          = " + text(value(maxDepth)) + ";\n";
  out += " abortDepth        = " + text(value(abortDepth)) + ";\n";
  out += " abortAltitude     = " + text(value(abortAltitude)) + ";\n";
  out += " abortLockoutDepth = " + text(value(abortLockoutDepth)) + ";\n";
  out += "}\n";

  out += "\nbehavior getgps {\n"
         "duration       = 1800;\n"
         "minHits        = 300;\n";
  out += abortOnTimeoutLine(preview);
  out += "}\n"
         "\n# ***** Mission Ends ^ *****\n";
  return out;
}

// The foot of the script, from which the vehicle starts.
std::string missionFoot(const std::string& launchPosition, const std::string& launchHeading) {
  std::string out;
  if (kallopMission == 1) {
    out += "\n#Arm UNFIRED kallops for adaptive firing#\n"
           "behavior ArmTheKallop{\n"
           "duration = 5;\n";
    for (int i = 0; i <= 9; ++i) out += "kallop" + text(numberText::integer(i)) + " = 1;\n";
    out += "}\n";
  }
  out += "\n# ***** LAUNCH WAYPOINT *****\n";
  out += "# LAT/LON: " + launchPosition + "\n";
  out += "# INITIAL HEADING:  " + launchHeading + "  \n";
  return out;
}

}  // namespace

std::string nearestInt(double value, int& scratch) { return std::string(nearestInteger(value, scratch).view()); }

void missionText(const std::string& name, bool preview, textOut& out, positionTexts& positions) {
  const node* const launch = headNodePtr;
  const positionTexts::position launchAt = positions.nextForScript();
  const std::string launchPosition = std::string(launchAt.lat) + " " + std::string(launchAt.lon);
  const std::string launchHeading = text(value(launch->heading));
  out.lines(missionHead(name, preview, launchPosition, launchHeading));
  // The script runs from the end of the mission back to waypoint 1; the launch waypoint
  // gets no group of its own.
  const groupWriter groups(preview, out.lineEnd());
  for (const node* n = tailNodePtr; n->prevPtr != nullptr; n = n->prevPtr) {
    groups.write(n, n == tailNodePtr, positions.nextForScript(), out);
  }
  out.lines(missionFoot(launchPosition, launchHeading));
}

void routeRecords(textOut* waypoints, textOut* surLine, const std::string& surLineName, positionTexts& positions) {
  const textTemplate waypoint("{{number}},N{{lat}},{{lon}},5,250.000,0.0,0.0,255,0.000  \n",
                              waypoints != nullptr ? waypoints->lineEnd() : "\n", {"number", "lat", "lon"});
  const textTemplate point("1,{{lat}},{{lon}},0.00m,0.00m,0.0,0.0,0.0  \n",
                           surLine != nullptr ? surLine->lineEnd() : "\n", {"lat", "lon"});
  if (surLine != nullptr) surLine->lines("0," + surLineName + ",0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n");
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    const positionTexts::position position = positions.nextInRoute();
    if (waypoints != nullptr) {
      waypoint.write(*waypoints, {numberText::integer(n->wptNumber).view(), position.lat, position.lon});
    }
    if (surLine != nullptr) point.write(*surLine, {position.lat, position.lon});
  }
}

void missionText(const std::string& name, bool preview, const textSink& emit) {
  sinkTarget target(emit);
  textOut out(target, "\n");
  positionTexts positions;
  missionText(name, preview, out, positions);
  out.flush();
}

void waypointRecords(const textSink& emit) {
  sinkTarget target(emit);
  textOut out(target, "\n");
  positionTexts positions;
  routeRecords(&out, nullptr, "", positions);
  out.flush();
}

void surLineRecords(const std::string& name, const textSink& emit) {
  sinkTarget target(emit);
  textOut out(target, "\n");
  positionTexts positions;
  routeRecords(nullptr, &out, name, positions);
  out.flush();
}

void writeMissionFiles(std::time_t when, const std::vector<mapFormat>& maps) {
  // One stem for the whole set, taken once: a run that crosses a minute boundary still
  // writes files that belong together under one name.
  const std::string stem = fileNameAt(when);
  file_name = stem;
  std::vector<outputFile> files = {
      {stem + "cfg", "cannot open mission output file %s ", "cannot write mission output file %s ",
       " **** Wrote mission script: %s **** \n"},
      {stem + "wpt", "cannot open waypoint output file %s ", "cannot write waypoint output file %s ",
       "\n **** Wrote waypoints file : %s ****\n"},
      {stem + "pts", "cannot open surveyline output file %s ", "cannot write surveyline output file %s ",
       "\n **** Wrote survey line : %s ****\n"}};
  for (const mapFormat format : maps) {
    files.push_back({stem + mapExtension(format), "cannot open map output file %s ", "cannot write map output file %s ",
                     "\n **** Wrote map : %s ****\n"});
  }
  planPicture.setFiles.clear();
  for (const outputFile& file : files) planPicture.setFiles.push_back(file.name);
  writeFileSet(files, [&](const std::vector<textOut*>& out) {
    // Every position is formatted once for the three files, beside the writing.
    positionTexts positions;
    missionText(files[0].name, false, *out[0], positions);
    routeRecords(out[1], out[2], files[2].name, positions);
    for (size_t i = 0; i < maps.size(); ++i) mapText(maps[i], files[3 + i].name, *out[3 + i]);
  });
}

namespace {
void toConsole(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }
}  // namespace

int displayMission() {
  missionText(fileName(), true, toConsole);
  return 0;
}

int displayWaypoints() {
  const std::string name = fileName() + "wpt";
  waypointRecords(toConsole);
  std::printf("\n**** Wrote waypoints file : %s ****\n", name.c_str());
  return 0;
}

int displaySurLine() {
  std::printf("\n\n ------displaySurLine()------\n\n");
  const std::string name = fileName() + "pts";
  std::printf("\n %s \n", name.c_str());
  surLineRecords(name, toConsole);
  return 0;
}
