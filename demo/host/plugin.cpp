#include "plugin.h"

#include <cstdint>
#include <cstdio>

namespace demo {

ZelkanGE::ZelkanGE(const std::filesystem::path& dll)
    : module_(ThrowIfNull(LoadLibraryW(dll.c_str()), "LoadLibraryW(ZelkanGE.dll)")) {
#define ZGE_BIND(name) Bind(#name, name)
  ZGE_BIND(LoadGE);
  ZGE_BIND(CloseGE);
  ZGE_BIND(ZgeIsViewReady);
  ZGE_BIND(SaveImageGE);
  ZGE_BIND(ZgeGetMajor);
  ZGE_BIND(ZgeGetMinor);
  ZGE_BIND(ZgeGetBuild);
  ZGE_BIND(ZgeGetLastError);
  ZGE_BIND(ZgeClearLastError);
  ZGE_BIND(LoadWaypoint);
  ZGE_BIND(LoadRoute);
  ZGE_BIND(LoadTrackLeg);
  ZGE_BIND(LoadLiveGPS);
  ZGE_BIND(FeatureCount);
  ZGE_BIND(FeatureList);
  ZGE_BIND(ZgeStringListItem);
  ZGE_BIND(SaveFeature);
  ZGE_BIND(SynchronizeView);
  ZGE_BIND(SetRotation);
  ZGE_BIND(OnMouseWheelM);
  ZGE_BIND(ZgeMousePos);
  ZGE_BIND(ZgeGetEarthImage);
  ZGE_BIND(ZgeSaveKMLToFile);
#undef ZGE_BIND
}

std::string ZelkanGE::LastError() const {
  std::int32_t code = 0;
  const std::int32_t length = ZgeGetLastError(&code, nullptr, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  static_cast<void>(ZgeGetLastError(&code, text.data(), static_cast<std::int32_t>(text.size())));
  text.resize(static_cast<std::size_t>(length));
  char codeText[16];
  std::snprintf(codeText, sizeof codeText, "0x%08lX", static_cast<unsigned long>(code));
  return text.empty() ? std::string("no error recorded") : text + " (" + codeText + ")";
}

bool ZelkanGE::HasError() const {
  std::int32_t code = 0;
  static_cast<void>(ZgeGetLastError(&code, nullptr, 0));
  return code != 0;
}

}  // namespace demo
