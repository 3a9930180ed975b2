// ZelkanGE.dll as a host sees it: loaded by path with LoadLibrary and bound
// by the plain export names, so binding also checks the export table.
#pragma once

#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/handles.h"
#include "zelkange.h"

namespace zge::test {

// Every export, in the order of the export list.
#define ZGE_FOR_EACH_EXPORT(X) \
  X(LoadGE)                    \
  X(SetOnLoadedGE)             \
  X(SetShutDownGE)             \
  X(CloseGE)                   \
  X(OnMouseWheelM)             \
  X(OnMouseWheelW)             \
  X(SynchronizeView)           \
  X(LoadWaypoint)              \
  X(LoadLiveGPS)               \
  X(HideWaypoint)              \
  X(LoadRoute)                 \
  X(LoadTrackLeg)              \
  X(FeatureCount)              \
  X(FeatureList)               \
  X(SaveFeature)               \
  X(SaveFeaturesKML)           \
  X(LoadKMLData)               \
  X(OpenKMLFile)               \
  X(OpenFeaturesKML)           \
  X(CameraPoint)               \
  X(ViewBox)                   \
  X(GEPanelXYtoLatLon)         \
  X(CanvasGE)                  \
  X(GetImageGE)                \
  X(SaveImageGE)               \
  X(HideAllLoadedKML)          \
  X(ShowAllLoadedKML)          \
  X(SetFeatureVisibility)      \
  X(SetRotation)               \
  X(ZgeGetLastError)           \
  X(ZgeClearLastError)         \
  X(ZgeIsViewReady)            \
  X(ZgeRestoreGoogleEarth)     \
  X(ZgeGetMajor)               \
  X(ZgeGetMinor)               \
  X(ZgeGetBuild)               \
  X(ZgeGetApplicationType)     \
  X(ZgeGetApplicationGE)       \
  X(ZgeSetLayer)               \
  X(ZgeReadRegistry)           \
  X(ZgeLayerList)              \
  X(ZgeSetOnInit)              \
  X(ZgeGoGoogle)               \
  X(ZgeStringListCount)        \
  X(ZgeStringListItem)         \
  X(ZgeStringListNumber)       \
  X(ZgeMousePos)               \
  X(ZgeGetEarthImage)          \
  X(ZgeSaveKMLToFile)          \
  X(ZgeVersion)

class ZelkanGE {
 public:
  explicit ZelkanGE(const std::filesystem::path& dll);

  // Names the DLL does not export by their plain name.
  const std::vector<std::string>& MissingExports() const noexcept { return missing_; }

#define ZGE_DECLARE_EXPORT(name) decltype(&::name) name = nullptr;
  ZGE_FOR_EACH_EXPORT(ZGE_DECLARE_EXPORT)
#undef ZGE_DECLARE_EXPORT

  // Frees the DLL; the binding is unusable afterwards.
  void Unload() noexcept { module_.reset(); }

 private:
  UniqueModule module_;
  std::vector<std::string> missing_;
};

// The calling thread's last error as the DLL reports it.
struct LastError {
  std::int32_t code = 0;
  std::string text;
};
LastError ReadLastError(ZelkanGE& api);

// The DLL under test: the build tree's ZelkanGE.dll.
std::filesystem::path ZelkanGEPath();
// The build passes Unix paths of its outputs; Wine's drive Z: is the root.
std::filesystem::path FromUnixPath(std::string_view unixPath);

}  // namespace zge::test
