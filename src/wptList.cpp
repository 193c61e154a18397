#include "wptList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "calcs.h"
#include "current/currentLegs.h"
#include "settings.h"
#include "text/runMessages.h"

node* headNodePtr = nullptr;
node* tailNodePtr = nullptr;
double big_legMeters = 0.0;

namespace {

// The nodes live in blocks that grow with the route, so that a long route costs a few
// dozen allocations rather than one per waypoint. Nodes are only ever freed all together.
static_assert(std::is_trivially_destructible_v<node>);
class nodePool {
 public:
  node* take() {
    if (used_ == size_) grow();
    // Storage is taken from the system only as nodes are made, so that each page of a
    // long route is touched once.
    return new (blocks_.back().get() + used_++ * sizeof(node)) node{};
  }

  void clear() {
    blocks_.clear();
    used_ = size_ = 0;
  }

 private:
  void grow() {
    const size_t larger = size_ == 0 ? firstBlock : std::min(size_ * 2, largestBlock);
    try {
      blocks_.push_back(std::unique_ptr<unsigned char[]>(new unsigned char[larger * sizeof(node)]));
    } catch (const std::bad_alloc&) {
      failRun("out of memory: cannot hold another waypoint\n");
    }
    size_ = larger;
    used_ = 0;
  }

  static constexpr size_t firstBlock = 64;
  static constexpr size_t largestBlock = 32768;  // nodes: about 2 MiB
  // Raw storage for nodes, which need no destructor.
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  size_t used_ = 0;  // nodes taken from the last block
  size_t size_ = 0;  // of the last block
};

nodePool pool;

}  // namespace

node* linkAtBeginning() {
  node* const n = pool.take();
  if (headNodePtr == nullptr) {
    tailNodePtr = n;
  } else {
    n->nextPtr = headNodePtr;
    headNodePtr->prevPtr = n;
  }
  headNodePtr = n;
  return n;
}

// Appending goes through the tail pointer, so reading a long route costs one step per
// waypoint.
node* linkAtEnd() {
  node* const n = pool.take();
  if (headNodePtr == nullptr) {
    headNodePtr = n;
  } else {
    n->prevPtr = tailNodePtr;
    tailNodePtr->nextPtr = n;
  }
  tailNodePtr = n;
  return n;
}

int initNode(node* currNodePtr) {
  if (currNodePtr == nullptr) {
    std::printf("No such node\n");
    return 1;
  }
  currNodePtr->legMeters = 0.0;
  currNodePtr->heading = 0.0;
  currNodePtr->legSecs = 0.0;
  currNodePtr->wptNumber = 0;
  return 0;
}

void insertLatLonEnd(double latIn, double lonIn) {
  node* const n = linkAtEnd();
  n->Lat = latIn;
  n->Lon = lonIn;
  initNode(n);
}

void insertNode(node* currNodePtr, double smallerlegMeters) {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  if (currNodePtr == nullptr) {
    std::printf("No such node\n");
    return;
  }
  node* const n = pool.take();
  node* const successor = currNodePtr->nextPtr;
  n->prevPtr = currNodePtr;
  n->nextPtr = successor;
  if (successor != nullptr) {
    successor->prevPtr = n;
  } else {
    tailNodePtr = n;  // inserting after the tail keeps the tail pointer true
  }
  currNodePtr->nextPtr = n;
  // An intermediate waypoint: fillBlankLatLons gives it its position.
  n->Lat = 0.0;
  n->Lon = 0.0;
  n->legMeters = smallerlegMeters;
  n->heading = currNodePtr->heading;
  n->legSecs = 0.0;
  n->wptNumber = 0;
  n->inserted = true;
}

void destroyList() {
  pool.clear();
  headNodePtr = nullptr;
  tailNodePtr = nullptr;
}

namespace {

// The waypoints cutting a leg of `legMeters` at `maxLeg` adds, near enough to cap a route.
double piecesOf(double legMeters, double maxLeg) { return legMeters > maxLeg ? std::floor(legMeters / maxLeg) : 0; }

[[noreturn]] void tooManyWaypoints() {
  failRun("the route would need more than " + std::to_string(maxRouteWaypoints) +
          " waypoints; increase the meters between surfacings\n");
}

// Places the pieces of the leg from `start` to `end`, the next waypoint given (null when
// pieces were put after the tail).
void placePieces(const node* start, const node* end) {
  const bool polar = end != nullptr && polarLeg(start->Lat, start->Lon, end->Lat, end->Lon);
  const double length = polar ? dist(start->Lat, start->Lon, end->Lat, end->Lon) : 0;
  double k = 1;
  for (node* n = start->nextPtr; n != end; n = n->nextPtr, ++k) {
    if (polar) {
      alongGreatCircle(start->Lat, start->Lon, end->Lat, end->Lon, k * maxLegMeters / length, n->Lat, n->Lon);
      n->heading = heading(n->Lat, n->Lon, end->Lat, end->Lon);
    } else {
      newLatLon(start->Lat, start->Lon, start->heading, k * maxLegMeters, n->Lat, n->Lon);
      n->Lon = wrapLongitude(n->Lon);
    }
  }
}

// The launch waypoint behind a first waypoint at a pole: on the great circle of the first
// leg, or, with no leg to follow, on the meridian the pole was given with.
void placeBehindPole(const node* first, double distance, double& lat, double& lon) {
  const node* const next = first->nextPtr;
  const double length = next != nullptr ? dist(first->Lat, first->Lon, next->Lat, next->Lon) : 0;
  if (length > 0) {
    alongGreatCircle(first->Lat, first->Lon, next->Lat, next->Lon, -distance / length, lat, lon);
    // Two waypoints at the one pole are a hair apart by the distance formula but have no
    // great circle between them: the launch goes down the first waypoint's meridian.
    if (std::isfinite(lat) && std::isfinite(lon)) return;
  }
  const double degrees = distance / 1000 / 6371 * 57.29577951289617;
  lat = first->Lat > 0 ? 90 - degrees : -90 + degrees;
  lon = first->Lon;
}

}  // namespace

bool plannableAt(double maxLeg) {
  double pieces = 0;
  for (const node* n = headNodePtr; n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    pieces += piecesOf(dist(n->Lat, n->Lon, n->nextPtr->Lat, n->nextPtr->Lon), maxLeg);
  }
  return pieces <= static_cast<double>(maxRouteWaypoints);
}

// A leg measured again from the positions of pieces already cut (the legs of a dive, or a
// survey's line cut at the surfacings) may come out a few nanometres over maxLegMeters:
// cut again, it would end in a surfacing nanometres after the one before. Legs over by
// less than this are left whole.
constexpr double cutSlackMeters = 1e-6;

// Cuts every leg longer than maxLegMeters into legs of exactly maxLegMeters, obtained by
// successive subtraction, followed by the shorter rest. Each cut inserts an intermediate
// waypoint carrying the rest of the leg and the heading of the leg's start; its position
// follows in fillBlankLatLons. The pieces are cut in route order in one walk, one step
// per piece.
void insertIfBig_legMeters() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  if (!(maxLegMeters > 0)) failRun("the meters between surfacings must be greater than 0\n");
  double pieces = 0;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) pieces += piecesOf(n->legMeters, maxLegMeters);
  if (!(pieces <= static_cast<double>(maxRouteWaypoints))) tooManyWaypoints();
  big_legMeters = 0;
  for (node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    while (n->legMeters > maxLegMeters + cutSlackMeters) {
      const double smallerlegMeters = n->legMeters - maxLegMeters;
      n->legMeters = maxLegMeters;
      insertNode(n, smallerlegMeters);
      if (n->legMeters > big_legMeters) big_legMeters = n->legMeters;
      n = n->nextPtr;
    }
    if (n->legMeters > big_legMeters) big_legMeters = n->legMeters;
  }
}

// Places the intermediate waypoints; the waypoints given keep their positions, whatever
// their latitude. The pieces of a leg lie on the great circle that leaves the leg's start
// on its heading, piece k at k times maxLegMeters from the start: placing each piece from
// the one before it on the start heading would follow another curve, and the last piece
// would take up the error, far longer than the distance between surfacings at high
// latitudes. A leg at a pole has no heading to follow there: its pieces lie on the great
// circle through its two ends, each heading for the leg's end.
int fillBlankLatLons() {
  const node* start = headNodePtr;
  while (start != nullptr) {
    const node* end = start->nextPtr;
    while (end != nullptr && end->inserted) end = end->nextPtr;
    if (start->nextPtr != end) placePieces(start, end);
    start = end;
  }
  return 0;
}

void itemizeList() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  int wpt_Number = 1;
  for (node* n = headNodePtr; n != nullptr; n = n->nextPtr) n->wptNumber = wpt_Number++;
}

void calcWaypointTimes() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  for (node* n = headNodePtr; n != nullptr && n != tailNodePtr; n = n->nextPtr) {
    n->legSecs = n->legMeters / missionSpeed;
  }
}

int launch_waypoint() {
  node* const first = headNodePtr;
  node* const launch = linkAtBeginning();
  const double headingDeg = first->heading;
  // The launch waypoint lies behind the first waypoint, on the reciprocal of the first leg.
  double headingDegPass = headingDeg > 180 ? headingDeg - 180 : headingDeg + 180;
  if (headingDeg == 180) headingDegPass = 0;
  const double distance = LAUNCH_OFFSET;
  if (atPole(first->Lat)) {
    placeBehindPole(first, distance, launch->Lat, launch->Lon);
  } else {
    newLatLon(first->Lat, first->Lon, headingDegPass, distance, launch->Lat, launch->Lon);
    launch->Lon = wrapLongitude(launch->Lon);
  }
  launch->legMeters = distance;
  launch->heading = headingDeg;  // the launch leg runs toward the first waypoint
  launch->legSecs = distance / missionSpeed;
  launch->wptNumber = 0;
  return 0;
}

void timeLegsInCurrent() {
  if (!currentGiven(waterCurrent)) return;
  for (node* n = headNodePtr; n != nullptr && n != tailNodePtr; n = n->nextPtr) {
    const result<double> seconds =
        legSecondsInCurrent(n->wptNumber, n->nextPtr->wptNumber, n->legMeters, n->heading, missionSpeed, waterCurrent);
    if (!seconds) reportFailure(seconds.error());
    n->legSecs = *seconds;
  }
}

double calcMissionTime() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return -1;
  }
  // Every waypoint after the launch waypoint has a group in the script and a surfacing,
  // which the allowance is for.
  missionTime = 0.0;
  long long groups = -1;
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    missionTime += n->legSecs;
    ++groups;
  }
  missionTime = missionTime * missionTimerFactor + surfacingAllowance * static_cast<double>(groups);
  return missionTime;
}
