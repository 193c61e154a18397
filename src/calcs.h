// Route geometry on a spherical earth of radius 6371 km, and the output file names.
#pragma once

#include <ctime>
#include <string>

#include "geo/longitude.h"

// Great-circle distance in metres between (lat1, lon1) and (lat2, lon2), degrees.
double dist(double lat1, double lon1, double lat2, double lon2);

// Initial heading in degrees, in (0, 360], from (a, b) toward (c, d); due north is 360.
double heading(double a, double b, double c, double d);

// The point `distance` metres from (currentLat, currentLon) along `headingDeg`.
// The longitude is not wrapped; see wrapLongitude (geo/longitude.h). Always returns 0.
int newLatLon(double currentLat, double currentLon, double headingDeg, double distance, double& newLat, double& newLon);

// ---- Legs at the poles ----
// At a pole every direction is south (or north) and the longitude means nothing, so a leg
// that starts or ends at one, or passes over one, cannot be followed by its heading: it is
// planned on the great circle through its two ends.

// Whether the latitude is that of a pole.
bool atPole(double lat);

// Whether the leg from (lat1, lon1) to (lat2, lon2) starts or ends at a pole, or runs over
// one (its ends on opposite meridians). Two antipodal ends away from the poles lie on no
// one great circle and are not counted: their leg follows its heading as any other.
bool polarLeg(double lat1, double lon1, double lat2, double lon2);

// The point a fraction `t` of the way from (lat1, lon1) to (lat2, lon2) on the great circle
// through both (t below 0: behind the start), with its longitude in -180..180. Two ends at
// opposite poles are joined by the meridian of the start. The ends must differ. Always
// returns 0.
int alongGreatCircle(double lat1, double lon1, double lat2, double lon2, double t, double& lat, double& lon);

// Seconds needed for `distance` metres at the mission speed (calcs_toolkit.cpp; a run
// never calls it).
double timeToNextWayPoint(double distance);

// ---- Output file names ----

// The most recent name stem handed out by fileName.
extern std::string file_name;

// The name stem for files written at `when`, in UTC: year, "_", day of year (1 January
// is 0), "_", hour and minute, ".", all without leading zeros (2014_119_148.).
std::string fileNameAt(std::time_t when);

// The name stem for files written now; each writer appends its own extension.
std::string fileName();
