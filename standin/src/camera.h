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

}  // namespace standin
