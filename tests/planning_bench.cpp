// How long planning a route of a million waypoints takes. A timed check fails on a loaded
// machine, so it runs only when asked for (ctest -C Benchmark -L benchmark), not with the
// tests; bench/vesk_bench measures the whole program.
#include <gtest/gtest.h>

#include <chrono>

#include "support/routeTest.h"
#include "vesk.h"
#include "wptList.h"

namespace {

using PlanningBenchmark = routeTest;

#if defined(__SANITIZE_ADDRESS__)
constexpr double timeLimitSeconds = 60;
#else
constexpr double timeLimitSeconds = 2;
#endif

TEST_F(PlanningBenchmark, CostGrowsLinearlyWithTheRoute) {
  using clock = std::chrono::steady_clock;
  auto start = clock::now();
  for (int i = 0; i < 1000000; ++i) insertLatLonEnd(45 + (i % 2) * 0.01, 10 + i * 1e-5);
  planRoute();
  EXPECT_EQ(tailNodePtr->wptNumber, 1000000);
  EXPECT_LT(std::chrono::duration<double>(clock::now() - start).count(), timeLimitSeconds);

  destroyList();
  start = clock::now();
  insertLatLonEnd(45, 10);
  insertLatLonEnd(45.045, 10);
  maxLegMeters = 5003.7717 / 1000000;  // one leg, a million pieces
  planRoute();
  EXPECT_GE(tailNodePtr->wptNumber, 1000001);
  EXPECT_LE(tailNodePtr->wptNumber, 1000003);
  EXPECT_LT(std::chrono::duration<double>(clock::now() - start).count(), timeLimitSeconds);
}

}  // namespace
