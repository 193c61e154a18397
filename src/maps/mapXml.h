// The maps written as XML documents: KML and GPX 1.1. Used by mapExport only.
#pragma once

#include <string>

#include "mission/plannedMission.h"
#include "text/textOut.h"

// KML: the route and a folder of the waypoints, one style per kind of waypoint, and a view
// that opens on the whole route.
void kmlText(const plannedMission& mission, const std::string& name, textOut& out);

// GPX 1.1: one route of route points, each named by its number and described.
void gpxText(const plannedMission& mission, const std::string& name, textOut& out);
