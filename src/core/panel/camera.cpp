// The camera: its five properties, the one routine that moves the view,
// the synchronisation with the host's chart and the visible area.
#include <cmath>
#include <functional>
#include <memory>

#include "base/error.h"
#include "earth/local_camera_writes.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

// The world view that replaces a chart view Google Earth cannot show.
constexpr double kWorldRange = 12739868.92;
constexpr double kSmallestRange = 100;
constexpr double kExtentToRange = 0.85;
constexpr double kCameraSpeed = 3.0;

// Google Earth shows tilts from straight down (0) to the horizon (90); any
// other tilt, NaN included, is sent as straight down rather than clamped.
double TiltToSend(double tilt) { return tilt >= 0 && tilt <= 90 ? tilt : 0; }

bool IsUsableView(double range, double latitude, double longitude) {
  return range >= kSmallestRange && range <= kWorldRange && !std::isnan(latitude) &&
         !std::isnan(longitude);
}

}  // namespace

bool TGEPanel::ReadyToRead() const noexcept { return FInitialized && FApplication != nullptr; }

bool TGEPanel::ReadyToMove() const noexcept { return ReadyToRead() && FEmbedded; }

template <typename Value>
Value TGEPanel::ReadCamera(Value (earth::CameraInfoGE::*property)()) {
  if (!ReadyToRead()) {
    return Value{};
  }
  const std::unique_ptr<earth::CameraInfoGE> camera = GetApplicationGE().GetCamera(false);
  if (camera == nullptr) {
    return Value{};
  }
  return ((*camera).*property)();
}

double TGEPanel::GetLatitude() { return ReadCamera(&earth::CameraInfoGE::FocusPointLatitude); }
double TGEPanel::GetLongitude() { return ReadCamera(&earth::CameraInfoGE::FocusPointLongitude); }
double TGEPanel::GetRange() { return ReadCamera(&earth::CameraInfoGE::Range); }
double TGEPanel::GetTilt() { return ReadCamera(&earth::CameraInfoGE::Tilt); }
double TGEPanel::GetAzimuth() { return ReadCamera(&earth::CameraInfoGE::Azimuth); }

void TGEPanel::EditCamera(const std::function<void(earth::CameraInfoGE&)>& edit) {
  if (!ReadyToMove()) {
    return;
  }
  // A move that Google Earth refuses leaves the view where it was; the
  // host's chart goes on regardless.
  try {
    const std::unique_ptr<earth::CameraInfoGE> description = GetApplicationGE().GetCamera(false);
    if (description == nullptr) {
      return;
    }
    earth::LocalCameraWrites camera(*description);
    edit(camera);
    SetCameraGE(&camera);
  } catch (const Error&) {
  }
}

void TGEPanel::WriteCamera(void (earth::CameraInfoGE::*property)(double), double value) {
  EditCamera([&](earth::CameraInfoGE& camera) { (camera.*property)(value); });
}

void TGEPanel::SetLatitude(double value) {
  WriteCamera(&earth::CameraInfoGE::SetFocusPointLatitude, value);
}
void TGEPanel::SetLongitude(double value) {
  WriteCamera(&earth::CameraInfoGE::SetFocusPointLongitude, value);
}
void TGEPanel::SetRange(double value) { WriteCamera(&earth::CameraInfoGE::SetRange, value); }
void TGEPanel::SetTilt(double value) { WriteCamera(&earth::CameraInfoGE::SetTilt, value); }
void TGEPanel::SetAzimuth(double value) { WriteCamera(&earth::CameraInfoGE::SetAzimuth, value); }

void TGEPanel::SetCameraGE(earth::CameraInfoGE* camera) {
  if (camera == nullptr) {
    return;
  }
  try {
    const double tilt = TiltToSend(camera->Tilt());
    const double latitude = camera->FocusPointLatitude();
    const double longitude = camera->FocusPointLongitude();
    const double altitude = camera->FocusPointAltitude();
    const double range = camera->Range();
    const double azimuth = camera->Azimuth();
    const auto altitudeMode = static_cast<earth::AltitudeMode>(camera->FocusPointAltitudeMode());
    GetApplicationGE().SetCameraParams(latitude, longitude, altitude, altitudeMode, range, tilt,
                                       azimuth, kCameraSpeed);
  } catch (const Error&) {
  }
}

void TGEPanel::SynchronizeView(double extent, double latitude, double longitude, double rotation) {
  EditCamera([&](earth::CameraInfoGE& camera) {
    double range = extent * kExtentToRange;
    if (!IsUsableView(range, latitude, longitude)) {
      range = kWorldRange;
      latitude = 0;
      longitude = 0;
      rotation = 0;
      camera.SetTilt(0);
    }
    camera.SetRange(range);
    camera.SetAzimuth(rotation);
    camera.SetFocusPointLatitude(latitude);
    camera.SetFocusPointLongitude(longitude);
  });
}

void TGEPanel::GetViewBox(TViewBoxGE& box) {
  if (!ReadyToMove()) {
    return;
  }
  // Each bound is stored as soon as it is read: a failure midway keeps
  // what was read before it.
  try {
    const std::unique_ptr<earth::ViewExtentsGE> extents = GetApplicationGE().ViewExtents();
    if (extents == nullptr) {
      return;
    }
    box.North = extents->North();
    box.South = extents->South();
    box.West = extents->West();
    box.East = extents->East();
  } catch (const Error&) {
  }
}

}  // namespace zge
