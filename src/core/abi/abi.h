// The rules of the C interface, in portable types: which pointers a call
// needs, what a call without a panel does, when out-parameters are written,
// and the few rules of the exported functions beyond the panel operation
// they forward to. src/dll/exports.cpp only converts the C types to these;
// the export-sequence fuzzer calls these functions as the host's calls.
//
// Every function is a boundary: it never throws, records a failure as the
// thread's last error and returns the neutral result. Text pointers may be
// NULL where the C interface says so (read as empty text); a NULL pointer a
// call needs records E_POINTER with a panel and does nothing at all
// without one. Out-parameters are written only once every value is known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/guard.h"
#include "base/window_handle.h"
#include "entry/lifecycle.h"
#include "panel/ge_panel.h"
#include "platform/desktop.h"
#include "platform/platform.h"

namespace zge::abi {

// The C interface's one-byte Boolean.
using Bool = std::uint8_t;
// A list handed to the host (ZgeStringList): the address of the living
// panel's list, checked on every use.
using ListHandle = const void*;

// The page ZgeGoGoogle opens.
inline constexpr std::string_view kProductPage = "https://www.google.com/earth/";
// SetRotation sends no rotation closer to north up than this, in degrees.
inline constexpr double kSmallestRotation = 0.0001;

// ---- The checks every call makes ----

// False for a NULL pointer the call needs. The error is recorded only with
// a panel: without one every function does nothing and reports nothing.
bool Given(const void* pointer, const char* function, const char* argument) noexcept;

// body(panel) with the global panel, guarded; `neutral` without one.
template <typename Result, typename Body>
Result OnPanel(Result neutral, Body&& body) noexcept {
  return Guarded(neutral, [&]() -> Result { return entry::WithPanel(neutral, body); });
}

template <typename Body>
void OnPanel(Body&& body) noexcept {
  Guarded([&] { entry::WithPanel(body); });
}

inline Bool ToBool(bool value) noexcept { return value ? 1 : 0; }

// The host's texts; NULL reads as empty text.
std::string_view Text(const char* text) noexcept;
std::u16string WideText(const char16_t* text);
// Throws kInvalidArgument unless `count` points can be read.
void RequireRoutePoints(std::int32_t count, bool hasPoints);

// ---- Lifecycle ----

Bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded) noexcept;
void SetOnLoadedGE(LoadedEvent onLoaded) noexcept;
void SetShutDownGE(Bool shutDown) noexcept;
void CloseGE() noexcept;

// ---- Calls on the panel ----

// `Message` has the fields of ZgeMessage; the host's record is only read.
template <typename Message>
Bool OnMouseWheelM(const Message* message) noexcept {
  if (!Given(message, "OnMouseWheelM", "message")) {
    return 0;
  }
  const TWheelMessage copy{
      static_cast<std::uint32_t>(message->Msg), static_cast<std::uintptr_t>(message->WParam),
      static_cast<std::intptr_t>(message->LParam), static_cast<std::intptr_t>(message->Result)};
  return OnPanel(Bool{0}, [&](TGEPanel& panel) { return ToBool(panel.OnMouseWheel(copy)); });
}
Bool OnMouseWheelW(std::int32_t wheelDelta) noexcept;
void SynchronizeView(double extent, double latitude, double longitude, double rotation) noexcept;
void LoadWaypoint(const char* name, const char* description, const char* icon, double latitude,
                  double longitude) noexcept;
void LoadLiveGPS(const char* name, const char* description, const char* icon, double latitude,
                 double longitude, std::int32_t heading) noexcept;
void HideWaypoint(const char16_t* documentName, const char16_t* placemarkName) noexcept;

// `List` has the fields of TListGE (Count, Points), its points those of
// TPointGE; the core reads the host's texts in place.
template <typename List>
void LoadRoute(const List* list, const char16_t* name, const char16_t* description,
               std::uint32_t color) noexcept {
  if (!Given(list, "LoadRoute", "list")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    RequireRoutePoints(list->Count, list->Points != nullptr);
    std::vector<TPointGE> points;
    points.reserve(static_cast<std::size_t>(list->Count));
    for (const auto& point : std::span(list->Points, static_cast<std::size_t>(list->Count))) {
      points.push_back({Text(point.Name), Text(point.Description), Text(point.Icon), point.Latitude,
                        point.Longitude});
    }
    panel.LoadRoute(points, WideText(name), WideText(description), color);
  });
}

void LoadTrackLeg(const char16_t* name, const char16_t* icon, double fromLatitude,
                  double fromLongitude, double toLatitude, double toLongitude, std::uint32_t color,
                  std::int32_t index, std::int32_t heading, Bool visible) noexcept;
std::int32_t FeatureCount() noexcept;
ListHandle FeatureList() noexcept;
Bool SaveFeature(const char* directory, std::int32_t index) noexcept;
void SaveFeaturesKML() noexcept;
void LoadKMLData(const char16_t* kmlData) noexcept;
void OpenKMLFile(const char16_t* fileName) noexcept;
void OpenFeaturesKML() noexcept;
std::int32_t CameraPoint(double* latitude, double* longitude, double* azimuth) noexcept;
std::int32_t ViewBox(double* north, double* south, double* west, double* east) noexcept;
void GEPanelXYtoLatLon(std::int32_t x, std::int32_t y, double* latitude,
                       double* longitude) noexcept;
// The panel window's drawing context, as `dcOf` finds it (throwing on
// failure); null without a panel.
void* CanvasGE(const std::function<void*(WindowHandle)>& dcOf) noexcept;

// The view drawn into a picture made by makePicture() (a platform::Bitmap
// with HandTo(Handle&)), handed to the host only once it is complete.
template <typename Handle, typename MakePicture>
void GetImageGE(Handle* bitmap, MakePicture&& makePicture) noexcept {
  if (!Given(bitmap, "GetImageGE", "bitmap")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    auto picture = makePicture();
    panel.ScreenShot(picture);
    picture.HandTo(*bitmap);
  });
}
void SaveImageGE(const char16_t* fileName) noexcept;
void HideAllLoadedKML() noexcept;
void ShowAllLoadedKML() noexcept;
void SetFeatureVisibility(const char16_t* featureName, Bool visible) noexcept;
void SetRotation(double rotation) noexcept;

// ---- The package's additions ----

std::int32_t ZgeGetLastError(std::int32_t* code, char* buffer, std::int32_t bufferSize) noexcept;
void ZgeClearLastError() noexcept;
Bool ZgeIsViewReady() noexcept;
void ZgeRestoreGoogleEarth() noexcept;
std::int32_t ZgeGetMajor() noexcept;
std::int32_t ZgeGetMinor() noexcept;
std::int32_t ZgeGetBuild() noexcept;
std::int32_t ZgeGetApplicationType() noexcept;
// Google Earth's application object with a reference for the caller.
void* ZgeGetApplicationGE() noexcept;
void ZgeSetLayer(const char* name, std::int32_t visibility) noexcept;
void ZgeReadRegistry() noexcept;
ListHandle ZgeLayerList() noexcept;
void ZgeSetOnInit(std::function<void()> onInit) noexcept;
void ZgeGoGoogle(platform::Desktop& desktop) noexcept;

// `Position` has the fields of TMousePosGE.
template <typename Position>
Bool ZgeMousePos(std::int32_t x, std::int32_t y, Position* position) noexcept {
  if (!Given(position, "ZgeMousePos", "position")) {
    return 0;
  }
  return OnPanel(Bool{0}, [&](TGEPanel& panel) {
    const TMousePosGE found = panel.MousePos(x, y);
    *position = found.Missed != 0 ? Position{1, 0, 0, 0}
                                  : Position{0, found.Longitude, found.Latitude, found.Altitude};
    return ToBool(found.Missed == 0);
  });
}

// Google Earth's own picture, as GetImageGE.
template <typename Handle, typename MakePicture>
Bool ZgeGetEarthImage(Handle* bitmap, MakePicture&& makePicture) noexcept {
  if (!Given(bitmap, "ZgeGetEarthImage", "bitmap")) {
    return 0;
  }
  return OnPanel(Bool{0}, [&](TGEPanel& panel) {
    auto picture = makePicture();
    panel.EarthScreenShot(picture);
    picture.HandTo(*bitmap);
    return Bool{1};
  });
}
Bool ZgeSaveKMLToFile(const char* fileName) noexcept;
std::int32_t ZgeStringListCount(ListHandle list) noexcept;
std::int32_t ZgeStringListItem(ListHandle list, std::int32_t index, char* buffer,
                               std::int32_t bufferSize) noexcept;
std::int32_t ZgeStringListNumber(ListHandle list, std::int32_t index) noexcept;

}  // namespace zge::abi
