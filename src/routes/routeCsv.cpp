// Spreadsheet CSV: the rows under a header that names the latitude and longitude columns,
// with the separator told from that header.
#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "routes/positionForms.h"
#include "routes/routeText.h"
#include "text/textOut.h"

namespace {

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

// A coordinate cell without a hemisphere letter: a number, or degrees with their marks and
// a sign (-1.234°, -1°14'02.4"), read by the decoder of the lettered forms.
double unletteredCell(std::string_view cell, const char* what, const place& where, routeReader& route) {
  if (const std::optional<double> value = wholeNumber(cell)) return *value;
  if (!hasCoordinateMarks(cell)) route.refuse(where, notANumber(cell, what));
  const letteredCoordinate coordinate = readSignedCoordinate(cell);
  if (!coordinate.problem.empty()) route.refuse(where, std::string("the ") + what + ": " + coordinate.problem);
  return coordinate.value;
}

// The two cells of a CSV row: numbers, or both coordinates with their hemisphere
// letters. One letter alone leaves it open whether the other number is signed.
void addCells(std::string_view latText, std::string_view lonText, const place& where, routeReader& route) {
  const bool latLettered = hasHemisphereLetter(latText);
  if (latLettered != hasHemisphereLetter(lonText)) {
    route.refuse(where, "write a hemisphere letter with both the latitude and the longitude, or with neither");
  }
  if (!latLettered) {
    const double lon = unletteredCell(lonText, "longitude", where, route);
    const double lat = unletteredCell(latText, "latitude", where, route);
    route.add(lat, lon, where);
    return;
  }
  const letteredCoordinate lat = readLetteredCoordinate(latText, true);
  if (!lat.problem.empty()) route.refuse(where, "the latitude: " + lat.problem);
  const letteredCoordinate lon = readLetteredCoordinate(lonText, false);
  if (!lon.problem.empty()) route.refuse(where, "the longitude: " + lon.problem);
  route.add(lat.value, lon.value, where);
}

}  // namespace

void readCsv(std::string_view content, routeReader& route) {
  // Blank lines and the # comments a logger or a script writes above the header.
  size_t start = bomLength(content);
  long long headerLine = 1;
  while (start < content.size()) {
    size_t end = start;
    while (end < content.size() && content[end] != '\n' && content[end] != '\r') ++end;
    const std::string_view line = trimmed(content.substr(start, end - start));
    if (!line.empty() && line.front() != '#') break;
    start = end + (end + 1 < content.size() && content[end] == '\r' && content[end + 1] == '\n' ? 2 : 1);
    ++headerLine;
  }
  std::vector<std::string> fields;
  // The separator is the one that splits the header into a latitude and a longitude
  // column; commas and semicolons are tried first, as they always were.
  for (const char separator : {',', ';', '\t', '|'}) {
    size_t pos = start;
    long long line = headerLine;
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
