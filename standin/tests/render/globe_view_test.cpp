// The view's one camera model: what the painter draws where, what
// GetPointOnTerrainFromScreenCoords and ViewExtents answer, must agree.
#include "render/globe_view.h"

#include <cmath>
#include <numbers>
#include <string>

#include "test.h"

using namespace standin;

namespace {

CameraState Camera(double latitude, double longitude, double range, double tilt = 0,
                   double azimuth = 0) {
  CameraState camera;
  camera.latitude = latitude;
  camera.longitude = longitude;
  camera.range = range;
  camera.tilt = tilt;
  camera.azimuth = azimuth;
  return camera;
}

std::string Describe(const CameraState& c) {
  return "camera " + std::to_string(c.latitude) + ", " + std::to_string(c.longitude) + " range " +
         std::to_string(c.range) + " tilt " + std::to_string(c.tilt) + " azimuth " +
         std::to_string(c.azimuth);
}

// Metres along the ground between two places.
double GroundMetres(GeoPoint a, GeoPoint b) {
  const Vec3 u = UnitOf(a);
  const Vec3 v = UnitOf(b);
  const double cross =
      std::hypot(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
  return kEarthRadiusMetres * std::atan2(cross, u.x * v.x + u.y * v.y + u.z * v.z);
}

bool Inside(const LatLonBox& box, GeoPoint point) {
  constexpr double kSlack = 1e-9;
  if (point.latitude > box.north + kSlack || point.latitude < box.south - kSlack) {
    return false;
  }
  if (box.west <= box.east) {
    return point.longitude >= box.west - kSlack && point.longitude <= box.east + kSlack;
  }
  return point.longitude >= box.west - kSlack || point.longitude <= box.east + kSlack;
}

// Straight down, tilted, turned, near the date line, near a pole, close up
// and the whole globe.
const CameraState kCameras[] = {
    Camera(25, 10, 15e6),
    Camera(52.5, 13.4, 2e6, 0, 30),
    Camera(36, -5.6, 200e3, 45, -20),
    Camera(-33, 151, 5e6, 30, -120),
    Camera(10, 179, 8e6, 20, 60),
    Camera(78, 15, 3e6, 60, 170),
    Camera(40.4, -3.7, 1000, 75, 90),
    Camera(0, 0, 300e3, 89, 0),
};

}  // namespace

STANDIN_TEST(WhereThePainterDrawsAPlaceTheScreenPointFindsItAgain) {
  for (const CameraState& camera : kCameras) {
    const GlobeView view(camera, 800, 600);
    for (double x = -1; x <= 1.001; x += 0.25) {
      for (double y = -1; y <= 1.001; y += 0.25) {
        const TerrainHit hit = view.FromScreenCoords(x, y);
        if (hit.projectedOntoGlobe) {
          continue;
        }
        const auto pixel = view.ToPixel(hit.point);
        ASSERT_TRUE(pixel.has_value()) << Describe(camera) << " at " << x << ", " << y;
        EXPECT_NEAR(pixel->x, 400 + x * 400, 1e-3) << Describe(camera) << " at " << x << ", " << y;
        EXPECT_NEAR(pixel->y, 300 - y * 300, 1e-3) << Describe(camera) << " at " << x << ", " << y;
        // And back from the pixel to the ground, within a small part of a pixel.
        const TerrainHit back = view.FromPixel(*pixel);
        EXPECT_FALSE(back.projectedOntoGlobe) << Describe(camera);
        EXPECT_LT(GroundMetres(back.point, hit.point), 1e-3 * std::max(camera.range, 1.0))
            << Describe(camera) << " at " << x << ", " << y;
      }
    }
  }
}

STANDIN_TEST(ExtentsHoldEveryPlaceTheViewShows) {
  for (const CameraState& camera : kCameras) {
    const GlobeView view(camera, 800, 600);
    const LatLonBox box = view.Extents();
    for (int i = 0; i <= 40; ++i) {
      for (int j = 0; j <= 40; ++j) {
        const TerrainHit hit = view.FromScreenCoords(-1 + i / 20.0, -1 + j / 20.0);
        if (hit.projectedOntoGlobe) {
          continue;
        }
        EXPECT_TRUE(Inside(box, hit.point))
            << Describe(camera) << ": " << hit.point.latitude << ", " << hit.point.longitude
            << " outside N " << box.north << " S " << box.south << " E " << box.east << " W "
            << box.west;
      }
    }
  }
}

STANDIN_TEST(StraightDownTheViewIsCentredAndShowsItsFieldOfView) {
  const double halfAngle = std::tan(kVerticalFieldOfViewDegrees / 2 * std::numbers::pi / 180);
  for (const double range : {100.0, 10e3, 100e3}) {
    for (const double azimuth : {0.0, 45.0, 180.0}) {
      const CameraState camera = Camera(47, 8, range, 0, azimuth);
      const GlobeView view(camera, 640, 480);
      const TerrainHit centre = view.FromScreenCoords(0, 0);
      EXPECT_LT(GroundMetres(centre.point, {47, 8}), 1e-6 * range) << Describe(camera);
      const double height =
          GroundMetres(view.FromScreenCoords(0, 1).point, view.FromScreenCoords(0, -1).point);
      EXPECT_NEAR(height, 2 * range * halfAngle, 0.02 * height) << Describe(camera);
      if (azimuth == 0) {
        const LatLonBox box = view.Extents();
        const double boxMetres =
            (box.north - box.south) * std::numbers::pi / 180 * kEarthRadiusMetres;
        EXPECT_NEAR(boxMetres, 2 * range * halfAngle, 0.02 * boxMetres) << Describe(camera);
      }
    }
  }
}

STANDIN_TEST(AzimuthPointsUpAndTiltLooksAhead) {
  const GlobeView north(Camera(0, 0, 1e6), 640, 480);
  EXPECT_GT(north.FromScreenCoords(0, 0.5).point.latitude, 0);
  EXPECT_GT(north.FromScreenCoords(0.5, 0).point.longitude, 0);
  const GlobeView east(Camera(0, 0, 1e6, 0, 90), 640, 480);
  EXPECT_GT(east.FromScreenCoords(0, 0.5).point.longitude, 0);  // looking east: east is up
  EXPECT_LT(east.FromScreenCoords(0.5, 0).point.latitude, 0);   // and south to the right

  // Tilted towards the north: the focus stays in the centre, the top of the
  // view reaches much farther than the bottom.
  const GlobeView tilted(Camera(45, 5, 100e3, 60), 640, 480);
  const TerrainHit centre = tilted.FromScreenCoords(0, 0);
  EXPECT_LT(GroundMetres(centre.point, {45, 5}), 1e-3);
  const double ahead = GroundMetres(tilted.FromScreenCoords(0, 1).point, {45, 5});
  const double behind = GroundMetres(tilted.FromScreenCoords(0, -1).point, {45, 5});
  EXPECT_GT(tilted.FromScreenCoords(0, 1).point.latitude, 45);
  EXPECT_GT(ahead, 3 * behind);
}

STANDIN_TEST(ToPixelHidesPlacesBehindTheGlobeOrTheCamera) {
  const GlobeView whole(Camera(0, 0, 15e6), 640, 480);
  EXPECT_TRUE(whole.ToPixel({0, 60}).has_value());
  EXPECT_FALSE(whole.ToPixel({0, 100}).has_value());  // round the back
  EXPECT_FALSE(whole.ToPixel({0, 180}).has_value());
  // Looking north along the ground from just south of the focus: what lies
  // behind the camera is not drawn anywhere.
  const GlobeView along(Camera(45, 5, 10e3, 85), 640, 480);
  EXPECT_TRUE(along.ToPixel({45.05, 5}).has_value());
  EXPECT_FALSE(along.ToPixel({44.8, 5}).has_value());
}

STANDIN_TEST(ScreenPointsOffTheGlobeGiveTheHorizonPointNearest) {
  // From 20,000 km up the horizon lies acos(R / (R + range)) from the point below.
  const double range = 20e6;
  const double horizonDegrees =
      std::acos(kEarthRadiusMetres / (kEarthRadiusMetres + range)) * 180 / std::numbers::pi;
  const GlobeView view(Camera(0, 0, range), 640, 480);
  const struct {
    double x;
    double y;
    GeoPoint expected;
  } kCases[] = {
      {1, 0, {0, horizonDegrees}},
      {-1, 0, {0, -horizonDegrees}},
      {0, 1, {horizonDegrees, 0}},
      {5, 0, {0, horizonDegrees}},  // clamped to the edge
  };
  for (const auto& c : kCases) {
    const TerrainHit hit = view.FromScreenCoords(c.x, c.y);
    EXPECT_TRUE(hit.projectedOntoGlobe) << c.x << ", " << c.y;
    EXPECT_NEAR(hit.point.latitude, c.expected.latitude, 1e-6) << c.x << ", " << c.y;
    EXPECT_NEAR(hit.point.longitude, c.expected.longitude, 1e-6) << c.x << ", " << c.y;
  }
  // Looking along the ground, the sky at the top of the view: the horizon
  // ahead, about sqrt(2 R h) from the ground under a camera h high.
  const GlobeView along(Camera(45, 5, 10e3, 80), 640, 480);
  const TerrainHit sky = along.FromScreenCoords(0, 1);
  EXPECT_TRUE(sky.projectedOntoGlobe);
  // The camera stands range * sin(tilt) short of the focus.
  const double tilt = 80 * std::numbers::pi / 180;
  const double horizon = std::sqrt(2 * kEarthRadiusMetres * 10e3 * std::cos(tilt));
  EXPECT_NEAR(GroundMetres(sky.point, {45, 5}), horizon - 10e3 * std::sin(tilt), 0.01 * horizon);
}

STANDIN_TEST(ExtentsCrossTheDateLineAndOpenUpAtThePoles) {
  const LatLonBox across = GlobeView(Camera(0, 180, 1000), 640, 480).Extents();
  EXPECT_GT(across.west, 179);
  EXPECT_LT(across.east, -179);
  const LatLonBox all = GlobeView(Camera(30, 0, 15e6), 640, 480).Extents();
  EXPECT_EQ(all.north, 90.0);
  EXPECT_EQ(all.east, 180.0);
  EXPECT_EQ(all.west, -180.0);
  EXPECT_LT(all.south, -40);
  const LatLonBox south = GlobeView(Camera(-89, 0, 500e3, 20, 180), 640, 480).Extents();
  EXPECT_EQ(south.south, -90.0);
  EXPECT_EQ(south.west, -180.0);
}
