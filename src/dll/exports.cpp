// The C interface of include/zelkange.h over the core's ABI layer
// (src/core/abi/abi.h), which holds every rule of the calls: here are only
// the conversions between the C types and the layer's portable ones.
#include <cstdint>
#include <type_traits>

#include "abi/abi.h"
#include "base/guard.h"
#include "win32/errors.h"
#include "win32/host_bitmap.h"
#include "win32/resources.h"
#include "win32/win32_platform.h"
#include "zelkange.h"

namespace {

namespace abi = zge::abi;

// ZgeVersion packs the project's version into 8, 8 and 16 bits.
static_assert(ZGE_DLL_VERSION_MAJOR < 256 && ZGE_DLL_VERSION_MINOR < 256 &&
              ZGE_DLL_VERSION_PATCH < 65536);
static_assert(std::is_same_v<ZgeBool, abi::Bool>);
// Windows' wide characters are UTF-16 code units.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

// Made on the first LoadGE, on the host's user-interface thread, and never
// destroyed: like the global panel's owner, it is not torn down at process
// exit, so a panel the host never closed always has its platform.
zge::win32::Win32Platform& ThePlatform() {
  static auto* const platform = new zge::win32::Win32Platform();
  return *platform;
}

const char16_t* U16(const wchar_t* text) noexcept {
  return reinterpret_cast<const char16_t*>(text);
}

const ZgeStringList* ToC(abi::ListHandle list) noexcept {
  return static_cast<const ZgeStringList*>(list);
}

abi::ListHandle FromC(const ZgeStringList* list) noexcept { return list; }

zge::LoadedEvent LoadedCallback(ZgeLoadedProc code, void* context) {
  if (code == nullptr) {
    return {};
  }
  return [code, context](bool isLoaded) { code(context, abi::ToBool(isLoaded)); };
}

zge::InitEvent InitCallback(ZgeInitProc code, void* context) {
  if (code == nullptr) {
    return {};
  }
  return [code, context] { code(context); };
}

zge::win32::HostBitmap NewPicture() { return {}; }

}  // namespace

extern "C" {

ZgeBool ZGE_CALL LoadGE(HWND parent, ZgeLoadedProc onLoaded, void* context) noexcept {
  return zge::Guarded(ZgeBool{0}, [&] {
    return abi::LoadGE(ThePlatform().Ports(), zge::win32::FromHwnd(parent),
                       LoadedCallback(onLoaded, context));
  });
}

void ZGE_CALL SetOnLoadedGE(ZgeLoadedProc onLoaded, void* context) noexcept {
  zge::Guarded([&] { abi::SetOnLoadedGE(LoadedCallback(onLoaded, context)); });
}

void ZGE_CALL SetShutDownGE(ZgeBool shutDown) noexcept { abi::SetShutDownGE(shutDown); }

void ZGE_CALL CloseGE(void) noexcept { abi::CloseGE(); }

ZgeBool ZGE_CALL OnMouseWheelM(ZgeMessage* message) noexcept { return abi::OnMouseWheelM(message); }

ZgeBool ZGE_CALL OnMouseWheelW(int32_t wheelDelta) noexcept {
  return abi::OnMouseWheelW(wheelDelta);
}

void ZGE_CALL SynchronizeView(double extent, double latitude, double longitude,
                              double rotation) noexcept {
  abi::SynchronizeView(extent, latitude, longitude, rotation);
}

void ZGE_CALL LoadWaypoint(const char* name, const char* description, const char* icon,
                           double latitude, double longitude) noexcept {
  abi::LoadWaypoint(name, description, icon, latitude, longitude);
}

void ZGE_CALL LoadLiveGPS(const char* name, const char* description, const char* icon,
                          double latitude, double longitude, int32_t heading) noexcept {
  abi::LoadLiveGPS(name, description, icon, latitude, longitude, heading);
}

void ZGE_CALL HideWaypoint(const wchar_t* documentName, const wchar_t* placemarkName) noexcept {
  abi::HideWaypoint(U16(documentName), U16(placemarkName));
}

void ZGE_CALL LoadRoute(const TListGE* list, const wchar_t* name, const wchar_t* description,
                        uint32_t color) noexcept {
  abi::LoadRoute(list, U16(name), U16(description), color);
}

void ZGE_CALL LoadTrackLeg(const wchar_t* name, const wchar_t* icon, double fromLatitude,
                           double fromLongitude, double toLatitude, double toLongitude,
                           uint32_t color, int32_t index, int32_t heading,
                           ZgeBool visible) noexcept {
  abi::LoadTrackLeg(U16(name), U16(icon), fromLatitude, fromLongitude, toLatitude, toLongitude,
                    color, index, heading, visible);
}

int32_t ZGE_CALL FeatureCount(void) noexcept { return abi::FeatureCount(); }

const ZgeStringList* ZGE_CALL FeatureList(void) noexcept { return ToC(abi::FeatureList()); }

ZgeBool ZGE_CALL SaveFeature(const char* directory, int32_t index) noexcept {
  return abi::SaveFeature(directory, index);
}

void ZGE_CALL SaveFeaturesKML(void) noexcept { abi::SaveFeaturesKML(); }

void ZGE_CALL LoadKMLData(const wchar_t* kmlData) noexcept { abi::LoadKMLData(U16(kmlData)); }

void ZGE_CALL OpenKMLFile(const wchar_t* fileName) noexcept { abi::OpenKMLFile(U16(fileName)); }

void ZGE_CALL OpenFeaturesKML(void) noexcept { abi::OpenFeaturesKML(); }

int32_t ZGE_CALL CameraPoint(double* latitude, double* longitude, double* azimuth) noexcept {
  return abi::CameraPoint(latitude, longitude, azimuth);
}

int32_t ZGE_CALL ViewBox(double* north, double* south, double* west, double* east) noexcept {
  return abi::ViewBox(north, south, west, east);
}

void ZGE_CALL GEPanelXYtoLatLon(int32_t x, int32_t y, double* latitude,
                                double* longitude) noexcept {
  abi::GEPanelXYtoLatLon(x, y, latitude, longitude);
}

// The panel's window class has CS_OWNDC: GetDC returns the window's own DC,
// which lives as long as the window and needs no ReleaseDC.
HDC ZGE_CALL CanvasGE(void) noexcept {
  return static_cast<HDC>(abi::CanvasGE([](zge::WindowHandle panel) -> void* {
    const HDC dc = ::GetDC(zge::win32::ToHwnd(panel));
    zge::win32::ThrowLastErrorIf(dc == nullptr, "GetDC");
    return dc;
  }));
}

void ZGE_CALL GetImageGE(HBITMAP* bitmap) noexcept { abi::GetImageGE(bitmap, NewPicture); }

void ZGE_CALL SaveImageGE(const wchar_t* fileName) noexcept { abi::SaveImageGE(U16(fileName)); }

void ZGE_CALL HideAllLoadedKML(void) noexcept { abi::HideAllLoadedKML(); }

void ZGE_CALL ShowAllLoadedKML(void) noexcept { abi::ShowAllLoadedKML(); }

void ZGE_CALL SetFeatureVisibility(const wchar_t* featureName, ZgeBool visible) noexcept {
  abi::SetFeatureVisibility(U16(featureName), visible);
}

void ZGE_CALL SetRotation(double rotation) noexcept { abi::SetRotation(rotation); }

int32_t ZGE_CALL ZgeGetLastError(int32_t* code, char* buffer, int32_t bufferSize) noexcept {
  return abi::ZgeGetLastError(code, buffer, bufferSize);
}

void ZGE_CALL ZgeClearLastError(void) noexcept { abi::ZgeClearLastError(); }

ZgeBool ZGE_CALL ZgeIsViewReady(void) noexcept { return abi::ZgeIsViewReady(); }

void ZGE_CALL ZgeRestoreGoogleEarth(void) noexcept { abi::ZgeRestoreGoogleEarth(); }

int32_t ZGE_CALL ZgeGetMajor(void) noexcept { return abi::ZgeGetMajor(); }

int32_t ZGE_CALL ZgeGetMinor(void) noexcept { return abi::ZgeGetMinor(); }

int32_t ZGE_CALL ZgeGetBuild(void) noexcept { return abi::ZgeGetBuild(); }

int32_t ZGE_CALL ZgeGetApplicationType(void) noexcept { return abi::ZgeGetApplicationType(); }

IDispatch* ZGE_CALL ZgeGetApplicationGE(void) noexcept {
  return static_cast<IDispatch*>(abi::ZgeGetApplicationGE());
}

void ZGE_CALL ZgeSetLayer(const char* name, int32_t visibility) noexcept {
  abi::ZgeSetLayer(name, visibility);
}

void ZGE_CALL ZgeReadRegistry(void) noexcept { abi::ZgeReadRegistry(); }

const ZgeStringList* ZGE_CALL ZgeLayerList(void) noexcept { return ToC(abi::ZgeLayerList()); }

void ZGE_CALL ZgeSetOnInit(ZgeInitProc onInit, void* context) noexcept {
  zge::Guarded([&] { abi::ZgeSetOnInit(InitCallback(onInit, context)); });
}

ZgeBool ZGE_CALL ZgeMousePos(int32_t x, int32_t y, TMousePosGE* position) noexcept {
  return abi::ZgeMousePos(x, y, position);
}

ZgeBool ZGE_CALL ZgeGetEarthImage(HBITMAP* bitmap) noexcept {
  return abi::ZgeGetEarthImage(bitmap, NewPicture);
}

ZgeBool ZGE_CALL ZgeSaveKMLToFile(const char* fileName) noexcept {
  return abi::ZgeSaveKMLToFile(fileName);
}

void ZGE_CALL ZgeGoGoogle(void) noexcept {
  zge::Guarded([] { abi::ZgeGoGoogle(ThePlatform().Ports().desktop); });
}

int32_t ZGE_CALL ZgeStringListCount(const ZgeStringList* list) noexcept {
  return abi::ZgeStringListCount(FromC(list));
}

int32_t ZGE_CALL ZgeStringListItem(const ZgeStringList* list, int32_t index, char* buffer,
                                   int32_t bufferSize) noexcept {
  return abi::ZgeStringListItem(FromC(list), index, buffer, bufferSize);
}

int32_t ZGE_CALL ZgeStringListNumber(const ZgeStringList* list, int32_t index) noexcept {
  return abi::ZgeStringListNumber(FromC(list), index);
}

// ZGE_MAKE_VERSION's layout, with C++ casts: the header's macro is C.
uint32_t ZGE_CALL ZgeVersion(void) noexcept {
  return (static_cast<uint32_t>(ZGE_DLL_VERSION_MAJOR) << 24) |
         (static_cast<uint32_t>(ZGE_DLL_VERSION_MINOR) << 16) |
         static_cast<uint32_t>(ZGE_DLL_VERSION_PATCH);
}

}  // extern "C"
