#include "camera.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "error.h"
#include "journal.h"
#include "result_codes.h"

namespace standin {
namespace {

double CheckFinite(double value, const char* what) {
  if (!std::isfinite(value)) {
    throw Error(codes::kInvalidArg, std::string(what) + " is not a finite number");
  }
  return value;
}

// Into (-180, 180].
double WrapDegrees(double value) {
  double wrapped = std::fmod(value, 360.0);
  if (wrapped > 180.0) wrapped -= 360.0;
  if (wrapped <= -180.0) wrapped += 360.0;
  return wrapped;
}

}  // namespace

CameraState StartCamera() {
  CameraState camera;
  camera.latitude = 25.0;
  camera.longitude = 10.0;
  camera.range = 15'000'000.0;
  return camera;
}

CameraState NormalizeCamera(const CameraState& requested) {
  CameraState camera;
  camera.latitude = std::clamp(CheckFinite(requested.latitude, "latitude"), -90.0, 90.0);
  camera.longitude = WrapDegrees(CheckFinite(requested.longitude, "longitude"));
  camera.altitude = CheckFinite(requested.altitude, "altitude");
  if (requested.altitudeMode != kRelativeToGround && requested.altitudeMode != kAbsoluteAltitude) {
    throw Error(codes::kInvalidArg, "altitude mode " + JournalNumber(requested.altitudeMode) +
                                        " is not 1 (relative to ground) or 2 (absolute)");
  }
  camera.altitudeMode = requested.altitudeMode;
  camera.range = std::max(0.0, CheckFinite(requested.range, "range"));
  camera.tilt = std::clamp(CheckFinite(requested.tilt, "tilt"), 0.0, 90.0);
  camera.azimuth = WrapDegrees(CheckFinite(requested.azimuth, "azimuth"));
  return camera;
}

void CheckSpeed(double speed) {
  if (!(speed > 0.0)) {
    throw Error(codes::kInvalidArg, "speed " + JournalNumber(speed) + " is not above 0");
  }
}

bool IsTeleport(double speed) { return speed >= 5.0; }

}  // namespace standin
