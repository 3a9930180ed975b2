// Calls that arrive while another call waits for Google Earth: COM runs the
// host's messages then, and the host's timer may call any export.
#include "base/error.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

using ReentrancyTest = PanelTest;

TEST_F(ReentrancyTest, CloseDuringAStartupConnectTakesEffectWhenTheTickReturns) {
  Load();
  bool panelDuringConnect = true;
  Once(f.earth, "Connect", [&] {
    entry::CloseGE();
    panelDuringConnect = GlobalPanel() != nullptr;
  });
  f.timers.Tick();
  EXPECT_FALSE(panelDuringConnect);  // detached at once
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_EQ(f.ole.depth, 0);
  EXPECT_TRUE(loadedEvents.empty());  // a closed panel reports nothing
}

TEST_F(ReentrancyTest, CloseDuringAnEmbeddingQueryTakesEffectWhenTheTickReturns) {
  Load();
  f.timers.Tick();
  Once(f.earth, "GetRenderHwnd", [] { entry::CloseGE(); });
  f.timers.Tick();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
}

TEST_F(ReentrancyTest, CloseDuringAnExportTakesEffectWhenTheExportReturns) {
  LoadAndEmbed();
  Once(f.earth, "LoadKmlData", [] { entry::CloseGE(); });
  entry::WithPanel([](TGEPanel& panel) { panel.LoadWaypoint("A", "", "", 1, 2); });
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
}

TEST_F(ReentrancyTest, LoadGEDuringTheReleaseSequenceIsRefusedAndMakesNoPanel) {
  LoadAndEmbed();
  std::int32_t refused = 0;
  Once(f.earth, "GetMainHwnd", [&] {
    try {
      entry::LoadGE(f.ports, host, nullptr);
    } catch (const Error& error) {
      refused = error.Code();
    }
  });
  entry::CloseGE();
  EXPECT_EQ(refused, codes::kReentrantCall);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.threads.state.started, 1);
  EXPECT_EQ(f.ole.depth, 0);
}

TEST_F(ReentrancyTest, LoadGEDuringATickIsRefusedButOtherExportsWork) {
  Load();
  f.timers.Tick();
  std::int32_t refused = 0;
  Once(f.earth, "GetMainHwnd", [&] {
    entry::SetShutDownGE(false);
    try {
      entry::LoadGE(f.ports, host, nullptr);
    } catch (const Error& error) {
      refused = error.Code();
    }
  });
  f.timers.Tick();
  EXPECT_EQ(refused, codes::kReentrantCall);
  EXPECT_FALSE(Panel().ShutDown());
  EXPECT_TRUE(Panel().Initialized());
}

TEST_F(ReentrancyTest, HostDestroyingItsWindowDuringAnExportHandsBackAtOnceAndReleasesAfter) {
  LoadAndEmbed();
  bool connectedAfterHandBack = false;
  Once(f.earth, "LoadKmlData", [&] {
    f.panelWindows.HostDestroysPanelWindow();
    connectedAfterHandBack = f.earth.state.connections > 0;
    EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  });
  entry::WithPanel([](TGEPanel& panel) { panel.LoadWaypoint("A", "", "", 1, 2); });
  EXPECT_TRUE(connectedAfterHandBack);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
}

// The host's own callbacks are outside every call: there LoadGE and
// CloseGE work at once.
TEST_F(ReentrancyTest, HostMayRestartThePanelFromTheFailedCallback) {
  f.earth.state.registered = false;
  int failures = 0;
  ASSERT_TRUE(entry::LoadGE(f.ports, host, [&](bool loaded) {
    if (!loaded && ++failures == 1) {
      entry::LoadGE(f.ports, host, nullptr);
    }
  }));
  f.timers.Tick();
  EXPECT_EQ(failures, 1);
  ASSERT_NE(GlobalPanel(), nullptr);
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(Interval(), kArmIntervalMs);
}

}  // namespace
}  // namespace zge::testing
