// The survey's lines across the whole area: one bearing, evenly spaced, each clipped to
// the stretches of it that lie inside the area.
//
// Enters: the checked area (surveyArea.h), the bearing, the spacing asked for (or a count of
// lines) and the most lines a route may hold. Leaves: a sweepSet, the lines' levels in the
// plane turned to the bearing with each line's stretches inside the area, the area in that
// plane and the corners where its boundary turns back across the lines; a surveyError
// (tooLarge) when the lines would be too many.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "survey/surveyArea.h"
#include "survey/surveyGeometry.h"

// Lines of one bearing across the area, and the stretches of each that lie inside it.
struct sweepSet {
  double angle = 0;
  double spacing = 0;  // on the sphere, across the lines
  double uMin = 0, uMax = 0;
  bgPolygon polygon;  // the area in the turned plane
  // Its boundary's edges, {x, y} of either end: the lines are clipped against these, each
  // against those in its band of levels (the band v falls in starts at edgesAt[band]).
  std::vector<std::array<planePoint, 2>> edges;
  double bandLow = 0, bandHeight = 1;
  std::vector<size_t> edgesAt;     // bands + 1 starts into edgeList
  std::vector<unsigned> edgeList;  // the edges that reach into each band
  // The vertices where the boundary turns back across the lines (a hole's lowest and
  // highest corners, the bottom of a notch), by v.
  std::vector<planePoint> turns;
  std::vector<double> across;                                  // each line's v in the turned plane
  std::vector<std::vector<std::pair<double, double>>> pieces;  // each line's stretches, [from, to] in u
};

// The level v across the turned plane as the angle phi seen from the earth's centre (in
// metres along the sphere), and back.
inline double phiOf(double v) { return earthRadiusMeters * std::atan(v / earthRadiusMeters); }
inline double vOf(double phi) { return earthRadiusMeters * std::tan(phi / earthRadiusMeters); }

// The stretches of the line v inside the area, in order along it.
std::vector<std::pair<double, double>> clipAt(const sweepSet& set, double v);

// The stretches of lines of a sweepSet near a part of them only, through a grid of the
// squares the edges pass through: a cell in a tooth of a comb crossed at a slant takes one stretch of
// a line that crosses a thousand teeth, and clipping the whole line for each tooth's cell
// grows with the square of the teeth.
class nearClips {
 public:
  // Indexed only when `many` lines are to be clipped near parts of them: for a few, clipping
  // each whole costs less than indexing a coastline's thousands of edges.
  nearClips(const sweepSet& set, bool many);
  // Of the stretches clipAt(set, v) gives, in order, those from the last that ends before
  // `from` to the first that begins after `to` (from the first, or to the last, where there
  // is none such): all a line between from and to may be laid along.
  std::vector<std::pair<double, double>> around(double v, double from, double to) const;

 private:
  // The squares of a grid each edge passes through, (row, column) packed in one key, in
  // order: the edges near a stretch of a level are those of a run of squares in its row.
  std::uint64_t square(double u, double v) const;
  const sweepSet& set_;
  double side_ = 1, uLow_ = 0, vLow_ = 0;
  std::uint64_t columns_ = 1, rows_ = 1;
  std::vector<std::pair<std::uint64_t, unsigned>> squares_;  // empty when not indexed
  // Room for each clip's working lists, kept from one clip to the next: a comb's layout
  // clips millions of lines.
  struct lists {
    std::vector<unsigned> edges;
    std::vector<std::pair<double, bool>> crossings;  // where, and whether the line leaves there
    std::vector<std::pair<double, double>> found, merged;
  };
  mutable lists scratch_;
};

// The lines lie at equal angles across, seen from the pole all lines of the bearing share:
// that is the true distance between them where they cross the area's middle at right
// angles, and they draw closer away from it by the cosine of the arc from there, less
// than 1.5e-4 within 100 km. The outer lines lie half a spacing inside the boundary, and
// the spacing is shrunk just enough to make a whole number of lines: `count` of them, or
// as many as `spacing` needs.
sweepSet laySweeps(const projectedArea& area, double angle, double spacing, int count, long maxLines);
