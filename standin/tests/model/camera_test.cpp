#include "model/camera.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "model/earth_state.h"

#include "model/error.h"
#include "model/result_codes.h"
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

namespace {

double GroundDegrees(const CameraState& a, const CameraState& b) {
  const double dLat = a.latitude - b.latitude;
  const double dLon = (a.longitude - b.longitude) * std::cos(a.latitude * 3.14159265 / 180.0);
  return std::hypot(dLat, dLon);
}

}  // namespace

// Valletta's harbour to Syracuse (about 150 km) at speed 3, closing in and
// turning round: each value moves only towards its end and stops there.
STANDIN_TEST(FlightsArriveInTheirTimeAndNeverOvershoot) {
  CameraState from;
  from.latitude = 35.9;
  from.longitude = 14.5;
  from.range = 5e3;
  from.tilt = 10;
  from.azimuth = 170;
  CameraState to = from;
  to.latitude = 37.07;
  to.longitude = 15.29;
  to.range = 76e3;
  to.tilt = 60;
  to.azimuth = -150;
  const double seconds = FlightSeconds(from, to, 3.0);
  const double distance =
      6'371'000.0 * 2 *
      std::asin(std::sqrt(
          std::pow(std::sin((to.latitude - from.latitude) * 3.14159265358979 / 360), 2) +
          std::cos(from.latitude * 3.14159265358979 / 180) *
              std::cos(to.latitude * 3.14159265358979 / 180) *
              std::pow(std::sin((to.longitude - from.longitude) * 3.14159265358979 / 360), 2)));
  EXPECT_NEAR(seconds, (1 + 0.5 * std::log10(1 + (distance + 71e3) / 1000)) * 2 / 3, 1e-3);
  EXPECT_NEAR(FlightSeconds(from, from, 3.0), 2.0 / 3.0, 1e-9);
  EXPECT_EQ(FlightSeconds(from, to, 0.01), 8.0);

  // Eased in and out, and taking over from a flight under way.
  for (const bool underWay : {false, true}) {
    const CameraFlight flight(from, to, seconds, underWay);
    CameraState before = flight.At(0);
    EXPECT_NEAR(before.latitude, from.latitude, 1e-9);
    EXPECT_NEAR(before.range, from.range, 1e-6);
    for (int i = 1; i <= 100; ++i) {
      const CameraState now = flight.At(seconds * i / 100.0);
      EXPECT_LE(GroundDegrees(now, to), GroundDegrees(before, to) + 1e-9) << i << " " << underWay;
      EXPECT_TRUE(now.range >= before.range && now.range <= to.range) << i;
      EXPECT_TRUE(now.tilt >= before.tilt && now.tilt <= to.tilt) << i;
      // The heading turns the short way, through south (170 -> 180 -> -150).
      const double turned = std::fmod(now.azimuth - from.azimuth + 360.0, 360.0);
      EXPECT_LE(turned, 40.0 + 1e-9) << i;
      before = now;
    }
    const CameraState end = flight.At(seconds);
    EXPECT_EQ(end.latitude, to.latitude);
    EXPECT_EQ(end.longitude, to.longitude);
    EXPECT_EQ(end.range, to.range);
    EXPECT_EQ(end.azimuth, to.azimuth);
  }

  // GetCamera answers the flight's end at once; the screen arrives in time,
  // and the frame after the end is painted once more.
  EarthState state;
  state.SetCamera(from);
  const auto start = EarthState::Clock::now();
  state.FlyTo(to, seconds, start);
  const auto at = [&](double s) {
    return start + std::chrono::ceil<EarthState::Clock::duration>(std::chrono::duration<double>(s));
  };
  EXPECT_EQ(state.Camera().latitude, to.latitude);
  EXPECT_LT(state.ShownCamera(at(seconds / 2)).latitude, to.latitude - 0.1);
  EXPECT_TRUE(state.TakeFlightFrame(at(seconds / 2)));
  EXPECT_EQ(state.ShownCamera(at(seconds)).latitude, to.latitude);
  EXPECT_TRUE(state.TakeFlightFrame(at(seconds)));
  EXPECT_FALSE(state.TakeFlightFrame(at(seconds + 1)));
  EXPECT_EQ(state.ShownCamera().range, to.range);

  // With flights off (scripted clients) a move arrives at once.
  state.SetFlights(false);
  state.FlyTo(from, seconds, start);
  EXPECT_EQ(state.ShownCamera(at(seconds / 2)).latitude, from.latitude);
  EXPECT_FALSE(state.TakeFlightFrame(at(seconds / 2)));
}
