// The route: one doubly linked list of waypoints and the planning passes over it.
#pragma once

#include "mission/routeLimits.h"

// One waypoint and the leg that leaves it. The leg fields describe the leg from this
// node to the next; the last node has no leg and keeps them at 0.
struct node {
  node* prevPtr = nullptr;
  double Lat = 0.0;
  double Lon = 0.0;
  double legMeters = 0.0;
  double heading = 0.0;  // degrees, (0, 360]; 0 at the tail
  double legSecs = 0.0;
  int wptNumber = 0;      // 0 for the launch waypoint, then 1, 2, 3, ...
  bool inserted = false;  // an intermediate waypoint made by cutting a long leg, placed by fillBlankLatLons
  node* nextPtr = nullptr;
};

extern node* headNodePtr;  // first node, null while the list is empty
extern node* tailNodePtr;  // last node
extern double big_legMeters;

// ---- Node operations ----
int initNode(node* currNodePtr);
void insertLatLonEnd(double latIn, double lonIn);
void insertNode(node* currNodePtr, double smallerlegMeters);
void destroyList();

// A fresh node with every field zero, linked in front of the head or behind the tail, or
// made the only node.
node* linkAtBeginning();
node* linkAtEnd();

// ---- Toolkit (wptList_toolkit.cpp): a run never calls these ----
void insertLatLonBeg(double latIn, double lonIn);
void insertBeg(double legMetersIn);
void insertEnd(double legMetersIn);
int displayNode(const node* currNodePtr);
void displayFwd();
void displayRev();

// Whether cutting every leg of the route at `maxLeg` metres adds no more waypoints than
// maxRouteWaypoints. From the waypoints' positions, so that the editor of the distance
// between surfacings can ask before any leg is computed.
bool plannableAt(double maxLeg);

// ---- Planning passes, run once each in this order after the leg pass ----
void insertIfBig_legMeters();
int fillBlankLatLons();
void itemizeList();
void calcWaypointTimes();
int launch_waypoint();
// With a current, each leg's time from its speed over the ground in place of the time
// through the water, the launch leg's too; the run ends on a leg the vehicle cannot hold.
// Without a current, nothing.
void timeLegsInCurrent();
double calcMissionTime();
