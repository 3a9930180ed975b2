// Random export calls against the stand-in, with its failures, deaths and
// delays injected and the host's window destroyed at random. The host also
// calls the DLL from a window message that another of its threads sends,
// so calls arrive while the DLL waits for Google Earth.
#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include "soak.h"
#include "support/earth_standin.h"

// After windows.h, which soak.h brings.
#include <commctrl.h>

namespace zge::soak {
namespace {

using namespace std::chrono_literals;

constexpr UINT kHostMessage = WM_APP + 41;
constexpr UINT_PTR kSubclassId = 41;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Members the DLL calls, as the stand-in's rules name them.
constexpr std::array kMembers = {
    L"CreateInstance",
    L"GetMainHwnd",
    L"GetRenderHwnd",
    L"IsInitialized",
    L"VersionMajor",
    L"VersionBuild",
    L"SetCameraParams",
    L"GetCamera",
    L"Camera.Range",
    L"Camera.Tilt",
    L"Camera.Azimuth",
    L"ViewExtents",
    L"ViewExtents.North",
    L"LoadKmlData",
    L"OpenKmlFile",
    L"GetFeatureByName",
    L"Feature.Visibility",
    L"Feature.GetChildren",
    L"FeatureCollection.Count",
    L"FeatureCollection.Item",
    L"GetTemporaryPlaces",
    L"GetPointOnTerrainFromScreenCoords",
    L"PointOnTerrain.Latitude",
    L"SaveScreenShot",
    L"GetLayersDatabases",
    L"StreamingProgressPercentage",
};
constexpr std::array kBusyMembers = {L"LoadKmlData",     L"GetFeatureByName", L"Feature.Visibility",
                                     L"SetCameraParams", L"GetCamera",        L"GetMainHwnd"};
constexpr std::array kFailureCodes = {L"0x80004005", L"0x800706BA", L"0x80048005",
                                      L"0x80020009", L"0x8007000E", L"0x80048002"};

// Names a host might pass, the unusable ones included.
constexpr std::array kNames = {
    "Boat",    "Lisbon",           "",        "a/b", "CON", "x:y", "tab\tname", "ctl\x01", "star*",
    "Caf\xe9", "Valletta harbour", "COM1.kml"};
constexpr std::array kWideNames = {
    L"Route", L"",         L"a\\b",   L"\xD800x", L"\xFFFF", L"Leg", L"Temporary Places",
    L"Roads", L"GPS Boat", L"nul\x01"};
constexpr std::array kLayers = {"Roads", "Terrain", "Borders and Labels", "Nope", ""};

const char* const kValidKml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\">"
    "<Document><name>Soak</name><Placemark><name>p</name><Point><coordinates>14.5,35.9"
    "</coordinates></Point></Placemark></Document></kml>";

class RandomCalls {
 public:
  RandomCalls(const Options& options, Report& report)
      : options_(options), report_(report), rng_(options.seed), dir_(WorkDir()) {}

  int Run();

 private:
  template <typename F>
  void Call(const char* name, F&& body) {
    watchdog_.Enter(name);
    body();
    watchdog_.Leave();
    ++calls_;
    ++byName_[name];
    std::int32_t code = 0;
    if (!LastErrorReadable(*api_, &code)) {
      ++unreadable_;
      report_.Line(std::string("FAIL: last error unreadable after ") + name);
    }
    if (code != 0) {
      ++byCode_[code];
    }
  }

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  double Real(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(rng_);
  }
  double Coordinate(double limit) {
    switch (Uniform(0, 30)) {
      case 0:
        return kNaN;
      case 1:
        return kInfinity;
      case 2:
        return -limit * 3;
      default:
        return Real(-limit, limit);
    }
  }
  template <typename Array>
  auto Pick(const Array& values) {
    return values[static_cast<std::size_t>(Uniform(0, static_cast<int>(values.size()) - 1))];
  }

  StandInRules RandomRules();
  void StartSession();
  void OneRandomCall();
  void OneCallFromMessage();
  void WatchStandIn();
  void ReadList(const ZgeStringList* list);
  std::wstring PathIn(const wchar_t* name) const { return (dir_ / name).wstring(); }

  static void ZGE_CALL OnLoaded(void* context, ZgeBool isLoaded);
  static void ZGE_CALL OnInit(void* context);
  static LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data);

  const Options& options_;
  Report& report_;
  std::mt19937 rng_;
  std::filesystem::path dir_;
  Watchdog watchdog_{60s};
  std::unique_ptr<HostWindow> host_;
  std::unique_ptr<ZelkanGE> api_;
  std::vector<const ZgeStringList*> keptLists_;

  std::uint64_t calls_ = 0;
  std::uint64_t fromMessages_ = 0;
  std::uint64_t unreadable_ = 0;
  std::uint64_t sessions_ = 0;
  std::uint64_t embeddedSessions_ = 0;
  std::uint64_t parentsDestroyed_ = 0;
  std::uint64_t kills_ = 0;
  std::uint64_t loadedTrue_ = 0;
  std::uint64_t loadedFalse_ = 0;
  std::uint64_t inits_ = 0;
  std::uint64_t failRules_ = 0;
  std::uint64_t exitRules_ = 0;
  std::uint64_t delayRules_ = 0;
  std::map<DWORD, std::uint64_t> standInExits_;  // exit code -> count
  std::map<std::string, std::uint64_t> byName_;
  std::map<std::int32_t, std::uint64_t> byCode_;
  test::UniqueHandle standIn_;
};

void ZGE_CALL RandomCalls::OnLoaded(void* context, ZgeBool isLoaded) {
  auto& self = *static_cast<RandomCalls*>(context);
  ++(isLoaded != 0 ? self.loadedTrue_ : self.loadedFalse_);
}

void ZGE_CALL RandomCalls::OnInit(void* context) { ++static_cast<RandomCalls*>(context)->inits_; }

LRESULT CALLBACK RandomCalls::HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR /*id*/, DWORD_PTR data) {
  if (message != kHostMessage) {
    return DefSubclassProc(window, message, wParam, lParam);
  }
  reinterpret_cast<RandomCalls*>(data)->OneCallFromMessage();
  return 1;
}

StandInRules RandomCalls::RandomRules() {
  StandInRules rules;
  rules.journalPath = options_.journal.wstring();
  auto rule = [&](std::wstring& list, const std::wstring& text) {
    list += (list.empty() ? L"" : L";") + text;
  };
  if (Chance(0.6)) {
    for (int i = Uniform(1, 3); i > 0; --i) {
      std::wstring text = std::wstring(Pick(kMembers)) + L":" + Pick(kFailureCodes);
      switch (Uniform(0, 3)) {
        case 0:
          break;  // every call
        case 1:
          text += L"@" + std::to_wstring(Uniform(1, 40)) + L"+";
          break;
        default:
          text += L"@" + std::to_wstring(Uniform(1, 40));
          break;
      }
      rule(rules.failMembers, text);
      ++failRules_;
    }
  }
  if (Chance(0.4) && options_.serverDeaths) {
    // Mostly members called many times a session, so that the death comes
    // in the middle of one.
    const wchar_t* member = Chance(0.7) ? Pick(kBusyMembers) : Pick(kMembers);
    rule(rules.exitOnCall, std::wstring(member) + L"@" + std::to_wstring(Uniform(1, 30)));
    ++exitRules_;
  }
  if (Chance(0.25)) {
    rule(rules.delayMembers, std::wstring(Pick(kMembers)) + L":" +
                                 std::to_wstring(Uniform(50, 1500)) + L"@" +
                                 std::to_wstring(Uniform(1, 40)));
    ++delayRules_;
  }
  return rules;
}

// Notes how the stand-in ended, once: the exit code tells a configured
// death (3) from the test's own kill (9) and a shutdown by the panel.
void RandomCalls::WatchStandIn() {
  if (standIn_ && WaitForSingleObject(standIn_.get(), 0) == WAIT_OBJECT_0) {
    DWORD code = 0;
    static_cast<void>(GetExitCodeProcess(standIn_.get(), &code));
    ++standInExits_[code];
    standIn_.reset();
  }
  if (!standIn_) {
    if (const std::optional<DWORD> id = test::StandInProcessId()) {
      standIn_.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, *id));
      if (standIn_ && WaitForSingleObject(standIn_.get(), 0) == WAIT_OBJECT_0) {
        standIn_.reset();
      }
    }
  }
}

void RandomCalls::StartSession() {
  ++sessions_;
  WatchStandIn();
  if (!StandInRunning()) {
    const StandInRules rules = RandomRules();
    WriteStandInRules(rules);
    if (!options_.journal.empty()) {
      std::wstring text = L"session " + std::to_wstring(sessions_) + L" at call " +
                          std::to_wstring(calls_) + L": fail " + rules.failMembers + L", exit " +
                          rules.exitOnCall + L", delay " + rules.delayMembers;
      report_.Line(std::string(text.begin(), text.end()));
    }
  }
  Call("LoadGE", [&] { api_->LoadGE(host_->Parent(), &RandomCalls::OnLoaded, this); });
  // Most sessions wait for the view, some go on at once: calls then meet
  // the start-up half done.
  if (Chance(0.7) && WaitForView(*api_, 8000ms)) {
    ++embeddedSessions_;
  }
}

void RandomCalls::ReadList(const ZgeStringList* list) {
  const std::int32_t count = api_->ZgeStringListCount(list);
  for (std::int32_t i = -1; i <= count; ++i) {
    char small[4];
    std::array<char, 512> large{};
    static_cast<void>(api_->ZgeStringListItem(list, i, small, sizeof small));
    static_cast<void>(
        api_->ZgeStringListItem(list, i, large.data(), static_cast<std::int32_t>(large.size())));
    static_cast<void>(api_->ZgeStringListNumber(list, i));
  }
}

void RandomCalls::OneCallFromMessage() {
  if (!api_) {
    return;
  }
  ++fromMessages_;
  switch (Uniform(0, 9)) {
    case 0:
      Call("ZgeIsViewReady", [&] { api_->ZgeIsViewReady(); });
      break;
    case 1:
      Call("FeatureCount", [&] { api_->FeatureCount(); });
      break;
    case 2:
      Call("LoadLiveGPS",
           [&] { api_->LoadLiveGPS("Boat", "", "", Real(35, 36), Real(14, 15), Uniform(0, 359)); });
      break;
    case 3: {
      double a = 0, b = 0, c = 0;
      Call("CameraPoint", [&] { api_->CameraPoint(&a, &b, &c); });
      break;
    }
    case 4:
      Call("SetRotation", [&] { api_->SetRotation(Real(0, 360)); });
      break;
    case 5:
      Call("FeatureList", [&] { ReadList(api_->FeatureList()); });
      break;
    case 6:
      if (Chance(0.1)) {
        Call("CloseGE", [&] { api_->CloseGE(); });
      }
      break;
    case 7:
      if (Chance(0.1)) {
        Call("LoadGE", [&] { api_->LoadGE(host_->Parent(), nullptr, nullptr); });
      }
      break;
    default:
      Call("ZgeGetMajor", [&] { api_->ZgeGetMajor(); });
      break;
  }
}

void RandomCalls::OneRandomCall() {
  HBITMAP bitmap = nullptr;
  switch (Uniform(0, 44)) {
    case 0:
      Call("LoadGE", [&] {
        api_->LoadGE(Chance(0.05) ? nullptr : host_->Parent(), Chance(0.5) ? nullptr : &OnLoaded,
                     this);
      });
      break;
    case 1:
      if (Chance(0.3)) {
        Call("CloseGE", [&] { api_->CloseGE(); });
      }
      break;
    case 2:
      Call("SetShutDownGE", [&] { api_->SetShutDownGE(Chance(0.5) ? 1 : 0); });
      break;
    case 3:
      Call("SetOnLoadedGE", [&] { api_->SetOnLoadedGE(Chance(0.3) ? nullptr : &OnLoaded, this); });
      break;
    case 4: {
      ZgeMessage message{WM_MOUSEWHEEL, static_cast<WPARAM>(Uniform(-480, 480)) << 16, 0, 0};
      Call("OnMouseWheelM", [&] { api_->OnMouseWheelM(Chance(0.1) ? nullptr : &message); });
      break;
    }
    case 5:
      Call("OnMouseWheelW", [&] { api_->OnMouseWheelW(Uniform(-480, 480)); });
      break;
    case 6:
    case 7:
      Call("SynchronizeView", [&] {
        api_->SynchronizeView(Chance(0.1) ? kNaN : std::exp(Real(0, 17)), Coordinate(90),
                              Coordinate(180), Real(-720, 720));
      });
      break;
    case 8:
      Call("LoadWaypoint", [&] {
        api_->LoadWaypoint(Chance(0.05) ? nullptr : Pick(kNames), Pick(kNames),
                           Chance(0.1) ? nullptr : "", Coordinate(90), Coordinate(180));
      });
      break;
    case 9:
    case 10:
      Call("LoadLiveGPS", [&] {
        api_->LoadLiveGPS(Pick(kNames), Chance(0.1) ? nullptr : "d", "", Coordinate(90),
                          Coordinate(180), Uniform(-720, 720));
      });
      break;
    case 11:
      Call("HideWaypoint",
           [&] { api_->HideWaypoint(Chance(0.1) ? nullptr : Pick(kWideNames), Pick(kWideNames)); });
      break;
    case 12: {
      std::vector<TPointGE> points(static_cast<std::size_t>(Uniform(0, 30)));
      for (TPointGE& point : points) {
        point = {Pick(kNames), Chance(0.1) ? nullptr : "", nullptr, Coordinate(90),
                 Coordinate(180)};
      }
      TListGE list{static_cast<std::int32_t>(points.size()), points.data()};
      if (Chance(0.05)) {
        list = {Uniform(-3, 3), nullptr};
      }
      Call("LoadRoute", [&] {
        api_->LoadRoute(Chance(0.05) ? nullptr : &list, Pick(kWideNames),
                        Chance(0.2) ? nullptr : L"desc", Chance(0.5) ? 0 : rng_());
      });
      break;
    }
    case 13:
    case 14:
      Call("LoadTrackLeg", [&] {
        api_->LoadTrackLeg(Pick(kWideNames), Chance(0.2) ? nullptr : L"", Coordinate(90),
                           Coordinate(180), Coordinate(90), Coordinate(180), rng_(),
                           Uniform(-2, 2000), Uniform(-720, 720), Chance(0.8) ? 1 : 0);
      });
      break;
    case 15:
      Call("FeatureCount", [&] { api_->FeatureCount(); });
      break;
    case 16:
      Call("FeatureList", [&] {
        const ZgeStringList* list = api_->FeatureList();
        if (list != nullptr && keptLists_.size() < 16) {
          keptLists_.push_back(list);
        }
        ReadList(list);
      });
      break;
    case 17:
      // Lists kept from earlier panels: they must read as empty or as the
      // live list, never as freed memory.
      if (!keptLists_.empty()) {
        Call("ZgeStringListItem", [&] { ReadList(Pick(keptLists_)); });
      }
      break;
    case 18: {
      const std::string target = (dir_ / "saved" / std::to_string(Uniform(0, 3))).string();
      Call("SaveFeature", [&] {
        api_->SaveFeature(Chance(0.1) ? nullptr : (Chance(0.1) ? "" : target.c_str()),
                          Uniform(-1, api_->FeatureCount() + 1));
      });
      break;
    }
    case 19: {
      std::string big(static_cast<std::size_t>(Uniform(0, 3)) * 40000, 'x');
      std::wstring text;
      switch (Uniform(0, 4)) {
        case 0:
          text = std::wstring(kValidKml, kValidKml + std::strlen(kValidKml));
          break;
        case 1:
          text = L"<kml><Document><name>cut";
          break;
        case 2:
          text = L"<kml>" + std::wstring(big.begin(), big.end()) + L"</kml>";
          break;
        case 3:
          text = L"\xD800";
          break;
        default:
          break;
      }
      Call("LoadKMLData", [&] { api_->LoadKMLData(Chance(0.05) ? nullptr : text.c_str()); });
      break;
    }
    case 20: {
      const std::wstring file = PathIn(Chance(0.5) ? L"soak.kml" : L"missing.kml");
      Call("OpenKMLFile", [&] { api_->OpenKMLFile(Chance(0.05) ? nullptr : file.c_str()); });
      break;
    }
    case 21: {
      double a = 1, b = 2, c = 3;
      Call("CameraPoint",
           [&] { api_->CameraPoint(Chance(0.1) ? nullptr : &a, &b, Chance(0.1) ? nullptr : &c); });
      break;
    }
    case 22: {
      double n = 0, s = 0, w = 0, e = 0;
      Call("ViewBox", [&] { api_->ViewBox(&n, Chance(0.1) ? nullptr : &s, &w, &e); });
      break;
    }
    case 23: {
      double a = 0, b = 0;
      Call("GEPanelXYtoLatLon", [&] {
        api_->GEPanelXYtoLatLon(Uniform(-100, 2000), Uniform(-100, 2000), &a,
                                Chance(0.1) ? nullptr : &b);
      });
      break;
    }
    case 24:
      Call("CanvasGE", [&] { api_->CanvasGE(); });
      break;
    case 25:
      if (Chance(0.5)) {
        bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
      }
      Call("GetImageGE", [&] { api_->GetImageGE(Chance(0.05) ? nullptr : &bitmap); });
      if (bitmap != nullptr) {
        DeleteObject(bitmap);
      }
      break;
    case 26: {
      const std::wstring file = Chance(0.2) ? L"Q:\\nowhere\\view.png" : PathIn(L"view.png");
      Call("SaveImageGE", [&] { api_->SaveImageGE(Chance(0.05) ? nullptr : file.c_str()); });
      break;
    }
    case 27:
      Call("HideAllLoadedKML", [&] { api_->HideAllLoadedKML(); });
      break;
    case 28:
      Call("ShowAllLoadedKML", [&] { api_->ShowAllLoadedKML(); });
      break;
    case 29:
      Call("SetFeatureVisibility", [&] {
        api_->SetFeatureVisibility(Chance(0.05) ? nullptr : Pick(kWideNames), Chance(0.5));
      });
      break;
    case 30:
      Call("SetRotation", [&] { api_->SetRotation(Coordinate(400)); });
      break;
    case 31:
      Call("ZgeClearLastError", [&] { api_->ZgeClearLastError(); });
      break;
    case 32:
      Call("ZgeIsViewReady", [&] { api_->ZgeIsViewReady(); });
      break;
    case 33:
      if (Chance(0.2)) {
        Call("ZgeRestoreGoogleEarth", [&] { api_->ZgeRestoreGoogleEarth(); });
      }
      break;
    case 34:
      Call("ZgeGetVersion", [&] {
        api_->ZgeGetMajor();
        api_->ZgeGetMinor();
        api_->ZgeGetBuild();
        api_->ZgeGetApplicationType();
      });
      break;
    case 35:
      Call("ZgeGetApplicationGE", [&] {
        if (IDispatch* application = api_->ZgeGetApplicationGE()) {
          application->Release();
        }
      });
      break;
    case 36:
      Call("ZgeSetLayer",
           [&] { api_->ZgeSetLayer(Chance(0.05) ? nullptr : Pick(kLayers), Uniform(-1, 2)); });
      break;
    case 37:
      Call("ZgeReadRegistry", [&] { api_->ZgeReadRegistry(); });
      break;
    case 38:
      Call("ZgeLayerList", [&] {
        const ZgeStringList* list = api_->ZgeLayerList();
        if (list != nullptr && keptLists_.size() < 16) {
          keptLists_.push_back(list);
        }
        ReadList(list);
      });
      break;
    case 39:
      Call("ZgeSetOnInit", [&] { api_->ZgeSetOnInit(Chance(0.3) ? nullptr : &OnInit, this); });
      break;
    case 40: {
      TMousePosGE position{};
      Call("ZgeMousePos", [&] {
        api_->ZgeMousePos(Uniform(-50, 1000), Uniform(-50, 800),
                          Chance(0.05) ? nullptr : &position);
      });
      break;
    }
    case 41:
      if (Chance(0.3)) {
        if (Chance(0.5)) {
          bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
        }
        Call("ZgeGetEarthImage", [&] { api_->ZgeGetEarthImage(&bitmap); });
        if (bitmap != nullptr) {
          DeleteObject(bitmap);
        }
      }
      break;
    case 42: {
      const std::string file = (dir_ / "view-placemark.kml").string();
      Call("ZgeSaveKMLToFile", [&] {
        api_->ZgeSaveKMLToFile(Chance(0.1) ? nullptr
                                           : (Chance(0.1) ? "Q:\\x\\y.kml" : file.c_str()));
      });
      break;
    }
    default: {
      // What the host's own events do.
      if (Chance(0.15)) {
        ++parentsDestroyed_;
        host_->DestroyParent();
        host_->CreateParent();
      } else if (Chance(0.15) && options_.serverDeaths && KillStandIn()) {
        ++kills_;
      } else {
        Pump(std::chrono::milliseconds(Uniform(5, 60)));
      }
      break;
    }
  }
}

int RandomCalls::Run() {
  report_.Line("soak random: seed " + std::to_string(options_.seed) + ", " +
               std::to_string(options_.calls) + " calls, calls from the host's messages " +
               (options_.hostMessages ? "on" : "off") + ", Google Earth's deaths " +
               (options_.serverDeaths ? "on" : "off"));
  test::EndStandIn();
  test::ResetPackageKeys();
  {
    std::ofstream kml(dir_ / "soak.kml");
    kml << kValidKml;
  }
  host_ = std::make_unique<HostWindow>();
  api_ = std::make_unique<ZelkanGE>(test::ZelkanGEPath());
  if (!api_->MissingExports().empty()) {
    report_.Line("FAIL: exports missing");
    return 1;
  }
  // The host's other thread: its messages reach the DLL in the middle of
  // calls, whenever COM lets the user-interface thread run them.
  if (!SetWindowSubclass(host_->Frame(), &HostProcedure, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    report_.Line("FAIL: SetWindowSubclass");
    return 1;
  }
  std::atomic<bool> stop{false};
  const HWND frame = host_->Frame();
  std::thread sender([&stop, frame, seed = options_.seed, on = options_.hostMessages] {
    std::mt19937 pace(seed);
    while (!stop && on) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20 + pace() % 80));
      DWORD_PTR result = 0;
      static_cast<void>(SendMessageTimeoutW(frame, kHostMessage, 0, 0, SMTO_NORMAL, 2000, &result));
    }
  });

  const auto started = std::chrono::steady_clock::now();
  while (calls_ < options_.calls) {
    StartSession();
    for (int i = Uniform(20, 400); i > 0 && calls_ < options_.calls; --i) {
      OneRandomCall();
      WatchStandIn();
      Pump(0ms);
    }
    if (Chance(0.5)) {
      Call("CloseGE", [&] { api_->CloseGE(); });
    }
  }
  stop = true;
  sender.join();
  RemoveWindowSubclass(host_->Frame(), &HostProcedure, kSubclassId);
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // Afterwards: a panel closes completely, and a later LoadGE embeds again
  // against a Google Earth without faults.
  Call("CloseGE", [&] { api_->CloseGE(); });
  const bool panelGone =
      FindWindowExW(host_->Parent(), nullptr, L"ZelkanGEPanel", nullptr) == nullptr;
  test::EndStandIn();
  WriteStandInRules({});
  Call("LoadGE", [&] { api_->LoadGE(host_->Parent(), &OnLoaded, this); });
  const bool embedsAgain = WaitForView(*api_, 30000ms);
  api_->SetShutDownGE(1);
  Call("CloseGE", [&] { api_->CloseGE(); });
  std::size_t leftFiles = 0;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::temp_directory_path() / "ZelkanGE", ignored)) {
    if (entry.path().extension() == ".kml") {
      ++leftFiles;
    }
  }

  std::ostringstream out;
  out << "calls " << calls_ << " (" << fromMessages_ << " from the host's messages, "
      << byName_.size() << " distinct exports) in " << static_cast<int>(seconds) << " s";
  report_.Line(out.str());
  out.str("");
  out << "sessions " << sessions_ << ", embedded " << embeddedSessions_ << ", loaded(1) "
      << loadedTrue_ << ", loaded(0) " << loadedFalse_ << ", init " << inits_;
  report_.Line(out.str());
  out.str("");
  out << "injected: FailMembers rules " << failRules_ << ", ExitOnCall rules " << exitRules_
      << ", DelayMembers rules " << delayRules_ << ", stand-in killed by the host " << kills_
      << ", parent windows destroyed " << parentsDestroyed_;
  report_.Line(out.str());
  out.str("");
  out << "stand-in exits by code:";
  for (const auto& [code, count] : standInExits_) {
    out << " " << code << "x" << count;
  }
  report_.Line(out.str());
  out.str("");
  out << "errors recorded by code:";
  for (const auto& [code, count] : byCode_) {
    out << " 0x" << std::hex << static_cast<std::uint32_t>(code) << std::dec << "x" << count;
  }
  report_.Line(out.str());
  out.str("");
  out << "last error unreadable " << unreadable_ << ", panel gone after CloseGE "
      << (panelGone ? "yes" : "NO") << ", later LoadGE embeds " << (embedsAgain ? "yes" : "NO")
      << ", temporary KML files left " << leftFiles;
  report_.Line(out.str());
  const bool passed = unreadable_ == 0 && panelGone && embedsAgain && leftFiles == 0;
  report_.Line(passed ? "PASS" : "FAIL");
  return passed ? 0 : 1;
}

}  // namespace

int RunRandomCalls(const Options& options, Report& report) {
  return RandomCalls(options, report).Run();
}

}  // namespace zge::soak
