// ZelkanGE.dll as this host uses it: loaded from a path with LoadLibrary,
// its functions bound by their plain names, every call timed by name.
#pragma once

#include <windows.h>
// zelkange.h names IDispatch without including its header.
#include <ole2.h>

#include <filesystem>
#include <string>
#include <type_traits>

#include "export_stats.h"
#include "win32_support.h"
#include "zelkange.h"

namespace demo {

// The plug-in's functions this host uses.
class ZelkanGE {
 public:
  // Loads the DLL and binds every function; throws DemoError when one is
  // missing.
  explicit ZelkanGE(const std::filesystem::path& dll);

  // The plug-in's last error as text, for the message of a failure.
  [[nodiscard]] std::string LastError() const;
  [[nodiscard]] bool HasError() const;

  decltype(&::LoadGE) LoadGE = nullptr;
  decltype(&::CloseGE) CloseGE = nullptr;
  decltype(&::ZgeIsViewReady) ZgeIsViewReady = nullptr;
  decltype(&::SaveImageGE) SaveImageGE = nullptr;
  decltype(&::ZgeGetMajor) ZgeGetMajor = nullptr;
  decltype(&::ZgeGetMinor) ZgeGetMinor = nullptr;
  decltype(&::ZgeGetBuild) ZgeGetBuild = nullptr;
  decltype(&::ZgeGetLastError) ZgeGetLastError = nullptr;
  decltype(&::ZgeClearLastError) ZgeClearLastError = nullptr;
  decltype(&::LoadWaypoint) LoadWaypoint = nullptr;
  decltype(&::LoadRoute) LoadRoute = nullptr;
  decltype(&::LoadTrackLeg) LoadTrackLeg = nullptr;
  decltype(&::LoadLiveGPS) LoadLiveGPS = nullptr;
  decltype(&::FeatureCount) FeatureCount = nullptr;
  decltype(&::FeatureList) FeatureList = nullptr;
  decltype(&::ZgeStringListItem) ZgeStringListItem = nullptr;
  decltype(&::SaveFeature) SaveFeature = nullptr;
  decltype(&::SynchronizeView) SynchronizeView = nullptr;
  decltype(&::SetRotation) SetRotation = nullptr;
  decltype(&::OnMouseWheelM) OnMouseWheelM = nullptr;
  decltype(&::ZgeMousePos) ZgeMousePos = nullptr;
  decltype(&::ZgeGetEarthImage) ZgeGetEarthImage = nullptr;
  decltype(&::ZgeSaveKMLToFile) ZgeSaveKMLToFile = nullptr;

 private:
  template <class Function>
  void Bind(const char* name, Function& function) {
    const FARPROC address = GetProcAddress(module_.get(), name);
    if (address == nullptr) {
      throw DemoError(std::string("ZelkanGE.dll does not export ") + name);
    }
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
  }

  UniqueModule module_;
};

// Times every call into the plug-in, by export name, for the summary.
class TimedCalls {
 public:
  explicit TimedCalls(ExportStats& stats) : stats_(stats) {}

  [[nodiscard]] std::size_t Calls() const { return stats_.TotalCalls(); }

  template <class Function, class... Arguments>
  auto operator()(const char* name, Function function, Arguments... arguments) const {
    const auto start = Clock::now();
    if constexpr (std::is_void_v<decltype(function(arguments...))>) {
      function(arguments...);
      stats_.Add(name, Clock::now() - start);
    } else {
      auto result = function(arguments...);
      stats_.Add(name, Clock::now() - start);
      return result;
    }
  }

 private:
  ExportStats& stats_;
};

}  // namespace demo
