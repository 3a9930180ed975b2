// The lifecycle exports on the global panel, and the rule that every export
// without a panel does nothing.
#include "base/error.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

using LifecycleTest = PanelTest;

TEST_F(LifecycleTest, LifecycleCallsWithoutAPanelDoNothing) {
  bool called = false;
  entry::SetShutDownGE(false);
  entry::SetOnLoadedGE([&](bool) { called = true; });
  entry::CloseGE();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(entry::WithPanel(7, [](TGEPanel&) { return 1; }), 7);

  // A panel made afterwards has the defaults and only LoadGE's callback.
  ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
  EXPECT_TRUE(Panel().ShutDown());
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_FALSE(called);
}

TEST_F(LifecycleTest, LoadGEWithoutCallbackKeepsTheStoredOne) {
  Load();
  ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(loadedEvents, std::vector<bool>{true});
}

TEST_F(LifecycleTest, SetOnLoadedGEWithNullClearsTheCallback) {
  Load();
  entry::SetOnLoadedGE(nullptr);
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_TRUE(loadedEvents.empty());
}

TEST_F(LifecycleTest, NewPanelAfterCloseStartsWithDefaults) {
  Load();
  entry::SetShutDownGE(false);
  entry::CloseGE();
  ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
  EXPECT_TRUE(Panel().ShutDown());
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(loadedEvents.size(), 0U);
}

TEST_F(LifecycleTest, ConstructionSetsThePanelsDefaults) {
  Load();
  EXPECT_EQ(Panel().TempPath(), f.files.tempDirectory + "ZelkanGE\\");
  EXPECT_EQ(Panel().GetFeatureList().Count(), 0U);
  EXPECT_EQ(Panel().MainShowCmd(), 0);
  EXPECT_EQ(f.desktop.GetParent(Panel().Handle()), host);
  EXPECT_EQ(f.ole.depth, 1);
  EXPECT_EQ(f.threads.state.started, 1);
}

TEST_F(LifecycleTest, PanelWindowThatCannotBeCreatedFailsLoadGE) {
  f.panelWindows.failCreate = true;
  EXPECT_THROW(entry::LoadGE(f.ports, host, nullptr), Error);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.threads.state.started, 0);
}

TEST_F(LifecycleTest, ScreenShotNeedsAnEmbeddedViewAndDropsFailures) {
  Load();
  Panel().ScreenShot(u"C:\\view.png");
  EXPECT_FALSE(f.log.Contains("SaveScreenShot(C:\\view.png, 100)"));
  f.timers.Tick();
  f.timers.Tick();
  Panel().ScreenShot(u"C:\\view.png");
  EXPECT_TRUE(f.log.Contains("SaveScreenShot(C:\\view.png, 100)"));
  f.earth.state.failing["SaveScreenShot(C:\\bad.png, 100)"] = codes::kInvalidArgument;
  EXPECT_NO_THROW(Panel().ScreenShot(u"C:\\bad.png"));
}

}  // namespace
}  // namespace zge::testing

namespace zge::testing {
namespace {

// Hosts close the panel from inside its own events; the tick that raised
// the event must not touch the panel afterwards.
TEST_F(LifecycleTest, HostMayCloseThePanelFromTheLoadedCallback) {
  f.earth.state.registered = false;
  ASSERT_TRUE(entry::LoadGE(f.ports, host, [](bool) { entry::CloseGE(); }));
  f.timers.Tick();
  EXPECT_EQ(GlobalPanel(), nullptr);
}

TEST_F(LifecycleTest, HostMayCloseThePanelFromAnEmbeddingTick) {
  ASSERT_TRUE(entry::LoadGE(f.ports, host, [](bool) { entry::CloseGE(); }));
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
}

TEST_F(LifecycleTest, HostMayCloseThePanelFromOnInit) {
  Load();
  Panel().SetOnInit([] { entry::CloseGE(); });
  f.timers.Tick();
  f.timers.Tick();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_TRUE(loadedEvents.empty());
}

}  // namespace
}  // namespace zge::testing

namespace zge::testing {
namespace {

// A construction that fails after the locale was switched, and whose clean-up
// fails too, still leaves no global panel.
TEST_F(LifecycleTest, FailedConstructionWithFailingCleanUpLeavesNoPanel) {
  f.registry.Set("Software\\Google\\Google Earth Plus", "locale", std::string("de-DE"));
  f.timers.beforeCreate = [this] {
    f.registry.failWrites = codes::kFail;
    throw Error(codes::kOutOfMemory, "SetTimer failed");
  };
  try {
    entry::LoadGE(f.ports, host, nullptr);
    ADD_FAILURE() << "LoadGE did not fail";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), codes::kOutOfMemory);  // the construction's own failure
  }
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.ole.depth, 0);
}

TEST_F(LifecycleTest, LoadGEThatCannotArmLeavesNoPanel) {
  f.timers.beforeEnable = [] { throw Error(codes::kOutOfMemory, "SetTimer failed"); };
  EXPECT_THROW(entry::LoadGE(f.ports, host, nullptr), Error);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_FALSE(f.threads.state.running);
  EXPECT_EQ(f.ole.depth, 0);
  EXPECT_FALSE(f.desktop.Exists(f.panelWindows.state.handle));
}

}  // namespace
}  // namespace zge::testing

namespace zge::testing {
namespace {

// The panel keeps the package's code loaded for its whole life. A panel that
// goes with the host's window never gives the reference back on that path,
// since that could unload the code it returns into; the host's next LoadGE
// or CloseGE does.
TEST_F(LifecycleTest, PanelHoldsTheCodeLoadedAndCloseGivesItBack) {
  Load();
  EXPECT_EQ(f.module.references, 1);
  ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
  EXPECT_EQ(f.module.references, 1);
  entry::CloseGE();
  EXPECT_EQ(f.module.references, 0);
}

TEST_F(LifecycleTest, PanelGoneWithTheHostsWindowKeepsTheCodeUntilTheHostCallsAgain) {
  Load();
  f.panelWindows.HostDestroysPanelWindow();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.module.references, 1);
  Load();
  EXPECT_EQ(f.module.references, 1);
  f.panelWindows.HostDestroysPanelWindow();
  entry::CloseGE();
  EXPECT_EQ(f.module.references, 0);
}

}  // namespace
}  // namespace zge::testing
