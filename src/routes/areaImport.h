// Survey area files: the boundary of the ground to be surveyed as an operator draws it, in
// KML (a Polygon with its inner boundaries, also zipped as KMZ), GeoJSON (a Polygon, or a
// MultiPolygon of one part) or the plain text of route files (one vertex a line, a line
// "hole" before each inner boundary), in UTF-8 or UTF-16. The entry of the routes layer
// for an area: the document layer (routeDocument, xmlWalk, geoJsonWalk, the lines of
// routeText) opens and walks the file as it does a route file; this module reads its rings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "routes/geoPoint.h"
#include "text/outcome.h"

// The boundaries of an area as the file gives them, each ring's vertices in order, closed
// (last = first) or not.
struct areaRings {
  std::vector<geoPoint> outer;
  std::vector<std::vector<geoPoint>> holes;  // inner boundaries
};

struct areaFile {
  areaRings area;
  // The line of the file each vertex stands on, ring by ring as in `area` (outer boundary
  // first, then the holes): 0 where the format does not tell it.
  std::vector<std::vector<long long>> lines;
};

// The one area of the file `name`, whose whole content is `content`. The format is told from
// the content (after a byte order mark and white space: XML whose root element is kml, in
// any namespace, or a JSON object); anything else is the plain text format. A file that
// holds no area or more than one, or a vertex that is not a position, gives a failure: its
// message for standard output and the reason for standard error. Slips that do not stop
// the run are added to `warnings` in the order they are met, refused or not.
result<areaFile> readArea(std::string_view content, const std::string& name, std::vector<std::string>& warnings);

// `reason`, why the area of `file` is refused at vertex `vertex` (from 1; 0: none) of ring
// `ring` (0 the outer boundary, k the k-th hole; -1: none), with the line of the file that
// vertex stands on, when that is known.
std::string areaReason(const areaFile& file, const std::string& reason, int ring, int vertex);
