// Without a panel every function is harmless: neutral results, outputs left
// as they were, no error recorded, no Google Earth started.
#include <gtest/gtest.h>

#include "support/system_test.h"

namespace zge::test {
namespace {

enum class NoPanel { kNeverLoaded, kClosed };

void PrintTo(NoPanel state, std::ostream* out) {
  *out << (state == NoPanel::kNeverLoaded ? "never loaded" : "closed");
}

class NoPanelTest : public SystemTest, public ::testing::WithParamInterface<NoPanel> {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure()) {
      return;
    }
    if (GetParam() == NoPanel::kClosed) {
      LoadPanel();
      Api().CloseGE();
    }
    Api().ZgeClearLastError();
  }
};

constexpr double kUntouched = 42.5;

TEST_P(NoPanelTest, QueriesReturnNeutralResultsAndLeaveOutputsAlone) {
  ZelkanGE& api = Api();
  double a = kUntouched, b = kUntouched, c = kUntouched, d = kUntouched;
  EXPECT_EQ(api.CameraPoint(&a, &b, &c), 0);
  EXPECT_EQ(api.ViewBox(&a, &b, &c, &d), 0);
  api.GEPanelXYtoLatLon(10, 10, &a, &b);
  for (const double value : {a, b, c, d}) {
    EXPECT_EQ(value, kUntouched);
  }

  const UniqueBitmap hostBitmap(CreateBitmap(1, 1, 1, 32, nullptr));
  ASSERT_NE(hostBitmap, nullptr);
  HBITMAP bitmap = hostBitmap.get();
  api.GetImageGE(&bitmap);
  EXPECT_EQ(bitmap, hostBitmap.get());
  EXPECT_EQ(api.ZgeGetEarthImage(&bitmap), 0);
  EXPECT_EQ(bitmap, hostBitmap.get());
  TMousePosGE position{7, kUntouched, kUntouched, kUntouched};
  EXPECT_EQ(api.ZgeMousePos(10, 10, &position), 0);
  EXPECT_EQ(position.Missed, 7);
  EXPECT_EQ(position.Latitude, kUntouched);
  EXPECT_EQ(api.ZgeSaveKMLToFile("C:\\view.kml"), 0);

  ZgeMessage wheel{WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(100, 100), 0};
  EXPECT_EQ(api.OnMouseWheelM(&wheel), 0);
  EXPECT_EQ(api.OnMouseWheelW(WHEEL_DELTA), 0);
  EXPECT_EQ(api.FeatureCount(), 0);
  EXPECT_EQ(api.FeatureList(), nullptr);
  EXPECT_EQ(api.SaveFeature("C:\\", 0), 0);
  EXPECT_EQ(api.CanvasGE(), nullptr);
  EXPECT_EQ(api.ZgeIsViewReady(), 0);
  EXPECT_EQ(api.ZgeGetMajor(), 0);
  EXPECT_EQ(api.ZgeGetMinor(), 0);
  EXPECT_EQ(api.ZgeGetBuild(), 0);
  EXPECT_EQ(api.ZgeGetApplicationType(), 0);
  EXPECT_EQ(api.ZgeGetApplicationGE(), nullptr);
  EXPECT_EQ(api.ZgeLayerList(), nullptr);

  char text[8] = "keep";
  EXPECT_EQ(api.ZgeStringListCount(nullptr), 0);
  EXPECT_EQ(api.ZgeStringListItem(nullptr, 0, text, sizeof text), -1);
  EXPECT_STREQ(text, "keep");
  EXPECT_EQ(api.ZgeStringListNumber(nullptr, 0), 0);

  std::int32_t code = -1;
  EXPECT_EQ(api.ZgeGetLastError(&code, nullptr, 0), 0);
  EXPECT_EQ(code, 0);
}

TEST_P(NoPanelTest, CommandsDoNothing) {
  ZelkanGE& api = Api();
  const TPointGE points[] = {{"A", "first", "", 1.0, 2.0}, {"B", "second", "", 3.0, 4.0}};
  const TListGE route{2, points};
  const std::filesystem::path picture = TempDir() / "view.png";

  api.SetShutDownGE(0);
  api.SynchronizeView(1000.0, 47.0, 8.0, 0.0);
  api.LoadWaypoint("Waypoint", "description", "", 47.0, 8.0);
  api.LoadLiveGPS("Boat", "description", "", 47.0, 8.0, 90);
  api.HideWaypoint(L"Document", L"Waypoint");
  api.LoadRoute(&route, L"Route", L"description", 0);
  api.LoadTrackLeg(L"Leg", L"", 47.0, 8.0, 47.1, 8.1, 0, 1, 90, 1);
  api.SaveFeaturesKML();
  api.LoadKMLData(L"<kml xmlns=\"http://www.opengis.net/kml/2.2\"><Document/></kml>");
  api.OpenKMLFile((TempDir() / "missing.kml").c_str());
  api.OpenFeaturesKML();
  api.SaveImageGE(picture.c_str());
  api.HideAllLoadedKML();
  api.ShowAllLoadedKML();
  api.SetFeatureVisibility(L"Waypoint", 0);
  api.SetRotation(90.0);
  api.ZgeRestoreGoogleEarth();
  api.ZgeSetLayer("Roads", 0);
  api.ZgeReadRegistry();
  api.ZgeGoGoogle();

  EXPECT_FALSE(std::filesystem::exists(picture));
  EXPECT_EQ(api.ZgeLayerList(), nullptr);
  EXPECT_FALSE(StandInProcessId().has_value()) << "Google Earth was started";
  std::int32_t code = -1;
  EXPECT_EQ(api.ZgeGetLastError(&code, nullptr, 0), 0);
  EXPECT_EQ(code, 0);
}

TEST_P(NoPanelTest, NullOutputsAreNotReported) {
  ZelkanGE& api = Api();
  EXPECT_EQ(api.CameraPoint(nullptr, nullptr, nullptr), 0);
  api.LoadRoute(nullptr, L"Route", L"", 0);
  std::int32_t code = -1;
  EXPECT_EQ(api.ZgeGetLastError(&code, nullptr, 0), 0);
  EXPECT_EQ(code, 0);
}

INSTANTIATE_TEST_SUITE_P(States, NoPanelTest,
                         ::testing::Values(NoPanel::kNeverLoaded, NoPanel::kClosed),
                         [](const auto& testParam) {
                           return testParam.param == NoPanel::kNeverLoaded ? "NeverLoaded"
                                                                           : "Closed";
                         });

}  // namespace
}  // namespace zge::test
