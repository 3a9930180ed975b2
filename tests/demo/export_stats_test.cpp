#include "export_stats.h"

#include <gtest/gtest.h>

namespace {

using Ms = demo::ExportStats::Duration;

TEST(ExportStatsTest, PercentilesAreNearestRank) {
  demo::ExportStats stats;
  for (int i = 100; i >= 1; --i) {
    stats.Add("LoadLiveGPS", Ms(i));
  }
  stats.Add("CloseGE", Ms(7));
  EXPECT_EQ(stats.Calls("LoadLiveGPS"), 100U);
  EXPECT_EQ(stats.TotalCalls(), 101U);
  EXPECT_EQ(stats.Percentile("LoadLiveGPS", 50).count(), 50);
  EXPECT_EQ(stats.Percentile("LoadLiveGPS", 99).count(), 99);
  EXPECT_EQ(stats.Percentile("CloseGE", 50).count(), 7);
  EXPECT_EQ(stats.Percentile("CloseGE", 99).count(), 7);
  EXPECT_EQ(stats.Percentile("SaveFeature", 50).count(), 0);
  EXPECT_EQ(stats.Calls("SaveFeature"), 0U);
}

TEST(ExportStatsTest, TableHasOneLinePerExportByName) {
  demo::ExportStats stats;
  stats.Add("SynchronizeView", Ms(2));
  stats.Add("LoadGE", Ms(1.5));
  EXPECT_EQ(stats.Table(),
            "  LoadGE                  1 calls   p50     1.50 ms   p99     1.50 ms\n"
            "  SynchronizeView         1 calls   p50     2.00 ms   p99     2.00 ms\n");
}

}  // namespace
