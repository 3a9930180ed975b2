// The package against a Google Earth that dies or hangs, and a host that
// unloads and reloads the DLL.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "support/registry.h"
#include "support/system_test.h"

// After windows.h, which the fixture brings.
#include <commctrl.h>
#include <psapi.h>

namespace zge::test {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kTimerClass[] = L"ZelkanGETimer";

bool ClassRegistered(HMODULE module, const wchar_t* name) {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(module, name, &info) != FALSE;
}

// One use of the DLL as a host makes it: a panel that embeds, closed again.
void UseAndClose(ZelkanGE& api, HostWindow& host) {
  ASSERT_EQ(api.LoadGE(host.Parent(), nullptr, nullptr), 1) << ReadLastError(api).text;
  ASSERT_TRUE(PumpUntil([&] { return api.ZgeIsViewReady() != 0; }, kEventTimeout))
      << ReadLastError(api).text;
  EXPECT_NE(FindWindowExW(host.Parent(), nullptr, kPanelClass, nullptr), nullptr);
  api.SetShutDownGE(0);
  api.CloseGE();
}

class ReloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EndStandIn();
    ResetPackageKeys();
  }
  void TearDown() override {
    EndStandIn();
    ResetPackageKeys();
  }
};

TEST_F(ReloadTest, UnloadingRemovesTheWindowClassesAndTheDllLoadsAgainAnywhere) {
  HostWindow host;
  HMODULE firstBase = nullptr;
  MODULEINFO image{};
  {
    ZelkanGE api(ZelkanGEPath());
    firstBase = GetModuleHandleW(ZelkanGEPath().c_str());
    ASSERT_TRUE(GetModuleInformation(GetCurrentProcess(), firstBase, &image, sizeof image));
    ASSERT_NO_FATAL_FAILURE(UseAndClose(api, host));
    ASSERT_TRUE(ClassRegistered(firstBase, kPanelClass));
    ASSERT_TRUE(ClassRegistered(firstBase, kTimerClass));
  }
  ASSERT_EQ(GetModuleHandleW(ZelkanGEPath().c_str()), nullptr);
  // A class left behind names a window procedure in unmapped memory: the
  // next DLL at this address (another version, say) would find it taken.
  EXPECT_FALSE(ClassRegistered(firstBase, kPanelClass));
  EXPECT_FALSE(ClassRegistered(firstBase, kTimerClass));

  // Loaded again at the same address...
  {
    ZelkanGE api(ZelkanGEPath());
    ASSERT_NO_FATAL_FAILURE(UseAndClose(api, host));
  }
  // ... and at another one: the old range is taken first.
  void* const blocker = VirtualAlloc(firstBase, image.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS);
  ASSERT_NE(blocker, nullptr) << "the old image range could not be reserved";
  {
    ZelkanGE api(ZelkanGEPath());
    EXPECT_NE(GetModuleHandleW(ZelkanGEPath().c_str()), firstBase);
    ASSERT_NO_FATAL_FAILURE(UseAndClose(api, host));
  }
  EXPECT_TRUE(VirtualFree(blocker, 0, MEM_RELEASE));
}

// ---- Google Earth dies in the middle of a session ------------------------

struct DeathCase {
  const char* name;
  const wchar_t* exitOnCall;  // the stand-in ends itself inside this call; or the test kills it
};

void PrintTo(const DeathCase& testCase, std::ostream* out) { *out << testCase.name; }

class EarthDiesTest : public SystemTest, public ::testing::WithParamInterface<DeathCase> {
 protected:
  static std::optional<std::wstring> Locale() {
    return registry::GetString(HKEY_CURRENT_USER, kEarthSettingsKey, L"locale");
  }
  static std::size_t TemporaryKmlFiles() {
    std::size_t count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::temp_directory_path() / "ZelkanGE", ignored)) {
      if (entry.path().extension() == ".kml") {
        ++count;
      }
    }
    return count;
  }
};

TEST_P(EarthDiesTest, EveryExportReturnsAndCloseCleansUp) {
  MarkEarthSettingsTouched();
  registry::SetString(HKEY_CURRENT_USER, kEarthSettingsKey, L"locale", L"fr");
  if (GetParam().exitOnCall != nullptr) {
    StandInConfig config;
    config.exitOnCall = GetParam().exitOnCall;
    ConfigureStandIn(config);
  }
  LoadPanelAndWaitForView();
  const DWORD processId = WaitForStandInProcessId();
  const UniqueHandle standIn = OpenStandInProcess(processId);
  Api().LoadWaypoint("Lisbon", "", "", 38.7, -9.1);
  const TPointGE points[] = {{"A", "", "", 38.7, -9.1}, {"B", "", "", 38.8, -9.2}};
  const TListGE route{2, points};
  Api().LoadRoute(&route, L"Route", L"", 0);
  ASSERT_EQ(TemporaryKmlFiles(), 2u);
  ASSERT_EQ(Locale(), L"en-US");

  if (GetParam().exitOnCall == nullptr) {
    ASSERT_TRUE(TerminateProcess(standIn.get(), 9));
  } else {
    // The third document: the stand-in ends while it is being loaded.
    Api().LoadWaypoint("Porto", "", "", 41.1, -8.6);
  }
  ASSERT_EQ(WaitForSingleObject(standIn.get(), 10000), WAIT_OBJECT_0);

  // Every export against the dead server: each returns, each leaves a
  // readable last error.
  const auto started = std::chrono::steady_clock::now();
  double a = 0, b = 0, c = 0, d = 0;
  TMousePosGE position{};
  HBITMAP bitmap = nullptr;
  ZgeMessage wheel{WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, 0, 0};
  const std::wstring picture = (TempDir() / L"view.png").wstring();
  const std::string saved = (TempDir() / "saved").string();
  Api().OnMouseWheelM(&wheel);
  Api().OnMouseWheelW(-120);
  Api().SynchronizeView(5000, 38.7, -9.1, 10);
  Api().LoadWaypoint("Faro", "", "", 37.0, -7.9);
  Api().LoadLiveGPS("Boat", "", "", 38.6, -9.3, 270);
  Api().HideWaypoint(L"Lisbon", L"Lisbon");
  Api().LoadRoute(&route, L"Route 2", L"", 0);
  Api().LoadTrackLeg(L"Track", L"", 38.6, -9.3, 38.5, -9.4, 0, 1, 200, 1);
  Api().LoadKMLData(L"<kml><Placemark><name>x</name></Placemark></kml>");
  Api().OpenKMLFile(L"C:\\nowhere.kml");
  Api().CameraPoint(&a, &b, &c);
  Api().ViewBox(&a, &b, &c, &d);
  Api().GEPanelXYtoLatLon(10, 10, &a, &b);
  Api().ZgeMousePos(10, 10, &position);
  static_cast<void>(Api().CanvasGE());
  Api().GetImageGE(&bitmap);
  static_cast<void>(Api().ZgeGetEarthImage(&bitmap));
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
  }
  Api().SaveImageGE(picture.c_str());
  Api().HideAllLoadedKML();
  Api().ShowAllLoadedKML();
  Api().SetFeatureVisibility(L"Roads", 0);
  Api().SetRotation(45);
  Api().ZgeSetLayer("Roads", 0);
  Api().ZgeReadRegistry();
  static_cast<void>(Api().ZgeGetMajor() + Api().ZgeGetMinor() + Api().ZgeGetBuild() +
                    Api().ZgeGetApplicationType());
  if (IDispatch* application = Api().ZgeGetApplicationGE()) {
    application->Release();
  }
  static_cast<void>(Api().ZgeSaveKMLToFile((TempDir() / "view.kml").string().c_str()));
  static_cast<void>(Api().SaveFeature(saved.c_str(), 0));
  Api().ZgeRestoreGoogleEarth();
  static_cast<void>(Api().ZgeIsViewReady());
  const LastError error = ReadLastError(Api());
  EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
  EXPECT_EQ(error.text.size(), std::strlen(error.text.c_str()));
  // The list still names what the package saved; the files are its own.
  EXPECT_GE(Api().FeatureCount(), 2);

  Api().SetShutDownGE(1);
  Api().CloseGE();
  EXPECT_EQ(FindPanel(Host().Parent()), nullptr);
  EXPECT_EQ(TemporaryKmlFiles(), 0u);
  EXPECT_EQ(Locale(), L"fr");

  // A later LoadGE starts a new Google Earth and embeds it.
  ConfigureStandIn({});
  LoadPanelAndWaitForView();
}

INSTANTIATE_TEST_SUITE_P(Deaths, EarthDiesTest,
                         ::testing::Values(DeathCase{"KilledBetweenCalls", nullptr},
                                           DeathCase{"EndsInsideACall", L"LoadKmlData@3"}),
                         [](const auto& deathCase) { return std::string(deathCase.param.name); });

// ---- Google Earth hangs inside a call --------------------------------------

// What reaches the host's frame while the DLL waits for a busy Google Earth.
struct HostTraffic {
  std::atomic<int> paints{0};
  std::atomic<int> timers{0};
  std::atomic<int> posted{0};
  std::atomic<int> sent{0};
};

constexpr UINT kPostedMessage = WM_APP + 51;
constexpr UINT kSentMessage = WM_APP + 52;
constexpr UINT_PTR kTrafficSubclass = 51;
constexpr UINT_PTR kHostTimer = 51;

LRESULT CALLBACK CountTraffic(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR /*id*/, DWORD_PTR data) {
  auto& traffic = *reinterpret_cast<HostTraffic*>(data);
  switch (message) {
    case WM_PAINT:
      ++traffic.paints;
      break;
    case WM_TIMER:
      ++traffic.timers;
      return 0;
    case kPostedMessage:
      ++traffic.posted;
      return 0;
    case kSentMessage:
      ++traffic.sent;
      return 0;
    default:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

class HungEarthTest : public SystemTest {};

TEST_F(HungEarthTest, TheCallWaitsForEarthWhileTheHostKeepsRepainting) {
  constexpr auto kHang = 6s;
  StandInConfig config;
  config.delayMembers = L"SaveScreenShot:6000";
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();

  HostTraffic traffic;
  const HWND frame = Host().Frame();
  ASSERT_TRUE(SetWindowSubclass(frame, &CountTraffic, kTrafficSubclass,
                                reinterpret_cast<DWORD_PTR>(&traffic)));
  ASSERT_NE(SetTimer(frame, kHostTimer, 50, nullptr), 0u);
  // The host's other thread: its window needs painting, its queue fills.
  std::atomic<bool> stop{false};
  std::thread other([&] {
    while (!stop) {
      InvalidateRect(frame, nullptr, FALSE);
      PostMessageW(frame, kPostedMessage, 0, 0);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(frame, kSentMessage, 0, 0, SMTO_NORMAL, 1000, &ignored);
      std::this_thread::sleep_for(100ms);
    }
  });
  PumpFor(300ms);
  traffic.paints = traffic.timers = traffic.posted = traffic.sent = 0;

  const auto started = std::chrono::steady_clock::now();
  Api().SaveImageGE((TempDir() / L"view.png").c_str());
  const auto waited = std::chrono::steady_clock::now() - started;
  const int paints = traffic.paints, timers = traffic.timers, posted = traffic.posted,
            sent = traffic.sent;

  stop = true;
  other.join();
  KillTimer(frame, kHostTimer);
  RemoveWindowSubclass(frame, &CountTraffic, kTrafficSubclass);
  const auto seconds = std::chrono::duration<double>(waited).count();
  std::printf(
      "hung call: returned after %.1f s; during it the host's frame had %d WM_PAINT, "
      "%d WM_TIMER, %d posted and %d sent messages\n",
      seconds, paints, timers, posted, sent);
  RecordProperty("paints", paints);
  RecordProperty("timers", timers);
  RecordProperty("posted", posted);
  RecordProperty("sent", sent);

  // The call does not return before Google Earth answers...
  EXPECT_GE(waited, kHang - 500ms);
  EXPECT_LT(waited, kHang + 10s);
  // ... and the host's window keeps working meanwhile.
  EXPECT_GT(sent, 0);
  EXPECT_GT(paints, 0);
}

}  // namespace
}  // namespace zge::test
