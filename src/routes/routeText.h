// Waypoint files as text: the plain "latitude longitude" format, one waypoint a line, and
// spreadsheet CSV, whose header row names the latitude and longitude columns.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "routes/routeReader.h"

struct textPosition {
  double lat = 0;
  double lon = 0;
};

// The position on the line of `content` from `start` to `end` (without its line end),
// line `number` of the file: none for a blank line or a comment. A line that holds no
// position the vehicle can be sent to is refused through `route`. Survey areas are
// written in the same lines. `firstEntry` tells that no line before held a position, so
// that a header line of another tool is refused as one.
std::optional<textPosition> readTextPosition(std::string_view content, size_t start, size_t end, long long number,
                                             routeReader& route, bool firstEntry = false);

// Every line of the plain text format, in order: the latitude and the longitude in decimal
// degrees, or a position with hemisphere letters (positionForms); comments after a blank
// behind the position and on lines starting with #.
void readText(std::string_view content, routeReader& route);

// Every row of RFC 4180 CSV under a header naming a lat or latitude column and a lon, lng,
// long or longitude column, separated by commas or semicolons.
void readCsv(std::string_view content, routeReader& route);
