// A position as operators and files give it.
#pragma once

struct latLon {
  double lat = 0;  // decimal degrees, north positive
  double lon = 0;  // decimal degrees, east positive
};
