#include "routeReader.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "runMessages.h"
#include "textOut.h"

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isSpace(char c) { return isBlank(c) || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

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
  failRun("invalid waypoint " + where.message + " of " + fileName_ + "\n", described(where, reason));
}

void routeReader::refuseFile(const std::string& what) const { failRun(fileName_ + " " + what + "\n"); }

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
  if (!lon) refuse(where, "the longitude is not a number");
  if (!lat) refuse(where, "the latitude is not a number");
  add(*lat, *lon, where);
}

void routeReader::finish() const {
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
