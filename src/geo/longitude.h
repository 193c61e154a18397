// Longitudes across the antimeridian: one rule for bringing them back into -180..180 and
// for taking one on the side of another, used by the planner, the survey, the maps and the
// picture alike.
#pragma once

// `lon` brought into -180..180 by whole turns; 180 and -180 stay as they are. Exact: a whole
// turn taken from a longitude leaves no rounding.
double wrapLongitude(double lon);

// `lon` (within -180..180) moved by a whole turn when it lies more than 180 degrees from
// `reference`, so that the two lie the short way round from each other.
double longitudeNear(double lon, double reference);
