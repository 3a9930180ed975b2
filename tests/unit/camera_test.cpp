// The camera: readiness, the one move routine and its tilt rule, the chart
// synchronisation with its world-view fallback, the visible area, and the
// round trips each operation costs.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "base/error.h"
#include "case_name.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kWorldRange = 12739868.92;

// A camera over the Baltic with every field distinct, so that a swapped
// argument shows.
fakes::FakeCamera Baltic() { return fakes::FakeCamera{54.5, 12.25, 7.5, 2, 25000, 35, 80}; }

class CameraTest : public PanelTest {
 protected:
  void SetUp() override {
    f.earth.state.camera = Baltic();
    LoadAndEmbed();
    f.log.Clear();
  }
  [[nodiscard]] const std::vector<fakes::CameraMove>& Moves() const {
    return f.earth.state.cameraMoves;
  }
  // Calls into Google Earth since the log was cleared.
  [[nodiscard]] std::size_t RoundTrips() const { return f.log.Calls().size(); }
};

TEST_F(CameraTest, EachGetterReadsItsOwnDescriptionWithoutTerrain) {
  EXPECT_EQ(Panel().GetLatitude(), 54.5);
  EXPECT_EQ(Panel().GetLongitude(), 12.25);
  EXPECT_EQ(Panel().GetRange(), 25000);
  EXPECT_EQ(Panel().GetTilt(), 35);
  EXPECT_EQ(Panel().GetAzimuth(), 80);
  EXPECT_EQ(f.log.Count("GetCamera(0)"), 5);
  EXPECT_EQ(f.log.Count("GetCamera(1)"), 0);
  EXPECT_EQ(RoundTrips(), 10u);
}

TEST_F(CameraTest, GettersReturnZeroWithoutADescription) {
  f.earth.state.hasCamera = false;
  EXPECT_EQ(Panel().GetRange(), 0);
}

using CameraBeforeEmbeddingTest = PanelTest;

TEST_F(CameraBeforeEmbeddingTest,
       BeforeEmbeddingGettersReturnZeroAndNothingMovesWithoutAskingGoogleEarth) {
  f.earth.state.camera = Baltic();
  Load();
  ASSERT_TRUE(f.timers.Tick());  // connected, not yet embedded
  f.log.Clear();
  EXPECT_EQ(Panel().GetLatitude(), 0);
  Panel().SetRange(10);
  Panel().SynchronizeView(1000, 1, 2, 3);
  TViewBoxGE box{-1, -1, -1, -1};
  Panel().GetViewBox(box);
  EXPECT_EQ(box.North, -1);
  EXPECT_TRUE(f.log.Calls().empty());
}

TEST_F(CameraTest, AGetterLetsGoogleEarthsFailurePass) {
  f.earth.state.failing["Camera.Range"] = codes::kFail;
  EXPECT_THROW(static_cast<void>(Panel().GetRange()), Error);
  f.earth.state.failing = {{"GetCamera(0)", codes::kFail}};
  EXPECT_THROW(static_cast<void>(Panel().GetLatitude()), Error);
}

struct TiltCase {
  const char* what;
  double tilt;
  double sent;
};
ZGE_PRINTS_CASE_BY(TiltCase, what)

class TiltRule : public CameraTest, public ::testing::WithParamInterface<TiltCase> {};

TEST_P(TiltRule, OutOfRangeTiltsAreSentAsStraightDown) {
  Panel().SetTilt(GetParam().tilt);
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0], (fakes::CameraMove{54.5, 12.25, 7.5, 2, 25000, GetParam().sent, 80, 3.0}));
}

INSTANTIATE_TEST_SUITE_P(Tilts, TiltRule,
                         ::testing::Values(TiltCase{"Level", 0, 0}, TiltCase{"Horizon", 90, 90},
                                           TiltCase{"Between", 45.5, 45.5},
                                           TiltCase{"Above", 95, 0}, TiltCase{"Below", -5, 0},
                                           TiltCase{"NaN", kNaN, 0}),
                         CaseName{});

TEST_F(CameraTest, EachSetterMovesWithTheOtherFieldsAsGoogleEarthHasThemInEightCalls) {
  Panel().SetLatitude(-33.9);
  Panel().SetLongitude(18.4);
  Panel().SetRange(1500);
  Panel().SetAzimuth(-170);
  ASSERT_EQ(Moves().size(), 4u);
  EXPECT_EQ(Moves()[0], (fakes::CameraMove{-33.9, 12.25, 7.5, 2, 25000, 35, 80, 3.0}));
  EXPECT_EQ(Moves()[1], (fakes::CameraMove{-33.9, 18.4, 7.5, 2, 25000, 35, 80, 3.0}));
  EXPECT_EQ(Moves()[2], (fakes::CameraMove{-33.9, 18.4, 7.5, 2, 1500, 35, 80, 3.0}));
  EXPECT_EQ(Moves()[3], (fakes::CameraMove{-33.9, 18.4, 7.5, 2, 1500, 35, -170, 3.0}));
  EXPECT_EQ(RoundTrips(), 4u * 8u);
  // What the package writes stays on its side: the description is a copy.
  EXPECT_EQ(f.log.Count("Camera.Range="), 0);
}

TEST_F(CameraTest, SettersNeedTheRenderWindowInThePanelAndDropGoogleEarthsFailures) {
  f.earth.state.failing["SetCameraParams"] = codes::kFail;
  EXPECT_NO_THROW(Panel().SetRange(10));
  f.earth.state.failing = {{"Camera.Tilt", codes::kFail}};
  EXPECT_NO_THROW(Panel().SetRange(10));
  EXPECT_TRUE(Moves().empty());

  f.earth.state.failing.clear();
  Panel().RestoreGoogleEarth();  // the view goes back to Google Earth
  ASSERT_TRUE(Panel().ReadyToRead());
  ASSERT_FALSE(Panel().ReadyToMove());
  f.log.Clear();
  Panel().SetRange(10);
  Panel().SynchronizeView(1000, 1, 2, 3);
  EXPECT_EQ(RoundTrips(), 0u);
  EXPECT_EQ(Panel().GetRange(), 25000);  // reading still works
}

TEST_F(CameraTest, SetCameraGEWithoutADescriptionDoesNothing) {
  Panel().SetCameraGE(nullptr);
  f.earth.state.hasCamera = false;
  Panel().SetRange(10);
  EXPECT_TRUE(Moves().empty());
}

struct SyncCase {
  const char* what;
  double extent;
  double latitude;
  double longitude;
  double rotation;
  fakes::CameraMove expected;
};
ZGE_PRINTS_CASE_BY(SyncCase, what)

constexpr fakes::CameraMove World{0, 0, 7.5, 2, kWorldRange, 0, 0, 3.0};

class Synchronisation : public CameraTest, public ::testing::WithParamInterface<SyncCase> {};

TEST_P(Synchronisation, MovesToTheChartOrFallsBackToTheWorld) {
  const SyncCase& c = GetParam();
  Panel().SynchronizeView(c.extent, c.latitude, c.longitude, c.rotation);
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0], c.expected);
  // GetCamera, the tilt unless the fallback sets it, the focus altitude and
  // its mode, and the move itself.
  EXPECT_EQ(RoundTrips(), c.expected == World ? 4u : 5u);
}

const double kSmallestExtent = 100 / 0.85;
const double kLargestExtent = kWorldRange / 0.85;

INSTANTIATE_TEST_SUITE_P(
    Views, Synchronisation,
    ::testing::Values(
        SyncCase{"Berlin", 1000, 52.5, 13.4, 30, {52.5, 13.4, 7.5, 2, 850, 35, 30, 3.0}},
        SyncCase{"JustAboveTheSmallest", 120, 1, 2, 3, {1, 2, 7.5, 2, 102, 35, 3, 3.0}},
        SyncCase{"TheSmallest", kSmallestExtent, 1, 2, 3, {1, 2, 7.5, 2, 100, 35, 3, 3.0}},
        SyncCase{"TheLargest", kLargestExtent, 1, 2, 3, {1, 2, 7.5, 2, kWorldRange, 35, 3, 3.0}},
        SyncCase{"ZeroExtent", 0, 52.5, 13.4, 30, World},
        SyncCase{"BelowTheSmallest", 110, 52.5, 13.4, 30, World},
        SyncCase{"JustBelowTheSmallest", std::nextafter(kSmallestExtent, 0.0), 1, 2, 3, World},
        SyncCase{"JustAboveTheLargest", std::nextafter(kLargestExtent, 1e20), 1, 2, 3, World},
        SyncCase{"FifteenMillion", 15e6, 52.5, 13.4, 30, World},
        SyncCase{"NaNExtent", kNaN, 52.5, 13.4, 30, World},
        SyncCase{"NaNLatitude", 1000, kNaN, 13.4, 30, World},
        SyncCase{"NaNLongitude", 1000, 52.5, kNaN, 30, World},
        // Only NaN is caught: other values go to Google Earth as they are.
        SyncCase{"BeyondThePole", 1000, 95, 200, 30, {95, 200, 7.5, 2, 850, 35, 30, 3.0}}),
    CaseName{});

TEST_F(CameraTest, ARotationThatIsNotANumberIsPassedOn) {
  Panel().SynchronizeView(1000, 52.5, 13.4, kNaN);
  ASSERT_EQ(Moves().size(), 1u);
  EXPECT_EQ(Moves()[0].range, 850);
  EXPECT_TRUE(std::isnan(Moves()[0].azimuth));
}

// The round trips saved must not change what Google Earth is asked to do:
// the same moves as writing every value into the description and reading
// the whole description back.
fakes::CameraMove LiteralSynchronisation(double extent, double latitude, double longitude,
                                         double rotation, earth::CameraInfoGE& camera) {
  double range = extent * 0.85;
  if (range > kWorldRange || range < 100 || std::isnan(range) || std::isnan(latitude) ||
      std::isnan(longitude)) {
    range = kWorldRange;
    latitude = longitude = rotation = 0;
    camera.SetTilt(0);
  }
  camera.SetRange(range);
  camera.SetAzimuth(rotation);
  camera.SetFocusPointLatitude(latitude);
  camera.SetFocusPointLongitude(longitude);
  const double tilt = camera.Tilt();
  return {camera.FocusPointLatitude(),
          camera.FocusPointLongitude(),
          camera.FocusPointAltitude(),
          camera.FocusPointAltitudeMode(),
          camera.Range(),
          tilt >= 0 && tilt <= 90 ? tilt : 0,
          camera.Azimuth(),
          3.0};
}

TEST_F(CameraTest, FewerRoundTripsSendTheSameMovesAsTheLiteralSequence) {
  const std::vector<std::vector<double>> views = {
      {1000, 52.5, 13.4, 30}, {0, 52.5, 13.4, 30}, {110, 1, 2, 3},           {120, 1, 2, 3},
      {15e6, 52.5, 13.4, 30}, {1000, kNaN, 1, 2},  {5000, -33.9, 18.4, -170}};
  for (const double tilt : {35.0, 95.0, -5.0}) {
    for (const auto& view : views) {
      f.earth.state.camera = Baltic();
      f.earth.state.camera.tilt = tilt;
      auto description = f.earth.Connect()->GetCamera(false);
      const fakes::CameraMove literal =
          LiteralSynchronisation(view[0], view[1], view[2], view[3], *description);
      f.earth.state.cameraMoves.clear();
      Panel().SynchronizeView(view[0], view[1], view[2], view[3]);
      ASSERT_EQ(Moves().size(), 1u);
      EXPECT_EQ(Moves()[0], literal) << "extent " << view[0] << ", tilt " << tilt;
    }
  }
}

TEST_F(CameraTest, ViewBoxReadsNorthSouthWestEastAndKeepsWhatItReadBeforeAFailure) {
  f.earth.state.extents = fakes::FakeExtents{55.1, 53.9, 14.0, 11.0};
  TViewBoxGE box{-1, -1, -1, -1};
  Panel().GetViewBox(box);
  EXPECT_EQ(box.North, 55.1);
  EXPECT_EQ(box.South, 53.9);
  EXPECT_EQ(box.West, 11.0);
  EXPECT_EQ(box.East, 14.0);
  const std::vector<std::string> order = {"ViewExtents", "Extents.North", "Extents.South",
                                          "Extents.West", "Extents.East"};
  EXPECT_EQ(f.log.Calls(), order);

  f.earth.state.failing["Extents.West"] = codes::kFail;
  TViewBoxGE partial{-1, -1, -1, -1};
  EXPECT_NO_THROW(Panel().GetViewBox(partial));
  EXPECT_EQ(partial.North, 55.1);
  EXPECT_EQ(partial.South, 53.9);
  EXPECT_EQ(partial.West, -1);
  EXPECT_EQ(partial.East, -1);

  f.earth.state.hasExtents = false;
  TViewBoxGE none{-1, -1, -1, -1};
  Panel().GetViewBox(none);
  EXPECT_EQ(none.North, -1);
}

}  // namespace
}  // namespace zge::testing
