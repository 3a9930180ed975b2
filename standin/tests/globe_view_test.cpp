#include "globe_view.h"

#include <cmath>

#include "test.h"

using namespace standin;

namespace {

CameraState Camera(double latitude, double longitude, double range, double azimuth = 0) {
  CameraState camera;
  camera.latitude = latitude;
  camera.longitude = longitude;
  camera.range = range;
  camera.azimuth = azimuth;
  return camera;
}

bool Near(double a, double b, double tolerance = 1e-6) { return std::abs(a - b) <= tolerance; }

}  // namespace

STANDIN_TEST(TheFocusPointIsTheCentreOfTheView) {
  const GlobeView view(Camera(52.5, 13.4, 1000), 640, 480);
  const auto pixel = view.ToPixel({52.5, 13.4});
  EXPECT_TRUE(pixel && Near(pixel->x, 320) && Near(pixel->y, 240));
  const TerrainHit centre = view.FromScreenCoords(0, 0);
  EXPECT_TRUE(Near(centre.point.latitude, 52.5) && Near(centre.point.longitude, 13.4));
  EXPECT_TRUE(!centre.projectedOntoGlobe);
}

STANDIN_TEST(PixelsAndPlacesRoundTrip) {
  const struct {
    CameraState camera;
    GeoPoint point;
  } kCases[] = {
      {Camera(0, 0, 15e6), {30, 40}},
      {Camera(52.5, 13.4, 2e6, 30), {50, 5}},
      {Camera(-33, 151, 5e6, -120), {-40, 170}},
      {Camera(10, 179, 8e6), {12, -175}},
  };
  for (const auto& c : kCases) {
    const GlobeView view(c.camera, 800, 600);
    const auto pixel = view.ToPixel(c.point);
    EXPECT_TRUE(pixel.has_value());
    if (!pixel) continue;
    const TerrainHit hit = view.FromPixel(*pixel);
    EXPECT_TRUE(Near(hit.point.latitude, c.point.latitude, 1e-6));
    EXPECT_TRUE(Near(hit.point.longitude, c.point.longitude, 1e-6));
  }
}

STANDIN_TEST(NorthIsUpAndAzimuthTurnsTheView) {
  const GlobeView north(Camera(0, 0, 1e6), 640, 480);
  EXPECT_TRUE(north.FromScreenCoords(0, 0.5).point.latitude > 0);
  EXPECT_TRUE(north.FromScreenCoords(0.5, 0).point.longitude > 0);
  const GlobeView east(Camera(0, 0, 1e6, 90), 640, 480);
  EXPECT_TRUE(east.FromScreenCoords(0, 0.5).point.longitude > 0);  // looking east: east is up
}

STANDIN_TEST(ScreenPointsOffTheGlobeAreProjectedOntoItsHorizon) {
  const GlobeView view(Camera(0, 0, 20e6), 640, 480);
  const TerrainHit hit = view.FromScreenCoords(1, 0);
  EXPECT_TRUE(hit.projectedOntoGlobe);
  EXPECT_TRUE(Near(hit.point.longitude, 90, 1e-6));
  EXPECT_TRUE(view.FromScreenCoords(5, 0).point.longitude == hit.point.longitude);  // clamped
}

STANDIN_TEST(ExtentsSurroundTheFocusAndOpenUpAtThePoles) {
  const GlobeView close(Camera(52.5, 13.4, 1000), 640, 480);
  const LatLonBox box = close.Extents();
  EXPECT_TRUE(box.north > 52.5 && box.south < 52.5 && box.east > 13.4 && box.west < 13.4);
  EXPECT_TRUE(box.north - box.south < 0.1);
  const GlobeView dateLine(Camera(0, 180, 1000), 640, 480);
  const LatLonBox across = dateLine.Extents();
  EXPECT_TRUE(across.west > 179 && across.east < -179);
  const GlobeView whole(Camera(30, 0, 15e6), 640, 480);
  const LatLonBox all = whole.Extents();
  EXPECT_EQ(all.north, 90.0);
  EXPECT_EQ(all.east, 180.0);
  EXPECT_EQ(all.west, -180.0);
  EXPECT_TRUE(all.south < -50);
}
