// Survey area files: the boundary of the ground to be surveyed as an operator draws it, in
// KML (a Polygon with its inner boundaries), GeoJSON (a Polygon, or a MultiPolygon of one
// part) or the plain text of route files (one vertex a line, a line "hole" before each
// inner boundary). The file is read as route files are (routeImport); this module tells
// its format and reads its rings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "survey/surveyArea.h"

struct areaFile {
  surveyArea area;
  // The line of the file each vertex stands on, ring by ring as in `area` (outer boundary
  // first, then the holes): 0 where the format does not tell it.
  std::vector<std::vector<long long>> lines;
};

// The one area of the file `name`, whose whole content is `content`. The format is told from
// the content (after a byte order mark and white space: XML whose root element is kml, in
// any namespace, or a JSON object); anything else is the plain text format. A file that
// holds no area or more than one, or a vertex that is not a position, stops the run with a
// message on standard output and the reason on standard error.
areaFile readArea(std::string_view content, const std::string& name);

// The reason `error` gives for the area of `file`, with the line of the file the vertex it
// names stands on, when that is known.
std::string areaReason(const areaFile& file, const surveyError& error);
