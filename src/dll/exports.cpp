// The C interface of include/zelkange.h: thin shims over the core. Each
// checks its pointers, runs the panel operation through the one guard and
// returns the neutral result when there is no panel or the operation fails.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/error.h"
#include "base/guard.h"
#include "base/last_error.h"
#include "base/string_list.h"
#include "entry/lifecycle.h"
#include "kml/overlay_documents.h"
#include "panel/ge_panel.h"
#include "win32/errors.h"
#include "win32/host_bitmap.h"
#include "win32/resources.h"
#include "win32/text.h"
#include "win32/win32_platform.h"
#include "zelkange.h"

#include <shellapi.h>

namespace {

using zge::TGEPanel;

// ZgeVersion packs the project's version into 8, 8 and 16 bits.
static_assert(ZGE_DLL_VERSION_MAJOR < 256 && ZGE_DLL_VERSION_MINOR < 256 &&
              ZGE_DLL_VERSION_PATCH < 65536);

constexpr std::int32_t kInvalidPointer = static_cast<std::int32_t>(0x80004003);  // E_POINTER
constexpr wchar_t kProductPage[] = L"https://www.google.com/earth/";
// SetRotation sends no rotation closer to north up than this, in degrees.
constexpr double kSmallestRotation = 0.0001;

// Made on the first LoadGE, on the host's user-interface thread, and never
// destroyed: like the global panel's owner, it is not torn down at process
// exit, so a panel the host never closed always has its platform.
zge::win32::Win32Platform& ThePlatform() {
  static auto* const platform = new zge::win32::Win32Platform();
  return *platform;
}

ZgeBool ToZgeBool(bool value) noexcept { return value ? 1 : 0; }

// body(panel) with the global panel, guarded; `neutral` without one.
template <typename Result, typename Body>
Result OnPanel(Result neutral, Body&& body) noexcept {
  return zge::Guarded(neutral, [&]() -> Result { return zge::entry::WithPanel(neutral, body); });
}

template <typename Body>
void OnPanel(Body&& body) noexcept {
  zge::Guarded([&] { zge::entry::WithPanel(body); });
}

// False for a NULL pointer the call needs. The error is recorded only with
// a panel: without one every function does nothing and reports nothing.
bool Given(const void* pointer, const char* function, const char* argument) noexcept {
  if (pointer != nullptr) {
    return true;
  }
  if (zge::GlobalPanel() == nullptr) {
    return false;
  }
  zge::Guarded([&] {
    zge::RecordLastError(kInvalidPointer,
                         std::string(function) + ": " + argument + " must not be NULL");
  });
  return false;
}

std::u16string WideText(const wchar_t* text) {
  return text == nullptr ? std::u16string() : zge::win32::ToU16string(text);
}

// A host's single-byte text; NULL reads as empty text.
std::string_view AnsiText(const char* text) noexcept {
  return text == nullptr ? std::string_view() : std::string_view(text);
}

// The host's route as the core reads it; refers to the host's texts.
std::vector<zge::TPointGE> RoutePoints(const TListGE& list) {
  if (list.Count < 0 || (list.Count > 0 && list.Points == nullptr)) {
    throw zge::Error(zge::codes::kInvalidArgument, "LoadRoute: the list holds " +
                                                       std::to_string(list.Count) +
                                                       " points but no valid point array");
  }
  std::vector<zge::TPointGE> points;
  points.reserve(static_cast<std::size_t>(list.Count));
  for (const ::TPointGE& point : std::span(list.Points, static_cast<std::size_t>(list.Count))) {
    points.push_back({AnsiText(point.Name), AnsiText(point.Description), AnsiText(point.Icon),
                      point.Latitude, point.Longitude});
  }
  return points;
}

// The one place where the opaque list type meets the core's list.
const ZgeStringList* ToOpaque(const zge::StringList& list) noexcept {
  return reinterpret_cast<const ZgeStringList*>(&list);
}
// The list behind a handle the host kept, or null when it is not a list of
// the living panel: the panel may have gone (CloseGE, or the host destroyed
// its window) and taken its lists along. A stale handle reads as empty.
const zge::StringList* FromOpaque(const ZgeStringList* list) noexcept {
  const TGEPanel* panel = zge::GlobalPanel();
  if (list == nullptr || panel == nullptr) {
    return nullptr;
  }
  if (list == ToOpaque(panel->GetFeatureList()) || list == ToOpaque(panel->Layers())) {
    return reinterpret_cast<const zge::StringList*>(list);
  }
  return nullptr;
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

std::int32_t CountOf(const zge::StringList& list) noexcept {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(list.Count(), std::numeric_limits<std::int32_t>::max()));
}

zge::LoadedEvent LoadedCallback(ZgeLoadedProc code, void* context) {
  if (code == nullptr) {
    return {};
  }
  return [code, context](bool isLoaded) { code(context, ToZgeBool(isLoaded)); };
}

// The browser starts on this thread: ShellExecuteW returns once the
// start is handed over, and the thread's OLE is already initialised by the
// panel, which the shell needs.
void OpenProductPage() {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL));
  zge::win32::ThrowLastErrorIf(result <= 32, "ShellExecuteW", "https://www.google.com/earth/");
}

}  // namespace

extern "C" {

ZgeBool ZGE_CALL LoadGE(HWND parent, ZgeLoadedProc onLoaded, void* context) noexcept {
  return zge::Guarded(ZgeBool{0}, [&] {
    return ToZgeBool(zge::entry::LoadGE(ThePlatform().Ports(), zge::win32::FromHwnd(parent),
                                        LoadedCallback(onLoaded, context)));
  });
}

void ZGE_CALL SetOnLoadedGE(ZgeLoadedProc onLoaded, void* context) noexcept {
  zge::Guarded([&] { zge::entry::SetOnLoadedGE(LoadedCallback(onLoaded, context)); });
}

void ZGE_CALL SetShutDownGE(ZgeBool shutDown) noexcept {
  zge::Guarded([&] { zge::entry::SetShutDownGE(shutDown != 0); });
}

void ZGE_CALL CloseGE(void) noexcept {
  zge::Guarded([] { zge::entry::CloseGE(); });
}

ZgeBool ZGE_CALL OnMouseWheelM(ZgeMessage* message) noexcept {
  if (!Given(message, "OnMouseWheelM", "message")) {
    return 0;
  }
  // A copy: the host's record is only read.
  const zge::TWheelMessage copy{message->Msg, static_cast<std::uintptr_t>(message->WParam),
                                static_cast<std::intptr_t>(message->LParam),
                                static_cast<std::intptr_t>(message->Result)};
  return OnPanel(ZgeBool{0}, [&](TGEPanel& panel) { return ToZgeBool(panel.OnMouseWheel(copy)); });
}

ZgeBool ZGE_CALL OnMouseWheelW(int32_t wheelDelta) noexcept {
  return OnPanel(ZgeBool{0},
                 [&](TGEPanel& panel) { return ToZgeBool(panel.OnMouseWheel(wheelDelta)); });
}

void ZGE_CALL SynchronizeView(double extent, double latitude, double longitude,
                              double rotation) noexcept {
  OnPanel([&](TGEPanel& panel) { panel.SynchronizeView(extent, latitude, longitude, rotation); });
}

void ZGE_CALL LoadWaypoint(const char* name, const char* description, const char* icon,
                           double latitude, double longitude) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadWaypoint(AnsiText(name), AnsiText(description), AnsiText(icon), latitude, longitude);
  });
}

void ZGE_CALL LoadLiveGPS(const char* name, const char* description, const char* icon,
                          double latitude, double longitude, int32_t heading) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadLiveGPS(AnsiText(name), AnsiText(description), AnsiText(icon), latitude, longitude,
                      heading);
  });
}

void ZGE_CALL HideWaypoint(const wchar_t* documentName, const wchar_t* placemarkName) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.HideWaypoint(WideText(documentName), WideText(placemarkName));
  });
}

void ZGE_CALL LoadRoute(const TListGE* list, const wchar_t* name, const wchar_t* description,
                        uint32_t color) noexcept {
  if (!Given(list, "LoadRoute", "list")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    panel.LoadRoute(RoutePoints(*list), WideText(name), WideText(description), color);
  });
}

void ZGE_CALL LoadTrackLeg(const wchar_t* name, const wchar_t* icon, double fromLatitude,
                           double fromLongitude, double toLatitude, double toLongitude,
                           uint32_t color, int32_t index, int32_t heading,
                           ZgeBool visible) noexcept {
  OnPanel([&](TGEPanel& panel) {
    panel.LoadTrackLeg(WideText(name), WideText(icon),
                       zge::kml::TrackLeg{fromLatitude, fromLongitude, toLatitude, toLongitude,
                                          color, index, heading, visible != 0});
  });
}

int32_t ZGE_CALL FeatureCount(void) noexcept {
  return OnPanel(int32_t{0}, [](TGEPanel& panel) { return CountOf(panel.GetFeatureList()); });
}

const ZgeStringList* ZGE_CALL FeatureList(void) noexcept {
  return OnPanel(static_cast<const ZgeStringList*>(nullptr),
                 [](TGEPanel& panel) { return ToOpaque(panel.GetFeatureList()); });
}

// A NULL directory reads as empty text: remembered, and nothing is saved.
ZgeBool ZGE_CALL SaveFeature(const char* directory, int32_t index) noexcept {
  return OnPanel(ZgeBool{0}, [&](TGEPanel& panel) {
    return ToZgeBool(panel.SaveFeature(std::string(AnsiText(directory)), index));
  });
}

// The dialog runs its modal loop on this thread; failures of the dialog
// itself are stored inside it and recorded here once it has closed.
void ZGE_CALL SaveFeaturesKML(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.SaveFeaturesKML(); });
}

// The host's text is copied: Google Earth gets the package's own string.
void ZGE_CALL LoadKMLData(const wchar_t* kmlData) noexcept {
  if (!Given(kmlData, "LoadKMLData", "kmlData")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.OpenKMLData(WideText(kmlData)); });
}

void ZGE_CALL OpenKMLFile(const wchar_t* fileName) noexcept {
  if (!Given(fileName, "OpenKMLFile", "fileName")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.OpenKMLFile(WideText(fileName)); });
}

void ZGE_CALL OpenFeaturesKML(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.OpenFeaturesKML(); });
}

int32_t ZGE_CALL CameraPoint(double* latitude, double* longitude, double* azimuth) noexcept {
  if (!Given(latitude, "CameraPoint", "latitude") ||
      !Given(longitude, "CameraPoint", "longitude") || !Given(azimuth, "CameraPoint", "azimuth")) {
    return 0;
  }
  return OnPanel(int32_t{0}, [&](TGEPanel& panel) {
    // Read all three before writing any: a failing read leaves the outputs
    // as they were.
    const double cameraLatitude = panel.GetLatitude();
    const double cameraLongitude = panel.GetLongitude();
    const double cameraAzimuth = panel.GetAzimuth();
    *latitude = cameraLatitude;
    *longitude = cameraLongitude;
    *azimuth = cameraAzimuth;
    return int32_t{0};
  });
}

int32_t ZGE_CALL ViewBox(double* north, double* south, double* west, double* east) noexcept {
  if (!Given(north, "ViewBox", "north") || !Given(south, "ViewBox", "south") ||
      !Given(west, "ViewBox", "west") || !Given(east, "ViewBox", "east")) {
    return 0;
  }
  return OnPanel(int32_t{0}, [&](TGEPanel& panel) {
    // Bounds Google Earth did not report keep the host's values.
    zge::TViewBoxGE box{*north, *south, *west, *east};
    panel.GetViewBox(box);
    *north = box.North;
    *south = box.South;
    *west = box.West;
    *east = box.East;
    return int32_t{0};
  });
}

void ZGE_CALL GEPanelXYtoLatLon(int32_t x, int32_t y, double* latitude,
                                double* longitude) noexcept {
  if (!Given(latitude, "GEPanelXYtoLatLon", "latitude") ||
      !Given(longitude, "GEPanelXYtoLatLon", "longitude")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    const zge::TMousePosGE position = panel.MousePos(x, y);
    if (position.Missed == 0) {
      *latitude = position.Latitude;
      *longitude = position.Longitude;
    }
  });
}

// The panel's window class has CS_OWNDC: GetDC returns the window's own DC,
// which lives as long as the window and needs no ReleaseDC.
HDC ZGE_CALL CanvasGE(void) noexcept {
  return OnPanel(static_cast<HDC>(nullptr), [](TGEPanel& panel) {
    const HDC dc = ::GetDC(zge::win32::ToHwnd(panel.Handle()));
    zge::win32::ThrowLastErrorIf(dc == nullptr, "GetDC");
    return dc;
  });
}

void ZGE_CALL GetImageGE(HBITMAP* bitmap) noexcept {
  if (!Given(bitmap, "GetImageGE", "bitmap")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) {
    zge::win32::HostBitmap picture;
    panel.ScreenShot(picture);
    picture.HandTo(*bitmap);
  });
}

void ZGE_CALL SaveImageGE(const wchar_t* fileName) noexcept {
  if (!Given(fileName, "SaveImageGE", "fileName")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.ScreenShot(WideText(fileName)); });
}

void ZGE_CALL HideAllLoadedKML(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.HideAll(); });
}

void ZGE_CALL ShowAllLoadedKML(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.ShowAll(); });
}

void ZGE_CALL SetFeatureVisibility(const wchar_t* featureName, ZgeBool visible) noexcept {
  if (!Given(featureName, "SetFeatureVisibility", "featureName")) {
    return;
  }
  OnPanel(
      [&](TGEPanel& panel) { panel.SetFeatureVisibility(WideText(featureName), visible != 0); });
}

void ZGE_CALL SetRotation(double rotation) noexcept {
  OnPanel([&](TGEPanel& panel) {
    // North up (a rotation of about 0) is never sent: the camera keeps the
    // azimuth it has. Written so that NaN is passed on.
    if (!(std::abs(rotation) <= kSmallestRotation)) {
      panel.SetAzimuth(rotation);
    }
  });
}

int32_t ZGE_CALL ZgeGetLastError(int32_t* code, char* buffer, int32_t bufferSize) noexcept {
  const zge::LastError& error = zge::CurrentLastError();
  if (code != nullptr) {
    *code = error.code;
  }
  return CopyText(error.text, buffer, bufferSize);
}

void ZGE_CALL ZgeClearLastError(void) noexcept { zge::ClearLastError(); }

ZgeBool ZGE_CALL ZgeIsViewReady(void) noexcept {
  return OnPanel(ZgeBool{0}, [](TGEPanel& panel) { return ToZgeBool(panel.Initialized()); });
}

void ZGE_CALL ZgeRestoreGoogleEarth(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.RestoreGoogleEarth(); });
}

int32_t ZGE_CALL ZgeGetMajor(void) noexcept {
  return OnPanel(int32_t{0},
                 [](TGEPanel& panel) { return panel.HasApplication() ? panel.GetMajor() : 0; });
}

int32_t ZGE_CALL ZgeGetMinor(void) noexcept {
  return OnPanel(int32_t{0},
                 [](TGEPanel& panel) { return panel.HasApplication() ? panel.GetMinor() : 0; });
}

int32_t ZGE_CALL ZgeGetBuild(void) noexcept {
  return OnPanel(int32_t{0},
                 [](TGEPanel& panel) { return panel.HasApplication() ? panel.GetBuild() : 0; });
}

int32_t ZGE_CALL ZgeGetApplicationType(void) noexcept {
  return OnPanel(int32_t{0}, [](TGEPanel& panel) {
    return panel.HasApplication() ? panel.GetApplicationType() : 0;
  });
}

IDispatch* ZGE_CALL ZgeGetApplicationGE(void) noexcept {
  return OnPanel(static_cast<IDispatch*>(nullptr), [](TGEPanel& panel) -> IDispatch* {
    if (!panel.HasApplication()) {
      return nullptr;
    }
    return static_cast<IDispatch*>(panel.GetApplicationGE().DetachedDispatch());
  });
}

void ZGE_CALL ZgeSetLayer(const char* name, int32_t visibility) noexcept {
  if (!Given(name, "ZgeSetLayer", "name")) {
    return;
  }
  OnPanel([&](TGEPanel& panel) { panel.SetLayer(name, visibility); });
}

void ZGE_CALL ZgeReadRegistry(void) noexcept {
  OnPanel([](TGEPanel& panel) { panel.Readregistry(); });
}

const ZgeStringList* ZGE_CALL ZgeLayerList(void) noexcept {
  return OnPanel(static_cast<const ZgeStringList*>(nullptr),
                 [](TGEPanel& panel) { return ToOpaque(panel.Layers()); });
}

void ZGE_CALL ZgeSetOnInit(ZgeInitProc onInit, void* context) noexcept {
  OnPanel([&](TGEPanel& panel) {
    if (onInit == nullptr) {
      panel.SetOnInit({});
    } else {
      panel.SetOnInit([onInit, context] { onInit(context); });
    }
  });
}

ZgeBool ZGE_CALL ZgeMousePos(int32_t x, int32_t y, TMousePosGE* position) noexcept {
  if (!Given(position, "ZgeMousePos", "position")) {
    return 0;
  }
  return OnPanel(ZgeBool{0}, [&](TGEPanel& panel) {
    const zge::TMousePosGE found = panel.MousePos(x, y);
    *position = found.Missed != 0 ? TMousePosGE{1, 0, 0, 0}
                                  : TMousePosGE{0, found.Longitude, found.Latitude, found.Altitude};
    return ToZgeBool(found.Missed == 0);
  });
}

ZgeBool ZGE_CALL ZgeGetEarthImage(HBITMAP* bitmap) noexcept {
  if (!Given(bitmap, "ZgeGetEarthImage", "bitmap")) {
    return 0;
  }
  return OnPanel(ZgeBool{0}, [&](TGEPanel& panel) {
    zge::win32::HostBitmap picture;
    panel.EarthScreenShot(picture);
    picture.HandTo(*bitmap);
    return ZgeBool{1};
  });
}

ZgeBool ZGE_CALL ZgeSaveKMLToFile(const char* fileName) noexcept {
  if (!Given(fileName, "ZgeSaveKMLToFile", "fileName")) {
    return 0;
  }
  return OnPanel(ZgeBool{0},
                 [&](TGEPanel& panel) { return ToZgeBool(panel.SaveKMLToFile(fileName)); });
}

void ZGE_CALL ZgeGoGoogle(void) noexcept {
  OnPanel([](TGEPanel&) { OpenProductPage(); });
}

int32_t ZGE_CALL ZgeStringListCount(const ZgeStringList* list) noexcept {
  const zge::StringList* live = FromOpaque(list);
  return live == nullptr ? 0 : CountOf(*live);
}

int32_t ZGE_CALL ZgeStringListItem(const ZgeStringList* list, int32_t index, char* buffer,
                                   int32_t bufferSize) noexcept {
  const zge::StringList* live = FromOpaque(list);
  if (live == nullptr || index < 0 || index >= CountOf(*live)) {
    return -1;
  }
  return CopyText((*live)[static_cast<std::size_t>(index)].text, buffer, bufferSize);
}

int32_t ZGE_CALL ZgeStringListNumber(const ZgeStringList* list, int32_t index) noexcept {
  const zge::StringList* live = FromOpaque(list);
  if (live == nullptr || index < 0 || index >= CountOf(*live)) {
    return 0;
  }
  return (*live)[static_cast<std::size_t>(index)].number;
}

uint32_t ZGE_CALL ZgeVersion(void) noexcept {
  return ZGE_MAKE_VERSION(ZGE_DLL_VERSION_MAJOR, ZGE_DLL_VERSION_MINOR, ZGE_DLL_VERSION_PATCH);
}

}  // extern "C"
