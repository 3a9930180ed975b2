// The start-up ticks: which interval follows which tick, which events fire,
// and the cursor.
#include "base/error.h"
#include "base/last_error.h"
#include "case_name.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

constexpr std::int32_t kBusy =
    static_cast<std::int32_t>(0x8001010A);  // RPC_E_SERVERCALL_RETRYLATER

using StartupTest = PanelTest;

TEST_F(StartupTest, LoadGEArmsTheTimerWithoutTouchingGoogleEarth) {
  Load();
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(Interval(), 500);
  EXPECT_TRUE(f.panelWindows.state.busyCursor);
  EXPECT_FALSE(f.log.Contains("Connect"));
  EXPECT_TRUE(loadedEvents.empty());
}

TEST_F(StartupTest, FirstTickConnectsAndRaisesNoEvent) {
  Load();
  f.timers.Tick();
  EXPECT_EQ(f.earth.state.connections, 1);
  EXPECT_TRUE(Panel().HasApplication());
  EXPECT_EQ(Interval(), 1500);
  EXPECT_TRUE(TimerOn());
  EXPECT_TRUE(loadedEvents.empty());
}

TEST_F(StartupTest, SecondTickAdoptsTheRenderWindowAndStopsTheTimer) {
  std::vector<std::string> events;
  Load();
  Panel().SetOnInit([&] { events.push_back("init"); });
  Panel().SetOnLoaded([&](bool loaded) { events.push_back(loaded ? "loaded" : "failed"); });
  f.timers.Tick();
  f.timers.Tick();

  EXPECT_EQ(f.desktop.GetParent(earthRender), Panel().Handle());
  EXPECT_EQ(Panel().RenderParent(), earthContainer);
  EXPECT_EQ(Panel().RenderTitle(), "Render View");
  EXPECT_TRUE(Panel().Embedded());
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_FALSE(TimerOn());
  EXPECT_FALSE(f.panelWindows.state.busyCursor);
  EXPECT_EQ(events, (std::vector<std::string>{"init", "loaded"}));
}

TEST_F(StartupTest, MissingMainWindowDropsTheConnectionAndConnectsAnew) {
  f.earth.state.mainWnd = kNoWindow;
  Load();
  f.timers.Tick();  // connect
  f.timers.Tick();  // no main window
  EXPECT_FALSE(Panel().HasApplication());
  EXPECT_EQ(Panel().RenderWnd(), kNoWindow);
  EXPECT_EQ(Interval(), 1500);
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});
  // The dropped connection stays with the panel, still connected.
  EXPECT_EQ(f.earth.state.connections, 1);

  f.earth.state.mainWnd = earthMain;
  f.timers.Tick();  // connect again
  f.timers.Tick();  // adopt
  EXPECT_EQ(f.earth.state.connectCount, 2);
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_EQ(loadedEvents, (std::vector<bool>{true, true}));
}

// A query that fails after connecting keeps the connection and retries
// after 2500 ms; the tick still reports true.
struct FailedQueryCase {
  const char* member;
};
ZGE_PRINTS_CASE_BY(FailedQueryCase, member)

class FailedQueryTest : public PanelTest, public ::testing::WithParamInterface<FailedQueryCase> {};

TEST_P(FailedQueryTest, RetriesAfter2500MsAndStillReportsTrue) {
  Load();
  f.timers.Tick();
  f.earth.state.failing[GetParam().member] = kBusy;
  f.timers.Tick();
  EXPECT_TRUE(Panel().HasApplication());
  EXPECT_FALSE(Panel().Initialized());
  EXPECT_EQ(Interval(), 2500);
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});
  EXPECT_EQ(f.earth.state.connectCount, 1);

  f.earth.state.failing.clear();
  f.timers.Tick();
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_EQ(f.earth.state.connectCount, 1);
}

TEST_P(FailedQueryTest, AServerThatHasGoneIsLeftAndTheRetryConnectsAnew) {
  Load();
  f.timers.Tick();
  f.earth.state.failing[GetParam().member] = codes::kDisconnected;
  f.timers.Tick();
  EXPECT_FALSE(Panel().HasApplication());
  EXPECT_EQ(Interval(), 2500);
  EXPECT_TRUE(TimerOn());

  f.earth.state.failing.clear();
  f.timers.Tick();  // connect again
  f.timers.Tick();  // adopt
  EXPECT_EQ(f.earth.state.connectCount, 2);
  EXPECT_TRUE(Panel().Initialized());
}

INSTANTIATE_TEST_SUITE_P(Members, FailedQueryTest,
                         ::testing::Values(FailedQueryCase{"GetMainHwnd"},
                                           FailedQueryCase{"VersionMajor"},
                                           FailedQueryCase{"GetRenderHwnd"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.member); });

TEST_F(StartupTest, UnregisteredGoogleEarthFailsOnceWithoutRetry) {
  f.earth.state.registered = false;
  Load();
  ClearLastError();
  f.timers.Tick();
  EXPECT_EQ(loadedEvents, std::vector<bool>{false});
  EXPECT_EQ(CurrentLastError().code, f.earth.state.connectError);
  EXPECT_FALSE(TimerOn());
  EXPECT_FALSE(Panel().HasApplication());
  EXPECT_FALSE(f.panelWindows.state.busyCursor);
  EXPECT_FALSE(f.timers.Tick());
  EXPECT_EQ(f.log.Count("Connect"), 1);
}

TEST_F(StartupTest, ConnectingRefusedInsideASentMessageIsTriedAgainLater) {
  f.earth.state.registered = false;
  f.earth.state.connectError = codes::kInputSynchronousCall;
  Load();
  f.timers.Tick();
  EXPECT_TRUE(loadedEvents.empty());
  EXPECT_FALSE(Panel().HasApplication());
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(Interval(), 2500);

  f.earth.state.registered = true;
  f.timers.Tick();  // connect
  f.timers.Tick();  // adopt
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});
}

TEST_F(StartupTest, ANewLoadGEAfterFailureStartsAgain) {
  f.earth.state.registered = false;
  Load();
  f.timers.Tick();
  f.earth.state.registered = true;
  Load();
  EXPECT_EQ(Interval(), 500);
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_EQ(loadedEvents, (std::vector<bool>{false, true}));
}

TEST_F(StartupTest, RenderWindowNotYetThereKeepsTickingAtTheSameInterval) {
  f.earth.state.renderWnd = kNoWindow;
  int inits = 0;
  Load();
  Panel().SetOnInit([&] { ++inits; });
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_FALSE(Panel().Initialized());
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(Interval(), 1500);
  EXPECT_EQ(inits, 1);
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});

  f.earth.state.renderWnd = earthRender;
  f.timers.Tick();
  EXPECT_TRUE(Panel().Initialized());
  EXPECT_EQ(inits, 2);
  EXPECT_EQ(Panel().RenderTitle(), "Render View");
}

TEST_F(StartupTest, FailingInitHandlerCountsAsAFailedQuery) {
  Load();
  Panel().SetOnInit([] { throw Error(codes::kFail, "host init failed"); });
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(Interval(), 2500);
  EXPECT_TRUE(TimerOn());
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});
}

TEST_F(StartupTest, FailingLoadedHandlerFailsTheStartup) {
  std::vector<bool> seen;
  Load();
  Panel().SetOnLoaded([&](bool loaded) {
    seen.push_back(loaded);
    if (loaded) {
      throw Error(codes::kFail, "host handler failed");
    }
  });
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_FALSE(TimerOn());
  EXPECT_FALSE(Panel().HasApplication());
}

TEST_F(StartupTest, RenderWindowThatCannotBeReparentedIsRetried) {
  f.desktop.failing.insert("SetParent");
  Load();
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_FALSE(Panel().Embedded());
  EXPECT_FALSE(Panel().Initialized());
  EXPECT_EQ(Interval(), 2500);

  f.desktop.failing.clear();
  f.timers.Tick();
  EXPECT_TRUE(Panel().Embedded());
  EXPECT_EQ(f.desktop.GetParent(earthRender), Panel().Handle());
}

TEST_F(StartupTest, StartupWithoutCallbackRunsSilently) {
  ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_TRUE(Panel().Initialized());
}

}  // namespace
}  // namespace zge::testing
