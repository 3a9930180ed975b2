// TGEPanel: the panel that shows Google Earth inside a window of the host.
//
// Construction and destruction are in ge_panel.cpp, the start-up ticks and
// the adoption of the render window in startup.cpp, the release of Google
// Earth in release.cpp, Google Earth's registry settings in ge_registry.cpp,
// the watch thread's wake-up in watch_loop.cpp, the overlays (waypoints,
// live GPS, routes, track legs) in overlays.cpp, their temporary KML files in
// temp_kml.cpp, the loaded features in features.cpp, the camera in
// camera.cpp, the mouse wheel and pixel mapping in mouse.cpp, and the
// pictures and the view placemark in screenshot.cpp.
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
#include "panel/save_features.h"
#include "platform/bitmap.h"
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

// The bounds of the visible area, degrees, in this order.
struct TViewBoxGE {
  double North = 0;
  double South = 0;
  double West = 0;
  double East = 0;
};

// The ground under a pixel of the panel. When Missed is 1 no ground lies
// under it and the other fields are not set.
struct TMousePosGE {
  std::uint8_t Missed = 0;
  double Longitude = 0;
  double Latitude = 0;
  double Altitude = 0;
};

// A WM_MOUSEWHEEL message as the host's window procedure received it.
struct TWheelMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

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

  // Camera (camera.cpp). "Ready to read": embedded once and connected;
  // "ready to move": the render window is in the panel as well. Getters
  // return 0 unless ready to read and let Google Earth's failures pass;
  // setters, SynchronizeView and GetViewBox do nothing unless ready to move
  // and drop Google Earth's failures (the view stays where it was).
  [[nodiscard]] bool ReadyToRead() const noexcept;
  [[nodiscard]] bool ReadyToMove() const noexcept;
  double GetLatitude();
  double GetLongitude();
  double GetRange();
  double GetTilt();
  double GetAzimuth();
  void SetLatitude(double value);
  void SetLongitude(double value);
  void SetRange(double value);
  void SetTilt(double value);
  void SetAzimuth(double value);
  // The one routine that moves the view: the whole description, the tilt
  // limited to 0..90 (others are sent as 0), at speed 3.0.
  void SetCameraGE(earth::CameraInfoGE* camera);
  void SynchronizeView(double extent, double latitude, double longitude, double rotation);
  // Writes each bound into `box` as it is read; leaves the rest unwritten.
  void GetViewBox(TViewBoxGE& box);

  // Mouse wheel and pixel mapping (mouse.cpp).
  bool IsMauseIn();
  void Zoom(std::int32_t steps);
  bool OnMouseWheel(const TWheelMessage& message);
  bool OnMouseWheel(std::int32_t wheelDelta);
  TMousePosGE MousePos(std::int32_t x, std::int32_t y);

  // Pictures and the view placemark (screenshot.cpp).
  // Copies what the panel's window shows into `bitmap`, sized to the panel.
  void ScreenShot(platform::Bitmap& bitmap);
  // Google Earth writes a picture of the view to `fileName`. Does nothing
  // unless ready to move; failures are dropped.
  void ScreenShot(const std::u16string& fileName);
  // Google Earth's own picture of the view (through a temporary file),
  // scaled into `bitmap` at the panel's size. Throws when not ready to move
  // or when Google Earth or the file fails.
  void EarthScreenShot(platform::Bitmap& bitmap);
  // Writes the view placemark file; false (nothing written) unless ready to
  // read or when Google Earth gives no camera. Failures pass to the caller.
  bool SaveKMLToFile(const std::string& fileName);

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

  // Saving features (save_features.cpp; the dialog in dialogs/save_dialog.cpp).
  // Copies the temporary file of entry `index` of FFeatures into
  // `directory` under the same name. False when it was not saved; the
  // thread's last error then says why.
  bool SaveFeature(const std::string& directory, std::int32_t index);
  // The same, telling the caller why instead of recording it.
  SaveResult TrySaveFeature(const std::string& directory, std::int32_t index);
  // The "Save KML Files" dialog over the host's window; without features
  // it does nothing.
  void SaveFeaturesKML();
  [[nodiscard]] const std::string& SaveDirectory() const noexcept { return FSaveDirectory; }
  // True until the panel is closed (its destruction may wait for a running
  // call to return) or destroyed; a copy outlives it, so that a dialog
  // whose modal loop ran the host's CloseGE learns that the panel is gone.
  [[nodiscard]] std::shared_ptr<const bool> AliveFlag() const noexcept { return alive_; }
  // The host closed the panel while a call still runs on it: that call and
  // its events stop touching it, and it is destroyed when the call returns.
  void MarkClosed() noexcept { *alive_ = false; }

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
  [[nodiscard]] double MouseLatitude() const noexcept { return FMouseLatitude; }
  [[nodiscard]] double MouseLongitude() const noexcept { return FMouseLongitude; }
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

  // Camera helpers (camera.cpp).
  template <typename Value>
  Value ReadCamera(Value (earth::CameraInfoGE::*property)());
  // Takes a description, lets `edit` write into it and moves the view to
  // it; does nothing unless ready to move, drops Google Earth's failures.
  void EditCamera(const std::function<void(earth::CameraInfoGE&)>& edit);
  void WriteCamera(void (earth::CameraInfoGE::*property)(double), double value);

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
  // The window went during a call: the release sequence is left to the
  // destructor.
  bool releaseDeferred_ = false;
  // False once the panel is closed or destroyed: a tick whose event handler
  // closed the panel learns of it through its own copy and stops.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The one global panel, or null. Read without a lock by the watch thread.
TGEPanel* GlobalPanel() noexcept;
void SetGlobalPanel(TGEPanel* panel) noexcept;

}  // namespace zge
