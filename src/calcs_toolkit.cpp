// The part of the great-circle toolkit that a run never calls: the planner times the legs
// itself (calcWaypointTimes).
#include "calcs.h"
#include "settings.h"

double timeToNextWayPoint(double distance) {
  const double numSecsCalc = distance / missionSpeed;
  return numSecsCalc;
}
