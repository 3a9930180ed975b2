// Letting go of Google Earth: CloseGE, RestoreGoogleEarth, a vanishing
// parent, and repeated LoadGE/CloseGE.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/system_test.h"

namespace zge::test {
namespace {

using namespace std::chrono_literals;

constexpr DWORD kStillActive = 259;

class ReleaseTest : public SystemTest {
 protected:
  // Earth's windows as Earth itself arranged them, before any panel.
  struct EarthWindows {
    HWND main;
    HWND render;
    HWND container;
    std::wstring renderText;
  };

  EarthWindows StartEarthAndRecordWindows() {
    StartEarthFirst();
    const EarthClient earth = EarthClient::Connect();
    EarthWindows windows{earth.MainWindow(), earth.RenderWindow(), nullptr, {}};
    windows.container = GetParent(windows.render);
    windows.renderText = WindowTextOf(windows.render);
    return windows;
  }

  void ExpectViewHandedBack(const EarthWindows& windows) {
    EXPECT_EQ(GetParent(windows.render), windows.container);
    EXPECT_EQ(WindowTextOf(windows.render), windows.renderText);
    const RECT render = RectIn(windows.render, windows.container);
    const RECT container = ClientRectOf(windows.container);
    EXPECT_TRUE(EqualRect(&render, &container)) << "the view does not fill its old parent";
  }

  bool WaitForEnd(HANDLE process) {
    return PumpUntil([&] { return !IsProcessRunning(process); }, kEventTimeout);
  }
};

TEST_F(ReleaseTest, CloseWithShutDownEndsEarthWithExitCode259) {
  LoadPanelAndWaitForView();
  const UniqueHandle earth = OpenStandInProcess(WaitForStandInProcessId());

  Api().CloseGE();

  EXPECT_EQ(FindPanel(Host().Parent()), nullptr);
  ASSERT_TRUE(WaitForEnd(earth.get()));
  DWORD exitCode = 0;
  ASSERT_TRUE(GetExitCodeProcess(earth.get(), &exitCode));
  EXPECT_EQ(exitCode, kStillActive);
}

TEST_F(ReleaseTest, CloseWithoutShutDownLeavesEarthMinimisedWithItsView) {
  const EarthWindows windows = StartEarthAndRecordWindows();
  const UniqueHandle earth = OpenStandInProcess(WaitForStandInProcessId());
  LoadPanelAndWaitForView();
  ASSERT_EQ(GetParent(windows.render), FindPanel(Host().Parent()));

  Api().SetShutDownGE(0);
  Api().CloseGE();

  EXPECT_TRUE(IsProcessRunning(earth.get()));
  ExpectViewHandedBack(windows);
  EXPECT_TRUE(IsWindowVisible(windows.main));
  EXPECT_TRUE(IsIconic(windows.main));
  EXPECT_NE(GetForegroundWindow(), windows.main) << "Google Earth was activated";
  // Nobody hides it any more.
  PumpFor(500ms);
  EXPECT_TRUE(IsWindowVisible(windows.main));
}

TEST_F(ReleaseTest, RestoreGivesEarthItsViewAndKeepsItVisible) {
  const EarthWindows windows = StartEarthAndRecordWindows();
  LoadPanelAndWaitForView();

  Api().ZgeRestoreGoogleEarth();

  ExpectViewHandedBack(windows);
  EXPECT_TRUE(IsWindowVisible(windows.main));
  EXPECT_FALSE(IsIconic(windows.main));
  PumpFor(500ms);
  EXPECT_TRUE(IsWindowVisible(windows.main)) << "the watch thread hid the restored window";
  EXPECT_NE(FindPanel(Host().Parent()), nullptr);
}

TEST_F(ReleaseTest, DestroyedParentTakesThePanelAlongAndANewParentWorks) {
  LoadPanelAndWaitForView();
  const DWORD firstEarth = WaitForStandInProcessId();
  const UniqueHandle earth = OpenStandInProcess(firstEarth);

  Host().DestroyParent();

  EXPECT_TRUE(WaitForEnd(earth.get())) << "Google Earth outlived the panel";
  EXPECT_EQ(Api().ZgeIsViewReady(), 0);

  // The next panel starts Google Earth again.
  const HWND newParent = Host().CreateParent();
  ASSERT_EQ(Api().LoadGE(newParent, nullptr, nullptr), 1);
  ASSERT_TRUE(WaitForViewReady()) << StandInJournal().Text();
  const HWND panel = FindPanel(newParent);
  ASSERT_NE(panel, nullptr);
  Microsoft::WRL::ComPtr<IDispatch> application;
  application.Attach(Api().ZgeGetApplicationGE());
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(GetParent(EarthClient(application).RenderWindow()), panel);
  EXPECT_NE(StandInProcessId(), firstEarth);
}

// The host's timer, and the longest silence between two of its ticks.
struct HostTicks {
  static inline ULONGLONG last = 0;
  static inline ULONGLONG longest = 0;
  static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    const ULONGLONG now = GetTickCount64();
    longest = std::max(longest, now - last);
    last = now;
  }
};

// After a panel that ended Google Earth, Wine still hands out the dead
// server's registration and the DLL starts the server itself: the host's
// messages keep running while it waits for the server.
TEST_F(ReleaseTest, StartingTheServerByHandKeepsTheHostResponsive) {
  LoadPanelAndWaitForView();
  const UniqueHandle earth = OpenStandInProcess(WaitForStandInProcessId());
  Api().CloseGE();
  ASSERT_TRUE(WaitForEnd(earth.get()));

  constexpr UINT_PTR kTimerId = 77;
  ASSERT_NE(SetTimer(Host().Frame(), kTimerId, 20, &HostTicks::OnTick), 0U);
  HostTicks::last = GetTickCount64();
  HostTicks::longest = 0;
  LoadPanel();
  const bool ready = WaitForViewReady();
  KillTimer(Host().Frame(), kTimerId);
  ASSERT_TRUE(ready) << StandInJournal().Text();
  EXPECT_LT(HostTicks::longest, 400U) << "the host's timer was silent that long (ms)";
}

TEST_F(ReleaseTest, SecondLoadKeepsOnePanelAndRestartsStartUp) {
  LoadPanelAndWaitForView();
  const std::size_t callsBefore = LoadedCalls().size();

  ASSERT_EQ(Api().LoadGE(Host().Parent(), nullptr, nullptr), 1);

  EXPECT_EQ(CountPanels(Host().Parent()), 1);
  // The stored callback stays when the second call gives none.
  EXPECT_TRUE(PumpUntil([&] { return LoadedCalls().size() > callsBefore; }, kEventTimeout));
  ASSERT_TRUE(WaitForViewReady());
  EXPECT_EQ(GetParent(EarthClient::Connect().RenderWindow()), FindPanel(Host().Parent()));
}

struct CloseOnLoaded {
  ZelkanGE* api;
  int calls = 0;
};

void ZGE_CALL CloseFromLoadedCallback(void* context, ZgeBool /*isLoaded*/) {
  auto* closer = static_cast<CloseOnLoaded*>(context);
  ++closer->calls;
  closer->api->CloseGE();
}

TEST_F(ReleaseTest, HostMayCloseThePanelFromItsLoadedCallback) {
  CloseOnLoaded closer{&Api()};
  ASSERT_EQ(Api().LoadGE(Host().Parent(), &CloseFromLoadedCallback, &closer), 1);
  ASSERT_TRUE(PumpUntil([&] { return closer.calls > 0; }, kEventTimeout));

  // No tick of the closed panel follows.
  PumpFor(3000ms);
  EXPECT_EQ(closer.calls, 1);
  EXPECT_EQ(FindPanel(Host().Parent()), nullptr);
  EXPECT_EQ(Api().ZgeIsViewReady(), 0);
}

TEST_F(ReleaseTest, SecondCloseDoesNothing) {
  LoadPanelAndWaitForView();
  Api().CloseGE();
  Api().ZgeClearLastError();

  Api().CloseGE();

  std::int32_t code = -1;
  EXPECT_EQ(Api().ZgeGetLastError(&code, nullptr, 0), 0);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(FindPanel(Host().Parent()), nullptr);
  EXPECT_EQ(Api().ZgeIsViewReady(), 0);
}

}  // namespace
}  // namespace zge::test
