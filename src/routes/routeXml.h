// Waypoint files as XML: KML paths and placemarks, GPX routes, tracks and waypoints.
#pragma once

#include "routes/routeDocument.h"
#include "routes/routeReader.h"

// The route of a KML document: the vertices of its one path (LineString), or else its
// points in document order. A document that is not well-formed is refused with the
// parser's reason and line.
void readKml(const document& doc, routeReader& route);

// The route of a GPX document: the points of its one route (rte), or else of its one
// track (trk) in segment order, or else its waypoints; what is left out is warned of.
void readGpx(const document& doc, routeReader& route);
