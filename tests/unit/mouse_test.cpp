// The mouse wheel over the panel and the ground under a pixel: where the
// cursor counts as inside, how far one wheel message zooms, and which
// screen position Google Earth is asked for.
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "base/error.h"
#include "case_name.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

constexpr double kRange = 12000;

class MouseTest : public PanelTest {
 protected:
  void SetUp() override {
    f.earth.state.camera.range = kRange;
    LoadAndEmbed();
    ASSERT_EQ(f.desktop.Window(Panel().Handle()).rect, (Rect{0, 0, 800, 600}));
    f.panelWindows.state.cursor = Point{400, 300};
  }
  // The range of the one move made, or nullopt when the camera did not move.
  [[nodiscard]] std::optional<double> MovedRange() const {
    const auto& moves = f.earth.state.cameraMoves;
    if (moves.empty()) {
      return std::nullopt;
    }
    EXPECT_EQ(moves.size(), 1u);
    return moves.back().range;
  }
};

struct CursorCase {
  const char* what;
  std::optional<Point> cursor;
  bool inside;
};
ZGE_PRINTS_CASE_BY(CursorCase, what)

class CursorOverPanel : public MouseTest, public ::testing::WithParamInterface<CursorCase> {};

TEST_P(CursorOverPanel, TheFarEdgesCountAsInside) {
  f.panelWindows.state.cursor = GetParam().cursor;
  EXPECT_EQ(Panel().IsMauseIn(), GetParam().inside);
  EXPECT_EQ(Panel().OnMouseWheel(120), GetParam().inside);
  EXPECT_EQ(MovedRange().has_value(), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(Positions, CursorOverPanel,
                         ::testing::Values(CursorCase{"TopLeft", Point{0, 0}, true},
                                           CursorCase{"Centre", Point{400, 300}, true},
                                           CursorCase{"RightEdge", Point{800, 300}, true},
                                           CursorCase{"BottomRight", Point{800, 600}, true},
                                           CursorCase{"PastTheRight", Point{801, 300}, false},
                                           CursorCase{"PastTheBottom", Point{400, 601}, false},
                                           CursorCase{"Left", Point{-1, 300}, false},
                                           CursorCase{"Above", Point{400, -1}, false},
                                           CursorCase{"Unknown", std::nullopt, false}),
                         CaseName{});

struct WheelCase {
  const char* what;
  std::int32_t amount;
  double range;
};
ZGE_PRINTS_CASE_BY(WheelCase, what)

class WheelZoom : public MouseTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelZoom, ZoomsOneStepByTheDirectionOnly) {
  EXPECT_TRUE(Panel().OnMouseWheel(GetParam().amount));
  EXPECT_DOUBLE_EQ(MovedRange().value(), GetParam().range);
}

INSTANTIATE_TEST_SUITE_P(Amounts, WheelZoom,
                         ::testing::Values(WheelCase{"NotchForward", 120, kRange / 1.2},
                                           WheelCase{"NotchBackward", -120, kRange * 1.2},
                                           WheelCase{"HalfANotch", 60, kRange / 1.2},
                                           WheelCase{"LessThanHalf", 59, kRange * 1.2},
                                           WheelCase{"ASmallStep", 30, kRange * 1.2},
                                           WheelCase{"Zero", 0, kRange * 1.2},
                                           WheelCase{"FiveNotches", 600, kRange / 1.2},
                                           WheelCase{"Largest", 0x7FFFFFFF, kRange / 1.2},
                                           WheelCase{"Smallest", -0x7FFFFFFF - 1, kRange * 1.2}),
                         CaseName{});

struct MessageCase {
  const char* what;
  std::uintptr_t wParam;
  double range;
};
ZGE_PRINTS_CASE_BY(MessageCase, what)

class WheelMessage : public MouseTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(WheelMessage, TakesTheAmountFromTheHighWordOfTheLow32Bits) {
  // The other fields of the message are not looked at.
  const TWheelMessage message{0x020A, GetParam().wParam, -1, 77};
  EXPECT_TRUE(Panel().OnMouseWheel(message));
  EXPECT_DOUBLE_EQ(MovedRange().value(), GetParam().range);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, WheelMessage,
    ::testing::Values(MessageCase{"Forward", 0x00780000, kRange / 1.2},
                      MessageCase{"BackwardIsSigned", 0xFF880000, kRange * 1.2},
                      MessageCase{"KeyFlagsIgnored", 0x0078000C, kRange / 1.2},
                      MessageCase{"UpperHalfOf64BitsIgnored",
                                  static_cast<std::uintptr_t>(0xFFFFFFFF00780000ULL & UINTPTR_MAX),
                                  kRange / 1.2}),
    CaseName{});

using MouseBeforeEmbeddingTest = PanelTest;

TEST_F(MouseBeforeEmbeddingTest, BeforeEmbeddingTheWheelTellsWhereTheCursorIsButDoesNotZoom) {
  f.earth.state.camera.range = kRange;
  Load();
  f.panelWindows.state.cursor = Point{10, 10};
  EXPECT_TRUE(Panel().OnMouseWheel(120));
  f.panelWindows.state.cursor = Point{-10, 10};
  EXPECT_FALSE(Panel().OnMouseWheel(120));
  EXPECT_TRUE(f.earth.state.cameraMoves.empty());
}

TEST_F(MouseTest, AFailingRangeReadReachesTheCallerAndAFailingMoveDoesNot) {
  f.earth.state.failing["Camera.Range"] = codes::kFail;
  EXPECT_THROW(static_cast<void>(Panel().OnMouseWheel(120)), Error);
  f.earth.state.failing = {{"SetCameraParams", codes::kFail}};
  EXPECT_TRUE(Panel().OnMouseWheel(120));
}

struct PixelCase {
  const char* what;
  std::int32_t x;
  std::int32_t y;
  double screenX;
  double screenY;
};
ZGE_PRINTS_CASE_BY(PixelCase, what)

class PixelMapping : public MouseTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(PixelMapping, AsksForTheScreenPositionOfThePixel) {
  f.earth.state.terrain = fakes::FakeTerrainPoint{36.1, -5.35, 12.5, false};
  const TMousePosGE position = Panel().MousePos(GetParam().x, GetParam().y);
  ASSERT_EQ(f.earth.state.screenQueries.size(), 1u);
  EXPECT_DOUBLE_EQ(f.earth.state.screenQueries[0].first, GetParam().screenX);
  EXPECT_DOUBLE_EQ(f.earth.state.screenQueries[0].second, GetParam().screenY);
  EXPECT_EQ(position.Missed, 0);
  EXPECT_EQ(position.Latitude, 36.1);
  EXPECT_EQ(position.Longitude, -5.35);
  EXPECT_EQ(position.Altitude, 12.5);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, PixelMapping,
    ::testing::Values(PixelCase{"TopLeft", 0, 0, -1, 1}, PixelCase{"Centre", 400, 300, 0, 0},
                      PixelCase{"BottomRight", 800, 600, 1, -1},
                      PixelCase{"LowerLeftQuarter", 200, 450, -0.5, -0.5},
                      PixelCase{"OutsideIsPassedOn", 1200, -300, 2, 2},
                      PixelCase{"No32BitOverflow", 0x7FFFFFFF, 0, 2.0 * 0x7FFFFFFF / 800 - 1, 1}),
    CaseName{});

TEST_F(MouseTest, APointOffTheGlobeIsAMissAndKeepsTheLastGroundPoint) {
  f.earth.state.terrain = fakes::FakeTerrainPoint{36.1, -5.35, 12.5, false};
  ASSERT_EQ(Panel().MousePos(1, 1).Missed, 0);
  f.earth.state.terrain = fakes::FakeTerrainPoint{80, 80, 0, true};
  f.log.Clear();
  EXPECT_EQ(Panel().MousePos(2, 2).Missed, 1);
  EXPECT_FALSE(f.log.Contains("Point.Latitude"));
  f.earth.state.hasTerrainPoint = false;
  EXPECT_EQ(Panel().MousePos(3, 3).Missed, 1);
  // The last point that hit the ground is still the panel's.
  EXPECT_EQ(Panel().MouseLatitude(), 36.1);
}

TEST_F(MouseTest, ReadsLatitudeLongitudeAndAltitudeInThatOrder) {
  static_cast<void>(Panel().MousePos(1, 1));
  const std::vector<std::string> reads = {"GetPointOnTerrainFromScreenCoords",
                                          "Point.ProjectedOntoGlobe", "Point.Latitude",
                                          "Point.Longitude", "Point.Altitude"};
  const auto& calls = f.log.Calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 5, calls.end()), reads);
}

TEST_F(MouseTest, APanelWithoutAreaIsAMissWithoutAskingGoogleEarth) {
  f.panelWindows.Resize(0, 600);
  f.log.Clear();
  EXPECT_EQ(Panel().MousePos(0, 0).Missed, 1);
  EXPECT_TRUE(f.log.Calls().empty());
}

TEST_F(MouseTest, GoogleEarthsFailureReachesTheCaller) {
  f.earth.state.failing["Point.Latitude"] = codes::kFail;
  EXPECT_THROW(static_cast<void>(Panel().MousePos(1, 1)), Error);
}

TEST_F(MouseBeforeEmbeddingTest, WithoutAConnectionEveryPixelIsAMiss) {
  Load();  // no start-up tick yet: no automation object
  EXPECT_EQ(Panel().MousePos(400, 300).Missed, 1);
  EXPECT_FALSE(f.log.Contains("GetPointOnTerrainFromScreenCoords"));
}

}  // namespace
}  // namespace zge::testing
