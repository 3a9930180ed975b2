// The camera, the wheel and the pixel mapping against the stand-in: what
// reaches Google Earth, how many calls it takes, and whether the view box,
// the mapping and the picture agree with each other.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "support/view_test.h"
#include "support/win_error.h"

namespace zge::test {
namespace {

constexpr double kMetresPerDegree = 6371000.0 * std::numbers::pi / 180.0;

using CameraTest = ViewTest;

// A camera move through the application object itself, as a host driving
// Google Earth on its own would make it.
void MoveDirectly(ZelkanGE& api, double latitude, double longitude, double range, double tilt) {
  Microsoft::WRL::ComPtr<IDispatch> application;
  application.Attach(api.ZgeGetApplicationGE());
  ASSERT_NE(application, nullptr);
  LPOLESTR name = const_cast<LPOLESTR>(L"SetCameraParams");
  DISPID id = 0;
  ThrowIfFailed(application->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                "GetIDsOfNames");
  // Arguments go last to first.
  VARIANT args[8];
  const double values[] = {5.0, 0, tilt, range, 0, 0, longitude, latitude};
  for (int i = 0; i < 8; ++i) {
    VariantInit(&args[i]);
    V_VT(&args[i]) = VT_R8;
    V_R8(&args[i]) = values[i];
  }
  V_VT(&args[4]) = VT_I4;
  V_I4(&args[4]) = 1;  // relative to ground
  DISPPARAMS params{args, nullptr, 8, 0};
  ThrowIfFailed(application->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    nullptr, nullptr, nullptr),
                "SetCameraParams");
}

TEST_F(CameraTest, SynchronizeViewSendsOneMoveWithTheCurrentTiltAtSpeedThree) {
  const std::size_t mark = JournalMark();
  Api().SynchronizeView(1000, 52.5, 13.4, 30);
  // The stand-in starts level (tilt 0) over ground (altitude 0, mode 1).
  EXPECT_EQ(JournalSince(mark), (std::vector<std::string>{
                                    "GetCamera(0)", "Camera.Tilt()", "Camera.FocusPointAltitude()",
                                    "Camera.FocusPointAltitudeMode()",
                                    "SetCameraParams(52.5, 13.4, 0, 1, 850, 0, 30, 3)"}));
}

TEST_F(CameraTest, AnUnusableChartViewShowsTheWholeGlobe) {
  for (const double extent : {0.0, 110.0, 15e6, std::nan("")}) {
    Api().SynchronizeView(extent, 52.5, 13.4, 30);
    EXPECT_EQ(LastCameraMove(), "SetCameraParams(0, 0, 0, 1, 12739868.92, 0, 0, 3)")
        << "extent " << extent;
    Api().SynchronizeView(1000, 1, 2, 3);
  }
  Api().SynchronizeView(1000, std::nan(""), 13.4, 30);
  EXPECT_EQ(LastCameraMove(), "SetCameraParams(0, 0, 0, 1, 12739868.92, 0, 0, 3)");
  Api().SynchronizeView(120, 1, 2, 3);
  EXPECT_EQ(LastCameraMove(), "SetCameraParams(1, 2, 0, 1, 102, 0, 3, 3)");
}

TEST_F(CameraTest, SetRotationLeavesNorthUpAloneAndTurnsOtherwise) {
  Api().SynchronizeView(1000, 52.5, 13.4, 30);
  std::size_t mark = JournalMark();
  Api().SetRotation(0);
  Api().SetRotation(0.00005);
  Api().SetRotation(-0.0001);
  EXPECT_TRUE(JournalSince(mark).empty());

  mark = JournalMark();
  Api().SetRotation(-0.5);
  const std::vector<std::string> calls = JournalSince(mark);
  ASSERT_EQ(calls.size(), 8u);  // the description, six reads, the move
  EXPECT_EQ(calls.back(), "SetCameraParams(52.5, 13.4, 0, 1, 850, 0, -0.5, 3)");
}

TEST_F(CameraTest, CameraPointAndViewBoxReadTheView) {
  Api().SynchronizeView(20000, 36.0, -5.6, 40);
  double latitude = -1;
  double longitude = -1;
  double azimuth = -1;
  EXPECT_EQ(Api().CameraPoint(&latitude, &longitude, &azimuth), 0);
  EXPECT_DOUBLE_EQ(latitude, 36.0);
  EXPECT_DOUBLE_EQ(longitude, -5.6);
  EXPECT_DOUBLE_EQ(azimuth, 40);

  double north = 0;
  double south = 0;
  double west = 0;
  double east = 0;
  const std::size_t mark = JournalMark();
  EXPECT_EQ(Api().ViewBox(&north, &south, &west, &east), 0);
  EXPECT_EQ(JournalSince(mark),
            (std::vector<std::string>{"ViewExtents()", "ViewExtents.North()", "ViewExtents.South()",
                                      "ViewExtents.West()", "ViewExtents.East()"}));
  EXPECT_GT(north, 36.0);
  EXPECT_LT(south, 36.0);
  EXPECT_LT(west, -5.6);
  EXPECT_GT(east, -5.6);
}

TEST_F(CameraTest, TheViewBoxIsCentredOnTheChartAndAsHighAsTheFieldOfViewShows) {
  // Level and north up: the box's height is the range seen through the
  // stand-in's vertical field of view of 60 degrees.
  for (const double extent : {10000.0, 200000.0}) {
    Api().SynchronizeView(extent, 43.3, 5.35, 0);
    double north = 0;
    double south = 0;
    double west = 0;
    double east = 0;
    Api().ViewBox(&north, &south, &west, &east);
    const double range = extent * 0.85;
    const double expectedHeight = 2 * range * std::tan(std::numbers::pi / 6) / kMetresPerDegree;
    EXPECT_NEAR((north + south) / 2, 43.3, expectedHeight * 0.02) << "extent " << extent;
    EXPECT_NEAR((west + east) / 2, 5.35, expectedHeight * 0.05) << "extent " << extent;
    EXPECT_NEAR(north - south, expectedHeight, expectedHeight * 0.05) << "extent " << extent;
  }
}

struct WheelCase {
  const char* what;
  int x;
  int y;
  bool inside;
};

void PrintTo(const WheelCase& wheelCase, std::ostream* out) { *out << wheelCase.what; }

class WheelTest : public ViewTest, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelTest, TheRealCursorDecidesAndTheFarEdgeCountsAsInside) {
  Api().SynchronizeView(12000, 43.3, 5.35, 0);  // range 10200
  PlaceCursor(GetParam().x, GetParam().y);
  const std::size_t mark = JournalMark();
  EXPECT_EQ(Api().OnMouseWheelW(120), GetParam().inside ? 1 : 0);
  if (GetParam().inside) {
    EXPECT_EQ(LastCameraMove(), "SetCameraParams(43.3, 5.35, 0, 1, 8500, 0, 0, 3)");
  } else {
    EXPECT_TRUE(JournalSince(mark).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Cursor, WheelTest,
                         ::testing::Values(WheelCase{"Centre", 400, 300, true},
                                           WheelCase{"FarCorner", kPanelWidth, kPanelHeight, true},
                                           WheelCase{"PastTheRightEdge", kPanelWidth + 1, 300,
                                                     false},
                                           WheelCase{"LeftOfThePanel", -5, 300, false}),
                         [](const auto& testParam) { return std::string(testParam.param.what); });

TEST_F(CameraTest, AWheelMessageBackwardsZoomsOutByOneStep) {
  Api().SynchronizeView(12000, 43.3, 5.35, 0);  // range 10200
  PlaceCursor(10, 10);
  ZgeMessage message{WM_MOUSEWHEEL, static_cast<WPARAM>(0xFF880000u), 0x00280020, 0};
  EXPECT_EQ(Api().OnMouseWheelM(&message), 1);
  EXPECT_EQ(LastCameraMove(), "SetCameraParams(43.3, 5.35, 0, 1, 12240, 0, 0, 3)");
  EXPECT_EQ(message.WParam, static_cast<WPARAM>(0xFF880000u));  // read only
}

TEST_F(CameraTest, PixelsReachGoogleEarthAsScreenPositions) {
  const struct {
    int x;
    int y;
    const char* call;
  } pixels[] = {{0, 0, "GetPointOnTerrainFromScreenCoords(-1, 1)"},
                {400, 300, "GetPointOnTerrainFromScreenCoords(0, 0)"},
                {kPanelWidth, kPanelHeight, "GetPointOnTerrainFromScreenCoords(1, -1)"},
                {200, 450, "GetPointOnTerrainFromScreenCoords(-0.5, -0.5)"}};
  for (const auto& pixel : pixels) {
    const std::size_t mark = JournalMark();
    double latitude = 0;
    double longitude = 0;
    Api().GEPanelXYtoLatLon(pixel.x, pixel.y, &latitude, &longitude);
    const std::vector<std::string> calls = JournalSince(mark);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), pixel.call);
  }
}

TEST_F(CameraTest, APixelOffTheGlobeIsAMissThatLeavesTheOutputsAlone) {
  Api().SynchronizeView(1e9, 0, 0, 0);  // the whole globe, space around it
  double latitude = 99;
  double longitude = 99;
  Api().GEPanelXYtoLatLon(0, 0, &latitude, &longitude);
  EXPECT_EQ(latitude, 99);
  EXPECT_EQ(longitude, 99);
  TMousePosGE position{0, 5, 5, 5};
  EXPECT_EQ(Api().ZgeMousePos(0, 0, &position), 0);
  EXPECT_EQ(position.Missed, 1);
  EXPECT_EQ(Api().ZgeMousePos(400, 300, &position), 1);
  EXPECT_EQ(position.Missed, 0);
  EXPECT_NEAR(position.Latitude, 0, 1e-6);
  EXPECT_NEAR(position.Longitude, 0, 1e-6);
}

TEST_F(CameraTest, EveryGroundPointInsideThePanelLiesInTheViewBox) {
  for (const double tilt : {0.0, 50.0}) {
    // No export sets the tilt; SynchronizeView keeps the one Google Earth has.
    MoveDirectly(Api(), 38.0, -9.5, 340000, tilt);
    Api().SynchronizeView(400000, 38.0, -9.5, 25);
    double north = 0;
    double south = 0;
    double west = 0;
    double east = 0;
    Api().ViewBox(&north, &south, &west, &east);
    for (int x = 0; x <= kPanelWidth; x += 100) {
      for (int y = 0; y <= kPanelHeight; y += 100) {
        TMousePosGE position{};
        if (Api().ZgeMousePos(x, y, &position) == 0) {
          continue;
        }
        EXPECT_LE(position.Latitude, north + 1e-9) << x << ", " << y;
        EXPECT_GE(position.Latitude, south - 1e-9) << x << ", " << y;
        EXPECT_LE(position.Longitude, east + 1e-9) << x << ", " << y;
        EXPECT_GE(position.Longitude, west - 1e-9) << x << ", " << y;
      }
    }
  }
}

// Each call into Google Earth is a round trip to its process: the count
// per export is part of the package's cost to a host, reported and held.
TEST_F(CameraTest, CallsIntoGoogleEarthPerExport) {
  PlaceCursor(400, 300);
  const std::filesystem::path picture = TempDir() / L"count.png";
  const std::string placemark = (TempDir() / "count.kml").string();
  double a = 0;
  double b = 0;
  double c = 0;
  double d = 0;
  TMousePosGE position{};
  HBITMAP bitmap = nullptr;
  const struct {
    const char* name;
    std::size_t budget;
    std::function<void()> call;
  } exports[] = {
      {"SynchronizeView", 5, [&] { Api().SynchronizeView(50000, 36, -5.5, 10); }},
      {"SetRotation", 8, [&] { Api().SetRotation(20); }},
      {"OnMouseWheelW", 10, [&] { Api().OnMouseWheelW(120); }},
      {"CameraPoint", 6, [&] { Api().CameraPoint(&a, &b, &c); }},
      {"ViewBox", 5, [&] { Api().ViewBox(&a, &b, &c, &d); }},
      {"GEPanelXYtoLatLon", 5, [&] { Api().GEPanelXYtoLatLon(400, 300, &a, &b); }},
      {"ZgeMousePos", 5, [&] { Api().ZgeMousePos(400, 300, &position); }},
      {"SaveImageGE", 1, [&] { Api().SaveImageGE(picture.c_str()); }},
      {"GetImageGE", 0, [&] { Api().GetImageGE(&bitmap); }},
      {"ZgeGetEarthImage", 1, [&] { Api().ZgeGetEarthImage(&bitmap); }},
      {"ZgeSaveKMLToFile", 7, [&] { Api().ZgeSaveKMLToFile(placemark.c_str()); }},
  };
  std::string report;
  for (const auto& entry : exports) {
    const std::size_t mark = JournalMark();
    entry.call();
    const std::size_t calls = JournalSince(mark).size();
    EXPECT_EQ(ReadLastError(Api()).code, 0) << entry.name;
    EXPECT_LE(calls, entry.budget) << entry.name;
    report += std::string(entry.name) + " " + std::to_string(calls) + "; ";
    RecordProperty(entry.name, static_cast<int>(calls));
  }
  DeleteObject(bitmap);
  std::printf("calls into Google Earth per export: %s\n", report.c_str());
}

// A square icon of one colour as a 32-bit BMP: drawn with its hot spot at
// its centre (KML's default), the centre of its pixels is the placemark.
void WriteSquareIcon(const std::filesystem::path& file, COLORREF colour) {
  constexpr int kSide = 16;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = kSide;
  info.biHeight = kSide;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + kSide * kSide * 4;
  const std::uint32_t pixel =
      0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  const std::vector<std::uint32_t> pixels(std::size_t{kSide} * kSide, pixel);
  std::FILE* out = _wfopen(file.c_str(), L"wb");
  ASSERT_NE(out, nullptr) << file.string();
  std::fwrite(&header, sizeof header, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(pixels.data(), sizeof(std::uint32_t), pixels.size(), out);
  ASSERT_EQ(std::fclose(out), 0);
}

// Where the stand-in draws a waypoint (the centre of its icon) and where
// the package maps that pixel back to must agree: both go through the one
// camera model, and the panel is the whole view.
TEST_F(CameraTest, TheGroundUnderADrawnWaypointIsTheWaypoint) {
  constexpr COLORREF kMarkerFill = RGB(255, 0, 255);
  const std::filesystem::path icon = TempDir() / L"mark.bmp";
  ASSERT_NO_FATAL_FAILURE(WriteSquareIcon(icon, kMarkerFill));
  const struct {
    double latitude;
    double longitude;
    double rotation;
  } waypoints[] = {{36.14, -5.35, 0}, {35.78, -5.81, 0}, {36.14, -5.35, 40}};
  for (const auto& waypoint : waypoints) {
    Api().SynchronizeView(100000, 36.0, -5.5, waypoint.rotation);
    Api().LoadWaypoint("Mark", "", icon.string().c_str(), waypoint.latitude, waypoint.longitude);
    const std::filesystem::path file = TempDir() / L"marks.png";
    Api().SaveImageGE(file.c_str());
    const Picture picture = Picture::OfFile(file);
    ASSERT_EQ(picture.Width(), kPanelWidth);
    double sumX = 0;
    double sumY = 0;
    int count = 0;
    for (int y = 0; y < picture.Height(); ++y) {
      for (int x = 0; x < picture.Width(); ++x) {
        if (picture.At(x, y) != kMarkerFill) {
          continue;
        }
        sumX += x;
        sumY += y;
        ++count;
      }
    }
    ASSERT_GT(count, 10) << "no marker drawn";
    const int x = static_cast<int>(std::lround(sumX / count));
    const int y = static_cast<int>(std::lround(sumY / count));
    double latitude = 0;
    double longitude = 0;
    Api().GEPanelXYtoLatLon(x, y, &latitude, &longitude);
    // Level, range 85 km, 60 degrees of view over 600 pixels.
    const double metresPerPixel = 2 * 85000 * std::tan(std::numbers::pi / 6) / kPanelHeight;
    const double tolerance = 1.5 * metresPerPixel / kMetresPerDegree;
    EXPECT_NEAR(latitude, waypoint.latitude, tolerance) << "pixel " << x << ", " << y;
    EXPECT_NEAR(longitude, waypoint.longitude,
                tolerance / std::cos(waypoint.latitude * std::numbers::pi / 180))
        << "pixel " << x << ", " << y;
    Api().SetFeatureVisibility(L"Mark", 0);
  }
}

}  // namespace
}  // namespace zge::test
