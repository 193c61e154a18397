// The parts of the scale benchmark kept in files of their own (vesk_bench.cpp runs them),
// and the clock and the count they share with it.
#pragma once

#include <chrono>
#include <cstdio>

#include "wptList.h"

using clock_type = std::chrono::steady_clock;

inline double secondsSince(clock_type::time_point start) {
  return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Waypoints in the list, the launch waypoint included.
inline long countWaypoints() {
  long count = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count;
  return count;
}

// A 10 km x 10 km area drawn as KML, read, checked and laid out as lines 10 m apart, and its
// route planned (surveyTimes.cpp).
void survey(std::FILE* out);

// Layouts far larger than an operator draws, built in memory: a comb of 1,000 teeth and a
// circle of 10^5 vertices (surveyTimes.cpp); 1 when one is refused.
int surveySizes(std::FILE* out);

// A GEBCO-sized GeoTIFF tile and a route checked against it; 1 when it takes 2 s or more,
// or the tile cannot be made (seabedTimes.cpp).
int seabed(std::FILE* out);
