#include "routes/routeText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "routes/positionForms.h"
#include "text/textOut.h"

namespace {

// ---- Plain text ----

// The number that starts at `pos` in the line of `content` that ends at `end` as the C
// library reads it, and where it ends. The plain decimal numbers that fill route files
// are read by from_chars, many times faster than strtod and, like it, rounded correctly,
// so both give the same double; strtod reads what from_chars does not take as a whole
// number (a sign +, hexadecimal, a value out of range), so that such texts mean what they
// always meant.
std::pair<double, size_t> numberAt(std::string_view content, size_t pos, size_t end) {
  const char* const text = content.data();
  const char first = text[pos] == '-' && pos + 1 < end ? text[pos + 1] : text[pos];
  if ((first >= '0' && first <= '9') || first == '.') {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text + pos, text + end, value);
    if (ec == std::errc() && (ptr == text + end || isBlank(*ptr))) return {value, static_cast<size_t>(ptr - text)};
  }
  // strtod needs the text to end in a NUL.
  const std::string rest(content.substr(pos, end - pos));
  const char* const start = rest.c_str();
  char* after = nullptr;
  const double value = std::strtod(start, &after);
  return {value, pos + static_cast<size_t>(after - start)};
}

size_t skipBlanks(std::string_view content, size_t pos, size_t end) {
  while (pos < end && isBlank(content[pos])) ++pos;
  return pos;
}

// A position the vehicle cannot be sent to is named in the reason, without the line.
[[noreturn]] void refuseRange(routeReader& route, const place& where, double lat, double lon) {
  route.refuse({where.message, where.label, ""}, positionProblem(lat, lon));
}

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  for (size_t from = 0;;) {
    const size_t at = text.find(separator, from);
    fields.push_back(trimmed(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from)));
    if (at == std::string_view::npos) return fields;
    from = at + 1;
  }
}

std::vector<std::string_view> wordsOf(std::string_view text) {
  std::vector<std::string_view> words;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = pos;
    while (end < text.size() && !isBlank(text[end])) ++end;
    if (end > pos) words.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return words;
}

// The number a field of another tool's line means, with a decimal point; empty when it is
// none. A decimal comma counts only where a comma cannot separate the fields.
std::string numberIn(std::string_view field, bool commaIsDecimal) {
  if (wholeNumber(field)) return std::string(trimmed(field));
  return commaIsDecimal ? withDecimalPoint(field) : "";
}

// Why a line of text that is no position was written the way other tools write one: with
// decimal commas or with a separator between the fields. Empty when it is neither.
std::string commonSlip(std::string_view text) {
  const std::vector<std::string_view> words = wordsOf(text);
  if (words.size() >= 2) {
    const std::string lat = numberIn(words[0], true);
    const std::string lon = numberIn(words[1], true);
    if (!lat.empty() && !lon.empty()) {
      return "a decimal comma; write " + (lat != words[0] ? lat : lon);
    }
  }
  for (const char separator : {';', ','}) {
    const std::vector<std::string_view> fields = splitAt(text, separator);
    if (fields.size() < 2) continue;
    if (separator == ',' && fields.size() > 3) {
      return "commas between the numbers, perhaps decimal commas too; write the latitude and the longitude with "
             "decimal points and a blank between them, as in 45.5 10.25";
    }
    // A comment may follow the longitude after a blank, as on any line.
    const std::vector<std::string_view> lonWords = wordsOf(fields[1]);
    const std::string lat = numberIn(fields[0], separator != ',');
    const std::string lon = lonWords.empty() ? "" : numberIn(lonWords[0], separator != ',');
    if (lat.empty() || lon.empty()) continue;
    return std::string("the latitude and the longitude are separated by \"") + separator + "\"; write " + lat + " " +
           lon + ", with a blank between them";
  }
  return "";
}
}  // namespace

// One line of the plain text format, from `start` to `end`: the latitude and the
// longitude, each followed by a blank or the end of the line; anything after a blank
// behind the longitude is a comment. A line whose first character is # is a comment. A
// line with hemisphere letters gives its position in degrees, minutes and seconds.
// `firstEntry` tells that no line before held a position.
std::optional<geoPoint> readTextPosition(std::string_view content, size_t start, size_t end, long long number,
                                         routeReader& route, bool firstEntry) {
  const size_t first = skipBlanks(content, start, end);
  if (first == end || content[first] == '#') return std::nullopt;
  const auto where = [&] { return onLine(number, content.substr(start, end - start)); };
  const std::string_view text = content.substr(first, end - first);
  // The column names a spreadsheet or a GIS puts over its numbers.
  if (firstEntry && std::none_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    route.refuse(where(), "a header line? a plain text route has none: delete it, or start it with # to keep it");
  }
  // A line that is no position, written as another tool would write one, is refused with
  // the way to write it.
  const auto refuseLine = [&](const std::string& reason) {
    const std::string slip = commonSlip(text);
    route.refuse(where(), slip.empty() ? reason : slip);
  };
  if (hasHemisphereLetter(text) && !signedPositionBeforeComment(text)) {
    const letteredPosition position = readLetteredLine(text);
    if (!position.problem.empty()) route.refuse(where(), position.problem);
    if (!flyable(position.lat, position.lon)) refuseRange(route, where(), position.lat, position.lon);
    return geoPoint{position.lat, position.lon};
  }
  const char* const names[] = {"latitude", "longitude"};
  double values[2] = {0, 0};
  size_t pos = first;
  for (int i = 0; i < 2; ++i) {
    if (pos == end) refuseLine(std::string("the ") + names[i] + " is missing");
    const auto [value, after] = numberAt(content, pos, end);
    if (after == pos || after > end) refuseLine(i == 0 ? "not a number" : "the longitude is not a number");
    if (after < end && !isBlank(content[after])) {
      refuseLine(std::string("the ") + names[i] + " must be followed by a blank or the end of the line");
    }
    values[i] = value;
    pos = skipBlanks(content, after, end);
  }
  if (!flyable(values[0], values[1])) {
    // A value out of range is named in the reason; a text that is no finite number is quoted.
    if (std::isfinite(values[0]) && std::isfinite(values[1])) refuseRange(route, where(), values[0], values[1]);
    route.refuse(where(), positionProblem(values[0], values[1]));
  }
  if (pos < end) {
    const auto [value, after] = numberAt(content, pos, end);
    if (after > pos && (after == end || isBlank(content[after]))) {
      route.slip(where(), "only the first two numbers are used");
    }
  }
  return geoPoint{values[0], values[1]};
}

void readText(std::string_view content, routeReader& route) {
  bool firstEntry = true;
  forEachLine(content, [&](size_t start, size_t end, long long number) {
    if (const std::optional<geoPoint> p = readTextPosition(content, start, end, number, route, firstEntry)) {
      firstEntry = false;
      route.add(p->lat, p->lon, [&] { return onLine(number, content.substr(start, end - start)); });
    }
  });
}
