// The survey on the chart: the area with its holes, the ground each line's swath covers,
// and a cross on each part left unswept, drawn under the route.
#pragma once

#include "mission/plannedMission.h"
#include "picture/svgProjection.h"
#include "text/textOut.h"

void writeSurveyOutline(const missionSurvey& area, const chartView& view, textOut& out);
