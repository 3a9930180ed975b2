// Sequences the export fuzzer (fuzz/export_sequence_fuzz.cpp) found to break
// the panel, each kept as the smallest case that shows it.
#include "base/error.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

using ExportSequenceTest = PanelTest;

// The host destroys its window while CloseGE's release sequence waits for
// Google Earth's answer: the release that the window's destruction starts
// must not pull the connection from under the one that is running.
TEST_F(ExportSequenceTest, HostDestroyingTheWindowDuringTheReleaseSequence) {
  LoadAndEmbed();
  Once(f.earth, "GetMainHwnd", [this] { f.panelWindows.HostDestroysPanelWindow(); });
  entry::CloseGE();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_EQ(f.earth.state.liveObjects, 0);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_EQ(f.module.references, 0);
}

// The host destroys its window without CloseGE, and its timer calls CloseGE
// while the release asks Google Earth for its window: the panel must not be
// destroyed under the release, nor while its window is still going.
TEST_F(ExportSequenceTest, CloseGEDuringTheReleaseOfAWindowTheHostDestroys) {
  LoadAndEmbed();
  f.earth.state.temporaryPlaces->children.clear();
  entry::WithPanel([](TGEPanel& panel) { panel.LoadWaypoint("Buoy", "", "", 1, 2); });
  bool panelDuringRelease = true;
  Once(f.earth, "GetMainHwnd", [&] {
    entry::CloseGE();
    panelDuringRelease = GlobalPanel() != nullptr;
  });
  f.panelWindows.HostDestroysPanelWindow();
  EXPECT_FALSE(panelDuringRelease);
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_FALSE(f.files.FileExists(f.files.tempDirectory + "ZelkanGE\\Buoy.kml"));
  EXPECT_EQ(f.ole.depth, 0);
}

// The start-up timer ticks again while a tick waits for Google Earth (COM
// runs the host's messages, the timer's among them), and the host closes
// the panel from the inner tick's OnInit: the outer tick still runs on the
// panel, so the close waits for it.
TEST_F(ExportSequenceTest, CloseGEFromAnEventOfATickInsideAnotherTick) {
  Load();
  f.timers.Tick();
  Panel().SetOnInit([] { entry::CloseGE(); });
  bool panelAfterInnerTick = true;
  Once(f.earth, "GetMainHwnd", [&] {
    f.timers.Tick();
    panelAfterInnerTick = GlobalPanel() != nullptr;
  });
  f.timers.Tick();
  EXPECT_FALSE(panelAfterInnerTick);  // detached at once
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_EQ(f.ole.depth, 0);
  EXPECT_TRUE(loadedEvents.empty());
}

}  // namespace
}  // namespace zge::testing
