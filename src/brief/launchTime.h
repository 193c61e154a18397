// The clock time of the launch (--launch-time, ISO 8601), from which the brief gives the
// crew each surfacing as the time on their watches, in the zone the launch was given in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

struct launchClock {
  long long utcSeconds = 0;  // seconds since 1970-01-01T00:00:00Z
  int offsetMinutes = 0;     // the zone the time was given in, east of UTC positive
};

// "2026-12-11T22:30:00+02:00": a date, "T" or one blank, hours and minutes, seconds if
// wanted, then "Z" or an offset (+HH:MM, +HHMM or +HH). Nothing and the reason when the
// text is not such a time: a launch time without its zone would be read in the wrong one.
std::optional<launchClock> readLaunchTime(std::string_view text, std::string& reason);

// The reason a launch time `written` is refused, or empty: the check of the launchTime key.
std::string launchTimeRefusal(double value, const std::string& written);

// The clock time `seconds` after the launch, to the second, in the launch's zone:
// "2026-12-12 00:10:05 +02:00".
std::string clockAfter(const launchClock& launch, double seconds);
