#include "calcs.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Dist, KnownLegsOnMeridianAndEquator) {
  EXPECT_NEAR(dist(45, 10, 45.045, 10), 5003.7717, 1e-4);
  EXPECT_NEAR(dist(0, 0, 0, 1), 111194.9266, 1e-4);
  EXPECT_NEAR(dist(45, 10, 45, 10.1), 7862.6682, 1e-4);
  EXPECT_LT(dist(45.123, -12.5, 45.123, -12.5), 1e-6);
}

TEST(Dist, AntipodalPointsGiveHalfTheCircumferenceNotNaN) {
  const double d = dist(45, 10, -45, -170);
  EXPECT_FALSE(std::isnan(d));
  EXPECT_NEAR(d, 3.14159265358979 * 6371000, 50);
}

TEST(Heading, CardinalDirectionsCarryTheMissionPlannersPi) {
  EXPECT_EQ(heading(45, 10, 45.045, 10), 360.0);  // due north is 360, never 0
  EXPECT_NEAR(heading(45.045, 10, 45, 10), 180.00015204, 1e-8);
  EXPECT_NEAR(heading(0, 0, 0, 1), 90.00007602, 1e-8);
  EXPECT_NEAR(heading(0, 0, 0, -1), 269.99992398, 1e-8);
  EXPECT_NEAR(heading(45, 10, 45, 10.1), 89.964721, 1e-6);
}

TEST(Heading, ALegAcrossTheAntimeridianAimsLikeTheSameLegElsewhere) {
  // The rough pi must not be applied to a longitude difference of almost a whole turn.
  EXPECT_NEAR(heading(10, 179.5, 11, -179.5), heading(10, -0.5, 11, 0.5), 1e-9);
  EXPECT_NEAR(heading(-60, -179.8, -61, 179.9), heading(-60, 0.2, -61, -0.1), 1e-9);
}

TEST(Heading, ResultIsAlwaysAboveZeroAndAtMost360) {
  for (double lat = -80; lat <= 80; lat += 20) {
    for (double dLat = -1; dLat <= 1; dLat += 0.5) {
      for (double dLon = -1; dLon <= 1; dLon += 0.5) {
        if (dLat == 0 && dLon == 0) continue;
        const double h = heading(lat, 30, lat + dLat, 30 + dLon);
        EXPECT_GT(h, 0);
        EXPECT_LE(h, 360);
      }
    }
  }
}

TEST(NewLatLon, DestinationPoints) {
  double lat = 0, lon = 0;
  EXPECT_EQ(newLatLon(45, 10, 360, 3600, lat, lon), 0);
  EXPECT_NEAR(lat, 45.0323756, 1e-7);
  EXPECT_NEAR(lon, 10.0000000, 1e-7);

  newLatLon(45, 10, 180, 500, lat, lon);
  EXPECT_NEAR(lat, 44.9955034, 1e-7);
  EXPECT_NEAR(lon, 10.0000000, 1e-7);

  newLatLon(-33.5, 151.25, 123.4, 0, lat, lon);
  EXPECT_NEAR(lat, -33.5, 1e-12);
  EXPECT_NEAR(lon, 151.25, 1e-12);
}

TEST(NewLatLon, KeepsLongitudeBeyondTheAntimeridianForCallersToWrap) {
  double lat = 0, lon = 0;
  newLatLon(0, 179.99, 90, 5000, lat, lon);
  EXPECT_NEAR(lon, 180.0349661, 1e-7);
  EXPECT_NEAR(wrapLongitude(lon), -179.9650339, 1e-7);
  EXPECT_NEAR(wrapLongitude(-180.25), 179.75, 1e-12);
  EXPECT_EQ(wrapLongitude(180), 180);
  EXPECT_EQ(wrapLongitude(-180), -180);
}

// The maps bring the middle of a route that circles the earth back into range: however far
// out, the whole turns go as exactly as one by one would take them, and a value that is
// no number comes back as it went in instead of holding the run.
TEST(WrapLongitude, FarOutAndNonFiniteLongitudes) {
  const struct {
    double given, wrapped;
  } cases[] = {{540, 180}, {-540, -180}, {541, -179}, {720.5, 0.5}, {-999999999.75, 80.25}, {1e12 + 0.5, -79.5}};
  for (const auto& c : cases) EXPECT_EQ(wrapLongitude(c.given), c.wrapped) << c.given;
  EXPECT_FALSE(std::signbit(wrapLongitude(-720))) << "two turns back from -720 give 0, not -0";
  EXPECT_EQ(wrapLongitude(HUGE_VAL), HUGE_VAL);
  EXPECT_TRUE(std::isnan(wrapLongitude(NAN)));
}

TEST(NewLatLon, StartOnThePoleGivesFiniteResult) {
  double lat = 0, lon = 0;
  newLatLon(90, 0, 180, 500, lat, lon);
  EXPECT_TRUE(std::isfinite(lat));
  EXPECT_TRUE(std::isfinite(lon));
  EXPECT_LT(lat, 90);
}
