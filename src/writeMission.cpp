#include "writeMission.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "calcs.h"
#include "vesk.h"
#include "wptList.h"

namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::vsnprintf(text.data(), text.size() + 1, fmt, again);
  va_end(again);
  return text;
}

std::string withName(const char* fmt, const std::string& name) {
  return format(fmt, name.c_str());
}

// The vehicle's GPS blocks abort on a timed-out fix only when the flag is exactly 1.
const char* abortOnTimeoutLine(bool preview) {
  return preview || abortOnTimeout == 1 ? "abortOnTimeout = True;\n" : "abortOnTimeout = False;\n";
}

// One group of behaviours for the waypoint `n`: surface and ascend, run the leg that
// arrives at it, dive again on the heading of the leg that leaves it, fix the position.
void emitGroup(const node* n, bool finalGroup, bool preview, const textSink& emit) {
  const node* const prev = n->prevPtr;
  std::string out = "\nbehavior ascend {\n"
         "duration         = 1200;\n";
  // A sharp turn is left to the rudder; otherwise the vehicle holds the new heading.
  if (finalGroup || preview || std::fabs(n->heading - prev->heading) > 70.0) {
    out += "horizontalMode   = rudder;\n"
           "horizontal       = 5;\n";
  } else {
    out += "horizontalMode   = heading;\n";
    out += "horizontal       = " + nearestInt(n->heading, headingInt) + ";\n";
  }
  out += "pitch            = 20;\n"
         "speed            = 1.5;\n"
         "endDepth         = 2;\n"
         "}\n";

  if (yoyoMission == 1) {
    out += "\nbehavior waypoint_yoyo  {\n";
    out += format("latitude      = %.9g;\n", n->Lat);
    out += format("longitude     = %.9g;\n", n->Lon);
    out += "captureRadius = 10;\n";
    out += preview ? format("duration      = %g;\n", prev->legSecs)
                   : "duration      = " + nearestInt(prev->legSecs, legSecsInt) + ";\n";
    out += "speed         = MISSION_SPEED;\n"
           "minDepth      = MISSION_YOYO_MIN_DEPTH;\n";
    out += preview ? format("maxDepth      = %g;\n", maxDepth)
                   : "maxDepth      = MISSION_YOYO_MAX_DEPTH;\n";
    out += "minAltitude   = YOYO_MIN_ALTITUDE;\n"
           "maxCycles     = 2000;\n"
           "}\n";
  } else {
    out += "\n# waypoint behavior\n"
           "behavior waypoint {\n";
    out += format("latitude      = %.9g;\n", n->Lat);
    out += format("longitude     = %.9g;\n", n->Lon);
    out += "captureRadius = 10; \n";
    out += format("duration      = %g;\n", prev->legSecs);
    out += "speed         = MISSION_SPEED; \n";
    out += format("depth         = %d; \n", wayPointDepth);
    out += "}\n";
  }

  const std::string headingText =
      preview ? format("%g", n->heading) : nearestInt(n->heading, headingInt);
  out += "\n# Descend behavior to 5 meters\n"
         "behavior descend {\n"
         "horizontalMode  = heading;\n";
  out += "horizontal      = " + headingText + ";\n";
  out += "pitch           = -30;\n"
         "speed           = 1.5;\n"
         "maxDepth        = 5;\n"
         "minAltitude     = 9;\n"
         "duration        = 60;\n"
         "}\n";

  out += "\n# setpoint on surface to gather momentum\n"
         "behavior setpoint {\n"
         "duration     = 30;\n";
  out += "heading      = " + headingText + ";\n";
  out += "speed        = 1.5;\n"
         "verticalMode = pitch;\n"
         "pitch        = 0;\n"
         "}\n";

  out += "\nbehavior getgps {\n"
         "duration       = 300;\n";
  out += format("minHits        = %d;\n", gpsHits);
  out += abortOnTimeoutLine(preview);
  out += "}\n";
  out += format(finalGroup && !preview ? "\n# ***** FINAL WAYPOINT NUMBER: %d ^ *****\n"
                                       : "\n# ***** WAYPOINT NUMBER: %d ^ *****\n",
                n->wptNumber);
  emit(out);
}

}  // namespace

std::string nearestInt(double value, int& scratch) {
  const double rounded = std::nearbyint(value);  // ties go to the even neighbour
  if (rounded >= std::numeric_limits<int>::min() && rounded <= std::numeric_limits<int>::max()) {
    scratch = static_cast<int>(rounded);
    return std::to_string(scratch);
  }
  return format("%.0f", rounded);
}

void missionText(const std::string& name, bool preview, const textSink& emit) {
  const node* const launch = headNodePtr;
  std::string out;
  if (preview) out += withName("\n\n **** begin writing file %s **** \n", name);
  out += withName("# Mission Filename: %s\n", name);
  out += "#\n"
         "#\n"
         "#                   *** CAUTION *** \n"
         "#   *** THIS MISSION GENERATED WITH UTILITY VESK ***\n"
         "#               *** UNPROVEN CODE ***\n"
         "#\n"
         "#               *** LAUNCH WAYPOINT ***\n";
  out += format("#               LAT/LON: %.9g %.9g\n", launch->Lat, launch->Lon);
  out += "#\n"
         "#               *** INITIAL HEADING *** \n";
  out += format("#                        %g  \n", launch->heading);
  out += "#\n";
  if (!preview) {
    out += abortOnTimeout == 1 ? "#             *** abortOnTimeout is True ***\n"
                               : "#             *** abortOnTimeout is False ***\n";
  }
  out += "#\n";

  const std::string speedDefines = format("#define MISSION_SPEED %g\n", missionSpeed) +
                                   format("#define MISSION_SPEED_SLOW %g\n", missionSpeedSlow);
  if (preview) out += speedDefines;
  if (kallopMission == 1) {
    out += preview ? "# KALLOPS ARMED AT START OF MISSION\n"
                     "# MOVE THE ARMING BEHAVIOR IF NECESSARY\n"
                   : "#   *** KALLOPS ARMED AT START OF MISSION ***\n"
                     "# *** MOVE THE ARMING BEHAVIOR IF NECESSARY ***\n";
    out += "#\n";
  }
  if (yoyoMission == 1) {
    out += format("#define MISSION_YOYO_MIN_DEPTH %d\n", missionYoyoMinDepth);
    if (!preview) out += format("#define MISSION_YOYO_MAX_DEPTH %d\n", missionYoyoMaxDepth);
    out += format("#define YOYO_MIN_ALTITUDE %d\n", yoyoMinAltitude);
  }
  if (!preview) out += speedDefines;

  out += "\n# mission timer set to 120% of estimated time of mission\n"
         "behavior missionTimer {\n";
  out += preview ? format("timeOut = %g;\n", missionTime)
                 : "timeOut = " + nearestInt(missionTime, missionTimeInt) + ";\n";
  out += "}\n";

  out += "\n# depth envelope set to commanded + 5 m, abort at commanded + 10\n"
         "behavior depthEnvelope {\n";
  out += format(" minDepth          = %g;\n", minDepth);
  out += format(" maxDepth          = %g;\n", maxDepth);
  out += format(" abortDepth        = %g;\n", abortDepth);
  out += format(" abortAltitude     = %g;\n", abortAltitude);
  out += format(" abortLockoutDepth = %g;\n", abortLockoutDepth);
  out += "}\n";

  out += "\nbehavior getgps {\n"
         "duration       = 1800;\n"
         "minHits        = 300;\n";
  out += abortOnTimeoutLine(preview);
  out += "}\n"
         "\n# ***** Mission Ends ^ *****\n";
  emit(out);
  out.clear();

  // The script runs from the end of the mission back to waypoint 1; the launch waypoint
  // gets no group of its own.
  for (const node* n = tailNodePtr; n->prevPtr != nullptr; n = n->prevPtr) {
    emitGroup(n, n == tailNodePtr, preview, emit);
  }

  if (kallopMission == 1) {
    out += "\n#Arm UNFIRED kallops for adaptive firing#\n"
           "behavior ArmTheKallop{\n"
           "duration = 5;\n";
    for (int i = 0; i <= 9; ++i) out += format("kallop%d = 1;\n", i);
    out += "}\n";
  }

  out += "\n# ***** LAUNCH WAYPOINT *****\n";
  out += format("# LAT/LON: %.9g %.9g\n", launch->Lat, launch->Lon);
  out += format("# INITIAL HEADING:  %g  \n", launch->heading);
  emit(out);
}

void waypointRecords(const textSink& emit) {
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    emit(format("%d,N%.9g,%.9g,5,250.000,0.0,0.0,255,0.000  \n", n->wptNumber, n->Lat, n->Lon));
  }
}

void surLineRecords(const std::string& name, const textSink& emit) {
  emit(withName("0,%s,0,0.000,0.000,1,3,255,0,0.200,0,0,1.000 \n", name));
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    emit(format("1,%.9g,%.9g,0.00m,0.00m,0.0,0.0,0.0  \n", n->Lat, n->Lon));
  }
}

void writeMissionFiles(std::time_t when, const std::vector<mapFormat>& maps) {
  // One stem for the whole set, taken once: a run that crosses a minute boundary still
  // writes files that belong together under one name.
  const std::string stem = fileNameAt(when);
  file_name = stem;
  const std::string mission = stem + "cfg";
  const std::string surLine = stem + "pts";
  std::vector<outputFile> files = {
      {mission, [=](const textSink& emit) { missionText(mission, false, emit); }, "cannot open mission output file %s ",
       "cannot write mission output file %s ", " **** Wrote mission script: %s **** \n"},
      {stem + "wpt", waypointRecords, "cannot open waypoint output file %s ", "cannot write waypoint output file %s ",
       "\n **** Wrote waypoints file : %s ****\n"},
      {surLine, [=](const textSink& emit) { surLineRecords(surLine, emit); }, "cannot open surveyline output file %s ",
       "cannot write surveyline output file %s ", "\n **** Wrote survey line : %s ****\n"}};
  for (const mapFormat format : maps) {
    const std::string name = stem + mapExtension(format);
    files.push_back({name, [=](const textSink& emit) { mapText(format, name, emit); }, "cannot open map output file %s ",
                     "cannot write map output file %s ", "\n **** Wrote map : %s ****\n"});
  }
  writeFileSet(files);
}

namespace {
void toConsole(const std::string& text) { std::fputs(text.c_str(), stdout); }
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
