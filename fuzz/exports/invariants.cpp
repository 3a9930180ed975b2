#include "invariants.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "base/call_scope.h"
#include "panel/ge_panel.h"

namespace zge::fuzzing {
namespace {

// Files whose deletion was made to fail stay behind, as they would.
bool DeletionFailed(const fakes::FakePlatform& f, const std::string& path) {
  for (const auto& delivered : f.faults.delivered) {
    if (delivered.member == "DeleteFile(" + path + ")") {
      return true;
    }
  }
  return false;
}

bool RegistryFaultDelivered(const fakes::FakePlatform& f) {
  for (const auto& delivered : f.faults.delivered) {
    if (delivered.category == "registry") {
      return true;
    }
  }
  return false;
}

// The .kml files directly in the panel's temporary folder.
std::set<std::string> TempKmlFiles(const fakes::FakePlatform& f) {
  std::set<std::string> names;
  const std::string folder = f.files.tempDirectory + "ZelkanGE\\";
  for (const auto& [path, content] : f.files.files) {
    if (path.size() >= folder.size() + 4 && path.compare(0, folder.size(), folder) == 0 &&
        path.compare(path.size() - 4, 4, ".kml") == 0 &&
        path.find('\\', folder.size()) == std::string::npos) {
      names.insert(path);
    }
  }
  return names;
}

// Back in Google Earth's settings, or still kept in the package's key for
// the next panel to restore.
bool LocaleKept(const fakes::FakePlatform& f, std::string_view userLocale) {
  const auto locale = f.registry.Get(kGeSettingsKey, kGeLocaleValue);
  if (userLocale.empty()) {
    return !locale.has_value();
  }
  const auto user = fakes::RegistryData(std::string(userLocale));
  return locale == user || f.registry.Get(kPackageKey, kSavedLocaleValue) == user;
}

// The feature list names exactly the temporary files the panel wrote.
void CheckFeatureFiles(const fakes::FakePlatform& f, const TGEPanel& panel,
                       const std::set<std::string>& files) {
  std::set<std::string> listed;
  for (const auto& entry : panel.GetFeatureList().Entries()) {
    listed.insert(panel.TempPath() + entry.text + ".kml");
  }
  for (const std::string& path : listed) {
    Require(files.count(path) != 0, "a listed feature has no temporary file");
  }
  for (const std::string& path : files) {
    Require(listed.count(path) != 0 || DeletionFailed(f, path),
            "a temporary file is not in the feature list");
  }
}

void CheckNothingOutlivedThePanel(const fakes::FakePlatform& f, std::string_view userLocale,
                                  const std::set<std::string>& files) {
  for (const std::string& path : files) {
    Require(DeletionFailed(f, path), "a temporary file outlived the panel");
  }
  Require(f.earth.state.connections == 0, "a connection to Google Earth outlived the panel");
  Require(f.earth.state.liveObjects == 0, "an object of Google Earth outlived the panel");
  Require(f.registry.openKeys == 0, "a registry key is still open");
  Require(f.processes.openHandles == 0, "a process handle is still open");
  Require(f.ole.depth == 0, "OLE is still initialised");
  Require(!f.timers.state.exists, "the start-up timer outlived the panel");
  Require(!f.threads.state.running, "the watch thread outlived the panel");
  Require(f.panelWindows.state.handle == kNoWindow, "the panel's window outlived the panel");
  Require(f.module.references <= 1, "more than one reference on the code without a panel");
  if (!RegistryFaultDelivered(f)) {
    Require(LocaleKept(f, userLocale), "the user's locale is not back after the panel went");
  }
}

}  // namespace

void Breach(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void Require(bool holds, const char* what) {
  if (!holds) {
    Breach(what);
  }
}

void CheckAfterStep(const fakes::FakePlatform& f, std::string_view userLocale, Op op) {
  Require(!CallScope::Inside(), "a call is still running after the step returned");
  const TGEPanel* panel = GlobalPanel();
  if (op == Op::kCloseGE) {
    Require(panel == nullptr, "a panel is left after CloseGE");
  }
  // Pictures of Google Earth go through a temporary file, never kept.
  for (const auto& [path, content] : f.files.files) {
    if (path.compare(0, f.files.tempDirectory.size(), f.files.tempDirectory) == 0 &&
        path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0) {
      Require(DeletionFailed(f, path), "a temporary picture file is left behind");
    }
  }
  const std::set<std::string> files = TempKmlFiles(f);
  if (panel != nullptr) {
    CheckFeatureFiles(f, *panel, files);
  } else {
    CheckNothingOutlivedThePanel(f, userLocale, files);
  }
}

void CheckSettingsRestored(const fakes::FakePlatform& f, std::string_view userLocale) {
  Require(f.module.references == 0, "a reference on the code is left after CloseGE");
  if (RegistryFaultDelivered(f)) {
    return;
  }
  Require(f.registry.Get(kPackageKey, kSavedLocaleValue) == std::nullopt,
          "the package's key still holds the user's locale");
  const auto locale = f.registry.Get(kGeSettingsKey, kGeLocaleValue);
  Require(userLocale.empty() ? !locale.has_value()
                             : locale == fakes::RegistryData(std::string(userLocale)),
          "the user's locale is lost");
}

}  // namespace zge::fuzzing
