// A long session against the registered stand-in, out of process, as the
// DLL drives it: a live GPS position replaced every fix, the camera
// following it. Calls must answer in a few milliseconds (the globe is
// painted by the render thread), painting must coalesce, the stats file must
// tell the load, and a member held up by DelayMembers must leave the
// stand-in's window painting and its process able to end.
//
// STANDIN_SESSION_FIXES (default 1000) sets the number of fixes.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "automation/earth_ids.h"
#include "automation/registry.h"
#include "dispatch_client.h"
#include "model/feature_tree.h"
#include "platform/resources.h"

using namespace standin::client;

namespace {

constexpr wchar_t kConfigKey[] = L"Software\\ZelkanGE\\EarthStandIn";
constexpr DWORD kEndWaitMs = 10000;

int FixCount() {
  const char* text = std::getenv("STANDIN_SESSION_FIXES");
  const int count = text ? std::atoi(text) : 0;
  return count > 0 ? count : 1000;
}

std::filesystem::path TempFolder(const char* name) {
  auto folder = std::filesystem::temp_directory_path() / "EarthStandInSession" / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

// The stand-in's configuration for one test; removed again at its end.
class StandInConfig {
 public:
  explicit StandInConfig(const std::map<std::wstring, std::wstring>& values,
                         const std::map<std::wstring, DWORD>& numbers = {}) {
    const auto key = standin::CreateKey(HKEY_CURRENT_USER, kConfigKey, KEY_SET_VALUE);
    for (const auto& [name, value] : values) {
      standin::WriteString(key.get(), name.c_str(), value);
      names_.push_back(name);
    }
    for (const auto& [name, value] : numbers) {
      standin::WriteDword(key.get(), name.c_str(), value);
      names_.push_back(name);
    }
  }
  StandInConfig(const StandInConfig&) = delete;
  StandInConfig& operator=(const StandInConfig&) = delete;
  ~StandInConfig() {
    const auto key = standin::OpenKeyIfExists(HKEY_CURRENT_USER, kConfigKey, KEY_SET_VALUE);
    for (const auto& name : names_) {
      if (key) {
        RegDeleteValueW(key.get(), name.c_str());
      }
    }
  }

 private:
  std::vector<std::wstring> names_;
};

// A stand-in started by COM for this test, closed through its main window.
class RunningEarth {
 public:
  RunningEarth() {
    const HRESULT created = CoCreateInstance(standin::ids::kApplicationGE, nullptr,
                                             CLSCTX_LOCAL_SERVER, IID_IDispatch, earth_.put_void());
    if (FAILED(created) || !earth_) {
      ADD_FAILURE() << "CoCreateInstance: " << std::hex << created;
      return;
    }
    const auto key = standin::OpenKeyIfExists(HKEY_CURRENT_USER, kConfigKey, KEY_READ);
    if (const auto id = key ? standin::ReadDword(key.get(), L"ProcessId") : std::nullopt) {
      process_.reset(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, *id));
    }
    // The main window comes with the first message loop turn.
    for (int tries = 0; tries < 100 && !main_; ++tries) {
      const Outcome main = Call(*earth_.get(), L"GetMainHwnd");
      main_ = reinterpret_cast<HWND>(static_cast<INT_PTR>(main.Int()));
      if (!main_) {
        Sleep(50);
      }
    }
    const Outcome render = Call(*earth_.get(), L"GetRenderHwnd");
    render_ = reinterpret_cast<HWND>(static_cast<INT_PTR>(render.Int()));
  }
  RunningEarth(const RunningEarth&) = delete;
  RunningEarth& operator=(const RunningEarth&) = delete;
  ~RunningEarth() {
    earth_ = {};
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      static_cast<void>(Close());
    }
  }

  [[nodiscard]] IDispatch& Earth() const { return *earth_.get(); }
  [[nodiscard]] bool Ready() const { return earth_ && process_ && main_ && render_; }
  [[nodiscard]] HWND Main() const { return main_; }
  [[nodiscard]] HWND Render() const { return render_; }

  // Closes the main window; the exit code, or -1 when it did not end.
  int Close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), kEndWaitMs) != WAIT_OBJECT_0) {
      return -1;
    }
    DWORD code = 0;
    return GetExitCodeProcess(process_.get(), &code) ? static_cast<int>(code) : -1;
  }

 private:
  com_ptr<IDispatch> earth_;
  standin::unique_handle process_;
  HWND main_ = nullptr;
  HWND render_ = nullptr;
};

std::map<std::string, double> ReadStats(const std::filesystem::path& path) {
  std::map<std::string, double> values;
  std::ifstream file(path);
  std::string key;
  double value = 0;
  while (file >> key >> value) {
    values[key] = value;
  }
  return values;
}

std::wstring LiveGpsDocument(int fix, double latitude, double longitude) {
  std::wostringstream text;
  text << L"<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml "
          L"xmlns=\"http://earth.google.com/kml/2.2\"><Document><name>GPS Boat</name>"
          L"<Placemark><name>Boat</name><description>fix "
       << fix << L"</description><Style><IconStyle><heading>" << (fix % 360)
       << L"</heading></IconStyle></Style><Point><coordinates>" << longitude << L"," << latitude
       << L",0</coordinates></Point></Placemark></Document></kml>";
  return text.str();
}

// What the DLL's LoadLiveGPS asks: hide the previous boat, load the new one.
void LoadLiveGps(IDispatch& earth, int fix, double latitude, double longitude) {
  const Outcome previous = Call(earth, L"GetFeatureByName", Args(Arg::Str(L"GPS Boat")));
  if (IDispatch* document = previous.Object()) {
    const Outcome children = Call(*document, L"GetChildren");
    ASSERT_NE(children.Object(), nullptr);
    const Outcome count = Get(*children.Object(), L"Count");
    for (long i = 1; i <= count.Int(); ++i) {
      const Outcome child = Call(*children.Object(), L"Item", Args(Arg::I4(i)));
      ASSERT_NE(child.Object(), nullptr);
      if (Get(*child.Object(), L"Name").String() == L"Boat" &&
          Get(*child.Object(), L"Visibility").Int() != 0) {
        ASSERT_TRUE(Put(*child.Object(), L"Visibility", Arg::I4(0)).Ok());
        break;
      }
    }
  }
  ASSERT_TRUE(
      Call(earth, L"LoadKmlData", Args(Arg::Str(LiveGpsDocument(fix, latitude, longitude)))).Ok());
}

class EarthStandInSession : public testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(EarthStandInSession, LiveFixesAnswerQuicklyPaintCoalescedAndShowInTheStats) {
  const auto folder = TempFolder("fixes");
  const auto stats = folder / "stats.txt";
  const StandInConfig config(std::map<std::wstring, std::wstring>{{L"StatsPath", stats.wstring()}});
  RunningEarth running;
  ASSERT_TRUE(running.Ready());
  IDispatch& earth = running.Earth();

  // The floor: a call that changes nothing.
  const auto idle = std::chrono::steady_clock::now();
  constexpr int kIdleCalls = 200;
  for (int i = 0; i < kIdleCalls; ++i) {
    ASSERT_TRUE(Call(earth, L"VersionMajor").Ok());
  }
  const std::chrono::duration<double, std::milli> idleTook =
      std::chrono::steady_clock::now() - idle;
  std::printf("a round trip that changes nothing: %.2f ms\n", idleTook.count() / kIdleCalls);

  const int fixes = FixCount();
  const auto start = std::chrono::steady_clock::now();
  for (int fix = 0; fix < fixes; ++fix) {
    // From Valletta towards Syracuse, a fix a second at about 6 knots.
    const double latitude = 35.9 + fix * 0.00003;
    const double longitude = 14.5 - fix * 0.00002;
    ASSERT_NO_FATAL_FAILURE(LoadLiveGps(earth, fix, latitude, longitude));
    ASSERT_TRUE(SUCCEEDED(Call(earth, L"SetCameraParams",
                               Args(Arg::R8(latitude), Arg::R8(longitude), Arg::R8(0), Arg::I4(1),
                                    Arg::R8(5000), Arg::R8(0), Arg::R8(0), Arg::R8(5)))
                              .hr));
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("%d fixes (LoadLiveGPS + SetCameraParams, 9 calls each): %.0f ms, %.2f ms a fix\n",
              fixes, took.count(), took.count() / fixes);

  // The last position is the one found by name, and the only boat shown.
  // The default keeps the newest copies; older hidden ones are retired.
  const int kept =
      std::min(fixes, static_cast<int>(standin::FeatureTree::kDefaultKeepShadowed) + 1);
  const Outcome newest = Call(earth, L"GetFeatureByName", Args(Arg::Str(L"GPS Boat")));
  ASSERT_NE(newest.Object(), nullptr);
  const Outcome places = Call(earth, L"GetTemporaryPlaces");
  ASSERT_NE(places.Object(), nullptr);
  const Outcome loads = Call(*places.Object(), L"GetChildren");
  ASSERT_NE(loads.Object(), nullptr);
  EXPECT_EQ(Get(*loads.Object(), L"Count").Int(), kept);
  const Outcome first = Call(*loads.Object(), L"Item", Args(Arg::I4(1)));
  ASSERT_NE(first.Object(), nullptr);
  EXPECT_EQ(Get(*first.Object(), L"Name").String(), L"GPS Boat");

  // Written within a second of the last change and at exit.
  EXPECT_EQ(running.Close(), 0);
  const auto values = ReadStats(stats);
  for (const char* key :
       {"frames", "frame_ms_p50", "frame_ms_p99", "documents", "private_bytes", "retired"}) {
    EXPECT_EQ(values.count(key), 1U) << key;
  }
  std::printf(
      "stats: frames %.0f, frame_ms_p50 %.2f, frame_ms_p99 %.2f, documents %.0f, "
      "private_bytes %.0f, retired %.0f\n",
      values.at("frames"), values.at("frame_ms_p50"), values.at("frame_ms_p99"),
      values.at("documents"), values.at("private_bytes"), values.at("retired"));
  EXPECT_EQ(values.at("documents"), kept);
  EXPECT_EQ(values.at("retired"), fixes - kept);
  // Three changes a fix (the old boat hidden, the new one loaded, the
  // camera moved): changes that come while a frame is painted share the
  // next one, so there are fewer frames than changes. How many fewer
  // depends on how fast the calls come against how fast a frame paints
  // (a loaded machine makes the calls slow and the frames many).
  constexpr int kChangesPerFix = 3;
  EXPECT_GE(values.at("frames"), 1);
  EXPECT_LT(values.at("frames"), kChangesPerFix * fixes);
  EXPECT_GT(values.at("private_bytes"), 0);
  EXPECT_FALSE(std::filesystem::exists(stats.string() + ".tmp"));
}

// KeepShadowedDocuments: how many superseded copies stay; all of them when
// it turns retirement off.
TEST_F(EarthStandInSession, KeepShadowedDocumentsBoundsTheCopiesKept) {
  struct Case {
    DWORD keep;
    long copies;  // left after kFixes
  };
  constexpr long kFixes = 120;
  const Case cases[] = {{5, 6}, {0xFFFFFFFF, kFixes}};
  for (const Case& c : cases) {
    const auto folder = TempFolder("keep");
    const auto stats = folder / "stats.txt";
    const StandInConfig config(
        std::map<std::wstring, std::wstring>{{L"StatsPath", stats.wstring()}},
        {{L"KeepShadowedDocuments", c.keep}});
    RunningEarth running;
    ASSERT_TRUE(running.Ready());
    IDispatch& earth = running.Earth();
    for (int fix = 0; fix < kFixes; ++fix) {
      ASSERT_NO_FATAL_FAILURE(LoadLiveGps(earth, fix, 35.9 + fix * 0.00003, 14.5));
    }
    const Outcome places = Call(earth, L"GetTemporaryPlaces");
    ASSERT_NE(places.Object(), nullptr);
    const Outcome loads = Call(*places.Object(), L"GetChildren");
    ASSERT_NE(loads.Object(), nullptr);
    EXPECT_EQ(Get(*loads.Object(), L"Count").Int(), c.copies) << c.keep;
    // The newest copy is still what the name finds: its boat is shown.
    const Outcome newest = Call(earth, L"GetFeatureByName", Args(Arg::Str(L"Boat")));
    ASSERT_NE(newest.Object(), nullptr);
    EXPECT_NE(Get(*newest.Object(), L"Visibility").Int(), 0) << c.keep;
    EXPECT_EQ(running.Close(), 0);
    const auto values = ReadStats(stats);
    EXPECT_EQ(values.at("documents"), c.copies) << c.keep;
    EXPECT_EQ(values.at("retired"), kFixes - c.copies) << c.keep;
  }
}

TEST_F(EarthStandInSession, ScreenShotsShowTheLatestCameraAtOnce) {
  const auto folder = TempFolder("screenshots");
  RunningEarth running;
  ASSERT_TRUE(running.Ready());
  IDispatch& earth = running.Earth();
  const auto move = [&](double latitude, double longitude) {
    return Call(earth, L"SetCameraParams",
                Args(Arg::R8(latitude), Arg::R8(longitude), Arg::R8(0), Arg::I4(1), Arg::R8(4e6),
                     Arg::R8(0), Arg::R8(0), Arg::R8(5)))
        .hr;
  };
  const auto shoot = [&](const std::filesystem::path& path) {
    return Call(earth, L"SaveScreenShot", Args(Arg::Str(path.wstring()), Arg::I4(100))).Ok();
  };
  const auto bytes = [](const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  };
  // Each picture is taken right after the move, while the render thread
  // is still painting the view: it must show the camera all the same.
  ASSERT_TRUE(SUCCEEDED(move(35.9, 14.5)));
  ASSERT_TRUE(shoot(folder / "malta.png"));
  ASSERT_TRUE(SUCCEEDED(move(-33.9, 151.2)));
  ASSERT_TRUE(shoot(folder / "sydney.png"));
  ASSERT_TRUE(SUCCEEDED(move(35.9, 14.5)));
  Sleep(500);
  ASSERT_TRUE(shoot(folder / "malta-later.png"));
  EXPECT_EQ(bytes(folder / "malta.png"), bytes(folder / "malta-later.png"));
  EXPECT_NE(bytes(folder / "malta.png"), bytes(folder / "sydney.png"));
  EXPECT_EQ(running.Close(), 0);
}

TEST_F(EarthStandInSession, AMemberHeldUpAMinuteLeavesTheWindowPaintingAndTheProcessEnding) {
  const StandInConfig config(
      std::map<std::wstring, std::wstring>{{L"DelayMembers", L"VersionMinor:60000"}});
  RunningEarth running;
  ASSERT_TRUE(running.Ready());
  // The held-up call comes from a thread of its own, as from a host whose
  // call into Earth hangs.
  HRESULT heldResult = S_OK;
  std::chrono::steady_clock::time_point heldAnswered{};
  std::thread caller([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      com_ptr<IDispatch> earth;
      if (SUCCEEDED(CoCreateInstance(standin::ids::kApplicationGE, nullptr, CLSCTX_LOCAL_SERVER,
                                     IID_IDispatch, earth.put_void()))) {
        heldResult = Call(*earth.get(), L"VersionMinor").hr;
        heldAnswered = std::chrono::steady_clock::now();
      }
    }
    CoUninitialize();
  });
  Sleep(1000);

  // Not hung: messages sent to its window are answered...
  DWORD_PTR answer = 0;
  EXPECT_NE(SendMessageTimeoutW(running.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0);
  // ... and the view paints: its invalid region is painted away.
  ASSERT_TRUE(InvalidateRect(running.Render(), nullptr, FALSE));
  bool painted = false;
  for (int tries = 0; tries < 40 && !painted; ++tries) {
    Sleep(50);
    painted = !GetUpdateRect(running.Render(), nullptr, FALSE);
  }
  EXPECT_TRUE(painted);

  // Closing the main window ends the process within seconds, cleanly.
  const auto closing = std::chrono::steady_clock::now();
  EXPECT_EQ(running.Close(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(5));
  caller.join();
  std::printf("the held-up call answered 0x%08lX %.0f ms after the close\n",
              static_cast<unsigned long>(heldResult),
              std::chrono::duration<double, std::milli>(heldAnswered - closing).count());
}

}  // namespace
