// The camera of the view and the rules for moving it. Portable.
#pragma once

#include <cstdint>

namespace standin {

inline constexpr std::int32_t kRelativeToGround = 1;
inline constexpr std::int32_t kAbsoluteAltitude = 2;

struct CameraState {
  double latitude = 0;   // degrees, -90..90
  double longitude = 0;  // degrees, -180..180
  double altitude = 0;   // metres
  std::int32_t altitudeMode = kRelativeToGround;
  double range = 0;    // metres from the camera to the focus point
  double tilt = 0;     // degrees, 0 straight down .. 90 at the horizon
  double azimuth = 0;  // degrees, 0 north, -180..180
};

// The view Earth opens with: the whole globe, Europe and Africa in front.
[[nodiscard]] CameraState StartCamera();

// Checks a requested camera and brings it into range: latitude and tilt
// clamped, longitude and azimuth wrapped, range at least 0. Throws
// standin::Error (E_INVALIDARG) for a value that is not finite or an
// altitude mode other than 1 and 2.
[[nodiscard]] CameraState NormalizeCamera(const CameraState& requested);

// Throws standin::Error (E_INVALIDARG) when speed is not above 0.
void CheckSpeed(double speed);
// speed >= 5 jumps at once (S_TELEPORTED).
[[nodiscard]] bool IsTeleport(double speed);

// How long a flight at `speed` (0 < speed < 5) takes, in seconds:
// (1 + 0.5 * log10(1 + D / 1 km)) * 2 / speed, at most 8, where D is the
// ground distance between the two focus points plus the change of range,
// in metres. At speed 3: 0.67 s in place, 1.33 s for 100 km, 2 s across
// an ocean.
[[nodiscard]] double FlightSeconds(const CameraState& from, const CameraState& to, double speed);

// A smooth flight between two cameras: the focus along the great circle,
// the range in equal ratios, tilt and heading the shorter way, all eased
// in and out together, so each moves only towards its end and stops there.
// A flight that takes over from one under way (a client following a moving
// boat) starts at speed instead of easing in again.
class CameraFlight {
 public:
  CameraFlight(const CameraState& from, const CameraState& to, double seconds,
               bool underWay = false);
  [[nodiscard]] double Seconds() const { return seconds_; }
  [[nodiscard]] const CameraState& End() const { return to_; }
  // The camera `elapsed` seconds after the start: the end from Seconds() on.
  [[nodiscard]] CameraState At(double elapsed) const;

 private:
  CameraState from_;
  CameraState to_;
  double seconds_;
  bool underWay_;
};

}  // namespace standin
