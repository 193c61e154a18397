// Positions as an operator copies them from a chart or a plotter: degrees, minutes and
// seconds with hemisphere letters, such as 45 30.5 N 10 15.2 E, 45°30.5'N 10°15.2'E,
// N45 30.5 E010 15.2, 45:30:30N 10:15:12E or 33.86S 151.21E. GeographicLib's DMS decoder
// reads each coordinate; the rules here say which words make up a coordinate, and refuse
// what could be read two ways: a wrong position sends the vehicle elsewhere.
#pragma once

#include <string>
#include <string_view>

// Whether `text` holds a hemisphere letter (N, S, E or W, either case) as a word of its
// own or joined to a number (33.86S, N45, 45°30'N). Numbers as the plain decimal rules
// read them (1e5, 0x1E, nan) hold none. A text without one keeps the plain rules.
bool hasHemisphereLetter(std::string_view text);

// A position, or why it is refused.
struct letteredPosition {
  double lat = 0;
  double lon = 0;
  std::string problem;  // empty when the text gives a position
};

// A waypoint line with hemisphere letters: a latitude and a longitude, each marked by its
// letter, in either order, the letters all before or all after their numbers; the words
// after the position that cannot be part of it are a comment. Each letter gives its
// coordinate's sign; the range of the result is not checked here.
letteredPosition readLetteredLine(std::string_view line);

// One coordinate, or why it is refused.
struct letteredCoordinate {
  double value = 0;
  std::string problem;  // empty when the text gives a coordinate
};

// One coordinate with its hemisphere letter filling a whole field, such as a CSV cell:
// N or S for the `latitude`, E or W for the longitude.
letteredCoordinate readLetteredCoordinate(std::string_view field, bool latitude);

// Whether `text` holds a mark of degrees, minutes or seconds (°, ', ", ′, ″).
bool hasCoordinateMarks(std::string_view text);

// One coordinate without a hemisphere letter, in degrees with their marks and a sign before
// them for the south or the west, as spreadsheets write it: -1.234°, -1°14'02.4".
letteredCoordinate readSignedCoordinate(std::string_view field);

// Whether `line` starts with a latitude and a longitude as plain numbers, one of them
// signed, followed by a comment: a hemisphere letter in that comment (turn N here) is a
// word of it, since a signed coordinate takes no letter.
bool signedPositionBeforeComment(std::string_view line);
