#include "calcs.h"

#include <algorithm>
#include <cmath>

#include "geo/sphere.h"

// The constants below are those of the vehicle's mission planner; each function keeps its
// own approximation of pi so that planned positions agree with it to the last bit.

namespace {
// Rounding can push the argument of asin a hair beyond 1 for antipodal or polar points;
// that would turn a distance or a latitude into NaN and corrupt the mission.
double asinClamped(double x) { return std::asin(std::clamp(x, -1.0, 1.0)); }
}  // namespace

double dist(double lat1, double lon1, double lat2, double lon2) {
  const double dLon = (lon1 - lon2) * 0.01745329252;
  const double phi1 = lat1 * 0.01745329252;
  const double phi2 = lat2 * 0.01745329252;
  const double dz = std::sin(phi1) - std::sin(phi2);
  const double dx = std::cos(dLon) * std::cos(phi1) - std::cos(phi2);
  const double dy = std::sin(dLon) * std::cos(phi1);
  return asinClamped(std::sqrt(dx * dx + dy * dy + dz * dz) / 2) * 2 * 6371 * 1000;
}

double heading(double a, double b, double c, double d) {
  const double lat1 = a * 3.14159 / 180;
  const double lon1 = b * 3.14159 / 180;
  const double lat2 = c * 3.14159 / 180;
  // Across the antimeridian the end is taken on the near side: the planner's rough pi,
  // applied to a longitude difference of almost a whole turn, would aim the leg tens of
  // metres beside its end.
  const double dNear = longitudeNear(d, b);
  const double lon2 = dNear * 3.14159 / 180;
  const double londif = lon2 - lon1;
  const double head = std::atan2(std::cos(lat2) * std::sin(londif),
                                 std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(londif));
  const double headingDeg = head * 180 / 3.14159;
  if (headingDeg > 0) return headingDeg;
  // Due north is reported as 360, never 0: 0 marks a node without a leg.
  const double headingDeg2 = headingDeg + 360;
  return headingDeg2;
}

int newLatLon(double currentLat, double currentLon, double headingDeg, double distance, double& newLat,
              double& newLon) {
  const double R = 6371;
  const double PI = 3.1415926536;
  const double currentLatRad = PI / 180 * currentLat;
  const double currentLonRad = PI / 180 * currentLon;
  const double headingRad = PI / 180 * headingDeg;
  const double delta = (distance / 1000) / R;
  const double phi = asinClamped(std::sin(currentLatRad) * std::cos(delta) +
                                 std::cos(currentLatRad) * std::sin(delta) * std::cos(headingRad));
  const double lambda = currentLonRad + std::atan2(std::sin(headingRad) * std::sin(delta) * std::cos(currentLatRad),
                                                   std::cos(delta) - std::sin(currentLatRad) * std::sin(phi));
  newLat = phi * 57.29577951289617;
  newLon = lambda * 57.29577951289617;
  return 0;
}

bool atPole(double lat) { return lat == 90 || lat == -90; }

namespace {

// The degree-to-radian factor of dist and the radian-to-degree factor of newLatLon, which
// are each other's inverse; a pole is exactly on the axis, whatever its longitude.
vec3 vectorOf(double lat, double lon) {
  if (atPole(lat)) return {0, 0, lat > 0 ? 1.0 : -1.0};
  return unitAtRadians(lat * 0.01745329252, lon * 0.01745329252);
}

}  // namespace

bool polarLeg(double lat1, double lon1, double lat2, double lon2) {
  if (atPole(lat1) || atPole(lat2)) return true;
  return std::fabs(wrapLongitude(lon2 - lon1)) == 180 && lat1 != -lat2;
}

int alongGreatCircle(double lat1, double lon1, double lat2, double lon2, double t, double& lat, double& lon) {
  const vec3 a = vectorOf(lat1, lon1);
  vec3 b = vectorOf(lat2, lon2);
  if (atPole(lat1) && lat2 == -lat1) {
    // Pole to pole: down the meridian of the start, whose equator lies half way.
    b = vectorOf(0, lon1);
    t *= 2;
  }
  const double sine = norm(cross(a, b));
  const double omega = angleBetween(a, b);
  const double fa = std::sin((1 - t) * omega) / sine;
  const double fb = std::sin(t * omega) / sine;
  const vec3 p = fa * a + fb * b;
  const double across = std::sqrt(p.x * p.x + p.y * p.y);
  const double toDegrees = 57.29577951289617;
  lat = std::atan2(p.z, across) * toDegrees;
  // At a pole the longitude is that of the leg's other end.
  lon = across == 0 ? (atPole(lat1) ? lon2 : lon1) : std::atan2(p.y, p.x) * toDegrees;
  return 0;
}

std::string file_name;

std::string fileNameAt(std::time_t when) {
  const std::tm* const utc = std::gmtime(&when);
  if (utc == nullptr) return "0_0_00.";
  return std::to_string(utc->tm_year + 1900) + "_" + std::to_string(utc->tm_yday) + "_" + std::to_string(utc->tm_hour) +
         std::to_string(utc->tm_min) + ".";
}

std::string fileName() {
  file_name = fileNameAt(std::time(nullptr));
  return file_name;
}
