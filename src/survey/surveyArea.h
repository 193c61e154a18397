// Survey areas: the boundary an operator draws around the ground to be surveyed, with
// holes for what the vehicle must keep out of (a wreck, a mooring, an island), checked
// and laid flat for the survey pattern.
//
// The first stage of a survey. Enters: the area as a reader gives it (rings of positions,
// numbered as given). Leaves: the area checked and laid flat in a gnomonic plane around its
// centre, its long axis and span; or a surveyError naming the ring and the vertex. The
// errors of every later stage are surveyErrors too.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "geo/gnomonic.h"
#include "geo/latLon.h"
#include "geo/plane.h"

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

// An area checked and laid flat. Ring 0 is the outer boundary, counter-clockwise; the
// holes follow, clockwise; no vertex repeated, no closing vertex.
struct projectedArea {
  gnomonicFrame frame;
  std::vector<std::vector<planePoint>> rings;
  double longAxis = 0;    // degrees true at the centre, 0..180: the direction of least width
  double spanMeters = 0;  // the greatest distance between two outer vertices
};

// Checks `area` and lays it flat around its centre; throws surveyError with the reason
// and the place when the area cannot be surveyed.
projectedArea checkArea(const surveyArea& area);
