#include "wptList.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/routeTest.h"

namespace {

class ListTest : public routeTest {
 protected:
  // Checks the links both ways and returns the latitudes from head to tail.
  static std::vector<double> checkedLats() {
    std::vector<double> forward;
    const node* prev = nullptr;
    for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) {
      EXPECT_EQ(n->prevPtr, prev);
      forward.push_back(n->Lat);
      prev = n;
    }
    EXPECT_EQ(tailNodePtr, prev);
    std::vector<double> backward;
    for (const node* n = tailNodePtr; n != nullptr; n = n->prevPtr) backward.insert(backward.begin(), n->Lat);
    EXPECT_EQ(forward, backward);
    return forward;
  }
};

TEST_F(ListTest, AppendToEmptyListMakesOneZeroedNode) {
  insertLatLonEnd(45.5, 10.25);
  ASSERT_NE(headNodePtr, nullptr);
  EXPECT_EQ(headNodePtr, tailNodePtr);
  EXPECT_EQ(headNodePtr->prevPtr, nullptr);
  EXPECT_EQ(headNodePtr->nextPtr, nullptr);
  EXPECT_EQ(headNodePtr->Lat, 45.5);
  EXPECT_EQ(headNodePtr->Lon, 10.25);
  EXPECT_EQ(headNodePtr->legMeters, 0);
  EXPECT_EQ(headNodePtr->heading, 0);
  EXPECT_EQ(headNodePtr->legSecs, 0);
  EXPECT_EQ(headNodePtr->wptNumber, 0);
}

TEST_F(ListTest, AppendsAndInsertsKeepLinksAndTail) {
  insertLatLonEnd(1, 0);
  insertLatLonEnd(2, 0);
  insertLatLonEnd(3, 0);
  EXPECT_EQ(checkedLats(), (std::vector<double>{1, 2, 3}));

  headNodePtr->heading = 42;
  node* const oldTail = tailNodePtr;
  insertNode(headNodePtr, 123.5);
  EXPECT_EQ(checkedLats(), (std::vector<double>{1, 0, 2, 3}));
  EXPECT_EQ(tailNodePtr, oldTail);
  const node* blank = headNodePtr->nextPtr;
  EXPECT_EQ(blank->Lon, 0);
  EXPECT_EQ(blank->legMeters, 123.5);
  EXPECT_EQ(blank->heading, 42);
  EXPECT_EQ(blank->legSecs, 0);
  EXPECT_EQ(blank->wptNumber, 0);

  insertNode(tailNodePtr, 7);  // after the tail: the new node becomes the tail
  EXPECT_EQ(checkedLats(), (std::vector<double>{1, 0, 2, 3, 0}));
  EXPECT_EQ(tailNodePtr->legMeters, 7);

  insertLatLonBeg(-1, 5);
  insertBeg(11);
  insertEnd(22);
  EXPECT_EQ(checkedLats(), (std::vector<double>{0, -1, 1, 0, 2, 3, 0, 0}));
  EXPECT_EQ(headNodePtr->legMeters, 11);
  EXPECT_EQ(tailNodePtr->legMeters, 22);
  EXPECT_EQ(headNodePtr->nextPtr->Lon, 5);
}

TEST_F(ListTest, EmptyListAndNullNodeAreReportedWithoutEffect) {
  testing::internal::CaptureStdout();
  insertNode(nullptr, 5);
  displayFwd();
  displayRev();
  itemizeList();
  calcWaypointTimes();
  insertIfBig_legMeters();
  EXPECT_EQ(calcMissionTime(), -1);
  EXPECT_EQ(fillBlankLatLons(), 0);
  EXPECT_EQ(initNode(nullptr), 1);
  EXPECT_EQ(displayNode(nullptr), 1);
  destroyList();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "dll is empty\ndll is empty\ndll is empty\ndll is empty\ndll is empty\n"
            "dll is empty\ndll is empty\nNo such node\nNo such node\n");
  EXPECT_EQ(headNodePtr, nullptr);
  EXPECT_EQ(tailNodePtr, nullptr);
  EXPECT_EQ(missionTime, 0);
}

TEST_F(ListTest, InitNodeClearsLegFieldsOnly) {
  insertLatLonEnd(1, 2);
  insertLatLonEnd(3, 4);
  node* n = headNodePtr;
  n->legMeters = 5;
  n->heading = 6;
  n->legSecs = 7;
  n->wptNumber = 8;
  EXPECT_EQ(initNode(n), 0);
  EXPECT_EQ(n->Lat, 1);
  EXPECT_EQ(n->Lon, 2);
  EXPECT_EQ(n->nextPtr, tailNodePtr);
  EXPECT_EQ(n->prevPtr, nullptr);
  EXPECT_EQ(n->legMeters + n->heading + n->legSecs + n->wptNumber, 0);
}

TEST_F(ListTest, DumpsShowEveryNodeOnceInEitherDirection) {
  insertLatLonEnd(45.5, -10.25);
  headNodePtr->wptNumber = 7;
  testing::internal::CaptureStdout();
  displayRev();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n\nLat 45.5 \nLon -10.25 \nDistance: 0 \nHead 0 \nTime 0 \nwptNumber 7 ");

  insertLatLonEnd(46, 11);
  testing::internal::CaptureStdout();
  displayFwd();
  const std::string fwd = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  displayRev();
  const std::string rev = testing::internal::GetCapturedStdout();
  EXPECT_LT(fwd.find("Lat 45.5"), fwd.find("Lat 46"));
  EXPECT_GT(rev.find("Lat 45.5"), rev.find("Lat 46"));
  EXPECT_EQ(fwd.size(), rev.size());
}

TEST_F(ListTest, DestroyListEmptiesBothPointers) {
  for (int i = 1; i <= 5; ++i) insertLatLonEnd(i, i);
  destroyList();
  EXPECT_EQ(headNodePtr, nullptr);
  EXPECT_EQ(tailNodePtr, nullptr);
  insertLatLonEnd(9, 9);  // usable again afterwards
  EXPECT_EQ(headNodePtr, tailNodePtr);
}

// Nodes come from blocks that grow with the route: a route many blocks long must keep
// every node its own, linked both ways, and a new route must start from fresh nodes.
TEST_F(ListTest, ARouteOfManyBlocksKeepsEveryNodeAndStartsAgainClean) {
  constexpr int count = 100000;
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < count; ++i) {
      insertLatLonEnd(i, -i);
      if (i % 997 == 0) insertNode(tailNodePtr->prevPtr != nullptr ? tailNodePtr->prevPtr : tailNodePtr, 5);
    }
    insertLatLonBeg(-1, 1);
    int forward = 0, inserted = 0;
    double lastLat = -2;
    const node* prev = nullptr;
    for (const node* n = headNodePtr; n != nullptr; prev = n, n = n->nextPtr, ++forward) {
      ASSERT_EQ(n->prevPtr, prev);
      ASSERT_EQ(n->wptNumber, 0);
      if (n->inserted) {
        ++inserted;
        ASSERT_EQ(n->legMeters, 5);
        continue;
      }
      ASSERT_EQ(n->Lat, lastLat + 1) << forward;
      ASSERT_EQ(n->Lon, -n->Lat);
      lastLat = n->Lat;
    }
    EXPECT_EQ(prev, tailNodePtr);
    EXPECT_EQ(forward, count + 1 + inserted);
    EXPECT_EQ(inserted, (count + 996) / 997);
    int backward = 0;
    for (const node* n = tailNodePtr; n != nullptr; n = n->prevPtr) ++backward;
    EXPECT_EQ(backward, forward);
    destroyList();
  }
}

}  // namespace
