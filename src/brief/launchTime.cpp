#include "brief/launchTime.h"

#include <cmath>
#include <cstdlib>

namespace {

// Days from 1970-01-01 to the civil date, and back: the proleptic Gregorian calendar,
// computed the same on every platform without the C library's time zone rules.
long long daysFromCivil(long long y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, long long& y, int& m, int& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

bool leapYear(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(long long y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Reads `count` digits at `at`, moving past them.
bool digits(std::string_view text, size_t& at, size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  at += count;
  return true;
}

bool literal(std::string_view text, size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

std::string twoDigits(long long v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

std::optional<launchClock> readLaunchTime(std::string_view text, std::string& reason) {
  reason = "a launch time as 2026-12-11T22:30:00+02:00 (date, time and zone: Z or +HH:MM)";
  size_t at = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!digits(text, at, 4, year) || !literal(text, at, '-') || !digits(text, at, 2, month) || !literal(text, at, '-') ||
      !digits(text, at, 2, day))
    return std::nullopt;
  if (!literal(text, at, 'T') && !literal(text, at, 't') && !literal(text, at, ' ')) return std::nullopt;
  if (!digits(text, at, 2, hour) || !literal(text, at, ':') || !digits(text, at, 2, minute)) return std::nullopt;
  if (at < text.size() && text[at] == ':' && !(literal(text, at, ':') && digits(text, at, 2, second)))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  int offset = 0;
  if (literal(text, at, 'Z') || literal(text, at, 'z')) {
    offset = 0;
  } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    int oh = 0, om = 0;
    if (!digits(text, at, 2, oh)) return std::nullopt;
    if (at < text.size()) {
      literal(text, at, ':');
      if (!digits(text, at, 2, om)) return std::nullopt;
    }
    if (oh > 14 || om > 59) return std::nullopt;
    offset = sign * (oh * 60 + om);
  } else {
    return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  reason.clear();
  const long long local = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return launchClock{local - offset * 60LL, offset};
}

std::string launchTimeRefusal(double, const std::string& written) {
  std::string reason;
  if (readLaunchTime(written, reason)) return "";
  return "launchTime takes " + reason + ", not '" + written + "'";
}

std::string clockAfter(const launchClock& launch, double seconds) {
  const long long local =
      launch.utcSeconds + static_cast<long long>(std::nearbyint(seconds)) + launch.offsetMinutes * 60LL;
  long long days = local / 86400;
  long long rest = local % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  long long year = 0;
  int month = 0, day = 0;
  civilFromDays(days, year, month, day);
  const int offset = std::abs(launch.offsetMinutes);
  return std::to_string(year) + "-" + twoDigits(month) + "-" + twoDigits(day) + " " + twoDigits(rest / 3600) + ":" +
         twoDigits(rest / 60 % 60) + ":" + twoDigits(rest % 60) + " " + (launch.offsetMinutes < 0 ? "-" : "+") +
         twoDigits(offset / 60) + ":" + twoDigits(offset % 60);
}
