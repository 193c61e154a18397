// The graticule of the plan's chart: parallels and meridians at round steps of degrees
// and minutes, labelled outside the chart's frame as a sea chart labels them.
#pragma once

#include <string>

#include "picture/svgDraw.h"
#include "picture/svgProjection.h"
#include "text/textOut.h"

// Angles in hundredths of a minute of arc, so that every graticule value is a whole number.
constexpr long long hundredthsPerDegree = 6000;

struct graticuleSteps {
  long long latitude;   // hundredths of a minute between two parallels
  long long longitude;  // and between two meridians
};

// The graticule of what `view` shows inside `frame`: its lines clipped to the frame (the
// clip path "chart-clip"), the parallels labelled at the frame's left edge, the meridians
// at its bottom edge, wherever a label has room.
graticuleSteps writeGraticule(const chartView& view, const box& frame, textOut& out);

// An angle as the graticule labels it at `step`: 45°N, 45°30'N, 45°30.5'N, 45°30.25'N;
// longitudes are brought into -180..180 (180° has no letter).
std::string latitudeText(long long hundredths, long long step);
std::string longitudeText(long long hundredths, long long step);

// A step as text: 1', 0.5', 2°.
std::string stepText(long long step);
