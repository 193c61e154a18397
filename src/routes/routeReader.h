// What the readers of route and area files share: the checks every position passes, the
// place in the file a refusal or a warning names, and the reader that gathers a file's
// positions and the slips the operator should hear of. The readers of the formats and the
// entries (routeImport, areaImport) build on this module and never on each other.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mission/routeLimits.h"
#include "routes/geoPoint.h"
#include "text/characters.h"
#include "text/outcome.h"

// The length of a UTF-8 byte order mark at the start of `content`, which Windows editors
// write: 3 or 0.
size_t bomLength(std::string_view content);

// "1 point" or "3 points".
std::string plural(size_t count, const char* one, const char* many);

// A field that must hold one number and nothing else, read with the same conversion in
// every format, so that the same digits give the same position and the same mission.
std::optional<double> wholeNumber(std::string_view field);

// The parts of a KML coordinate tuple, "longitude,latitude[,altitude]", split at its
// commas as they stand.
std::vector<std::string_view> tupleParts(std::string_view tuple);

// `field` written with a decimal point when it is a number written with a decimal comma
// ("45,5" gives "45.5"), as spreadsheets and editors set to many languages write them;
// empty otherwise.
std::string withDecimalPoint(std::string_view field);

// Why `field` is not the number named `what`: "a decimal comma; write 45.5", or "the
// latitude is not a number".
std::string notANumber(std::string_view field, const char* what);

// Whether the vehicle can be sent to (lat, lon): both finite and within range.
bool flyable(double lat, double lon);

// Why the vehicle cannot be sent to (lat, lon); empty when it can.
std::string positionProblem(double lat, double lon);

// Where a waypoint stands in its file, as the operator's messages name it.
struct place {
  std::string message;  // standard output: "on line 3" or "3"
  std::string label;    // standard error: "line 3" or "waypoint 3 (line 12)"
  std::string quote;    // the offending text, when there is one
};

place onLine(long long line, std::string_view text);
// The waypoint `number` of a KML, GPX or GeoJSON file, on `line` (0: not known).
place waypointAt(long long number, long long line, std::string_view text);

// A file refused while it is read: thrown by routeReader inside this folder only, and
// given back as a failure by the entries (see refusedAsFailure).
struct documentRefusal {
  failure why;
};

// Gathers the positions of one file, refusing the first that cannot be flown, and the
// warnings of slips that do not stop the run, in the order they are met.
class routeReader {
 public:
  // `item` names what the file's positions are in a refusal: waypoints, or the vertices of
  // a survey area. The warnings are added to `warnings`.
  routeReader(std::string fileName, std::vector<std::string>& warnings, std::string item = "waypoint")
      : fileName_(std::move(fileName)), item_(std::move(item)), warnings_(warnings) {}

  const std::string& fileName() const { return fileName_; }

  // The path the operator picked among a file's several (--path): its number from 1 or its
  // name; empty when none was picked. `pathChosen` is set once a reader has chosen by it.
  std::string pathChoice;
  bool pathChosen = false;

  // "invalid waypoint ... of FILE" (or the item named) for standard output, the reason for
  // standard error.
  [[noreturn]] void refuse(const place& where, const std::string& reason) const;

  // The file as a whole cannot give one route.
  [[noreturn]] void refuseFile(const std::string& what) const;
  // The same with lines for standard error that tell what the file holds.
  [[noreturn]] void refuseFile(const std::string& what, const std::vector<std::string>& told) const;

  // A warning the operator should hear of, as it stands.
  void warn(const std::string& text) { warnings_.push_back(text); }

  // A slip the operator should hear of; after a few of them only their number is told.
  void slip(const place& where, const std::string& what);

  void add(double lat, double lon, const place& where) {
    add(lat, lon, [&] { return where; });
  }

  // The same with the place made by `where()` only when it is named: a file of a million
  // waypoints should not cost a million messages that are never given.
  template <typename Where>
  void add(double lat, double lon, const Where& where) {
    if (!flyable(lat, lon)) refuse(where(), positionProblem(lat, lon));
    // More waypoints than a route can be planned with: refused before the rest is read.
    if (points_.size() >= static_cast<size_t>(maxRouteWaypoints)) tooManyWaypoints();
    if (!points_.empty() && points_.back().lat == lat && points_.back().lon == lon) {
      const place named = where();
      slip({named.message, named.label, ""}, "repeats the waypoint before it: a leg of length 0");
    }
    // A latitude of -0 is the equator, written as every other latitude 0 is.
    points_.push_back({lat == 0 ? 0.0 : lat, lon});
  }

  // A position given as two texts, longitude and latitude as map formats order them.
  void addText(std::string_view lonText, std::string_view latText, const place& where);

  // Tells how many slips were not shown.
  void finish();

  // The positions added, in order.
  const std::vector<geoPoint>& points() const { return points_; }
  std::vector<geoPoint> takePoints() { return std::move(points_); }

 private:
  static constexpr long long shownSlips = 5;

  static std::string described(const place& where, const std::string& what);
  [[noreturn]] void tooManyWaypoints() const;

  std::string fileName_;
  std::string item_;
  std::vector<std::string>& warnings_;
  std::vector<geoPoint> points_;
  long long slips_ = 0;
};

// What `read()` gives back, or the failure of the file it refused.
template <typename Read>
auto refusedAsFailure(const Read& read) -> result<decltype(read())> {
  try {
    return read();
  } catch (const documentRefusal& refusal) {
    return refusal.why;
  }
}
