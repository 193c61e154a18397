#include "routes/routeReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>

#include "text/textOut.h"

size_t bomLength(std::string_view content) {
  const std::string_view byteOrderMark = "\xEF\xBB\xBF";
  return content.substr(0, byteOrderMark.size()) == byteOrderMark ? byteOrderMark.size() : 0;
}

std::string plural(size_t count, const char* one, const char* many) {
  return count == 1 ? std::string("1 ") + one : std::to_string(count) + " " + many;
}

std::optional<double> wholeNumber(std::string_view field) {
  const std::string text(trimmed(field));
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::string_view> tupleParts(std::string_view tuple) {
  std::vector<std::string_view> parts;
  for (size_t from = 0;;) {
    const size_t comma = tuple.find(',', from);
    parts.push_back(tuple.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
    if (comma == std::string_view::npos) return parts;
    from = comma + 1;
  }
}

std::string withDecimalPoint(std::string_view field) {
  const std::string_view text = trimmed(field);
  const size_t comma = text.find(',');
  const size_t digits = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  const auto allDigits = [](std::string_view part) {
    return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (comma == std::string_view::npos || !allDigits(text.substr(digits, comma - digits)) ||
      !allDigits(text.substr(comma + 1))) {
    return "";
  }
  std::string number(text);
  number[comma] = '.';
  return number;
}

std::string notANumber(std::string_view field, const char* what) {
  const std::string number = withDecimalPoint(field);
  if (!number.empty()) return "a decimal comma; write " + number;
  return std::string("the ") + what + " is not a number";
}

bool flyable(double lat, double lon) { return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180; }

namespace {
std::string shown(double value) { return numberText::general(value, 15).text(); }
}  // namespace

std::string positionProblem(double lat, double lon) {
  if (!std::isfinite(lat)) return "the latitude is not a finite number";
  if (!std::isfinite(lon)) return "the longitude is not a finite number";
  if (lat < -90 || lat > 90) return "latitude " + shown(lat) + " is outside -90..90";
  if (lon < -180 || lon > 180) return "longitude " + shown(lon) + " is outside -180..180";
  return "";
}

place onLine(long long line, std::string_view text) {
  return {"on line " + std::to_string(line), "line " + std::to_string(line), std::string(text)};
}

place waypointAt(long long number, long long line, std::string_view text) {
  std::string label = "waypoint " + std::to_string(number);
  if (line > 0) label += " (line " + std::to_string(line) + ")";
  return {std::to_string(number), label, std::string(text)};
}

void routeReader::refuse(const place& where, const std::string& reason) const {
  throw documentRefusal{
      {"invalid " + item_ + " " + where.message + " of " + fileName_ + "\n", described(where, reason)}};
}

void routeReader::refuseFile(const std::string& what) const {
  throw documentRefusal{{fileName_ + " " + what + "\n", ""}};
}

void routeReader::refuseFile(const std::string& what, const std::vector<std::string>& told) const {
  failure why{fileName_ + " " + what + "\n", told.empty() ? "" : told[0]};
  if (told.size() > 1) why.moreReasons.assign(told.begin() + 1, told.end());
  throw documentRefusal{std::move(why)};
}

void routeReader::tooManyWaypoints() const {
  refuseFile("holds more than " + std::to_string(maxRouteWaypoints) +
             " waypoints, more than a route can be planned with");
}

void routeReader::slip(const place& where, const std::string& what) {
  if (++slips_ <= shownSlips) warn(described(where, what));
}

void routeReader::addText(std::string_view lonText, std::string_view latText, const place& where) {
  const std::optional<double> lon = wholeNumber(lonText);
  const std::optional<double> lat = wholeNumber(latText);
  if (!lon) refuse(where, notANumber(lonText, "longitude"));
  if (!lat) refuse(where, notANumber(latText, "latitude"));
  add(*lat, *lon, where);
}

void routeReader::finish() {
  if (slips_ > shownSlips) warn(std::to_string(slips_ - shownSlips) + " more like these in " + fileName_);
}

std::string routeReader::described(const place& where, const std::string& what) {
  std::string text = where.label + ": ";
  if (!where.quote.empty()) {
    const size_t longest = 100;
    text += "\"" + (where.quote.size() > longest ? where.quote.substr(0, longest) + "..." : where.quote) + "\": ";
  }
  return text + what;
}
