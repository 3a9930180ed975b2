// A camera description whose written values stay on this side.
//
// Google Earth hands out each camera description as a detached copy:
// writing a property into it moves nothing until the whole description is
// sent back with SetCameraParams. Every read and write of it is a round trip
// into Google Earth's process, and reading back a value just written only
// returns that value. LocalCameraWrites keeps what the panel writes and
// reads through to Google Earth only what was not written, so a camera move
// sends Google Earth the same SetCameraParams with fewer round trips.
#pragma once

#include <cstdint>
#include <optional>

#include "earth/earth_api.h"

namespace zge::earth {

class LocalCameraWrites final : public CameraInfoGE {
 public:
  explicit LocalCameraWrites(CameraInfoGE& description) : description_(description) {}

  double FocusPointLatitude() override {
    return Read(latitude_, &CameraInfoGE::FocusPointLatitude);
  }
  void SetFocusPointLatitude(double value) override { latitude_ = value; }
  double FocusPointLongitude() override {
    return Read(longitude_, &CameraInfoGE::FocusPointLongitude);
  }
  void SetFocusPointLongitude(double value) override { longitude_ = value; }
  double FocusPointAltitude() override {
    return Read(altitude_, &CameraInfoGE::FocusPointAltitude);
  }
  void SetFocusPointAltitude(double value) override { altitude_ = value; }
  std::int32_t FocusPointAltitudeMode() override {
    return Read(altitudeMode_, &CameraInfoGE::FocusPointAltitudeMode);
  }
  void SetFocusPointAltitudeMode(std::int32_t value) override { altitudeMode_ = value; }
  double Range() override { return Read(range_, &CameraInfoGE::Range); }
  void SetRange(double value) override { range_ = value; }
  double Tilt() override { return Read(tilt_, &CameraInfoGE::Tilt); }
  void SetTilt(double value) override { tilt_ = value; }
  double Azimuth() override { return Read(azimuth_, &CameraInfoGE::Azimuth); }
  void SetAzimuth(double value) override { azimuth_ = value; }

 private:
  template <typename T>
  T Read(const std::optional<T>& written, T (CameraInfoGE::*read)()) {
    return written ? *written : (description_.*read)();
  }

  CameraInfoGE& description_;
  std::optional<double> latitude_;
  std::optional<double> longitude_;
  std::optional<double> altitude_;
  std::optional<std::int32_t> altitudeMode_;
  std::optional<double> range_;
  std::optional<double> tilt_;
  std::optional<double> azimuth_;
};

}  // namespace zge::earth
