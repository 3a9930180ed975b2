// A C++ host built against the unpacked SDK: the version it was packaged
// with, the DLL's and the stand-in's version resources and ZgeVersion must
// agree; the structures must have the layout the Pascal unit assumes; and
// the DLL must drive the shipped stand-in. Prints one line per check and
// exits with the number of failures.
//   zge_sdk_consumer <EarthStandIn.exe as a Windows path>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "zelkange.h"

namespace {

// The layout zelkange.pas checks on its side, with the same numbers.
constexpr bool k64 = sizeof(void*) == 8;
static_assert(sizeof(ZgeBool) == 1);
static_assert(sizeof(TPointGE) == (k64 ? 40 : 32));
static_assert(offsetof(TPointGE, Latitude) == (k64 ? 24 : 16));
static_assert(sizeof(TListGE) == (k64 ? 16 : 8));
static_assert(sizeof(ZgeMessage) == (k64 ? 32 : 16));
static_assert(sizeof(TMousePosGE) == 32);
static_assert(offsetof(TMousePosGE, Longitude) == 8);

constexpr std::uint32_t kPackageVersion = ZGE_MAKE_VERSION(
    ZGE_PACKAGE_VERSION_MAJOR, ZGE_PACKAGE_VERSION_MINOR, ZGE_PACKAGE_VERSION_PATCH);
constexpr DWORD kViewTimeoutMs = 60000;

struct FileVersion {
  std::uint32_t fixed = 0;  // packed like ZgeVersion, from VS_FIXEDFILEINFO
  std::string text;         // the "FileVersion" string
};

// The version resource of a file; fixed 0 when it has none.
FileVersion ReadFileVersion(const std::wstring& path) {
  FileVersion version;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) {
    return version;
  }
  std::vector<unsigned char> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    return version;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    version.fixed = ZGE_MAKE_VERSION(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                     HIWORD(fixed->dwFileVersionLS));
  }
  char* text = nullptr;
  if (VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                     reinterpret_cast<void**>(&text), &length) &&
      length > 0) {
    version.text.assign(text);
  }
  return version;
}

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(module, path.data(), MAX_PATH));
  return path;
}

std::string LastErrorText() {
  char text[512] = {};
  std::int32_t code = 0;
  ZgeGetLastError(&code, text, sizeof text);
  return text;
}

std::string ListItem(const ZgeStringList* list, std::int32_t index) {
  std::string text(
      static_cast<std::size_t>(std::max(0, ZgeStringListItem(list, index, nullptr, 0))), '\0');
  ZgeStringListItem(list, index, text.data(), static_cast<std::int32_t>(text.size() + 1));
  return text;
}

bool WaitForView() {
  const DWORD start = GetTickCount();
  while (ZgeIsViewReady() == 0 && GetTickCount() - start < kViewTimeoutMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&message);
    }
  }
  return ZgeIsViewReady() != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zge_sdk_consumer <EarthStandIn.exe>\n");
    return 100;
  }
  const std::string standinArg = argv[1];
  const std::wstring standin(standinArg.begin(), standinArg.end());
  const FileVersion dll = ReadFileVersion(ModulePath(GetModuleHandleW(L"ZelkanGE.dll")));
  const FileVersion server = ReadFileVersion(standin);

  HWND window = CreateWindowExW(0, L"STATIC", L"ZelkanGE SDK consumer", WS_OVERLAPPEDWINDOW, 0, 0,
                                640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const ZgeStringList* features = nullptr;
  std::int32_t featuresAtClose = 0;
  bool viewReady = false;
  std::int32_t earthMajor = 0;
  if (window != nullptr && LoadGE(window, nullptr, nullptr) != 0) {
    viewReady = WaitForView();
    earthMajor = ZgeGetMajor();
    LoadWaypoint("Lighthouse", nullptr, nullptr, 54.5, 10.27);
    features = FeatureList();
    featuresAtClose = ZgeStringListCount(features);
  }
  const std::string firstFeature = features != nullptr ? ListItem(features, 0) : std::string();
  CloseGE();
  if (window != nullptr) {
    DestroyWindow(window);
  }

  const struct {
    const char* name;
    std::function<bool()> holds;
  } checks[] = {
      {"ZgeVersion is the package's version", [] { return ZgeVersion() == kPackageVersion; }},
      {"ZgeVersion works without a panel", [] { return ZgeVersion() != 0; }},
      {"the DLL's fixed version is the package's", [&] { return dll.fixed == kPackageVersion; }},
      {"the DLL's FileVersion text is the package's",
       [&] { return dll.text == ZGE_PACKAGE_VERSION; }},
      {"the stand-in's fixed version is the package's",
       [&] { return server.fixed == kPackageVersion; }},
      {"the stand-in's FileVersion text is the package's",
       [&] { return server.text == ZGE_PACKAGE_VERSION; }},
      {"the view of the shipped stand-in becomes ready", [&] { return viewReady; }},
      {"the stand-in reports a version", [&] { return earthMajor > 0; }},
      {"the waypoint is the one feature",
       [&] { return featuresAtClose == 1 && firstFeature == "Lighthouse"; }},
      {"a list kept after CloseGE reads as empty",
       [&] { return ZgeStringListCount(features) == 0; }},
  };
  int failures = 0;
  for (const auto& check : checks) {
    const bool holds = check.holds();
    std::printf("%s %s\n", holds ? "ok    " : "FAILED", check.name);
    if (!holds) {
      ++failures;
    }
  }
  if (failures > 0) {
    std::printf("last error: %s\n", LastErrorText().c_str());
  }
  return failures;
}
