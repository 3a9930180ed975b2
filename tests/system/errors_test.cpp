// Failures with a panel reach the host as the thread's last error, the call
// returns its neutral result, and the panel stays usable.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "support/system_test.h"

namespace zge::test {
namespace {

using ErrorsTest = SystemTest;

TEST_F(ErrorsTest, FailuresAreRecordedAndThePanelStaysUsable) {
  StandInConfig config;
  config.failMembers = L"Camera.Azimuth:0x80048002@1";
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();
  ZelkanGE& api = Api();

  EXPECT_EQ(api.CameraPoint(nullptr, nullptr, nullptr), 0);
  LastError error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80004003U);  // E_POINTER
  EXPECT_NE(error.text.find("CameraPoint"), std::string::npos) << error.text;

  // A getter's failure reaches the host; the outputs keep their values.
  double latitude = -1;
  double longitude = -1;
  double azimuth = -1;
  EXPECT_EQ(api.CameraPoint(&latitude, &longitude, &azimuth), 0);
  error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80048002U);
  EXPECT_EQ(latitude, -1);
  EXPECT_EQ(azimuth, -1);

  api.ZgeClearLastError();
  EXPECT_EQ(ReadLastError(api).code, 0);
  EXPECT_EQ(api.ZgeIsViewReady(), 1);
  EXPECT_EQ(api.ZgeGetMajor(), 7);
  EXPECT_EQ(api.CameraPoint(&latitude, &longitude, &azimuth), 0);
  EXPECT_EQ(ReadLastError(api).code, 0);
  EXPECT_NE(latitude, -1);
}

TEST_F(ErrorsTest, InputNoKmlCanCarryIsRefusedAndLoadsNothing) {
  LoadPanelAndWaitForView();
  ZelkanGE& api = Api();

  api.LoadWaypoint("Buoy", "", "", std::numeric_limits<double>::quiet_NaN(), 2.0);
  LastError error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80070057U);  // E_INVALIDARG
  EXPECT_EQ(error.text, "Latitude is not a finite number");

  api.LoadTrackLeg(L"Leg\x01", L"", 1, 2, 3, 4, 0, 0, 0, 1);
  error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80070057U);
  EXPECT_NE(error.text.find("U+0001"), std::string::npos) << error.text;

  const TListGE broken{-1, nullptr};
  api.LoadRoute(&broken, L"Route", L"", 0);
  EXPECT_EQ(static_cast<std::uint32_t>(ReadLastError(api).code), 0x80070057U);

  StandInJournal().Poll();
  EXPECT_EQ(StandInJournal().Text().find("LoadKmlData"), std::string::npos);
  EXPECT_EQ(api.FeatureCount(), 0);
}

TEST_F(ErrorsTest, GoogleEarthFailuresCarryItsOwnCodeAndText) {
  StandInConfig config;
  config.failMembers = L"VersionBuild:0x80048002";
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();
  ZelkanGE& api = Api();
  api.ZgeClearLastError();

  EXPECT_EQ(api.ZgeGetBuild(), 0);
  const LastError error = ReadLastError(api);
  EXPECT_EQ(static_cast<std::uint32_t>(error.code), 0x80048002U);
  EXPECT_FALSE(error.text.empty());
  EXPECT_EQ(api.ZgeGetMinor(), 3);
}

}  // namespace
}  // namespace zge::test
