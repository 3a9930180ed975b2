// Random sequences of the package's calls against the fakes: the exports as
// the DLL's shims make them, the start-up timer, the watch thread, the host
// destroying the panel's window, Google Earth dying, and failures injected
// at the Nth call of Google Earth, the registry, files, windows, timers,
// processes, OLE and dialogs. Host callbacks and calls that arrive while
// the package waits for Google Earth run further steps inside the running
// one. After every step the invariants below must hold; any breach aborts.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/call_scope.h"
#include "base/error.h"
#include "base/guard.h"
#include "base/last_error.h"
#include "entry/lifecycle.h"
#include "fake_platform.h"
#include "panel/ge_panel.h"

namespace zge::fuzzing {
namespace {

using fakes::EarthState;
using fakes::FakeWindow;

[[noreturn]] void Breach(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void Require(bool holds, const char* what) {
  if (!holds) {
    Breach(what);
  }
}

constexpr std::uint32_t kEarthProcess = 4242;
constexpr std::string_view kUserLocaleChoices[] = {"", "de-DE", "en-US", "fr-FR"};

// Result codes the fakes fail with: COM's, the server's and the system's.
constexpr std::array<std::int32_t, 7> kFailureCodes = {
    codes::kFail,
    codes::kDisconnected,
    codes::kServerUnavailable,
    codes::kCallFailed,
    codes::kOutOfMemory,
    static_cast<std::int32_t>(0x80070005),  // access denied
    static_cast<std::int32_t>(0x80048002),  // not initialised
};

// What the fault plan can be aimed at: categories and single members.
constexpr std::array<std::string_view, 30> kFaultTargets = {
    "earth",           "registry",
    "files",           "desktop",
    "window",          "timer",
    "process",         "ole",
    "dialogs",         "Connect",
    "GetMainHwnd",     "GetRenderHwnd",
    "IsInitialized",   "GetCamera",
    "SetCameraParams", "LoadKmlData",
    "OpenKmlFile",     "GetFeatureByName",
    "SaveScreenShot",  "SetParent",
    "SetWindowPos",    "MoveWindow",
    "SetWindowText",   "WriteFile",
    "DeleteFile",      "CreateDirectory",
    "OpenKey",         "WriteString",
    "DeleteValue",     "SetTimer",
};

class FuzzBitmap final : public platform::Bitmap {
 public:
  explicit FuzzBitmap(fakes::FakeFiles& files) : files_(files) {}
  void SetSize(Size size) override {
    if (size.width < 0 || size.height < 0 || size.width > 1 << 15 || size.height > 1 << 15) {
      throw Error(codes::kOutOfMemory, "CreateDIBSection failed");
    }
  }
  void CopyFromWindow(WindowHandle, const Rect&) override {}
  void DrawImageFile(std::string_view path) override {
    if (!files_.FileExists(path)) {
      throw Error(static_cast<std::int32_t>(0x80070002), "no picture in " + std::string(path));
    }
  }

 private:
  fakes::FakeFiles& files_;
};

enum class Op : std::uint8_t {
  kLoadGE,
  kCloseGE,
  kSetOnLoaded,
  kSetShutDown,
  kSetOnInit,
  kTick,
  kWake,
  kHostDestroysPanelWindow,
  kResize,
  kFocus,
  kArmFault,
  kEarthDies,
  kEarthRestarts,
  kCallWhileWaiting,
  kMouseWheel,
  kMouseWheelMessage,
  kSynchronizeView,
  kLoadWaypoint,
  kLoadLiveGPS,
  kHideWaypoint,
  kLoadRoute,
  kLoadTrackLeg,
  kFeatureCount,
  kSaveFeature,
  kSaveFeaturesKML,
  kLoadKMLData,
  kOpenKMLFile,
  kOpenFeaturesKML,
  kCameraPoint,
  kViewBox,
  kPanelXYToLatLon,
  kGetImage,
  kSaveImage,
  kHideAll,
  kShowAll,
  kSetFeatureVisibility,
  kSetRotation,
  kCameraSetters,
  kIsViewReady,
  kRestoreGoogleEarth,
  kVersions,
  kSetLayer,
  kReadRegistry,
  kMousePos,
  kEarthImage,
  kSaveKMLToFile,
  kEarthAnswersNull,
  kEarthWindowsChange,
  kEarthGainsFeature,
  kHostWindowChanges,
  kMaxValue = kHostWindowChanges,
};

class Session {
 public:
  explicit Session(FuzzedDataProvider& data) : data_(data) {
    AddHostWindow();
    AddEarthWindows();
    f_.processes.processes[kEarthProcess] = fakes::FakeProcessState{};
    f_.registry.Set("Software\\Google\\CommonSettings\\Layers", "Roads", std::uint32_t{1});
    f_.registry.Set("Software\\Google\\CommonSettings\\Layers", "Borders", std::string("x"));
    f_.earth.state.features[u"Roads"] = 1;
    userLocale_ = std::string(kUserLocaleChoices[data_.ConsumeIntegralInRange<std::size_t>(
        0, std::size(kUserLocaleChoices) - 1)]);
    if (!userLocale_.empty()) {
      f_.registry.Set(kGeSettingsKey, kGeLocaleValue, userLocale_);
    }
  }

  void Run() {
    int steps = 0;
    while (data_.remaining_bytes() > 0 && ++steps <= 200) {
      const Op op = data_.ConsumeEnum<Op>();
      Step(op, 0);
      CheckAfterStep(op);
    }
    Finish();
  }

 private:
  // ----- Steps -----

  void Step(Op op, int depth) {
    // ZGE_FUZZ_TRACE=1 prints the steps of a reproduced input.
    static const bool trace = std::getenv("ZGE_FUZZ_TRACE") != nullptr;
    if (trace) {
      std::fprintf(stderr, "%*sstep %d\n", depth * 2, "", static_cast<int>(op));
    }
    switch (op) {
      case Op::kLoadGE:
        lastLoad_ =
            Guarded(false, [&] { return entry::LoadGE(f_.ports, host_, LoadedCallback()); });
        break;
      case Op::kCloseGE:
        Guarded([] { entry::CloseGE(); });
        break;
      case Op::kSetOnLoaded:
        Guarded([&] { entry::SetOnLoadedGE(LoadedCallback()); });
        break;
      case Op::kSetShutDown:
        Guarded([&] { entry::SetShutDownGE(data_.ConsumeBool()); });
        break;
      case Op::kSetOnInit: {
        const bool clear = data_.ConsumeBool();
        const Op reaction = data_.ConsumeEnum<Op>();
        OnPanel([&](TGEPanel& panel) {
          if (clear) {
            panel.SetOnInit({});
          } else {
            panel.SetOnInit([this, reaction] { Nested(reaction); });
          }
        });
        break;
      }
      case Op::kTick:
        f_.timers.Tick();
        break;
      case Op::kWake:
        f_.threads.Wake();
        break;
      case Op::kHostDestroysPanelWindow:
        if (f_.panelWindows.state.handle != kNoWindow) {
          f_.panelWindows.HostDestroysPanelWindow();
        }
        break;
      case Op::kResize: {
        const int width = data_.ConsumeIntegralInRange(-10, 5000);
        const int height = data_.ConsumeIntegralInRange(-10, 5000);
        if (f_.panelWindows.state.handle != kNoWindow) {
          f_.panelWindows.Resize(width, height);
        }
        break;
      }
      case Op::kFocus:
        f_.panelWindows.Focus();
        break;
      case Op::kArmFault: {
        const std::string_view target = data_.PickValueInArray(kFaultTargets);
        const int nth = data_.ConsumeIntegralInRange(1, 12);
        f_.faults.Arm(std::string(target), nth, data_.PickValueInArray(kFailureCodes));
        break;
      }
      case Op::kEarthDies:
        // The server's process has gone: every call on it fails, a new
        // connection cannot be made, its windows are gone.
        earthDead_ = true;
        f_.faults.ArmAlways("earth", codes::kServerUnavailable);
        f_.desktop.RemoveWindow(earthRender_);
        f_.desktop.RemoveWindow(earthContainer_);
        f_.desktop.RemoveWindow(earthMain_);
        f_.processes.processes[kEarthProcess].running = false;
        break;
      case Op::kEarthRestarts:
        if (earthDead_) {
          earthDead_ = false;
          f_.faults.Clear();
          AddEarthWindows();
          f_.processes.processes[kEarthProcess] = fakes::FakeProcessState{};
        }
        break;
      case Op::kCallWhileWaiting: {
        // The host's message arrives while the package waits on the Nth
        // call into Google Earth from now, and runs another step there.
        int countdown = data_.ConsumeIntegralInRange(1, 16);
        const Op reaction = data_.ConsumeEnum<Op>();
        f_.earth.whileWaiting = [this, countdown, reaction](const std::string&) mutable {
          if (--countdown == 0) {
            // Clearing the handler destroys this lambda: copy what it needs first.
            Session& session = *this;
            const Op nested = reaction;
            session.f_.earth.whileWaiting = nullptr;
            session.Nested(nested);
          }
        };
        break;
      }
      case Op::kEarthAnswersNull: {
        // Google Earth answers "nothing" where it usually answers an object.
        EarthState& state = f_.earth.state;
        switch (data_.ConsumeIntegralInRange(0, 3)) {
          case 0:
            state.hasCamera = !state.hasCamera;
            break;
          case 1:
            state.hasExtents = !state.hasExtents;
            break;
          case 2:
            state.hasTerrainPoint = !state.hasTerrainPoint;
            break;
          default:
            state.hasTemporaryPlaces = !state.hasTemporaryPlaces;
            break;
        }
        break;
      }
      case Op::kEarthWindowsChange:
        // Google Earth is up but reports no main or no render window (yet).
        if (data_.ConsumeBool()) {
          f_.earth.state.mainWnd = f_.earth.state.mainWnd == kNoWindow ? earthMain_ : kNoWindow;
        } else {
          f_.earth.state.renderWnd =
              f_.earth.state.renderWnd == kNoWindow ? earthRender_ : kNoWindow;
        }
        break;
      case Op::kEarthGainsFeature: {
        // A document in the temporary places, named as the overlays name
        // theirs, with a placemark or a boat in it.
        static constexpr std::array<std::u16string_view, 6> kNames = {
            u"Buoy", u"Leg 1", u"Live GPS Boat", u"Boat", u"Track_0", u"Mark"};
        const std::u16string document(data_.PickValueInArray(kNames));
        const std::u16string placemark(data_.PickValueInArray(kNames));
        f_.earth.state.temporaryPlaces->children.push_back(fakes::MakeFeature(
            document, data_.ConsumeIntegralInRange(-1, 2), {fakes::MakeFeature(placemark)}));
        break;
      }
      case Op::kHostWindowChanges:
        // The host destroys its control (the panel's window goes first) or
        // makes a new one.
        if (f_.desktop.Exists(host_)) {
          if (f_.panelWindows.state.handle != kNoWindow) {
            f_.panelWindows.HostDestroysPanelWindow();
          }
          f_.desktop.RemoveWindow(host_);
        } else {
          AddHostWindow();
        }
        break;
      default:
        Export(op);
        break;
    }
  }

  void AddHostWindow() {
    host_ = f_.desktop.AddWindow(
        FakeWindow{"HostControl", "", kNoWindow, Rect{0, 0, 800, 600}, true, -1, 1});
  }

  // A step run by host code inside another one. Bounded by the steps
  // running at the time, not by where the callback was made: a tick whose
  // handler ticks again would otherwise recurse for ever, which no host's
  // timer does.
  void Nested(Op op) {
    if (nesting_ >= 3 || op == Op::kCallWhileWaiting) {
      return;
    }
    ++nesting_;
    Step(op, nesting_);
    --nesting_;
  }

  LoadedEvent LoadedCallback() {
    switch (data_.ConsumeIntegralInRange(0, 3)) {
      case 0:
        return nullptr;
      case 1:
        return [this](bool) { ++loadedEvents_; };
      default: {
        const Op reaction = data_.ConsumeEnum<Op>();
        return [this, reaction](bool) {
          ++loadedEvents_;
          Nested(reaction);
        };
      }
    }
  }

  template <typename Body>
  void OnPanel(Body&& body) {
    Guarded([&] { entry::WithPanel(body); });
  }

  // The exports that reach the panel, with the DLL shims' own checks.
  void Export(Op op) {
    switch (op) {
      case Op::kMouseWheel: {
        const std::int32_t delta = Int();
        OnPanel([&](TGEPanel& panel) { panel.OnMouseWheel(delta); });
        break;
      }
      case Op::kMouseWheelMessage: {
        const TWheelMessage message{data_.ConsumeIntegral<std::uint32_t>(),
                                    data_.ConsumeIntegral<std::uintptr_t>(),
                                    data_.ConsumeIntegral<std::intptr_t>(), 0};
        OnPanel([&](TGEPanel& panel) { panel.OnMouseWheel(message); });
        break;
      }
      case Op::kSynchronizeView: {
        const double extent = Number();
        const double latitude = Number();
        const double longitude = Number();
        const double rotation = Number();
        OnPanel(
            [&](TGEPanel& panel) { panel.SynchronizeView(extent, latitude, longitude, rotation); });
        break;
      }
      case Op::kLoadWaypoint: {
        const std::string name = Text();
        const std::string description = Text();
        const std::string icon = Text();
        const double latitude = Number();
        const double longitude = Number();
        OnPanel([&](TGEPanel& panel) {
          panel.LoadWaypoint(name, description, icon, latitude, longitude);
        });
        break;
      }
      case Op::kLoadLiveGPS: {
        const std::string name = Text();
        const std::string description = Text();
        const std::string icon = Text();
        const double latitude = Number();
        const double longitude = Number();
        const std::int32_t heading = Int();
        OnPanel([&](TGEPanel& panel) {
          panel.LoadLiveGPS(name, description, icon, latitude, longitude, heading);
        });
        break;
      }
      case Op::kHideWaypoint: {
        const std::u16string document = WideText();
        const std::u16string placemark = WideText();
        OnPanel([&](TGEPanel& panel) { panel.HideWaypoint(document, placemark); });
        break;
      }
      case Op::kLoadRoute: {
        std::vector<std::string> texts;
        const std::size_t count = data_.ConsumeIntegralInRange<std::size_t>(0, 6);
        for (std::size_t i = 0; i < count * 3; ++i) {
          texts.push_back(Text());
        }
        std::vector<TPointGE> points;
        for (std::size_t i = 0; i < count; ++i) {
          points.push_back(
              TPointGE{texts[i * 3], texts[i * 3 + 1], texts[i * 3 + 2], Number(), Number()});
        }
        const std::u16string name = WideText();
        const std::u16string description = WideText();
        const auto color = data_.ConsumeIntegral<std::uint32_t>();
        OnPanel([&](TGEPanel& panel) { panel.LoadRoute(points, name, description, color); });
        break;
      }
      case Op::kLoadTrackLeg: {
        const std::u16string name = WideText();
        const std::u16string icon = WideText();
        const kml::TrackLeg leg{Number(),
                                Number(),
                                Number(),
                                Number(),
                                data_.ConsumeIntegral<std::uint32_t>(),
                                Int(),
                                Int(),
                                data_.ConsumeBool()};
        OnPanel([&](TGEPanel& panel) { panel.LoadTrackLeg(name, icon, leg); });
        break;
      }
      case Op::kFeatureCount:
        OnPanel([](TGEPanel& panel) { static_cast<void>(panel.GetFeatureCount()); });
        break;
      case Op::kSaveFeature: {
        const std::string directory = data_.ConsumeBool() ? std::string("D:\\charts") : Text();
        const std::int32_t index = Int();
        OnPanel([&](TGEPanel& panel) { static_cast<void>(panel.SaveFeature(directory, index)); });
        break;
      }
      case Op::kSaveFeaturesKML: {
        const bool pressOk = data_.ConsumeBool();
        const std::string directory = data_.ConsumeBool() ? std::string("D:\\charts") : Text();
        const Op reaction = data_.ConsumeEnum<Op>();
        const bool react = data_.ConsumeBool();
        f_.saveDialogs.user = [&](fakes::FakeSaveDialog& dialog) {
          for (std::size_t row = 0; row < dialog.rows.size(); row += 2) {
            dialog.Check(row);
          }
          dialog.directory = directory;
          if (react) {
            // The host's messages run in the dialog's modal loop.
            Nested(reaction);
          }
          if (pressOk) {
            dialog.PressOk();
          }
        };
        OnPanel([](TGEPanel& panel) { panel.SaveFeaturesKML(); });
        f_.saveDialogs.user = nullptr;
        break;
      }
      case Op::kLoadKMLData: {
        const std::u16string kml = WideText();
        OnPanel([&](TGEPanel& panel) { panel.OpenKMLData(kml); });
        break;
      }
      case Op::kOpenKMLFile: {
        const std::u16string file = WideText();
        OnPanel([&](TGEPanel& panel) { panel.OpenKMLFile(file); });
        break;
      }
      case Op::kOpenFeaturesKML: {
        f_.dialogs.chosenFiles.clear();
        const std::size_t count = data_.ConsumeIntegralInRange<std::size_t>(0, 3);
        for (std::size_t i = 0; i < count; ++i) {
          f_.dialogs.chosenFiles.push_back(WideText());
        }
        OnPanel([](TGEPanel& panel) { panel.OpenFeaturesKML(); });
        break;
      }
      case Op::kCameraPoint:
        OnPanel([](TGEPanel& panel) {
          static_cast<void>(panel.GetLatitude());
          static_cast<void>(panel.GetLongitude());
          static_cast<void>(panel.GetAzimuth());
        });
        break;
      case Op::kViewBox:
        OnPanel([](TGEPanel& panel) {
          TViewBoxGE box;
          panel.GetViewBox(box);
        });
        break;
      case Op::kPanelXYToLatLon:
      case Op::kMousePos: {
        const std::int32_t x = Int();
        const std::int32_t y = Int();
        OnPanel([&](TGEPanel& panel) { static_cast<void>(panel.MousePos(x, y)); });
        break;
      }
      case Op::kGetImage:
        OnPanel([&](TGEPanel& panel) {
          FuzzBitmap bitmap(f_.files);
          panel.ScreenShot(bitmap);
        });
        break;
      case Op::kEarthImage:
        OnPanel([&](TGEPanel& panel) {
          FuzzBitmap bitmap(f_.files);
          panel.EarthScreenShot(bitmap);
        });
        break;
      case Op::kSaveImage: {
        const std::u16string file = WideText();
        OnPanel([&](TGEPanel& panel) { panel.ScreenShot(file); });
        break;
      }
      case Op::kHideAll:
        OnPanel([](TGEPanel& panel) { panel.HideAll(); });
        break;
      case Op::kShowAll:
        OnPanel([](TGEPanel& panel) { panel.ShowAll(); });
        break;
      case Op::kSetFeatureVisibility: {
        const std::u16string name = WideText();
        const bool visible = data_.ConsumeBool();
        OnPanel([&](TGEPanel& panel) { panel.SetFeatureVisibility(name, visible); });
        break;
      }
      case Op::kSetRotation: {
        const double rotation = Number();
        OnPanel([&](TGEPanel& panel) {
          if (!(std::abs(rotation) <= 0.0001)) {
            panel.SetAzimuth(rotation);
          }
        });
        break;
      }
      case Op::kCameraSetters: {
        const int which = data_.ConsumeIntegralInRange(0, 4);
        const double value = Number();
        OnPanel([&](TGEPanel& panel) {
          switch (which) {
            case 0:
              panel.SetLatitude(value);
              break;
            case 1:
              panel.SetLongitude(value);
              break;
            case 2:
              panel.SetRange(value);
              break;
            case 3:
              panel.SetTilt(value);
              break;
            default:
              static_cast<void>(panel.GetRange() + panel.GetTilt());
              break;
          }
        });
        break;
      }
      case Op::kIsViewReady:
        OnPanel([](TGEPanel& panel) { static_cast<void>(panel.Initialized()); });
        break;
      case Op::kRestoreGoogleEarth:
        OnPanel([](TGEPanel& panel) { panel.RestoreGoogleEarth(); });
        break;
      case Op::kVersions:
        OnPanel([](TGEPanel& panel) {
          if (panel.HasApplication()) {
            static_cast<void>(panel.GetMajor() + panel.GetMinor() + panel.GetBuild() +
                              panel.GetApplicationType());
            static_cast<void>(panel.GetApplicationGE().DetachedDispatch());
          }
        });
        break;
      case Op::kSetLayer: {
        const std::string name = data_.ConsumeBool() ? std::string("Roads") : Text();
        const std::int32_t visibility = Int();
        OnPanel([&](TGEPanel& panel) { panel.SetLayer(name, visibility); });
        break;
      }
      case Op::kReadRegistry:
        OnPanel([](TGEPanel& panel) { panel.Readregistry(); });
        break;
      case Op::kSaveKMLToFile: {
        const std::string file = "D:\\views\\" + Text();
        OnPanel([&](TGEPanel& panel) { static_cast<void>(panel.SaveKMLToFile(file)); });
        break;
      }
      default:
        break;
    }
  }

  // ----- Arguments -----

  double Number() {
    static constexpr std::array<double, 12> kEdgeValues = {
        0.0,
        -0.0,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::max(),
        std::numeric_limits<double>::lowest(),
        std::numeric_limits<double>::denorm_min(),
        90.0,
        -180.0,
        1e9,
        35.9,
    };
    if (data_.ConsumeBool()) {
      return data_.PickValueInArray(kEdgeValues);
    }
    return data_.ConsumeFloatingPoint<double>();
  }

  std::int32_t Int() {
    static constexpr std::array<std::int32_t, 6> kEdgeValues = {
        0,
        -1,
        1,
        std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max(),
        120};
    if (data_.ConsumeBool()) {
      return data_.PickValueInArray(kEdgeValues);
    }
    return data_.ConsumeIntegral<std::int32_t>();
  }

  // Single-byte text: empty, any bytes (not UTF-8 either), or one of the
  // names the fakes know.
  std::string Text() { return data_.ConsumeRandomLengthString(48); }

  std::u16string WideText() {
    const std::string bytes = data_.ConsumeRandomLengthString(96);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
  }

  void AddEarthWindows() {
    const auto earth = f_.AddEarthWindows(kEarthProcess);
    earthMain_ = earth.main;
    earthContainer_ = earth.container;
    earthRender_ = earth.render;
  }

  // ----- Invariants -----

  // Files whose deletion was made to fail stay behind, as they would.
  [[nodiscard]] bool DeletionFailed(const std::string& path) const {
    for (const auto& delivered : f_.faults.delivered) {
      if (delivered.member == "DeleteFile(" + path + ")") {
        return true;
      }
    }
    return false;
  }

  [[nodiscard]] bool RegistryFaultDelivered() const {
    for (const auto& delivered : f_.faults.delivered) {
      if (delivered.category == "registry") {
        return true;
      }
    }
    return false;
  }

  // The .kml files directly in the panel's temporary folder.
  [[nodiscard]] std::set<std::string> TempKmlFiles() const {
    std::set<std::string> names;
    const std::string folder = f_.files.tempDirectory + "ZelkanGE\\";
    for (const auto& [path, content] : f_.files.files) {
      if (path.size() >= folder.size() + 4 && path.compare(0, folder.size(), folder) == 0 &&
          path.compare(path.size() - 4, 4, ".kml") == 0 &&
          path.find('\\', folder.size()) == std::string::npos) {
        names.insert(path);
      }
    }
    return names;
  }

  void CheckAfterStep(Op op) {
    Require(!CallScope::Inside(), "a call is still running after the step returned");
    TGEPanel* panel = GlobalPanel();
    if (op == Op::kCloseGE) {
      Require(panel == nullptr, "a panel is left after CloseGE");
    }
    // Pictures of Google Earth go through a temporary file, never kept.
    for (const auto& [path, content] : f_.files.files) {
      if (path.compare(0, f_.files.tempDirectory.size(), f_.files.tempDirectory) == 0 &&
          path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0) {
        Require(DeletionFailed(path), "a temporary picture file is left behind");
      }
    }
    const std::set<std::string> files = TempKmlFiles();
    if (panel != nullptr) {
      // The feature list names exactly the temporary files the panel wrote.
      std::set<std::string> listed;
      for (const auto& entry : panel->GetFeatureList().Entries()) {
        listed.insert(panel->TempPath() + entry.text + ".kml");
      }
      for (const std::string& path : listed) {
        Require(files.count(path) != 0, "a listed feature has no temporary file");
      }
      for (const std::string& path : files) {
        Require(listed.count(path) != 0 || DeletionFailed(path),
                "a temporary file is not in the feature list");
      }
      return;
    }
    for (const std::string& path : files) {
      Require(DeletionFailed(path), "a temporary file outlived the panel");
    }
    Require(f_.earth.state.connections == 0, "a connection to Google Earth outlived the panel");
    Require(f_.earth.state.liveObjects == 0, "an object of Google Earth outlived the panel");
    Require(f_.registry.openKeys == 0, "a registry key is still open");
    Require(f_.processes.openHandles == 0, "a process handle is still open");
    Require(f_.ole.depth == 0, "OLE is still initialised");
    Require(!f_.timers.state.exists, "the start-up timer outlived the panel");
    Require(!f_.threads.state.running, "the watch thread outlived the panel");
    Require(f_.panelWindows.state.handle == kNoWindow, "the panel's window outlived the panel");
    Require(f_.module.references <= 1, "more than one reference on the code without a panel");
    if (!RegistryFaultDelivered()) {
      Require(LocaleKept(), "the user's locale is not back after the panel went");
    }
  }

  // Back in Google Earth's settings, or still kept in the package's key for
  // the next panel to restore.
  [[nodiscard]] bool LocaleKept() const {
    const auto locale = f_.registry.Get(kGeSettingsKey, kGeLocaleValue);
    if (userLocale_.empty()) {
      return !locale.has_value();
    }
    const auto kept = f_.registry.Get(kPackageKey, kSavedLocaleValue);
    return locale == fakes::RegistryData(userLocale_) || kept == fakes::RegistryData(userLocale_);
  }

  // The host closes; with no faults left, a new panel comes and goes
  // cleanly and leaves the user's settings as they were.
  void Finish() {
    f_.earth.whileWaiting = nullptr;
    f_.saveDialogs.user = nullptr;
    Guarded([] { entry::CloseGE(); });
    CheckAfterStep(Op::kCloseGE);
    f_.faults.Clear();
    if (earthDead_) {
      Step(Op::kEarthRestarts, 0);
    }
    if (!f_.desktop.Exists(host_)) {
      AddHostWindow();
    }
    f_.earth.state.mainWnd = earthMain_;
    f_.earth.state.renderWnd = earthRender_;
    const bool loaded = Guarded(false, [&] { return entry::LoadGE(f_.ports, host_, nullptr); });
    Require(loaded, "LoadGE fails once nothing fails any more");
    f_.timers.Tick();
    f_.timers.Tick();
    Guarded([] { entry::CloseGE(); });
    CheckAfterStep(Op::kCloseGE);
    Require(f_.module.references == 0, "a reference on the code is left after CloseGE");
    if (!RegistryFaultDelivered()) {
      Require(f_.registry.Get(kPackageKey, kSavedLocaleValue) == std::nullopt,
              "the package's key still holds the user's locale");
      const auto locale = f_.registry.Get(kGeSettingsKey, kGeLocaleValue);
      Require(
          userLocale_.empty() ? !locale.has_value() : locale == fakes::RegistryData(userLocale_),
          "the user's locale is lost");
    }
  }

  FuzzedDataProvider& data_;
  fakes::FakePlatform f_;
  WindowHandle host_ = kNoWindow;
  WindowHandle earthMain_ = kNoWindow;
  WindowHandle earthContainer_ = kNoWindow;
  WindowHandle earthRender_ = kNoWindow;
  std::string userLocale_;
  bool earthDead_ = false;
  bool lastLoad_ = false;
  int loadedEvents_ = 0;
  int nesting_ = 0;
};

}  // namespace
}  // namespace zge::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  {
    zge::fuzzing::Session session(provider);
    session.Run();
  }
  // The fakes are gone: nothing of the package may point at them.
  zge::fuzzing::Require(zge::GlobalPanel() == nullptr, "a panel outlived its session");
  zge::ClearLastError();
  return 0;
}
