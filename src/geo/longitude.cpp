#include "geo/longitude.h"

#include <cmath>

double wrapLongitude(double lon) {
  if (!std::isfinite(lon)) return lon;
  // Far out (an unwrapped route that circles the earth) the whole turns go at once, which is
  // as exact as taking them one by one (and, by the + 0, gives 0 rather than -0 as they do).
  if (std::fabs(lon) > 540) lon = std::fmod(lon, 360) + 0.0;
  while (lon > 180) lon -= 360;
  while (lon < -180) lon += 360;
  return lon;
}

double longitudeNear(double lon, double reference) {
  if (lon - reference > 180) return lon - 360;
  if (lon - reference < -180) return lon + 360;
  return lon;
}
