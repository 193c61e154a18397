// Positions as the operator reads them off a chart or a radio.
#pragma once

#include <string>

#include "geo/latLon.h"

// A position as charts and radios give it: 54° 11.021' N 7° 49.310' E.
std::string degreesAndMinutes(latLon p);
