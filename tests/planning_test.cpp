#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "calcs.h"
#include "support/routeTest.h"
#include "text/runMessages.h"
#include "vesk.h"
#include "wptList.h"

namespace {

using PlanningTest = routeTest;

TEST_F(PlanningTest, TwoWaypointsOnAMeridianBecomeFourNodes) {
  insertLatLonEnd(45, 10);
  insertLatLonEnd(45.045, 10);
  planRoute();
  const auto route = nodes();
  ASSERT_EQ(route.size(), 4u);
  const node& L = *route[0];
  const node& A = *route[1];
  const node& N = *route[2];
  const node& B = *route[3];
  EXPECT_EQ(tailNodePtr, &B);

  EXPECT_NEAR(L.Lat, 44.9955034, 1e-7);
  EXPECT_NEAR(L.Lon, 10, 1e-7);
  EXPECT_EQ(L.legMeters, 500);
  EXPECT_EQ(L.heading, 360);
  EXPECT_NEAR(L.legSecs, 333.3333333, 1e-6);

  EXPECT_EQ(A.Lat, 45);
  EXPECT_EQ(A.legMeters, 3600);
  EXPECT_EQ(A.heading, 360);
  EXPECT_EQ(A.legSecs, 2400);

  EXPECT_NEAR(N.Lat, 45.0323756, 1e-7);
  EXPECT_NEAR(N.Lon, 10, 1e-7);
  EXPECT_NEAR(N.legMeters, 1403.7717, 1e-4);
  EXPECT_EQ(N.heading, 360);
  EXPECT_NEAR(N.legSecs, 935.8478, 1e-4);

  EXPECT_EQ(B.Lat, 45.045);
  EXPECT_EQ(B.legMeters + B.heading + B.legSecs, 0);

  for (size_t i = 0; i < route.size(); ++i) EXPECT_EQ(route[i]->wptNumber, static_cast<int>(i));
  EXPECT_NEAR(missionTime, 4403.0174, 1e-4);
  EXPECT_EQ(big_legMeters, 3600);
}

TEST_F(PlanningTest, LongLegIsCutIntoFullPiecesAndARest) {
  insertLatLonEnd(45, 10);
  insertLatLonEnd(45, 10.1);
  planRoute();
  const auto route = nodes();
  ASSERT_EQ(route.size(), 5u);  // launch, start, two intermediate, end
  EXPECT_EQ(route[1]->legMeters, 3600);
  EXPECT_EQ(route[2]->legMeters, 3600);
  EXPECT_NEAR(route[3]->legMeters, 662.6682, 1e-4);
  EXPECT_NEAR(route[2]->Lat, 45.0000108, 1e-7);
  EXPECT_NEAR(route[2]->Lon, 10.0457860, 1e-7);
  // Both pieces lie on the great circle that leaves the start on the leg's heading.
  EXPECT_NEAR(route[3]->Lat, 45.0000033, 1e-7);
  EXPECT_NEAR(route[3]->Lon, 10.0915720, 1e-7);
  for (int i = 1; i <= 3; ++i) EXPECT_NEAR(route[i]->heading, 89.964721, 1e-6);
  EXPECT_EQ(route[4]->Lat, 45);
  EXPECT_EQ(route[4]->Lon, 10.1);
}

TEST_F(PlanningTest, SplitThresholdIsStrict) {
  for (double leg : {3600.0, 7200.0}) {
    destroyList();
    insertEnd(leg);
    insertEnd(0);
    insertIfBig_legMeters();
    std::vector<double> legs;
    for (const node* n : nodes()) legs.push_back(n->legMeters);
    if (leg == 3600.0) {
      EXPECT_EQ(legs, (std::vector<double>{3600, 0}));
    } else {
      EXPECT_EQ(legs, (std::vector<double>{3600, 3600, 0}));
    }
  }
}

TEST_F(PlanningTest, PiecesComeFromSuccessiveSubtractionOnEveryLongLeg) {
  maxLegMeters = 1000.3;
  const std::vector<double> input = {2500.7, 10, 1000.3, 4001.2, 0};
  for (double leg : input) insertEnd(leg);
  node* n = headNodePtr;
  for (double h = 10; n != nullptr; n = n->nextPtr, h += 10) n->heading = h;
  insertIfBig_legMeters();

  std::vector<double> expectedLegs, expectedHeadings;
  double h = 10;
  for (double leg : input) {
    double rest = leg;
    while (rest > maxLegMeters) {
      expectedLegs.push_back(maxLegMeters);
      expectedHeadings.push_back(h);
      rest -= maxLegMeters;
    }
    expectedLegs.push_back(rest);
    expectedHeadings.push_back(h);
    h += 10;
  }
  std::vector<double> legs, headings;
  for (const node* m : nodes()) {
    legs.push_back(m->legMeters);
    headings.push_back(m->heading);
  }
  EXPECT_EQ(legs, expectedLegs);
  EXPECT_EQ(headings, expectedHeadings);
  EXPECT_EQ(tailNodePtr->legMeters, 0);
}

TEST_F(PlanningTest, SingleWaypointGetsLaunchPointDueSouth) {
  insertLatLonEnd(45, 10);
  planRoute();
  const auto route = nodes();
  ASSERT_EQ(route.size(), 2u);
  EXPECT_NEAR(route[0]->Lat, 44.9955034, 1e-7);
  EXPECT_EQ(route[0]->heading, 0);
  EXPECT_EQ(route[0]->legMeters, 500);
  EXPECT_NEAR(route[0]->legSecs, 333.3333333, 1e-6);
  EXPECT_EQ(route[1]->wptNumber, 1);
  EXPECT_EQ(route[1]->legMeters + route[1]->legSecs, 0);
  EXPECT_NEAR(missionTime, 400, 1e-9);
}

TEST_F(PlanningTest, LaunchWaypointLiesOnTheReciprocalOfTheFirstLeg) {
  // First leg due south (180.00015204): the reciprocal is just east of north.
  insertLatLonEnd(45.045, 10);
  insertLatLonEnd(45, 10);
  planRoute();
  double lat = 0, lon = 0;
  newLatLon(45.045, 10, 180.00015204 - 180, 500, lat, lon);
  EXPECT_NEAR(headNodePtr->Lat, lat, 1e-9);
  EXPECT_NEAR(headNodePtr->Lon, lon, 1e-9);
  EXPECT_GT(headNodePtr->Lat, 45.045);

  // A first heading of exactly 180 gives a reciprocal of 0, the same point as 360.
  destroyList();
  insertLatLonEnd(45, 10);
  headNodePtr->heading = 180;
  launch_waypoint();
  EXPECT_NEAR(headNodePtr->Lat, 45.0044966, 1e-7);
  EXPECT_EQ(headNodePtr->heading, 180);
}

TEST_F(PlanningTest, ZeroLengthLegIsNeverSplit) {
  insertLatLonEnd(45, 10);
  insertLatLonEnd(45, 10);
  insertLatLonEnd(45.01, 10);
  planRoute();
  const auto route = nodes();
  ASSERT_EQ(route.size(), 4u);
  EXPECT_LT(route[1]->legMeters, 1e-6);
  EXPECT_LT(route[1]->legSecs, 1e-6);
}

TEST_F(PlanningTest, CalcWaypointTimesSkipsTheTail) {
  insertEnd(300);
  calcWaypointTimes();
  EXPECT_EQ(headNodePtr->legSecs, 0);
  insertEnd(600);
  calcWaypointTimes();
  EXPECT_EQ(headNodePtr->legSecs, 200);
  EXPECT_EQ(tailNodePtr->legSecs, 0);
}

TEST_F(PlanningTest, WaypointsOnTheEquatorKeepTheirPositions) {
  insertLatLonEnd(0.01, 5);
  insertLatLonEnd(0, 5.02);
  insertLatLonEnd(0, 5.1);  // a leg along the equator, cut once
  planRoute();
  const auto route = nodes();
  ASSERT_EQ(route.size(), 6u);
  EXPECT_EQ(route[2]->Lat, 0);
  EXPECT_EQ(route[2]->Lon, 5.02);
  EXPECT_EQ(route[5]->Lat, 0);
  EXPECT_EQ(route[5]->Lon, 5.1);
  EXPECT_TRUE(route[3]->inserted);
  EXPECT_NEAR(dist(route[2]->Lat, route[2]->Lon, route[3]->Lat, route[3]->Lon), 3600, 0.005);
}

TEST_F(PlanningTest, RouteAcrossTheAntimeridianKeepsLongitudesInRange) {
  insertLatLonEnd(0.001, 179.99);
  insertLatLonEnd(0.001, -179.95);
  planRoute();
  int count = 0;
  for (const node* n : nodes()) {
    EXPECT_GE(n->Lon, -180);
    EXPECT_LE(n->Lon, 180);
    ++count;
  }
  EXPECT_EQ(count, 4);  // launch, start, one intermediate (the leg is about 6.7 km), end
  EXPECT_LT(tailNodePtr->prevPtr->Lon, 0);

  destroyList();
  insertLatLonEnd(10, -179.999);
  insertLatLonEnd(10, 179.99);  // first leg heads west: launch lies east, over the meridian
  planRoute();
  EXPECT_GT(headNodePtr->Lon, -180);
  EXPECT_LT(headNodePtr->Lon, -179.99);
}

TEST_F(PlanningTest, PiecesOfALongLegLieOnItsGreatCircle) {
  struct legCase {
    double lat1, lon1, lat2, lon2;
  };
  const std::vector<legCase> legs = {
      {70, -20, 70, -18},          // 76 km at 70N: the last piece was 1,263 m instead of 458 m
      {70, -20, 70, 0},            // 760 km
      {45, 10, 45, -10},           // 1,570 km westward
      {-65, 100, -66, 140},        // southern ocean
      {0.5, 179.5, -0.5, -179.6},  // across the antimeridian and the equator
      {1, 20, 1.9, 20},            // short, due north
  };
  for (const auto& leg : legs) {
    destroyList();
    resetSettings();
    insertLatLonEnd(leg.lat1, leg.lon1);
    insertLatLonEnd(leg.lat2, leg.lon2);
    planRoute();
    const node* const start = headNodePtr->nextPtr;
    const double h = start->heading;
    int k = 0;
    const node* n = start;
    for (; n->nextPtr != tailNodePtr; ++k) {
      EXPECT_EQ(n->legMeters, maxLegMeters);
      n = n->nextPtr;
      ASSERT_TRUE(n->inserted);
      EXPECT_EQ(n->heading, h);
      EXPECT_NEAR(dist(start->Lat, start->Lon, n->Lat, n->Lon), (k + 1) * maxLegMeters, 0.005)
          << leg.lat1 << " " << leg.lon1 << " piece " << k + 1;
      EXPECT_GE(n->Lon, -180);
      EXPECT_LE(n->Lon, 180);
    }
    ASSERT_GT(k, 0);
    // The last piece is as long as planned: the vehicle surfaces where the plan says.
    EXPECT_NEAR(dist(n->Lat, n->Lon, tailNodePtr->Lat, tailNodePtr->Lon), n->legMeters, 0.005)
        << leg.lat1 << " " << leg.lon1;
    EXPECT_LE(n->legMeters, maxLegMeters);
    if (leg.lat1 == 70 && leg.lon2 == -18) {
      EXPECT_NEAR(n->legMeters, 458, 1);
    }
  }
}

// A leg at a pole has no heading to follow there: its pieces lie on the great circle
// through its two ends, each piece as long as planned, the launch waypoint on the same
// circle behind the start.
TEST_F(PlanningTest, LegsAtAndOverThePolesAreCutOnTheGreatCircleThroughTheirEnds) {
  struct legCase {
    double lat1, lon1, lat2, lon2;
    double pieceLon;  // the meridian every piece lies on
  };
  const std::vector<legCase> legs = {
      {90, 0, 89.9, 10, 10},          // from the pole: on the meridian of the end
      {-90, 0, -89.9, 10, 10},        // from the south pole
      {89.9, 10, 90, 0, 10},          // to the pole
      {89.95, 10, 89.95, -170, 999},  // over the pole: 10 before it, -170 after
      {90, 30, -90, 0, 30},           // pole to pole, down the meridian of the start
  };
  for (const auto& leg : legs) {
    destroyList();
    resetSettings();
    if (leg.lat2 == -leg.lat1) maxLegMeters = 2000000;
    insertLatLonEnd(leg.lat1, leg.lon1);
    insertLatLonEnd(leg.lat2, leg.lon2);
    planRoute();
    const node* const start = headNodePtr->nextPtr;
    const double length = dist(leg.lat1, leg.lon1, leg.lat2, leg.lon2);
    int pieces = 0;
    for (const node* n = start; n != tailNodePtr; n = n->nextPtr) {
      const node* const next = n->nextPtr;
      EXPECT_NEAR(dist(n->Lat, n->Lon, next->Lat, next->Lon), n->legMeters, 0.01) << leg.lat1 << " piece " << pieces;
      if (!next->inserted) break;
      ++pieces;
      if (leg.pieceLon != 999) {
        EXPECT_NEAR(next->Lon, leg.pieceLon, 1e-9) << leg.lat1 << " piece " << pieces;
      } else {
        const bool pastThePole =
            dist(start->Lat, start->Lon, next->Lat, next->Lon) > dist(start->Lat, start->Lon, 90, 0);
        EXPECT_NEAR(next->Lon, pastThePole ? -170 : 10, 1e-9) << "piece " << pieces;
      }
    }
    EXPECT_GT(pieces, 0) << leg.lat1;
    // The launch waypoint 500 m behind the start, on the same circle.
    EXPECT_NEAR(dist(headNodePtr->Lat, headNodePtr->Lon, start->Lat, start->Lon), 500, 0.01) << leg.lat1;
    EXPECT_NEAR(missionTime, 1.2 * (length + 500) / missionSpeed, 1e-6) << leg.lat1;
  }
}

TEST_F(PlanningTest, AbsurdSplittingStopsTheRunInsteadOfExhaustingMemory) {
  insertLatLonEnd(45, 10);
  insertLatLonEnd(46, 10);
  maxLegMeters = 0.001;  // about 111 million pieces
  testing::internal::CaptureStdout();
  EXPECT_THROW(planRoute(), runEnd);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "the route would need more than 10000000 waypoints; "
            "increase the meters between surfacings\n");
  EXPECT_EQ(nodes().size(), 2u);

  maxLegMeters = 0;
  testing::internal::CaptureStdout();
  EXPECT_THROW(insertIfBig_legMeters(), runEnd);
  testing::internal::GetCapturedStdout();
}

// Every leg of a long route, however far down the list, is that of its own two ends.
TEST_F(PlanningTest, EveryLegOfALongRouteIsThatOfItsTwoEnds) {
  for (int i = 0; i < 20001; ++i) insertLatLonEnd(45 + 0.01 * std::sin(i * 0.1), 10 + 0.0003 * i);
  planRoute();
  int legs = 0;
  for (const node* n = headNodePtr->nextPtr; n->nextPtr != nullptr; n = n->nextPtr, ++legs) {
    const node* const next = n->nextPtr;
    ASSERT_FALSE(next->inserted) << legs;
    ASSERT_EQ(n->legMeters, dist(n->Lat, n->Lon, next->Lat, next->Lon)) << legs;
    ASSERT_EQ(n->heading, heading(n->Lat, n->Lon, next->Lat, next->Lon)) << legs;
  }
  EXPECT_EQ(legs, 20000);
}

}  // namespace
