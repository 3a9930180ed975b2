// Google Earth's automation objects as the core uses them. Each interface
// mirrors one of EARTHLib's dual interfaces; the Win32 adapter reaches them
// through IDispatch out of process, the tests through fakes.
//
// Every member may throw zge::Error carrying the server's result code.
// "Nothing found" results are null pointers, as the server returns them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/window_handle.h"

namespace zge::earth {

// Result codes of the automation server.
namespace codes {
inline constexpr std::int32_t kInvalidOrDeletedFeature = static_cast<std::int32_t>(0x80048001);
inline constexpr std::int32_t kApplicationUninitialized = static_cast<std::int32_t>(0x80048002);
inline constexpr std::int32_t kTeleported = 0x00048003;  // success code
inline constexpr std::int32_t kFeatureHasNoView = static_cast<std::int32_t>(0x80048004);
inline constexpr std::int32_t kUsageLimitExceeded = static_cast<std::int32_t>(0x80048005);
}  // namespace codes

enum class AltitudeMode : std::int32_t { kRelativeToGround = 1, kAbsolute = 2 };

class CameraInfoGE {
 public:
  virtual ~CameraInfoGE() = default;
  virtual double FocusPointLatitude() = 0;
  virtual void SetFocusPointLatitude(double value) = 0;
  virtual double FocusPointLongitude() = 0;
  virtual void SetFocusPointLongitude(double value) = 0;
  virtual double FocusPointAltitude() = 0;
  virtual void SetFocusPointAltitude(double value) = 0;
  virtual std::int32_t FocusPointAltitudeMode() = 0;
  virtual void SetFocusPointAltitudeMode(std::int32_t value) = 0;
  virtual double Range() = 0;
  virtual void SetRange(double value) = 0;
  virtual double Tilt() = 0;
  virtual void SetTilt(double value) = 0;
  virtual double Azimuth() = 0;
  virtual void SetAzimuth(double value) = 0;
};

class ViewExtentsGE {
 public:
  virtual ~ViewExtentsGE() = default;
  virtual double North() = 0;
  virtual double South() = 0;
  virtual double East() = 0;
  virtual double West() = 0;
};

class PointOnTerrainGE {
 public:
  virtual ~PointOnTerrainGE() = default;
  virtual double Latitude() = 0;
  virtual double Longitude() = 0;
  virtual double Altitude() = 0;
  virtual bool ProjectedOntoGlobe() = 0;
};

class FeatureCollectionGE;

class FeatureGE {
 public:
  virtual ~FeatureGE() = default;
  virtual std::u16string Name() = 0;
  // Visibility travels as a BOOL: 1 shown, 0 hidden. Other values are
  // passed through as the server gives them.
  virtual std::int32_t Visibility() = 0;
  virtual void SetVisibility(std::int32_t visibility) = 0;
  virtual std::unique_ptr<FeatureCollectionGE> GetChildren() = 0;
};

class FeatureCollectionGE {
 public:
  virtual ~FeatureCollectionGE() = default;
  virtual std::int32_t Count() = 0;
  // Numbered from 1 to Count, as the server numbers them.
  virtual std::unique_ptr<FeatureGE> Item(std::int32_t index) = 0;
};

class ApplicationGE {
 public:
  virtual ~ApplicationGE() = default;

  // Windows and identity.
  virtual WindowHandle GetMainHwnd() = 0;
  virtual WindowHandle GetRenderHwnd() = 0;
  virtual std::int32_t VersionMajor() = 0;
  virtual std::int32_t VersionMinor() = 0;
  virtual std::int32_t VersionBuild() = 0;
  virtual std::int32_t VersionAppType() = 0;
  virtual bool IsInitialized() = 0;

  // Camera and view.
  virtual std::unique_ptr<CameraInfoGE> GetCamera(bool considerTerrain) = 0;
  virtual void SetCameraParams(double latitude, double longitude, double altitude,
                               AltitudeMode altitudeMode, double range, double tilt, double azimuth,
                               double speed) = 0;
  virtual std::unique_ptr<ViewExtentsGE> ViewExtents() = 0;
  virtual std::unique_ptr<PointOnTerrainGE> GetPointOnTerrainFromScreenCoords(double x,
                                                                              double y) = 0;
  virtual void SaveScreenShot(const std::u16string& fileName, std::int32_t quality) = 0;

  // KML and features.
  virtual void OpenKmlFile(const std::u16string& fileName, bool suppressMessages) = 0;
  virtual void LoadKmlData(const std::u16string& kmlData) = 0;
  virtual std::unique_ptr<FeatureGE> GetFeatureByName(const std::u16string& name) = 0;
  virtual std::unique_ptr<FeatureGE> GetTemporaryPlaces() = 0;

  // The IDispatch of the application object itself, for hosts that want to
  // drive members the package does not wrap. Returned with a reference
  // added; null where there is no such object (fakes).
  virtual void* DetachedDispatch() = 0;
};

}  // namespace zge::earth
