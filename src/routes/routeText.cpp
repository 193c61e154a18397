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
  if (hasHemisphereLetter(text)) {
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

namespace {

// ---- CSV ----

// One record of RFC 4180 CSV from `pos`, which moves past it; `line` counts the line
// ends passed. Returns false at the end of the content.
bool nextRecord(std::string_view content, size_t& pos, char separator, long long& line,
                std::vector<std::string>& fields, routeReader& route) {
  fields.clear();
  if (pos >= content.size()) return false;
  const long long firstLine = line;
  std::string field;
  bool quoted = false;
  while (pos < content.size()) {
    const char c = content[pos++];
    if (quoted) {
      if (c == '"' && pos < content.size() && content[pos] == '"') {
        field += '"';
        ++pos;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n' || (c == '\r' && (pos >= content.size() || content[pos] != '\n'))) ++line;
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      fields.push_back(field);
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && pos < content.size() && content[pos] == '\n') ++pos;
      ++line;
      break;
    } else {
      field += c;
    }
  }
  if (quoted) {
    route.refuseFile("has a quoted field opened on line " + std::to_string(firstLine) + " that is never closed");
  }
  fields.push_back(field);
  return true;
}

std::optional<size_t> columnOf(const std::vector<std::string>& header, std::initializer_list<const char*> names) {
  for (size_t i = 0; i < header.size(); ++i) {
    const std::string name = lowerCase(trimmed(header[i]));
    for (const char* wanted : names) {
      if (name == wanted) return i;
    }
  }
  return std::nullopt;
}

// The column of a GPS logger's export that holds the hemisphere letter of a coordinate
// (INDEX,LATITUDE,N/S,LONGITUDE,E/W): its header, and which coordinate it belongs to.
struct hemisphereColumn {
  size_t index = 0;
  std::string header;  // as written, for the messages
};

enum class hemisphereKind { none, latitude, longitude, either };

// Whether the header `name` names a hemisphere column: N/S, NS, E/W, EW, "lat hemisphere",
// "N_S", "LatRef", "GPSLongitudeRef" and the like, in any case and with any punctuation.
// A bare "hemisphere" belongs to the coordinate column just before it.
hemisphereKind hemisphereKindOf(std::string_view name) {
  std::string word;
  for (const char c : lowerCase(trimmed(name))) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) word += c;
  }
  if (word.rfind("gps", 0) == 0) word.erase(0, 3);
  const auto oneOf = [&](std::initializer_list<const char*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char* w) { return word == w; });
  };
  if (oneOf({"hemisphere", "hemi", "hem"})) return hemisphereKind::either;
  const auto named = [&](std::initializer_list<const char*> coordinates, const char* letters) {
    for (const char* coordinate : coordinates) {
      for (const char* mark : {"hemisphere", "hemi", "hem", "direction", "dir", "ref", "indicator", letters}) {
        const std::string c(coordinate);
        if (word == c + mark || word == mark + c) return true;
      }
    }
    const std::string pair(letters);
    const std::string reversed(pair.rbegin(), pair.rend());
    return word == pair || word == reversed || word == pair + "indicator" || word == pair + "hemisphere";
  };
  if (named({"latitude", "lat"}, "ns")) return hemisphereKind::latitude;
  if (named({"longitude", "long", "lon", "lng"}, "ew")) return hemisphereKind::longitude;
  return hemisphereKind::none;
}

// The hemisphere columns of the latitude and the longitude, from the header. A file whose
// hemisphere columns cannot be told apart is refused: read without them, a southern or
// western route would be planned in the wrong hemisphere.
void findHemisphereColumns(const std::vector<std::string>& header, size_t latColumn, size_t lonColumn,
                           std::optional<hemisphereColumn>& latHemisphere,
                           std::optional<hemisphereColumn>& lonHemisphere, routeReader& route) {
  for (size_t i = 0; i < header.size(); ++i) {
    hemisphereKind kind = hemisphereKindOf(header[i]);
    const std::string quoted = "\"" + std::string(trimmed(header[i])) + "\"";
    if (kind == hemisphereKind::either) {
      kind = i > 0 && i - 1 == latColumn   ? hemisphereKind::latitude
             : i > 0 && i - 1 == lonColumn ? hemisphereKind::longitude
                                           : hemisphereKind::none;
      if (kind == hemisphereKind::none) {
        route.refuseFile("has a hemisphere column " + quoted +
                         " that follows neither the latitude nor the longitude column: put it right after the "
                         "coordinate it belongs to, or name it N/S or E/W");
      }
    }
    if (kind == hemisphereKind::none) continue;
    std::optional<hemisphereColumn>& slot = kind == hemisphereKind::latitude ? latHemisphere : lonHemisphere;
    if (slot) {
      route.refuseFile("has two hemisphere columns for the " +
                       std::string(kind == hemisphereKind::latitude ? "latitude" : "longitude") + ", \"" +
                       slot->header + "\" and " + quoted + "; keep one");
    }
    slot = hemisphereColumn{i, std::string(trimmed(header[i]))};
  }
}

// A coordinate cell with the letter of its hemisphere column joined to it, as a text line
// writes it (57.7 S), so that it is read as every lettered coordinate is. A cell that has a
// letter or a sign of its own besides the column's is refused: one of the two would have to
// be ignored.
std::string withHemisphere(std::string_view cell, const std::vector<std::string>& fields,
                           const std::optional<hemisphereColumn>& column, bool latitude, const place& where,
                           routeReader& route) {
  if (!column) return std::string(cell);
  const char* const coordinate = latitude ? "latitude" : "longitude";
  const char* const letters = latitude ? "N or S" : "E or W";
  const std::string letter = column->index < fields.size() ? lowerCase(trimmed(fields[column->index])) : "";
  const bool fits = latitude ? letter == "n" || letter == "s" : letter == "e" || letter == "w";
  if (!fits) {
    const std::string held = letter.empty() ? "nothing" : "\"" + std::string(trimmed(fields[column->index])) + "\"";
    route.refuse(where, "the " + std::string(coordinate) + "'s hemisphere column \"" + column->header + "\" holds " +
                            held + ": give " + letters);
  }
  if (trimmed(cell).empty() || !withDecimalPoint(cell).empty()) route.refuse(where, notANumber(cell, coordinate));
  if (hasHemisphereLetter(cell)) {
    route.refuse(where, "the " + std::string(coordinate) +
                            " has a hemisphere letter of its own and one in the column \"" + column->header +
                            "\": give it in one place");
  }
  return std::string(trimmed(cell)) + " " + letter;
}

// The two cells of a CSV row: plain numbers, or both coordinates with their hemisphere
// letters. One letter alone leaves it open whether the other number is signed.
void addCells(std::string_view latText, std::string_view lonText, const place& where, routeReader& route) {
  const bool latLettered = hasHemisphereLetter(latText);
  if (latLettered != hasHemisphereLetter(lonText)) {
    route.refuse(where, "write a hemisphere letter with both the latitude and the longitude, or with neither");
  }
  if (!latLettered) {
    route.addText(lonText, latText, where);
    return;
  }
  const letteredCoordinate lat = readLetteredCoordinate(latText, true);
  if (!lat.problem.empty()) route.refuse(where, "the latitude: " + lat.problem);
  const letteredCoordinate lon = readLetteredCoordinate(lonText, false);
  if (!lon.problem.empty()) route.refuse(where, "the longitude: " + lon.problem);
  route.add(lat.value, lon.value, where);
}

}  // namespace

void readText(std::string_view content, routeReader& route) {
  bool firstEntry = true;
  forEachLine(content, [&](size_t start, size_t end, long long number) {
    if (const std::optional<geoPoint> p = readTextPosition(content, start, end, number, route, firstEntry)) {
      firstEntry = false;
      route.add(p->lat, p->lon, [&] { return onLine(number, content.substr(start, end - start)); });
    }
  });
}

void readCsv(std::string_view content, routeReader& route) {
  const size_t start = bomLength(content);
  std::vector<std::string> fields;
  for (const char separator : {',', ';'}) {
    size_t pos = start;
    long long line = 1;
    nextRecord(content, pos, separator, line, fields, route);
    const std::optional<size_t> latColumn = columnOf(fields, {"lat", "latitude"});
    const std::optional<size_t> lonColumn = columnOf(fields, {"lon", "lng", "long", "longitude"});
    if (!latColumn || !lonColumn) continue;
    std::optional<hemisphereColumn> latHemisphere;
    std::optional<hemisphereColumn> lonHemisphere;
    findHemisphereColumns(fields, *latColumn, *lonColumn, latHemisphere, lonHemisphere, route);
    long long recordLine = line;
    while (nextRecord(content, pos, separator, line, fields, route)) {
      const long long thisLine = recordLine;
      recordLine = line;
      if (std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return trimmed(f).empty(); })) {
        continue;
      }
      std::string text;
      for (size_t i = 0; i < fields.size(); ++i) text += (i > 0 ? std::string(1, separator) : "") + fields[i];
      const place where = onLine(thisLine, text);
      if (*latColumn >= fields.size()) route.refuse(where, "the row has no latitude column");
      if (*lonColumn >= fields.size()) route.refuse(where, "the row has no longitude column");
      addCells(withHemisphere(fields[*latColumn], fields, latHemisphere, true, where, route),
               withHemisphere(fields[*lonColumn], fields, lonHemisphere, false, where, route), where, route);
    }
    return;
  }
  route.refuseFile(
      "needs a header row naming its latitude and longitude columns, such as \"lat,lon\" "
      "(lat or latitude; lon, lng, long or longitude)");
}
