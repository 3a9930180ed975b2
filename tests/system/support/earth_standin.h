// Control of the stand-in Earth server from a test: its configuration key,
// its call journal, its process, its windows and its COM registration.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/handles.h"

namespace zge::test {

// Read by the stand-in once, when it starts.
struct StandInConfig {
  std::optional<DWORD> mainWindowDelayMs;
  std::optional<DWORD> versionMajor;
  std::optional<DWORD> versionMinor;
  std::optional<DWORD> versionBuild;
  std::optional<DWORD> appType;
  std::optional<std::wstring> failMembers;   // "Member:0xHRESULT[@N[+]];..."
  std::optional<std::wstring> delayMembers;  // "Member:ms[@N];..."
  std::optional<std::wstring> exitOnCall;    // "Member@N"
};

void WriteStandInConfig(const StandInConfig& config, const std::filesystem::path& journal);
// Removes the stand-in's key and the package's own key (HKCU\Software\ZelkanGE).
void ResetPackageKeys();

// The process id the running stand-in wrote at its start.
std::optional<DWORD> StandInProcessId();
// Ends the stand-in named in its key, if it still runs, and waits for it.
void EndStandIn();
// Starts the stand-in as a user would, without COM.
void LaunchStandIn();
// A handle to wait on the stand-in's end and read its exit code.
UniqueHandle OpenStandInProcess(DWORD processId);
bool IsProcessRunning(HANDLE process);

// Google Earth's top-level main window in the given process.
HWND FindEarthMainWindow(DWORD processId);

// A string argument as the journal writes it (for ASCII text without
// control characters).
std::string JournalQuoted(std::string_view text);

// The calls the stand-in received, one line each, with the time this test
// first saw each line (good to some milliseconds while the test pumps).
class Journal {
 public:
  struct Entry {
    std::string call;
    std::chrono::steady_clock::time_point seen;
  };

  explicit Journal(std::filesystem::path path) : path_(std::move(path)) {}
  const std::filesystem::path& Path() const noexcept { return path_; }

  // Reads lines written since the last poll.
  void Poll();
  const std::vector<Entry>& Entries() const noexcept { return entries_; }
  std::size_t Count(std::string_view call) const;
  // Times at which each occurrence of `call` was first seen.
  std::vector<std::chrono::steady_clock::time_point> TimesOf(std::string_view call) const;
  // Position of the first occurrence, or nothing.
  std::optional<std::size_t> IndexOf(std::string_view call) const;
  std::string Text() const;

 private:
  std::filesystem::path path_;
  std::vector<Entry> entries_;
};

// A feature of the stand-in as its automation interface shows it.
struct FeatureInfo {
  std::wstring name;
  LONG visibility = 0;
  std::vector<FeatureInfo> children;
};

// The test's own automation client of the stand-in, to learn its windows
// and what it holds.
class EarthClient {
 public:
  // Creates the ApplicationGE object: starts the stand-in if needed.
  static EarthClient Connect();
  explicit EarthClient(Microsoft::WRL::ComPtr<IDispatch> application)
      : application_(std::move(application)) {}

  HWND MainWindow() const;
  HWND RenderWindow() const;
  LONG GetLong(const wchar_t* member) const;
  // Everything under Temporary Places, in order, with all descendants.
  std::vector<FeatureInfo> TemporaryPlaces() const;

 private:
  Microsoft::WRL::ComPtr<IDispatch> application_;
};

// Removes the stand-in's local-server registration from both registry views
// for the lifetime of the object, as on a machine without Google Earth.
class RegistrationRemoval {
 public:
  RegistrationRemoval();
  ~RegistrationRemoval();
  RegistrationRemoval(const RegistrationRemoval&) = delete;
  RegistrationRemoval& operator=(const RegistrationRemoval&) = delete;

 private:
  struct Saved {
    REGSAM view;
    std::wstring server;
  };
  std::vector<Saved> saved_;
};

}  // namespace zge::test
