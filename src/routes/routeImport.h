// Waypoint files in the formats operators draw routes in: the plain "latitude longitude"
// text, KML paths and placemarks, GPX routes, tracks and waypoints, GeoJSON lines and
// points, and spreadsheet CSV. The entry of the routes layer for a route: the file's
// waypoints as values, for the driver to make the list of.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "routes/geoPoint.h"
#include "text/outcome.h"

// Every waypoint of the file `name`, whose whole content is `content`, in route order. The
// format is told from the content (after a byte order mark and white space: XML whose
// root element is kml or gpx, in any namespace, or a KML part, or a JSON object),
// otherwise from a name ending in .csv; anything else is the plain text format, but other
// XML is refused naming its root element. A waypoint the vehicle cannot be
// sent to, a file that holds no single route or one that cannot be parsed gives a failure:
// its message for standard output and, for a waypoint, the reason for standard error.
// Slips that do not stop the run are added to `warnings` in the order they are met,
// refused or not. `path` picks one of a file's several paths (tracks, routes, lines) by
// its number from 1 or its name, as --path does; empty: the file must hold one.
result<std::vector<geoPoint>> readRoutePoints(std::string_view content, const std::string& name,
                                              std::vector<std::string>& warnings, const std::string& path = "");

// The waypoints `points` that the program laid out itself from the file `name` (a survey
// in its area), through the checks a file's waypoints pass, refused as "survey waypoint".
result<std::vector<geoPoint>> checkRoutePoints(const std::vector<geoPoint>& points, const std::string& name,
                                               std::vector<std::string>& warnings);
