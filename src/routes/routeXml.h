// Waypoint files as XML: KML paths and placemarks, GPX routes, tracks and waypoints.
#pragma once

#include <pugixml.hpp>
#include <string_view>

#include "routes/routeReader.h"

// An element's name without its namespace prefix ("kml" for "kml:kml").
std::string_view localName(const pugi::xml_node& element);

// The route of a KML document `doc` parsed from `content`: the vertices of its one path
// (LineString), or else its points in document order. `parsed` is how parsing went: a
// document that is not well-formed is refused with the parser's reason and line.
void readKml(const pugi::xml_document& doc, const pugi::xml_parse_result& parsed, std::string_view content,
             routeReader& route);

// The route of a GPX document: the points of its one route (rte), or else of its one
// track (trk) in segment order, or else its waypoints; what is left out is warned of.
void readGpx(const pugi::xml_document& doc, const pugi::xml_parse_result& parsed, std::string_view content,
             routeReader& route);
