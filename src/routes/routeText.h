// Waypoint files as text: the plain "latitude longitude" format, one waypoint a line, and
// spreadsheet CSV, whose header row names the latitude and longitude columns.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "routes/routeReader.h"

// Calls `visit(start, end, number)` for every line of `content`, from `start` to `end`
// (without its line end), line `number` of the file. Lines end in LF, CR LF or a lone CR
// (old Mac files); a byte order mark that a Windows editor put at the very start is no
// part of the first line.
template <typename Visit>
void forEachLine(std::string_view content, Visit visit) {
  long long number = 0;
  const size_t size = content.size();
  size_t start = bomLength(content);
  while (start < size) {
    size_t end = start;
    while (end < size && content[end] != '\n' && content[end] != '\r') ++end;
    visit(start, end, ++number);
    start = end + 1;
    if (end < size && content[end] == '\r' && start < size && content[start] == '\n') ++start;
  }
}

// The position on the line of `content` from `start` to `end` (without its line end),
// line `number` of the file: none for a blank line or a comment. A line that holds no
// position the vehicle can be sent to is refused through `route`. Survey areas are
// written in the same lines. `firstEntry` tells that no line before held a position, so
// that a header line of another tool is refused as one.
std::optional<geoPoint> readTextPosition(std::string_view content, size_t start, size_t end, long long number,
                                         routeReader& route, bool firstEntry = false);

// Every line of the plain text format, in order: the latitude and the longitude in decimal
// degrees, or a position with hemisphere letters (positionForms); comments after a blank
// behind the position and on lines starting with #.
void readText(std::string_view content, routeReader& route);

// Every row of RFC 4180 CSV under a header naming a lat or latitude column and a lon, lng,
// long or longitude column, separated by commas, semicolons, tabs or pipes; blank lines
// and # comments may stand above the header (routeCsv.cpp).
void readCsv(std::string_view content, routeReader& route);
