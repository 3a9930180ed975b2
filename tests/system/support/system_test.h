// The fixture of every system test: a host window, ZelkanGE.dll loaded
// afresh, a temporary folder with the stand-in's journal, and clean
// registry keys and no stand-in process before and after each test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/earth_standin.h"
#include "support/host_window.h"
#include "support/zelkange_api.h"

namespace zge::test {

inline constexpr wchar_t kPanelClass[] = L"ZelkanGEPanel";
inline constexpr wchar_t kEarthSettingsKey[] = L"Software\\Google\\Google Earth Plus";
inline constexpr wchar_t kPackageKeyPath[] = L"Software\\ZelkanGE";

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Replaces the stand-in's configuration; takes effect at its next start.
  void ConfigureStandIn(const StandInConfig& config);
  // LoadGE into the host's parent with the fixture's recording callback.
  void LoadPanel();
  // LoadPanel, then waits until the view is embedded.
  void LoadPanelAndWaitForView();
  [[nodiscard]] bool WaitForViewReady();
  // Starts Google Earth as a user would, before any LoadGE, and waits for
  // its main window.
  void StartEarthFirst();
  // The id of the stand-in once it has started.
  DWORD WaitForStandInProcessId();
  // Pumps until the journal shows `count` occurrences of `call`.
  [[nodiscard]] bool WaitForJournal(std::string_view call, std::size_t count = 1);

  // The panel: the one child of class ZelkanGEPanel in `parent`.
  HWND FindPanel(HWND parent) const;
  int CountPanels(HWND parent) const;

  // The callback's calls, in order.
  const std::vector<bool>& LoadedCalls() const noexcept { return loadedCalls_; }

  // The fixture also sets Google Earth's settings key for locale tests; the
  // key is removed afterwards.
  void MarkEarthSettingsTouched() noexcept { earthSettingsTouched_ = true; }

  HostWindow& Host() { return *host_; }
  ZelkanGE& Api() { return *api_; }
  Journal& StandInJournal() { return *journal_; }
  const std::filesystem::path& TempDir() const noexcept { return tempDir_; }

 private:
  static void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded);
  void RemoveTempDir();

  std::filesystem::path tempDir_;
  std::unique_ptr<Journal> journal_;
  std::unique_ptr<HostWindow> host_;
  std::unique_ptr<ZelkanGE> api_;
  std::vector<bool> loadedCalls_;
  bool earthSettingsTouched_ = false;
};

// The window's rectangle relative to another window's client area.
RECT RectIn(HWND window, HWND reference);
RECT ClientRectOf(HWND window);
std::wstring WindowTextOf(HWND window);

// A file's bytes as they are; empty if it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

}  // namespace zge::test
