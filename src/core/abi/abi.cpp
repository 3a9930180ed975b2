#include "abi/abi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "base/error.h"
#include "base/last_error.h"
#include "base/string_list.h"
#include "kml/overlay_documents.h"

namespace zge::abi {
namespace {

constexpr std::int32_t kInvalidPointer = static_cast<std::int32_t>(0x80004003);  // E_POINTER

ListHandle ToHandle(const StringList& list) noexcept { return &list; }

// The list behind a handle the host kept, or null when it is not a list of
// the living panel: the panel may have gone (CloseGE, or the host destroyed
// its window) and taken its lists along. A stale handle reads as empty.
const StringList* LiveList(ListHandle list) noexcept {
  const TGEPanel* panel = GlobalPanel();
  if (list == nullptr || panel == nullptr) {
    return nullptr;
  }
  if (list == ToHandle(panel->GetFeatureList()) || list == ToHandle(panel->Layers())) {
    return static_cast<const StringList*>(list);
  }
  return nullptr;
}

std::int32_t CountOf(const StringList& list) noexcept {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(list.Count(), std::numeric_limits<std::int32_t>::max()));
}

// Copies as much of `text` as fits, always terminated; returns its full
// length.
std::int32_t CopyText(std::string_view text, char* buffer, std::int32_t bufferSize) noexcept {
  if (buffer != nullptr && bufferSize > 0) {
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<std::int32_t>(
      std::min<std::size_t>(text.size(), std::numeric_limits<std::int32_t>::max()));
}

// A version number only with a connection to Google Earth.
template <typename Getter>
std::int32_t ApplicationNumber(Getter getter) noexcept {
  return OnPanel(std::int32_t{0},
                 [&](TGEPanel& panel) { return panel.HasApplication() ? getter(panel) : 0; });
}

}  // namespace

bool Given(const void* pointer, const char* function, const char* argument) noexcept {
  if (pointer != nullptr) {
    return true;
  }
  if (GlobalPanel() == nullptr) {
    return false;
  }
  Guarded([&] {
    RecordLastError(kInvalidPointer, std::string(function) + ": " + argument + " must not be NULL");
  });
  return false;
}

std::string_view Text(const char* text) noexcept {
  return text == nullptr ? std::string_view() : std::string_view(text);
}

std::u16string WideText(const char16_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(text);
}

void RequireRoutePoints(std::int32_t count, bool hasPoints) {
  if (count < 0 || (count > 0 && !hasPoints)) {
    throw Error(codes::kInvalidArgument, "LoadRoute: the list holds " + std::to_string(count) +
                                             " points but no valid point array");
  }
}

Bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded) noexcept {
  return Guarded(Bool{0},
                 [&] { return ToBool(entry::LoadGE(platform, parent, std::move(onLoaded))); });
}

void SetOnLoadedGE(LoadedEvent onLoaded) noexcept {
  Guarded([&] { entry::SetOnLoadedGE(std::move(onLoaded)); });
}

void SetShutDownGE(Bool shutDown) noexcept {
  Guarded([&] { entry::SetShutDownGE(shutDown != 0); });
}

void CloseGE() noexcept {
  Guarded([] { entry::CloseGE(); });
}

Bool OnMouseWheelW(std::int32_t wheelDelta) noexcept {
  return OnPanel(Bool{0}, [&](TGEPanel& panel) { return ToBool(panel.OnMouseWheel(wheelDelta)); });
}

void SynchronizeView(double extent, double latitude, double longitude, double rotation) noexcept {
  OnPanel([&](TGEPanel& panel) { panel.SynchronizeView(extent, latitude, longitude, rotation); });
}

void LoadWaypoint(const char* name, const char* description, const char* icon, double latitude,
                  double longitude) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadWaypoint(Text(name), Text(description), Text(icon), latitude, longitude);
  });
}

void LoadLiveGPS(const char* name, const char* description, const char* icon, double latitude,
                 double longitude, std::int32_t heading) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadLiveGPS(Text(name), Text(description), Text(icon), latitude, longitude, heading);
  });
}

void HideWaypoint(const char16_t* documentName, const char16_t* placemarkName) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.HideWaypoint(WideText(documentName), WideText(placemarkName));
  });
}

void LoadTrackLeg(const char16_t* name, const char16_t* icon, double fromLatitude,
                  double fromLongitude, double toLatitude, double toLongitude, std::uint32_t color,
                  std::int32_t index, std::int32_t heading, Bool visible) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadTrackLeg(WideText(name), WideText(icon),
                       kml::TrackLeg{fromLatitude, fromLongitude, toLatitude, toLongitude, color,
                                     index, heading, visible != 0});
  });
}

std::int32_t FeatureCount() noexcept {
  return OnPanel(std::int32_t{0}, [](TGEPanel& panel) { return CountOf(panel.GetFeatureList()); });
}

ListHandle FeatureList() noexcept {
  return OnPanel(ListHandle{nullptr},
                 [](TGEPanel& panel) { return ToHandle(panel.GetFeatureList()); });
}

// A NULL directory reads as empty text: remembered, and nothing is saved.
Bool SaveFeature(const char* directory, std::int32_t index) noexcept {
  return OnPanel(Bool{0}, [&](TGEPanel& panel) {
    return ToBool(panel.SaveFeature(std::string(Text(directory)), index));
  });
}

// The dialog runs its modal loop on this thread; failures of the dialog
// itself are stored inside it and recorded here once it has closed.
void SaveFeaturesKML() noexcept {
  OnPanel([](TGEPanel& panel) { panel.SaveFeaturesKML(); });
}

// The host's text is copied: Google Earth gets the package's own string.
void LoadKMLData(const char16_t* kmlData) noexcept {
  if (!Given(kmlData, "LoadKMLData", "kmlData")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.OpenKMLData(WideText(kmlData)); });
}

void OpenKMLFile(const char16_t* fileName) noexcept {
  if (!Given(fileName, "OpenKMLFile", "fileName")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.OpenKMLFile(WideText(fileName)); });
}

void OpenFeaturesKML() noexcept {
  OnPanel([](TGEPanel& panel) { panel.OpenFeaturesKML(); });
}

std::int32_t CameraPoint(double* latitude, double* longitude, double* azimuth) noexcept {
  if (!Given(latitude, "CameraPoint", "latitude") ||
      !Given(longitude, "CameraPoint", "longitude") || !Given(azimuth, "CameraPoint", "azimuth")) {
    return 0;
  }
  return OnPanel(std::int32_t{0}, [&](TGEPanel& panel) {
    // Read all three before writing any: a failing read leaves the outputs
    // as they were.
    const double cameraLatitude = panel.GetLatitude();
    const double cameraLongitude = panel.GetLongitude();
    const double cameraAzimuth = panel.GetAzimuth();
    *latitude = cameraLatitude;
    *longitude = cameraLongitude;
    *azimuth = cameraAzimuth;
    return std::int32_t{0};
  });
}

std::int32_t ViewBox(double* north, double* south, double* west, double* east) noexcept {
  if (!Given(north, "ViewBox", "north") || !Given(south, "ViewBox", "south") ||
      !Given(west, "ViewBox", "west") || !Given(east, "ViewBox", "east")) {
    return 0;
  }
  return OnPanel(std::int32_t{0}, [&](TGEPanel& panel) {
    // Bounds Google Earth did not report keep the host's values.
    TViewBoxGE box{*north, *south, *west, *east};
    panel.GetViewBox(box);
    *north = box.North;
    *south = box.South;
    *west = box.West;
    *east = box.East;
    return std::int32_t{0};
  });
}

void GEPanelXYtoLatLon(std::int32_t x, std::int32_t y, double* latitude,
                       double* longitude) noexcept {
  if (!Given(latitude, "GEPanelXYtoLatLon", "latitude") ||
      !Given(longitude, "GEPanelXYtoLatLon", "longitude")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    const TMousePosGE position = panel.MousePos(x, y);
    if (position.Missed == 0) {
      *latitude = position.Latitude;
      *longitude = position.Longitude;
    }
  });
}

void* CanvasGE(const std::function<void*(WindowHandle)>& dcOf) noexcept {
  return OnPanel(static_cast<void*>(nullptr),
                 [&](TGEPanel& panel) { return dcOf(panel.Handle()); });
}

void SaveImageGE(const char16_t* fileName) noexcept {
  if (!Given(fileName, "SaveImageGE", "fileName")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.ScreenShot(WideText(fileName)); });
}

void HideAllLoadedKML() noexcept {
  OnPanel([](TGEPanel& panel) { panel.HideAll(); });
}

void ShowAllLoadedKML() noexcept {
  OnPanel([](TGEPanel& panel) { panel.ShowAll(); });
}

void SetFeatureVisibility(const char16_t* featureName, Bool visible) noexcept {
  if (!Given(featureName, "SetFeatureVisibility", "featureName")) {
    return;
  }
  OnPanel(
      [&](TGEPanel& panel) { panel.SetFeatureVisibility(WideText(featureName), visible != 0); });
}

void SetRotation(double rotation) noexcept {
  OnPanel([&](TGEPanel& panel) {
    // North up (a rotation of about 0) is never sent: the camera keeps the
    // azimuth it has. Written so that NaN is passed on.
    if (!(std::abs(rotation) <= kSmallestRotation)) {
      panel.SetAzimuth(rotation);
    }
  });
}

std::int32_t ZgeGetLastError(std::int32_t* code, char* buffer, std::int32_t bufferSize) noexcept {
  const LastError& error = CurrentLastError();
  if (code != nullptr) {
    *code = error.code;
  }
  return CopyText(error.text, buffer, bufferSize);
}

void ZgeClearLastError() noexcept { ClearLastError(); }

Bool ZgeIsViewReady() noexcept {
  return OnPanel(Bool{0}, [](TGEPanel& panel) { return ToBool(panel.Initialized()); });
}

void ZgeRestoreGoogleEarth() noexcept {
  OnPanel([](TGEPanel& panel) { panel.RestoreGoogleEarth(); });
}

std::int32_t ZgeGetMajor() noexcept {
  return ApplicationNumber([](TGEPanel& panel) { return panel.GetMajor(); });
}

std::int32_t ZgeGetMinor() noexcept {
  return ApplicationNumber([](TGEPanel& panel) { return panel.GetMinor(); });
}

std::int32_t ZgeGetBuild() noexcept {
  return ApplicationNumber([](TGEPanel& panel) { return panel.GetBuild(); });
}

std::int32_t ZgeGetApplicationType() noexcept {
  return ApplicationNumber([](TGEPanel& panel) { return panel.GetApplicationType(); });
}

void* ZgeGetApplicationGE() noexcept {
  return OnPanel(static_cast<void*>(nullptr), [](TGEPanel& panel) -> void* {
    if (!panel.HasApplication()) {
      return nullptr;
    }
    return panel.GetApplicationGE().DetachedDispatch();
  });
}

void ZgeSetLayer(const char* name, std::int32_t visibility) noexcept {
  if (!Given(name, "ZgeSetLayer", "name")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.SetLayer(name, visibility); });
}

void ZgeReadRegistry() noexcept {
  OnPanel([](TGEPanel& panel) { panel.Readregistry(); });
}

ListHandle ZgeLayerList() noexcept {
  return OnPanel(ListHandle{nullptr}, [](TGEPanel& panel) { return ToHandle(panel.Layers()); });
}

void ZgeSetOnInit(std::function<void()> onInit) noexcept {
  OnPanel([&](TGEPanel& panel) { panel.SetOnInit(std::move(onInit)); });
}

void ZgeGoGoogle(platform::Desktop& desktop) noexcept {
  OnPanel([&](TGEPanel&) { desktop.OpenWebPage(kProductPage); });
}

Bool ZgeSaveKMLToFile(const char* fileName) noexcept {
  if (!Given(fileName, "ZgeSaveKMLToFile", "fileName")) {
    return 0;
  }
  return OnPanel(Bool{0}, [&](TGEPanel& panel) { return ToBool(panel.SaveKMLToFile(fileName)); });
}

std::int32_t ZgeStringListCount(ListHandle list) noexcept {
  const StringList* live = LiveList(list);
  return live == nullptr ? 0 : CountOf(*live);
}

std::int32_t ZgeStringListItem(ListHandle list, std::int32_t index, char* buffer,
                               std::int32_t bufferSize) noexcept {
  const StringList* live = LiveList(list);
  if (live == nullptr || index < 0 || index >= CountOf(*live)) {
    return -1;
  }
  return CopyText((*live)[static_cast<std::size_t>(index)].text, buffer, bufferSize);
}

std::int32_t ZgeStringListNumber(ListHandle list, std::int32_t index) noexcept {
  const StringList* live = LiveList(list);
  if (live == nullptr || index < 0 || index >= CountOf(*live)) {
    return 0;
  }
  return (*live)[static_cast<std::size_t>(index)].number;
}

}  // namespace zge::abi
