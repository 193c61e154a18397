// Plane geometry shared by the survey's stages: the Boost.Geometry types they use, and the
// questions the layout asks of a checked area (is this point inside, does this leg stay
// inside, which path inside joins two points). Enters: points and rings of the layout
// plane. Knows nothing of positions, areas as read, or the survey's parameters.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/multi_linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <boost/geometry/geometries/polygon.hpp>
#include <boost/geometry/index/rtree.hpp>

#include "geo/plane.h"

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

using bgPoint = bg::model::d2::point_xy<double>;
using bgBox = bg::model::box<bgPoint>;
using bgPolygon = bg::model::polygon<bgPoint, false, true>;  // outer counter-clockwise, closed
using bgLine = bg::model::linestring<bgPoint>;
using bgLines = bg::model::multi_linestring<bgLine>;
using bgRing = bg::model::ring<bgPoint, false, true>;
// Boundary edges by their bounding boxes; the number is the edge's place in a list.
using edgeTree = bgi::rtree<std::pair<bgBox, std::size_t>, bgi::rstar<16>>;

// Where along a->b the point nearest p lies, 0..1.
double nearestFraction(planePoint p, planePoint a, planePoint b);
double pointSegmentDistance(planePoint p, planePoint a, planePoint b);
// 0 when the segments cross.
double segmentDistance(planePoint a, planePoint b, planePoint c, planePoint d);
bgBox boxAround(planePoint a, planePoint b, double margin);

// The plane turned so that lines of bearing `degrees` run along u, and v grows to their left.
class lineFrame {
 public:
  explicit lineFrame(double degrees)
      : s_(std::sin(degrees * 3.14159265358979323846 / 180)), c_(std::cos(degrees * 3.14159265358979323846 / 180)) {}
  planePoint toLine(planePoint p) const { return {p.x * s_ + p.y * c_, -p.x * c_ + p.y * s_}; }
  planePoint fromLine(planePoint p) const { return {p.x * s_ - p.y * c_, p.x * c_ + p.y * s_}; }

 private:
  double s_, c_;
};

bgPolygon toPolygon(const std::vector<std::vector<planePoint>>& rings);

// A boundary edge; the area lies to its left.
struct areaEdge {
  planePoint a, b;
};

// Room for the search of a path inside, kept from one search to the next: the legs waiting
// to be tested (the estimate of the path's length through each, its far end, the length to
// there), in runs from each corner reached, and the first of each run waiting with when its
// near end was reached, the near end, and where its run lies in `legs`.
struct pathRoom {
  struct leg {
    double estimate;
    std::size_t far;
    double through;
  };
  using head = std::tuple<double, std::size_t, double, std::size_t, std::size_t, std::size_t, std::size_t>;
  std::vector<leg> legs;
  std::vector<head> heads;
};

// The edges of a checked area, indexed for the questions the layout asks. Points within
// `areaIndex::tolerance` of a boundary count as on it.
class areaIndex {
 public:
  static constexpr double tolerance = 1e-6;  // metres
  explicit areaIndex(const std::vector<std::vector<planePoint>>& rings);

  enum class where { outside, boundary, inside };
  where locate(planePoint p) const;
  bool covers(planePoint p) const { return locate(p) != where::outside; }
  // Whether the straight leg a->b lies inside the area or on its boundary.
  bool legInside(planePoint a, planePoint b) const;
  // The shortest path inside the area from a to b, bending only at corners of the
  // boundary, a and b included; empty when none is found.
  std::vector<planePoint> insidePath(planePoint a, planePoint b) const;
  // Whether the leg from corner i to corner j (of those a path may bend at) lies inside,
  // remembered: every transit of every layout tried searches among the same corners, and a
  // winding corridor's transits test the same legs thousands of times.
  bool cornersSee(std::size_t i, std::size_t j) const;

 private:
  std::vector<areaEdge> edges_;
  edgeTree tree_;
  std::vector<planePoint> corners_;  // the corners a shortest path may bend at
  std::vector<std::size_t> byX_;     // their places in corners_, west to east
  bgBox bounds_;
  mutable std::unordered_map<std::uint64_t, bool> seen_;  // legs between corners, by i * corners + j
  mutable pathRoom room_;
};
