#include "mercator.h"

#include <gtest/gtest.h>

namespace {

TEST(MercatorChartTest, CentreIsMidChartAndNorthEastIsUpRight) {
  const demo::MercatorChart chart(36.9, 15.2, 90'000, 500, 400);
  const demo::ChartPoint centre = chart.Project(36.9, 15.2);
  EXPECT_DOUBLE_EQ(centre.x, 250);
  EXPECT_DOUBLE_EQ(centre.y, 200);
  const demo::ChartPoint northEast = chart.Project(37.0, 15.3);
  EXPECT_GT(northEast.x, 250);
  EXPECT_LT(northEast.y, 200);
}

TEST(MercatorChartTest, TheWidthSpansTheExtentAtTheCentresLatitude) {
  struct Case {
    double latitude;
    double extentMetres;
  };
  for (const Case c : {Case{0, 100'000}, Case{36.9, 90'000}, Case{60, 20'000}}) {
    const demo::MercatorChart chart(c.latitude, 10, c.extentMetres, 1000, 800);
    EXPECT_NEAR(chart.MetresPerPixelAtCentre(c.latitude), c.extentMetres / 1000, 1e-6);
    // 1/60 degree of latitude is one nautical mile, near enough at the centre.
    const double pixels =
        chart.Project(c.latitude, 10).y - chart.Project(c.latitude + 1.0 / 60, 10).y;
    EXPECT_NEAR(pixels * c.extentMetres / 1000, 1853, 15) << c.latitude;
  }
}

}  // namespace
