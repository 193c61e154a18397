// Waypoint files as XML: KML paths and placemarks, GPX routes, tracks and waypoints.
#pragma once

#include "routes/routeDocument.h"
#include "routes/routeReader.h"

// The route of a KML document: the vertices of its one path (a LineString, a gx:Track or a
// gx:MultiTrack's tracks in order), or else its Placemarks' points in document order.
// Paths without a position count for nothing; of several, the one routeReader::pathChoice
// picks. Points that are no Placemark's (an overlay's, an Update's) are ignored and
// polygons warned of. A document that is not well-formed is refused with the parser's
// reason and line.
void readKml(const document& doc, routeReader& route);

// The route of a GPX document: the points of its one route (rte), or else of its one
// track (trk) in segment order, or else its waypoints; what is left out is warned of.
// Routes and tracks without points count for nothing; of several, the one
// routeReader::pathChoice picks.
void readGpx(const document& doc, routeReader& route);
