#include "model/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "model/error.h"
#include "model/journal.h"
#include "model/result_codes.h"

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
  if (wrapped > 180.0) {
    wrapped -= 360.0;
  }
  if (wrapped <= -180.0) {
    wrapped += 360.0;
  }
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

namespace {

struct Unit {
  double x;
  double y;
  double z;
};

Unit UnitAt(double latitude, double longitude) {
  const double lat = latitude * std::numbers::pi / 180.0;
  const double lon = longitude * std::numbers::pi / 180.0;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

double AngleBetween(const Unit& a, const Unit& b) {
  const double dot = a.x * b.x + a.y * b.y + a.z * b.z;
  const Unit cross{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  return std::atan2(std::sqrt(cross.x * cross.x + cross.y * cross.y + cross.z * cross.z), dot);
}

double Lerp(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace

double FlightSeconds(const CameraState& from, const CameraState& to, double speed) {
  constexpr double kEarthRadiusMetres = 6'371'000.0;
  const double ground =
      AngleBetween(UnitAt(from.latitude, from.longitude), UnitAt(to.latitude, to.longitude)) *
      kEarthRadiusMetres;
  const double distance = ground + std::abs(to.range - from.range);
  const double seconds = (1.0 + 0.5 * std::log10(1.0 + distance / 1000.0)) * 2.0 / speed;
  return std::min(seconds, 8.0);
}

CameraFlight::CameraFlight(const CameraState& from, const CameraState& to, double seconds,
                           bool underWay)
    : from_(from), to_(to), seconds_(std::max(seconds, 0.0)), underWay_(underWay) {}

CameraState CameraFlight::At(double elapsed) const {
  if (!(elapsed < seconds_)) {
    return to_;
  }
  const double linear = std::clamp(elapsed / seconds_, 0.0, 1.0);
  // Smoothstep, or its second half stretched (ease out only) when under way.
  const double t =
      underWay_ ? 1.0 - (1.0 - linear) * (1.0 - linear) : linear * linear * (3.0 - 2.0 * linear);
  CameraState camera = to_;
  // The focus along the great circle (spherical interpolation).
  const Unit a = UnitAt(from_.latitude, from_.longitude);
  const Unit b = UnitAt(to_.latitude, to_.longitude);
  const double angle = AngleBetween(a, b);
  if (angle > 1e-12) {
    const double wa = std::sin((1 - t) * angle) / std::sin(angle);
    const double wb = std::sin(t * angle) / std::sin(angle);
    const Unit p{wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
    camera.latitude = std::atan2(p.z, std::hypot(p.x, p.y)) * 180.0 / std::numbers::pi;
    camera.longitude = std::atan2(p.y, p.x) * 180.0 / std::numbers::pi;
  }
  camera.range = from_.range >= 1.0 && to_.range >= 1.0
                     ? std::exp(Lerp(std::log(from_.range), std::log(to_.range), t))
                     : Lerp(from_.range, to_.range, t);
  camera.altitude = Lerp(from_.altitude, to_.altitude, t);
  camera.tilt = Lerp(from_.tilt, to_.tilt, t);
  const double turn = WrapDegrees(to_.azimuth - from_.azimuth);
  camera.azimuth = WrapDegrees(from_.azimuth + turn * t);
  return camera;
}

}  // namespace standin
