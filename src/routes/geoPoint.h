// A position as the routes layer gives it back: a waypoint of a route or a vertex of an
// area, in decimal degrees, north and east positive.
#pragma once

struct geoPoint {
  double lat = 0;
  double lon = 0;
};
