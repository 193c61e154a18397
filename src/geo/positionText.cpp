#include "geo/positionText.h"

#include <cmath>

#include "geo/longitude.h"

std::string degreesAndMinutes(latLon p) {
  const auto part = [](double value, char positive, char negative, bool pad) {
    // Thousandths of a minute, counted whole so that 59.9996' rounds to the next degree.
    const long long thousandths = std::llround(std::fabs(value) * 60000);
    const long long degrees = thousandths / 60000;
    const long long rest = thousandths % 60000;
    std::string minutes = std::to_string(rest / 1000) + "." + std::to_string(rest % 1000 + 1000).substr(1);
    if (pad && rest / 1000 < 10) minutes = "0" + minutes;
    return std::to_string(degrees) + "\xC2\xB0 " + minutes + "' " + (value < 0 ? negative : positive);
  };
  return part(p.lat, 'N', 'S', true) + " " + part(wrapLongitude(p.lon), 'E', 'W', true);
}
