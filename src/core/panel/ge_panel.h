// TGEPanel: the panel that shows Google Earth inside a window of the host.
//
// Construction and destruction are in ge_panel.cpp, the start-up ticks and
// the adoption of the render window in startup.cpp, the release of Google
// Earth in release.cpp, Google Earth's registry settings in ge_registry.cpp,
// the watch thread's wake-up in watch_loop.cpp, the overlays (waypoints,
// live GPS, routes, track legs) in overlays.cpp, their temporary KML files in
// temp_kml.cpp and the loaded features in features.cpp.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/string_list.h"
#include "base/window_handle.h"
#include "earth/application_connection.h"
#include "kml/overlay_documents.h"
#include "platform/platform.h"

namespace zge {

// One point of a route as the host hands it over; texts in the system's
// ANSI code page. The host owns the texts.
struct TPointGE {
  std::string_view Name;
  std::string_view Description;
  std::string_view Icon;
  double Latitude = 0;
  double Longitude = 0;
};
// A route: its points in route order.
using TListGE = std::span<const TPointGE>;

// The host's loaded callback; empty when none is given.
using LoadedEvent = std::function<void(bool isLoaded)>;
// The host's notification on each tick that finds Google Earth's main window.
using InitEvent = std::function<void()>;

// Registry places Google Earth keeps its settings in.
inline constexpr const char* kGeSettingsKey = "Software\\Google\\Google Earth Plus";
inline constexpr const char* kGeLocaleValue = "locale";
inline constexpr const char* kLayersKey = "\\Software\\Google\\CommonSettings\\Layers\\";
// The package's own key, holding the user's locale while a panel lives.
inline constexpr const char* kPackageKey = "Software\\ZelkanGE";
inline constexpr const char* kSavedLocaleValue = "SavedGoogleEarthLocale";
inline constexpr const char* kPanelLocale = "en-US";

// Start-up timer intervals.
inline constexpr int kArmIntervalMs = 500;
inline constexpr int kWaitIntervalMs = 1500;
inline constexpr int kRetryIntervalMs = 2500;

// The version 4.3 main window is sized this much larger than the panel on
// size changes, so that its frame and side bar fall outside the panel.
inline constexpr int kMainWindowExtraWidth = 265;
inline constexpr int kMainWindowExtraHeight = 79;

class TGEPanel final : private platform::PanelWindowEvents {
 public:
  // Construction: makes the panel the global panel, switches Google Earth's
  // locale, starts the watch thread and creates the panel's window as a
  // child of `parent`. Does not contact Google Earth.
  TGEPanel(platform::Platform& platform, WindowHandle parent);
  ~TGEPanel() override;
  TGEPanel(const TGEPanel&) = delete;
  TGEPanel& operator=(const TGEPanel&) = delete;

  // Start-up (startup.cpp).
  void Loaded();
  void InitGE();
  void DoTimer();
  void SetGoogleEarth();

  // Release (release.cpp).
  void CloseGE();
  void RestoreGoogleEarth();

  // Registry settings (ge_registry.cpp).
  // Takes the locale by value: it is often FSavedLocale itself, which the
  // call overwrites.
  void SetGeLocale(std::string locale);
  void Readregistry();
  void SetLayer(const std::string& name, std::int32_t visibility);

  // The watch thread's wake-up (watch_loop.cpp): hides Google Earth's main
  // window while the global panel wants it hidden. Runs on the watch thread.
  static void WatchWake(platform::Desktop& desktop);

  // Google Earth writes a picture of the view to `fileName` (screenshot.cpp).
  // Does nothing unless the view is embedded; failures are dropped.
  void ScreenShot(const std::u16string& fileName);

  // Overlays (overlays.cpp). Each does nothing while the panel holds no
  // Google Earth connection. Texts of the waypoint and live GPS operations
  // and of route points are in the ANSI code page.
  void LoadWaypoint(std::string_view name, std::string_view description, std::string_view icon,
                    double latitude, double longitude);
  void LoadLiveGPS(std::string_view name, std::string_view description, std::string_view icon,
                   double latitude, double longitude, std::int32_t heading);
  void HideWaypoint(const std::u16string& documentName, const std::u16string& placemarkName);
  void LoadRoute(TListGE list, const std::u16string& name, const std::u16string& description,
                 std::uint32_t color);
  void LoadTrackLeg(const std::u16string& name, const std::u16string& icon,
                    const kml::TrackLeg& leg);

  // Loaded features (features.cpp).
  void OpenKMLData(const std::u16string& data);
  void OpenKMLFile(const std::u16string& fileName);
  void OpenFeaturesKML();
  void HideAll();
  void ShowAll();
  void SetFeatureVisibility(const std::u16string& name, bool visible);
  [[nodiscard]] std::int32_t GetFeatureCount() const noexcept;
  [[nodiscard]] const StringList& GetFeatureList() const noexcept { return FFeatures; }

  // Writes a document to the temporary KML file of `name` and lists the
  // name in FFeatures (temp_kml.cpp).
  void SaveTempKML(const std::u16string& data, const std::u16string& name);

  // Version queries; need FApplication.
  earth::ApplicationGE& GetApplicationGE();
  std::int32_t GetApplicationType();
  std::int32_t GetBuild();
  std::int32_t GetMajor();
  std::int32_t GetMinor();

  // Events.
  void SetOnLoaded(LoadedEvent onLoaded) { OnLoaded = std::move(onLoaded); }
  void SetOnInit(InitEvent onInit) { OnInit = std::move(onInit); }

  // State the other parts and the tests read.
  [[nodiscard]] bool Initialized() const noexcept { return FInitialized; }
  [[nodiscard]] bool Embedded() const noexcept { return FEmbedded; }
  [[nodiscard]] bool HasApplication() const noexcept { return FApplication != nullptr; }
  [[nodiscard]] WindowHandle RenderWnd() const noexcept { return FRenderWnd; }
  [[nodiscard]] WindowHandle RenderParent() const noexcept { return FRenderParent; }
  [[nodiscard]] WindowHandle MainWnd() const noexcept { return FMainWnd; }
  [[nodiscard]] const std::string& RenderTitle() const noexcept { return FRenderTitle; }
  [[nodiscard]] const std::string& VersionTag() const noexcept { return FVersionTag; }
  [[nodiscard]] const std::string& SavedLocale() const noexcept { return FSavedLocale; }
  [[nodiscard]] const std::string& TempPath() const noexcept { return FTempPath; }
  [[nodiscard]] std::int32_t MainShowCmd() const noexcept { return FMainShowCmd.load(); }
  [[nodiscard]] bool ShutDown() const noexcept { return FShutDown; }
  void SetShutDown(bool shutDown) noexcept { FShutDown = shutDown; }
  [[nodiscard]] const StringList& Layers() const noexcept { return FLayers; }
  [[nodiscard]] WindowHandle Handle() const;
  [[nodiscard]] platform::Timer& StartupTimer() noexcept { return *FTimer; }

  // Called by the owner of the global panel when the host destroyed the
  // panel's window; the panel deletes itself through it.
  using GoneHandler = std::function<void(TGEPanel&)>;
  void SetWindowGoneHandler(GoneHandler handler) { onWindowGone_ = std::move(handler); }

 private:
  // PanelWindowEvents.
  void OnSize() override;
  void OnEnter() override;
  void OnDestroy() override;
  void OnWindowGone() override;

  // Start-up helpers (startup.cpp).
  void ConnectTick();
  // False when the host's OnInit handler destroyed the panel.
  [[nodiscard]] bool QueryTick();
  void FailStartup();
  void RaiseLoaded(bool isLoaded);
  void DropApplication();
  void MoveMainWindowToPanel(int extraWidth, int extraHeight);
  void MoveRenderWindowToPanel();

  // Release helpers (release.cpp).
  void ReleaseSequence();
  void EndGoogleEarthProcess(WindowHandle mainWnd);
  void DeleteTempKML();

  // Feature helpers (features.cpp).
  void SetAllTemporaryPlaces(std::int32_t from, std::int32_t to);

  // Locale helpers (ge_registry.cpp).
  void RememberUserLocale();
  void ForgetUserLocale();
  void SwitchLocaleForPanel();
  void RestoreUserLocale();

  void Disarm();

  platform::Platform& platform_;

  InitEvent OnInit;
  LoadedEvent OnLoaded;
  bool FEmbedded = false;
  WindowHandle FRenderWnd = kNoWindow;
  WindowHandle FRenderParent = kNoWindow;
  bool FInitialized = false;
  std::unique_ptr<earth::TApplicationGE> FApplication;
  // Connections that earlier ticks dropped: still owned, still connected,
  // released when the panel goes.
  std::vector<std::unique_ptr<earth::TApplicationGE>> droppedApplications_;
  std::string FTempPath;
  StringList FFeatures;
  std::string FVersionTag;
  std::string FSavedLocale;
  std::string FRenderTitle;
  double FMouseLatitude = 0;
  double FMouseLongitude = 0;
  StringList FLayers;
  std::unique_ptr<platform::Timer> FTimer;
  WindowHandle FMainWnd = kNoWindow;
  std::atomic<std::int32_t> FMainShowCmd{show::kHide};
  bool FShutDown = true;
  std::string FSaveDirectory;

  std::unique_ptr<platform::OleScope> ole_;
  std::unique_ptr<platform::PanelWindow> window_;
  std::unique_ptr<platform::WatchThread> watchThread_;
  GoneHandler onWindowGone_;
  bool destroying_ = false;
  // False once the panel is destroyed: a tick whose event handler closed
  // the panel learns of it through its own copy and stops.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The one global panel, or null. Read without a lock by the watch thread.
TGEPanel* GlobalPanel() noexcept;
void SetGlobalPanel(TGEPanel* panel) noexcept;

}  // namespace zge
