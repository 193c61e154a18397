// The paths a file offers as its route, when it holds several: the tracks a phone
// recorded, the routes a plotter saved, the lines drawn on a map. The operator picks one
// with --path, by its number or its name; paths of the same positions are one path.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "routes/routeReader.h"

// One path of a file, as the operator is told of it.
struct pathCandidate {
  std::string name;    // its name in the file; empty when it has none
  size_t points = 0;   // the positions it holds
  std::string places;  // its positions as read, to tell paths of the same positions apart
};

// `places` with the position `lon`, `lat` added: as numbers when both are, as the text
// written otherwise.
void addPlace(std::string& places, const std::string& lonText, const std::string& latText);

// Which of `candidates` (one at least) is the route: the one `route` was asked for
// (routeReader::pathChoice), or the only one. Refuses a file of several distinct paths
// when none was asked for, listing them by number, name and positions, and a choice that
// names none of them; `kind` names them ("path", "track", "route").
size_t choosePath(const std::vector<pathCandidate>& candidates, const char* kind, routeReader& route);

// The warning of what a file holds that is no route ("Polygon", "LinearRing", ...), each
// kind once with its number, in the order met; a polygon is an area, read with --area.
std::string leftOutText(const std::vector<std::string>& kinds);
