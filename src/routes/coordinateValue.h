// The value of one coordinate written in degrees, minutes and seconds, as the lettered
// positions of a text route and the cells of a CSV give it: GeographicLib's DMS decoder
// reads it, after the checks that refuse what could be read two ways.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

bool isDigit(char c);

// N or S.
bool latitudeLetter(char hemisphere);

// A coordinate's words: its hemisphere letter, or 0 for a coordinate signed before its
// degrees, and its degrees, then minutes and seconds when written apart.
struct dmsCoordinate {
  char hemisphere = 0;
  std::vector<std::string_view> numbers;
};

// The value of `c`, its sign given by its letter or its own; none with the reason in
// `problem` when it cannot be read. The range is not checked here.
std::optional<double> coordinateValue(const dmsCoordinate& c, std::string& problem);
