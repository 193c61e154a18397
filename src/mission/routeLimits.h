// How large a route may grow, shared by the list, the route readers and the survey.
#pragma once

// Most intermediate waypoints one route may need. Far beyond any real dive; it stops a
// mistyped distance between surfacings from planning billions of waypoints. Builds that
// must answer fast whatever they are given (the fuzzers) set a lower cap.
#ifndef VESK_MAX_ROUTE_WAYPOINTS
#define VESK_MAX_ROUTE_WAYPOINTS 10000000
#endif
constexpr long maxRouteWaypoints = VESK_MAX_ROUTE_WAYPOINTS;

// Most waypoints one mission may hold. A plan beyond it is no dive any vehicle runs (a
// route across the world planned at a few hundred metres a leg makes millions): it is
// refused before anything is written, and a dive set splits within it.
constexpr int maxMissionWaypoints = 10000;
