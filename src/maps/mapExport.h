// The planned route as a map, for checking a plan on a chart or a virtual globe before
// the vehicle goes into the water: KML, GPX 1.1 or GeoJSON, or a picture of the plan (SVG).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "mission/plannedMission.h"
#include "text/textOut.h"

// html is the dive brief (brief/briefPage.h): it is written with what the run gives it
// besides the plan, by the writer of the set, not by mapText.
enum class mapFormat { kml, gpx, geojson, svg, html };

// The format of a --map name ("kml", "gpx", "geojson", "svg", "html", in any case); none for another name.
std::optional<mapFormat> mapFormatNamed(std::string_view name);

// The file name extension of a map format, which is also its --map name.
const char* mapExtension(mapFormat format);

// The text of the map file `name` of the planned mission: the route as one line from the
// launch waypoint to the last waypoint, and every waypoint as a point named by its
// number, marked as launch, given waypoint or surfacing added by leg splitting, with its
// leg length, heading, leg time and time from launch; or the picture of the plan.
void mapText(mapFormat format, const plannedMission& mission, const std::string& name, textOut& out);

// The same text with "\n" line ends.
std::string mapText(mapFormat format, const plannedMission& mission, const std::string& name);
