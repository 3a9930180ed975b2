// A short voyage replayed through the real DLL into the stand-in, as the
// demo host drives it: the first fixes of the sample log, a live position
// and a camera move for each, a track leg every few fixes. What Google
// Earth holds at the end is what a user of the host would see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "nmea_reader.h"
#include "support/earth_standin.h"
#include "support/system_test.h"

namespace zge::test {
namespace {

constexpr std::size_t kFixes = 30;
constexpr std::size_t kLegEvery = 5;

// Visible placemarks of that name directly inside documents whose name
// starts with `documentPrefix`.
int VisiblePlacemarks(const std::vector<FeatureInfo>& places, const std::wstring& documentPrefix,
                      const std::wstring& placemark) {
  int visible = 0;
  for (const FeatureInfo& document : places) {
    if (!document.name.starts_with(documentPrefix)) {
      continue;
    }
    for (const FeatureInfo& child : document.children) {
      if (child.name == placemark && child.visibility == 1) {
        ++visible;
      }
    }
  }
  return visible;
}

class VoyageReplayTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    LoadPanelAndWaitForView();
  }
};

TEST_F(VoyageReplayTest, LeavesOneLiveBoatTheLegsAndTheCameraOverTheLastFix) {
  std::ifstream file(ZGE_SAMPLES_DIR "/valletta-syracuse.nmea", std::ios::binary);
  ASSERT_TRUE(file);
  const nav::NmeaReader log = nav::ReadNmea(file);
  ASSERT_GE(log.Fixes().size(), kFixes);
  const std::vector<nav::Fix> fixes(log.Fixes().begin(), log.Fixes().begin() + kFixes);

  ZelkanGE& api = Api();
  std::size_t legStart = 0;
  std::int32_t legs = 0;
  for (std::size_t i = 0; i < fixes.size(); ++i) {
    const nav::Fix& fix = fixes[i];
    const auto heading = static_cast<std::int32_t>(std::lround(fix.headingDegrees.value_or(0)));
    if (i - legStart == kLegEvery || (i + 1 == fixes.size() && i > legStart)) {
      api.LoadTrackLeg(L"Track", L"boat.png", fixes[legStart].latitude, fixes[legStart].longitude,
                       fix.latitude, fix.longitude, 0x0040FF, legs++, heading, 1);
      legStart = i;
    }
    api.LoadLiveGPS("Sea Otter", "", "boat.png", fix.latitude, fix.longitude, heading);
    api.SynchronizeView(20000, fix.latitude, fix.longitude, 0);
  }
  std::int32_t code = 0;
  api.ZgeGetLastError(&code, nullptr, 0);
  EXPECT_EQ(code, 0);

  const std::vector<FeatureInfo> places = EarthClient::Connect().TemporaryPlaces();
  EXPECT_EQ(VisiblePlacemarks(places, L"GPS Sea Otter", L"Sea Otter"), 1);
  // Every leg is there, and only the newest still shows its boat.
  ASSERT_EQ(legs, 6);
  for (std::int32_t leg = 0; leg < legs; ++leg) {
    const std::wstring name = L"Track" + std::to_wstring(leg);
    EXPECT_EQ(std::count_if(places.begin(), places.end(),
                            [&](const FeatureInfo& f) { return f.name == name; }),
              1)
        << "leg " << leg;
  }
  EXPECT_EQ(VisiblePlacemarks(places, L"Track", L"GPS"), 1);
  EXPECT_EQ(VisiblePlacemarks(places, L"Track5", L"GPS"), 1);

  double latitude = 0;
  double longitude = 0;
  double azimuth = -1;
  api.CameraPoint(&latitude, &longitude, &azimuth);
  EXPECT_NEAR(latitude, fixes.back().latitude, 1e-9);
  EXPECT_NEAR(longitude, fixes.back().longitude, 1e-9);
  EXPECT_NEAR(azimuth, 0, 1e-9);
}

}  // namespace
}  // namespace zge::test
