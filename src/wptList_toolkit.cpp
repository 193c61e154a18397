// The list operations and dumps of the waypoint list that a run never calls: kept as the
// toolkit of whoever debugs or extends the planner.
#include <cstdio>

#include "wptList.h"

void insertLatLonBeg(double latIn, double lonIn) {
  node* const n = linkAtBeginning();
  n->Lat = latIn;
  n->Lon = lonIn;
  initNode(n);
}

void insertBeg(double legMetersIn) {
  node* const n = linkAtBeginning();
  initNode(n);
  n->legMeters = legMetersIn;
}

void insertEnd(double legMetersIn) {
  node* const n = linkAtEnd();
  initNode(n);
  n->legMeters = legMetersIn;
}

int displayNode(const node* currNodePtr) {
  if (currNodePtr == nullptr) {
    std::printf("No such node\n");
    return 1;
  }
  std::printf("\n\nLat %g \nLon %g \nDistance: %g \nHead %g \nTime %g \nwptNumber %d ", currNodePtr->Lat,
              currNodePtr->Lon, currNodePtr->legMeters, currNodePtr->heading, currNodePtr->legSecs,
              currNodePtr->wptNumber);
  return 0;
}

void displayFwd() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
    if (displayNode(n) == 1) std::printf("\n\n***displayNode fail in displayFwd()***\n\n");
  }
}

void displayRev() {
  if (headNodePtr == nullptr) {
    std::printf("dll is empty\n");
    return;
  }
  const node* n = tailNodePtr;
  while (n->prevPtr != nullptr) {
    if (displayNode(n) == 1) std::printf("\n\n***displayNode fail in displayRev()***\n\n");
    n = n->prevPtr;
  }
  displayNode(headNodePtr);
}
