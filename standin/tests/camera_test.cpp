#include "camera.h"

#include <limits>

#include "error.h"
#include "result_codes.h"
#include "test.h"

using namespace standin;

STANDIN_TEST(CamerasAreClampedAndWrapped) {
  CameraState requested;
  requested.latitude = 95;
  requested.longitude = 190;
  requested.range = -5;
  requested.tilt = 120;
  requested.azimuth = 270;
  const CameraState camera = NormalizeCamera(requested);
  EXPECT_EQ(camera.latitude, 90.0);
  EXPECT_EQ(camera.longitude, -170.0);
  EXPECT_EQ(camera.range, 0.0);
  EXPECT_EQ(camera.tilt, 90.0);
  EXPECT_EQ(camera.azimuth, -90.0);
}

STANDIN_TEST(NonFiniteValuesAndUnknownAltitudeModesAreInvalid) {
  const auto rejects = [](CameraState camera) {
    try {
      (void)NormalizeCamera(camera);
    } catch (const Error& error) {
      return error.Code() == codes::kInvalidArg;
    }
    return false;
  };
  CameraState nan;
  nan.range = std::numeric_limits<double>::quiet_NaN();
  CameraState mode;
  mode.altitudeMode = 3;
  EXPECT_TRUE(rejects(nan));
  EXPECT_TRUE(rejects(mode));
}

STANDIN_TEST(SpeedMustBeAboveZeroAndFiveTeleports) {
  const auto rejects = [](double speed) {
    try {
      CheckSpeed(speed);
    } catch (const Error& error) {
      return error.Code() == codes::kInvalidArg;
    }
    return false;
  };
  EXPECT_TRUE(rejects(0));
  EXPECT_TRUE(rejects(-1));
  EXPECT_TRUE(rejects(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(!rejects(0.1));
  EXPECT_TRUE(!IsTeleport(4.99));
  EXPECT_TRUE(IsTeleport(5.0));
}
