// The plan as one picture the operator can read at a glance on a field laptop without
// internet: a self-contained SVG file with a title block (the file set, the route file,
// the plan's figures and the run's warnings), the route on a true-scale chart and the
// vehicle's depth over the mission's time. Every number in it is formatted by the program
// itself, so Linux and Windows write the same bytes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "geo/latLon.h"
#include "text/textOut.h"

using picturePosition = latLon;

// A polygon's vertices in order, closed or not.
using pictureRing = std::vector<picturePosition>;

struct pictureArea {
  pictureRing outer;
  std::vector<pictureRing> holes;  // ground the vehicle keeps out of
};

// What the picture shows besides the route, the settings and the warnings of the run.
struct pictureInputs {
  std::string routeFile;              // the waypoint file the route was read from
  std::vector<std::string> setFiles;  // the names of every file of the set, the picture's own included
  std::optional<pictureArea> area;    // the survey area the route was laid out in
  std::vector<pictureRing> swaths;    // the ground each run of a survey covers
};

// Set by the run before the files are written.
extern pictureInputs planPicture;

// The picture of the planned route as the file `name`, from the route, the settings,
// planPicture and the warnings the run gave so far (runWarnings).
void svgText(const std::string& name, textOut& out);

// Size of the picture, pixels.
constexpr double pictureWidth = 1200;
