// A position as the routes layer gives it back: a waypoint of a route or a vertex of an
// area, in decimal degrees, north and east positive; the one position type of the program.
#pragma once

#include "geo/latLon.h"

using geoPoint = latLon;
