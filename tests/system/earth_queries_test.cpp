// Calls that reach Google Earth through an embedded panel.
#include <gtest/gtest.h>

#include "support/system_test.h"

namespace zge::test {
namespace {

using EarthQueriesTest = SystemTest;

TEST_F(EarthQueriesTest, VersionsAreThoseEarthReports) {
  StandInConfig config;
  config.versionMajor = 6;
  config.versionMinor = 2;
  config.versionBuild = 17;
  config.appType = 1;
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();

  EXPECT_EQ(Api().ZgeGetMajor(), 6);
  EXPECT_EQ(Api().ZgeGetMinor(), 2);
  EXPECT_EQ(Api().ZgeGetBuild(), 17);
  EXPECT_EQ(Api().ZgeGetApplicationType(), 1);
  for (const char* call :
       {"VersionMajor()", "VersionMinor()", "VersionBuild()", "VersionAppType()"}) {
    EXPECT_TRUE(WaitForJournal(call)) << call << " never reached Google Earth:\n"
                                      << StandInJournal().Text();
  }
}

TEST_F(EarthQueriesTest, ApplicationObjectIsTheRunningEarth) {
  LoadPanelAndWaitForView();

  Microsoft::WRL::ComPtr<IDispatch> application;
  application.Attach(Api().ZgeGetApplicationGE());
  ASSERT_NE(application, nullptr);

  const EarthClient earth(application);
  EXPECT_EQ(earth.MainWindow(), FindEarthMainWindow(WaitForStandInProcessId()));
}

struct LayerCase {
  const char* name;
  std::int32_t visibility;
  const char* expectedCall;
};

// Names the case in test listings (and so in ctest) instead of its bytes.
void PrintTo(const LayerCase& testCase, std::ostream* out) { *out << testCase.name; }

class LayerTest : public SystemTest, public ::testing::WithParamInterface<LayerCase> {};

TEST_P(LayerTest, SetLayerReachesEarth) {
  LoadPanelAndWaitForView();

  Api().ZgeSetLayer("Roads", GetParam().visibility);

  EXPECT_TRUE(WaitForJournal("GetFeatureByName(\"Roads\")")) << StandInJournal().Text();
  EXPECT_TRUE(WaitForJournal(GetParam().expectedCall)) << StandInJournal().Text();
}

INSTANTIATE_TEST_SUITE_P(Visibility, LayerTest,
                         ::testing::Values(LayerCase{"Hide", 0, "Feature(\"Roads\").Visibility=0"},
                                           LayerCase{"Show", 1, "Feature(\"Roads\").Visibility=1"}),
                         [](const auto& testParam) { return std::string(testParam.param.name); });

}  // namespace
}  // namespace zge::test
