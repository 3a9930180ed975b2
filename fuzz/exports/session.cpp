#include "session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/guard.h"
#include "base/last_error.h"
#include "entry/lifecycle.h"
#include "invariants.h"

namespace zge::fuzzing {
namespace {

using fakes::EarthState;
using fakes::FakeWindow;

constexpr std::uint32_t kEarthProcess = 4242;

// A host's bitmap: only its handle is handed over.
class FuzzBitmap final : public platform::Bitmap {
 public:
  explicit FuzzBitmap(fakes::FakeFiles& files) : files_(&files) {}
  void SetSize(Size size) override {
    if (size.width < 0 || size.height < 0 || size.width > 1 << 15 || size.height > 1 << 15) {
      throw Error(codes::kOutOfMemory, "CreateDIBSection failed");
    }
  }
  void CopyFromWindow(WindowHandle, const Rect&) override {}
  void DrawImageFile(std::string_view path) override {
    if (!files_->FileExists(path)) {
      throw Error(static_cast<std::int32_t>(0x80070002), "no picture in " + std::string(path));
    }
  }
  void HandTo(int& handle) const noexcept { handle = 1; }

 private:
  fakes::FakeFiles* files_;
};

// The host's route as the C interface lays it out.
struct RoutePoint {
  const char* Name;
  const char* Description;
  const char* Icon;
  double Latitude;
  double Longitude;
};
struct RouteList {
  std::int32_t Count;
  const RoutePoint* Points;
};

// An out-parameter the host passes, or NULL when `which` names it.
template <typename T>
T* Pointer(T& value, std::size_t which, std::size_t position) {
  return which == position ? nullptr : &value;
}

// Out-parameters stay as the host left them when there is no panel.
void RequireUnwritten(bool hadPanel, bool unchanged) {
  Require(hadPanel || unchanged, "an out-parameter was written without a panel");
}

}  // namespace

Session::Session(FuzzedDataProvider& data) : data_(data), in_(data) {
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

void Session::Run() {
  int steps = 0;
  while (data_.remaining_bytes() > 0 && ++steps <= 200) {
    const Op op = in_.NextOp();
    Step(op, 0);
    CheckAfterStep(f_, userLocale_, op);
  }
  Finish();
}

void Session::Step(Op op, int depth) {
  // ZGE_FUZZ_TRACE=1 prints the steps of a reproduced input.
  static const bool trace = std::getenv("ZGE_FUZZ_TRACE") != nullptr;
  if (trace) {
    std::fprintf(stderr, "%*sstep %d\n", depth * 2, "", static_cast<int>(op));
  }
  if (!Export(op)) {
    Event(op);
  }
}

// Every export is a case here, so that a new one in the export table does
// not build until the fuzzer calls it.
bool Session::Export(Op op) {
  switch (op) {
    case Op::kLoadGE:
    case Op::kSetOnLoadedGE:
    case Op::kSetShutDownGE:
    case Op::kCloseGE:
    case Op::kZgeSetOnInit:
      Lifecycle(op);
      return true;
    case Op::kLoadWaypoint:
    case Op::kLoadLiveGPS:
    case Op::kHideWaypoint:
    case Op::kLoadRoute:
    case Op::kLoadTrackLeg:
      Overlays(op);
      return true;
    case Op::kFeatureCount:
    case Op::kSaveFeature:
    case Op::kSaveFeaturesKML:
    case Op::kLoadKMLData:
    case Op::kOpenKMLFile:
    case Op::kOpenFeaturesKML:
    case Op::kHideAllLoadedKML:
    case Op::kShowAllLoadedKML:
    case Op::kSetFeatureVisibility:
    case Op::kZgeSaveKMLToFile:
      Features(op);
      return true;
    case Op::kOnMouseWheelM:
    case Op::kOnMouseWheelW:
    case Op::kSynchronizeView:
    case Op::kCameraPoint:
    case Op::kViewBox:
    case Op::kGEPanelXYtoLatLon:
    case Op::kSetRotation:
    case Op::kZgeMousePos:
      Camera(op);
      return true;
    case Op::kCanvasGE:
    case Op::kGetImageGE:
    case Op::kSaveImageGE:
    case Op::kZgeGetEarthImage:
      Pictures(op);
      return true;
    case Op::kZgeGetLastError:
    case Op::kZgeClearLastError:
    case Op::kZgeIsViewReady:
    case Op::kZgeRestoreGoogleEarth:
    case Op::kZgeGetMajor:
    case Op::kZgeGetMinor:
    case Op::kZgeGetBuild:
    case Op::kZgeGetApplicationType:
    case Op::kZgeGetApplicationGE:
    case Op::kZgeSetLayer:
    case Op::kZgeReadRegistry:
    case Op::kZgeGoGoogle:
    case Op::kZgeVersion:
      Additions(op);
      return true;
    case Op::kFeatureList:
    case Op::kZgeLayerList:
    case Op::kZgeStringListCount:
    case Op::kZgeStringListItem:
    case Op::kZgeStringListNumber:
      Lists(op);
      return true;
    case Op::kTick:
    case Op::kWake:
    case Op::kHostDestroysPanelWindow:
    case Op::kResize:
    case Op::kFocus:
    case Op::kArmFault:
    case Op::kEarthDies:
    case Op::kEarthRestarts:
    case Op::kCallWhileWaiting:
    case Op::kCameraSetters:
    case Op::kEarthAnswersNull:
    case Op::kEarthWindowsChange:
    case Op::kEarthGainsFeature:
    case Op::kHostWindowChanges:
      return false;
  }
  return false;
}

void Session::Lifecycle(Op op) {
  switch (op) {
    case Op::kLoadGE:
      static_cast<void>(abi::LoadGE(f_.ports, host_, LoadedCallback()));
      break;
    case Op::kCloseGE:
      abi::CloseGE();
      break;
    case Op::kSetOnLoadedGE:
      abi::SetOnLoadedGE(LoadedCallback());
      break;
    case Op::kSetShutDownGE:
      abi::SetShutDownGE(abi::ToBool(in_.Flag()));
      break;
    case Op::kZgeSetOnInit: {
      const bool clear = in_.Flag();
      const Op reaction = in_.NextOp();
      abi::ZgeSetOnInit(clear ? InitEvent() : InitEvent([this, reaction] { Nested(reaction); }));
      break;
    }
    default:
      break;
  }
}

void Session::Overlays(Op op) {
  switch (op) {
    case Op::kLoadWaypoint: {
      const std::string name = in_.Text();
      const std::string description = in_.Text();
      const std::string icon = in_.Text();
      const double latitude = in_.Number();
      const double longitude = in_.Number();
      abi::LoadWaypoint(name.c_str(), description.c_str(), icon.c_str(), latitude, longitude);
      break;
    }
    case Op::kLoadLiveGPS: {
      const std::string name = in_.Text();
      const std::string description = in_.Text();
      const std::string icon = in_.Text();
      const double latitude = in_.Number();
      const double longitude = in_.Number();
      const std::int32_t heading = in_.Int();
      abi::LoadLiveGPS(name.c_str(), description.c_str(), icon.c_str(), latitude, longitude,
                       heading);
      break;
    }
    case Op::kHideWaypoint: {
      const std::u16string document = in_.WideText();
      const std::u16string placemark = in_.WideText();
      abi::HideWaypoint(document.c_str(), placemark.c_str());
      break;
    }
    case Op::kLoadRoute: {
      std::vector<std::string> texts;
      const std::size_t count = data_.ConsumeIntegralInRange<std::size_t>(0, 6);
      for (std::size_t i = 0; i < count * 3; ++i) {
        texts.push_back(in_.Text());
      }
      std::vector<RoutePoint> points;
      for (std::size_t i = 0; i < count; ++i) {
        points.push_back(RoutePoint{texts[i * 3].c_str(), texts[i * 3 + 1].c_str(),
                                    texts[i * 3 + 2].c_str(), in_.Number(), in_.Number()});
      }
      const std::u16string name = in_.WideText();
      const std::u16string description = in_.WideText();
      const auto color = data_.ConsumeIntegral<std::uint32_t>();
      // The host's list as given, with no points behind a count, with a
      // negative count, or none at all.
      RouteList list{static_cast<std::int32_t>(count), points.data()};
      const std::size_t shape = in_.NullPointer(3);
      if (shape == 1) {
        list.Points = nullptr;
        list.Count = std::max(list.Count, 1);
      } else if (shape == 2) {
        list.Count = -1;
      }
      abi::LoadRoute(shape == 3 ? nullptr : &list, name.c_str(), description.c_str(), color);
      break;
    }
    case Op::kLoadTrackLeg: {
      const std::u16string name = in_.WideText();
      const std::u16string icon = in_.WideText();
      const double fromLatitude = in_.Number();
      const double fromLongitude = in_.Number();
      const double toLatitude = in_.Number();
      const double toLongitude = in_.Number();
      const auto color = data_.ConsumeIntegral<std::uint32_t>();
      const std::int32_t index = in_.Int();
      const std::int32_t heading = in_.Int();
      const bool visible = in_.Flag();
      abi::LoadTrackLeg(name.c_str(), icon.c_str(), fromLatitude, fromLongitude, toLatitude,
                        toLongitude, color, index, heading, abi::ToBool(visible));
      break;
    }
    default:
      break;
  }
}

void Session::Features(Op op) {
  switch (op) {
    case Op::kFeatureCount:
      static_cast<void>(abi::FeatureCount());
      break;
    case Op::kSaveFeature: {
      const std::string directory = in_.Flag() ? std::string("D:\\charts") : in_.Text();
      const std::int32_t index = in_.Int();
      static_cast<void>(abi::SaveFeature(directory.c_str(), index));
      break;
    }
    case Op::kSaveFeaturesKML: {
      const bool pressOk = in_.Flag();
      const std::string directory = in_.Flag() ? std::string("D:\\charts") : in_.Text();
      const Op reaction = in_.NextOp();
      const bool react = in_.Flag();
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
      abi::SaveFeaturesKML();
      f_.saveDialogs.user = nullptr;
      break;
    }
    case Op::kLoadKMLData: {
      const std::u16string kml = in_.WideText();
      abi::LoadKMLData(in_.NullPointer(1) == 1 ? nullptr : kml.c_str());
      break;
    }
    case Op::kOpenKMLFile: {
      const std::u16string file = in_.WideText();
      abi::OpenKMLFile(in_.NullPointer(1) == 1 ? nullptr : file.c_str());
      break;
    }
    case Op::kOpenFeaturesKML: {
      f_.dialogs.chosenFiles.clear();
      const std::size_t count = data_.ConsumeIntegralInRange<std::size_t>(0, 3);
      for (std::size_t i = 0; i < count; ++i) {
        f_.dialogs.chosenFiles.push_back(in_.WideText());
      }
      abi::OpenFeaturesKML();
      break;
    }
    case Op::kHideAllLoadedKML:
      abi::HideAllLoadedKML();
      break;
    case Op::kShowAllLoadedKML:
      abi::ShowAllLoadedKML();
      break;
    case Op::kSetFeatureVisibility: {
      const std::u16string name = in_.WideText();
      const bool visible = in_.Flag();
      abi::SetFeatureVisibility(in_.NullPointer(1) == 1 ? nullptr : name.c_str(),
                                abi::ToBool(visible));
      break;
    }
    case Op::kZgeSaveKMLToFile: {
      const std::string file = "D:\\views\\" + in_.Text();
      static_cast<void>(abi::ZgeSaveKMLToFile(in_.NullPointer(1) == 1 ? nullptr : file.c_str()));
      break;
    }
    default:
      break;
  }
}

void Session::Camera(Op op) {
  const bool hadPanel = GlobalPanel() != nullptr;
  constexpr double kUnwritten = -12345.0;
  switch (op) {
    case Op::kOnMouseWheelW:
      static_cast<void>(abi::OnMouseWheelW(in_.Int()));
      break;
    case Op::kOnMouseWheelM: {
      const TWheelMessage message{data_.ConsumeIntegral<std::uint32_t>(),
                                  data_.ConsumeIntegral<std::uintptr_t>(),
                                  data_.ConsumeIntegral<std::intptr_t>(), 0};
      static_cast<void>(abi::OnMouseWheelM(in_.NullPointer(1) == 1 ? nullptr : &message));
      break;
    }
    case Op::kSynchronizeView: {
      const double extent = in_.Number();
      const double latitude = in_.Number();
      const double longitude = in_.Number();
      const double rotation = in_.Number();
      abi::SynchronizeView(extent, latitude, longitude, rotation);
      break;
    }
    case Op::kCameraPoint: {
      double latitude = kUnwritten;
      double longitude = kUnwritten;
      double azimuth = kUnwritten;
      const std::size_t missing = in_.NullPointer(3);
      static_cast<void>(abi::CameraPoint(Pointer(latitude, missing, 1),
                                         Pointer(longitude, missing, 2),
                                         Pointer(azimuth, missing, 3)));
      RequireUnwritten(hadPanel && missing == 0,
                       latitude == kUnwritten && longitude == kUnwritten && azimuth == kUnwritten);
      break;
    }
    case Op::kViewBox: {
      double bounds[4] = {kUnwritten, kUnwritten, kUnwritten, kUnwritten};
      const std::size_t missing = in_.NullPointer(4);
      static_cast<void>(abi::ViewBox(Pointer(bounds[0], missing, 1), Pointer(bounds[1], missing, 2),
                                     Pointer(bounds[2], missing, 3),
                                     Pointer(bounds[3], missing, 4)));
      RequireUnwritten(hadPanel && missing == 0,
                       std::all_of(std::begin(bounds), std::end(bounds),
                                   [](double value) { return value == kUnwritten; }));
      break;
    }
    case Op::kGEPanelXYtoLatLon: {
      const std::int32_t x = in_.Int();
      const std::int32_t y = in_.Int();
      double latitude = kUnwritten;
      double longitude = kUnwritten;
      const std::size_t missing = in_.NullPointer(2);
      abi::GEPanelXYtoLatLon(x, y, Pointer(latitude, missing, 1), Pointer(longitude, missing, 2));
      RequireUnwritten(hadPanel && missing == 0, latitude == kUnwritten && longitude == kUnwritten);
      break;
    }
    case Op::kZgeMousePos: {
      const std::int32_t x = in_.Int();
      const std::int32_t y = in_.Int();
      TMousePosGE position{7, kUnwritten, kUnwritten, kUnwritten};
      const std::size_t missing = in_.NullPointer(1);
      static_cast<void>(abi::ZgeMousePos(x, y, Pointer(position, missing, 1)));
      RequireUnwritten(hadPanel && missing == 0, position.Missed == 7);
      break;
    }
    case Op::kSetRotation:
      abi::SetRotation(in_.Number());
      break;
    default:
      break;
  }
}

void Session::Pictures(Op op) {
  const auto newPicture = [this] { return FuzzBitmap(f_.files); };
  switch (op) {
    case Op::kCanvasGE:
      // The panel window's own drawing context, as long as the window is.
      static_cast<void>(abi::CanvasGE([this](WindowHandle panel) -> void* {
        if (!f_.desktop.Exists(panel)) {
          throw Error(codes::kFail, "GetDC failed");
        }
        return &f_.desktop;
      }));
      break;
    case Op::kGetImageGE: {
      int bitmap = 0;
      abi::GetImageGE(in_.NullPointer(1) == 1 ? nullptr : &bitmap, newPicture);
      break;
    }
    case Op::kZgeGetEarthImage: {
      int bitmap = 0;
      static_cast<void>(
          abi::ZgeGetEarthImage(in_.NullPointer(1) == 1 ? nullptr : &bitmap, newPicture));
      break;
    }
    case Op::kSaveImageGE: {
      const std::u16string file = in_.WideText();
      abi::SaveImageGE(in_.NullPointer(1) == 1 ? nullptr : file.c_str());
      break;
    }
    default:
      break;
  }
}

void Session::Additions(Op op) {
  switch (op) {
    case Op::kZgeGetLastError: {
      const int size = data_.ConsumeIntegralInRange(-1, 40);
      std::string buffer(static_cast<std::size_t>(std::max(size, 1)), 'x');
      std::int32_t code = 0;
      const std::int32_t length = abi::ZgeGetLastError(in_.Flag() ? nullptr : &code,
                                                       size < 0 ? nullptr : buffer.data(), size);
      Require(static_cast<std::size_t>(length) == CurrentLastError().text.size(),
              "ZgeGetLastError does not tell the text's length");
      if (size > 0) {
        Require(std::strlen(buffer.c_str()) ==
                    std::min(static_cast<std::size_t>(length), static_cast<std::size_t>(size - 1)),
                "ZgeGetLastError's text is not cut to the buffer and terminated");
      }
      break;
    }
    case Op::kZgeClearLastError:
      abi::ZgeClearLastError();
      break;
    case Op::kZgeIsViewReady:
      static_cast<void>(abi::ZgeIsViewReady());
      break;
    case Op::kZgeRestoreGoogleEarth:
      abi::ZgeRestoreGoogleEarth();
      break;
    case Op::kZgeGetMajor:
    case Op::kZgeGetMinor:
    case Op::kZgeGetBuild:
    case Op::kZgeGetApplicationType:
      static_cast<void>(abi::ZgeGetMajor() + abi::ZgeGetMinor() + abi::ZgeGetBuild() +
                        abi::ZgeGetApplicationType());
      break;
    case Op::kZgeGetApplicationGE:
      static_cast<void>(abi::ZgeGetApplicationGE());
      break;
    case Op::kZgeSetLayer: {
      const std::string name = in_.Flag() ? std::string("Roads") : in_.Text();
      const std::int32_t visibility = in_.Int();
      abi::ZgeSetLayer(in_.NullPointer(1) == 1 ? nullptr : name.c_str(), visibility);
      break;
    }
    case Op::kZgeReadRegistry:
      abi::ZgeReadRegistry();
      break;
    case Op::kZgeGoGoogle:
      abi::ZgeGoGoogle(f_.desktop);
      break;
    default:  // ZgeVersion asks the DLL, not the core
      break;
  }
}

abi::ListHandle Session::AnyList() {
  const std::size_t which = data_.ConsumeIntegralInRange<std::size_t>(0, lists_.size());
  return which == lists_.size() ? nullptr : lists_[which];
}

void Session::Lists(Op op) {
  switch (op) {
    case Op::kFeatureList:
    case Op::kZgeLayerList:
      if (const abi::ListHandle list =
              op == Op::kFeatureList ? abi::FeatureList() : abi::ZgeLayerList()) {
        lists_.push_back(list);
      }
      break;
    case Op::kZgeStringListCount:
      static_cast<void>(abi::ZgeStringListCount(AnyList()));
      break;
    case Op::kZgeStringListItem: {
      const abi::ListHandle list = AnyList();
      const std::int32_t index = in_.Int();
      char buffer[16];
      static_cast<void>(abi::ZgeStringListItem(list, index, buffer, sizeof buffer));
      break;
    }
    case Op::kZgeStringListNumber: {
      const abi::ListHandle list = AnyList();
      static_cast<void>(abi::ZgeStringListNumber(list, in_.Int()));
      break;
    }
    default:
      break;
  }
}

void Session::Event(Op op) {
  switch (op) {
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
    case Op::kCallWhileWaiting: {
      // The host's message arrives while the package waits on the Nth
      // call into Google Earth from now, and runs another step there.
      int countdown = data_.ConsumeIntegralInRange(1, 16);
      const Op reaction = in_.NextOp();
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
    case Op::kCameraSetters: {
      // The panel's camera properties the exports do not reach directly.
      const int which = data_.ConsumeIntegralInRange(0, 4);
      const double value = in_.Number();
      abi::OnPanel([&](TGEPanel& panel) {
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
      GoogleEarthEvent(op);
      break;
  }
}

void Session::GoogleEarthEvent(Op op) {
  switch (op) {
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
      if (in_.Flag()) {
        f_.earth.state.mainWnd = f_.earth.state.mainWnd == kNoWindow ? earthMain_ : kNoWindow;
      } else {
        f_.earth.state.renderWnd = f_.earth.state.renderWnd == kNoWindow ? earthRender_ : kNoWindow;
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
    default:
      break;
  }
}

void Session::AddHostWindow() {
  host_ = f_.desktop.AddWindow(
      FakeWindow{"HostControl", "", kNoWindow, Rect{0, 0, 800, 600}, true, -1, 1});
}

void Session::AddEarthWindows() {
  const auto earth = f_.AddEarthWindows(kEarthProcess);
  earthMain_ = earth.main;
  earthContainer_ = earth.container;
  earthRender_ = earth.render;
}

// A step run by host code inside another one. Bounded by the steps running
// at the time, not by where the callback was made: a tick whose handler
// ticks again would otherwise recurse for ever, which no host's timer does.
void Session::Nested(Op op) {
  if (nesting_ >= 3 || op == Op::kCallWhileWaiting) {
    return;
  }
  ++nesting_;
  Step(op, nesting_);
  --nesting_;
}

LoadedEvent Session::LoadedCallback() {
  switch (data_.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return nullptr;
    case 1:
      return [this](bool) { ++loadedEvents_; };
    default: {
      const Op reaction = in_.NextOp();
      return [this, reaction](bool) {
        ++loadedEvents_;
        Nested(reaction);
      };
    }
  }
}

// The host closes; with no faults left, a new panel comes and goes cleanly
// and leaves the user's settings as they were.
void Session::Finish() {
  f_.earth.whileWaiting = nullptr;
  f_.saveDialogs.user = nullptr;
  abi::CloseGE();
  CheckAfterStep(f_, userLocale_, Op::kCloseGE);
  f_.faults.Clear();
  if (earthDead_) {
    Step(Op::kEarthRestarts, 0);
  }
  if (!f_.desktop.Exists(host_)) {
    AddHostWindow();
  }
  f_.earth.state.mainWnd = earthMain_;
  f_.earth.state.renderWnd = earthRender_;
  Require(abi::LoadGE(f_.ports, host_, nullptr) != 0, "LoadGE fails once nothing fails any more");
  f_.timers.Tick();
  f_.timers.Tick();
  abi::CloseGE();
  CheckAfterStep(f_, userLocale_, Op::kCloseGE);
  CheckSettingsRestored(f_, userLocale_);
}

}  // namespace zge::fuzzing
