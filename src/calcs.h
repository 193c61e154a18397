// Route geometry on a spherical earth of radius 6371 km.
#pragma once

// Great-circle distance in metres between (lat1, lon1) and (lat2, lon2), degrees.
double dist(double lat1, double lon1, double lat2, double lon2);

// Initial heading in degrees, in (0, 360], from (a, b) toward (c, d); due north is 360.
double heading(double a, double b, double c, double d);

// The point `distance` metres from (currentLat, currentLon) along `headingDeg`.
// The longitude is not wrapped; see wrapLongitude. Always returns 0.
int newLatLon(double currentLat, double currentLon, double headingDeg, double distance,
              double& newLat, double& newLon);

// Seconds needed for `distance` metres at the mission speed.
double timeToNextWayPoint(double distance);

// Brings a longitude from (-540, 540) back into -180..180.
double wrapLongitude(double lon);
