// Waypoint files in the formats operators draw routes in: the plain "latitude longitude"
// text, KML paths and placemarks, GPX routes, tracks and waypoints, GeoJSON lines and
// points, and spreadsheet CSV. This module reads the file and tells its format; the
// readers of the formats do the rest.
#pragma once

#include <string>
#include <string_view>

// Appends every waypoint of the file `name`, whose whole content is `content`, to the
// route. The format is told from the content (after a byte order mark and white space:
// XML whose root element is kml or gpx, in any namespace, or a JSON object), otherwise
// from a name ending in .csv; anything else is the plain text format. A waypoint the
// vehicle cannot be sent to, a file that holds no single route or one that cannot be
// parsed stops the run with a message on standard output and, for a waypoint, the reason
// on standard error, before any question is asked.
void readRoute(std::string_view content, const std::string& name);

// Route files above this size are refused unread: the largest surveys are a few MiB, and
// a file or stream without end (/dev/zero, a runaway pipe) must not take the laptop's
// memory.
constexpr long long maxRouteFileBytes = 512LL << 20;

// The whole content of the waypoint file `name`. Ends the run with a message on standard
// output and the system's reason on standard error when it cannot be read or is larger
// than maxRouteFileBytes.
std::string readRouteFile(const std::string& name);
