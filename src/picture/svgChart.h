// The chart panel of the plan's picture: the route north up at true scale, its legs with
// their directions, every waypoint by kind and number, a scale bar, a north arrow, a
// graticule, and the survey area and swaths when there are any.
#pragma once

#include "picture/svgDraw.h"
#include "picture/svgMap.h"
#include "text/textOut.h"

// Pixels below the chart's frame that its graticule labels, legend and projection take.
constexpr double chartBelowFrame = 62;

// The chart of the planned route inside `frame`, with its legend and projection below it.
void writeChart(const box& frame, const pictureInputs& inputs, textOut& out);
