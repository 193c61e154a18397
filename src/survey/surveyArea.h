// Survey areas: the boundary an operator draws around the ground to be surveyed, with
// holes for what the vehicle must keep out of (a wreck, a mooring, an island), checked
// and laid flat for the survey pattern.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

struct latLon {
  double lat = 0;  // decimal degrees, north positive
  double lon = 0;  // decimal degrees, east positive
};

// One boundary as a reader gives it: the vertices in order, closed (last = first) or not.
using areaRing = std::vector<latLon>;

struct surveyArea {
  areaRing outer;
  std::vector<areaRing> holes;  // inner boundaries
};

// The widest area laid out: no two vertices of the outer boundary may lie farther apart,
// along the great circle. Beyond it a survey is a campaign of several dives, and the flat
// layout plane would stretch distances by more than a few parts in ten thousand.
constexpr double maxAreaSpanMeters = 200000;

// Vertices closer together than this along a boundary count as one, and boundaries that
// come closer than this to each other or to themselves count as touching.
constexpr double areaToleranceMeters = 0.001;

enum class surveyFault {
  badPosition,      // a vertex that is not a position
  tooFewVertices,   // fewer than three distinct vertices
  noArea,           // the vertices lie on one line
  selfCrossing,     // a boundary crosses or touches itself
  holeCrossing,     // an inner boundary crosses or touches another boundary
  holeOutside,      // an inner boundary outside the outer one
  holeInHole,       // an inner boundary inside another
  tooWide,          // wider than maxAreaSpanMeters
  badParameter,     // a line parameter that cannot be meant
  tooLarge,         // more lines or waypoints than a route may hold
  noInsideTransit,  // two lines that no path inside the area joins
  geometry,         // the geometry library found the area unusable
};

// Why an area or its survey is refused, and where: `ring` 0 is the outer boundary, k the
// k-th inner boundary, -1 none; `vertex` counts the vertices of that ring as given, from 1,
// 0 for none. what() is one line for the operator that names the place.
class surveyError : public std::runtime_error {
 public:
  surveyError(surveyFault fault, const std::string& reason, int ring = -1, int vertex = 0)
      : std::runtime_error(reason), fault(fault), ring(ring), vertex(vertex) {}
  surveyFault fault;
  int ring;
  int vertex;
};

// The program's sphere, as the planner's distance function has it.
constexpr double earthRadiusMeters = 6371000;

// A point of the layout plane, metres east (x) and north (y) of its centre.
struct planePoint {
  double x = 0;
  double y = 0;
};

// The gnomonic projection onto the plane touching the sphere at a centre: every great
// circle is a straight line in it, so a straight leg drawn in the plane is the leg the
// planner follows. Longitudes need no unwrapping: points across the antimeridian are
// as near each other in the plane as on the sphere.
class gnomonicFrame {
 public:
  explicit gnomonicFrame(const std::array<double, 3>& centre);
  // Points at least 90 degrees from the centre have no image; see cosineToCentre.
  planePoint toPlane(latLon p) const;
  latLon toLatLon(planePoint p) const;  // longitude within -180..180
  double cosineToCentre(latLon p) const;
  latLon centre() const { return toLatLon({}); }

 private:
  std::array<double, 3> c_, east_, north_;
};

std::array<double, 3> unitVector(latLon p);

// An area checked and laid flat. Ring 0 is the outer boundary, counter-clockwise; the
// holes follow, clockwise; no vertex repeated, no closing vertex.
struct projectedArea {
  gnomonicFrame frame;
  std::vector<std::vector<planePoint>> rings;
  double longAxis = 0;  // degrees true at the centre, 0..180: the direction of least width
  double spanMeters = 0;  // the greatest distance between two outer vertices
};

// Checks `area` and lays it flat around its centre; throws surveyError with the reason
// and the place when the area cannot be surveyed.
projectedArea checkArea(const surveyArea& area);
