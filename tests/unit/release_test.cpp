// Release: handing the render window back, ending or minimising Google
// Earth, in the right order, whatever state the start-up reached.
#include "base/error.h"
#include "base/last_error.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

std::string Call(const std::string& name, WindowHandle a) {
  return name + "(" + std::to_string(a) + ")";
}
std::string Call(const std::string& name, WindowHandle a, WindowHandle b) {
  return name + "(" + std::to_string(a) + ", " + std::to_string(b) + ")";
}

using ReleaseTest = PanelTest;

TEST_F(ReleaseTest, CloseWithShutDownHandsBackThenEndsGoogleEarthInOrder) {
  LoadAndEmbed();
  const WindowHandle panel = Panel().Handle();
  f.log.Clear();
  entry::CloseGE();

  const std::vector<std::string> expectedOrder = {
      Call("SetParent", earthRender, earthContainer),
      Call("GetClientRect", earthContainer),
      Call("SetWindowPos", earthRender, earthContainer),
      "MoveWindow(" + std::to_string(earthRender) + ", 1000x700, repaint)",
      Call("SetWindowText", earthRender),
      "GetMainHwnd",
      "Release",
      "OpenProcess(4242)",
      "GetExitCodeProcess",
      "TerminateProcess(259)",
      "CloseHandle(process)",
  };
  long last = -1;
  for (const std::string& step : expectedOrder) {
    const long at = f.log.IndexOf(step);
    EXPECT_GT(at, last) << step;
    last = at;
  }
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_EQ(f.processes.processes.at(kEarthProcessId).exitCode, 259U);
  EXPECT_EQ(f.processes.openHandles, 0);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_EQ(f.desktop.Window(earthRender).text, "Render View");
  EXPECT_FALSE(f.desktop.Exists(panel));
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_FALSE(f.threads.state.running);
  EXPECT_FALSE(f.timers.state.exists);
  // Every connection is released before OLE goes.
  EXPECT_EQ(f.log.Calls().back(), "OleUninitialize");
}

TEST_F(ReleaseTest, CloseWithoutShutDownMinimisesGoogleEarthAndLetsItRun) {
  LoadAndEmbed();
  entry::SetShutDownGE(false);
  entry::CloseGE();
  EXPECT_TRUE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_FALSE(f.log.Contains("OpenProcess(4242)"));
  EXPECT_EQ(f.desktop.Window(earthMain).lastShowCommand, 7);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
}

TEST_F(ReleaseTest, GoogleEarthAlreadyGoneStillCompletesTheRelease) {
  LoadAndEmbed();
  f.earth.state.failing["GetMainHwnd"] =
      static_cast<std::int32_t>(0x800706BA);  // server unavailable
  f.desktop.RemoveWindow(earthRender);
  f.desktop.RemoveWindow(earthMain);
  ClearLastError();
  entry::CloseGE();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.earth.state.connections, 0);
  EXPECT_FALSE(f.log.Contains("OpenProcess(4242)"));
  EXPECT_EQ(CurrentLastError().code, 0);
}

TEST_F(ReleaseTest, ProcessThatCannotBeOpenedIsLeftAlone) {
  LoadAndEmbed();
  f.processes.processes.at(kEarthProcessId).openable = false;
  entry::CloseGE();
  EXPECT_TRUE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_EQ(GlobalPanel(), nullptr);
}

TEST_F(ReleaseTest, CloseDuringStartupEndsAConnectedGoogleEarth) {
  Load();
  f.timers.Tick();  // connected, nothing adopted yet
  entry::CloseGE();
  EXPECT_FALSE(f.log.Contains(Call("SetParent", earthRender, earthContainer)));
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
}

TEST_F(ReleaseTest, CloseAfterADroppedConnectionLeavesGoogleEarthAlone) {
  f.earth.state.mainWnd = kNoWindow;
  Load();
  f.timers.Tick();
  f.timers.Tick();  // connection dropped
  entry::CloseGE();
  EXPECT_FALSE(f.log.Contains("OpenProcess(4242)"));
  EXPECT_EQ(f.earth.state.connections, 0);
}

TEST_F(ReleaseTest, CloseAfterFailedStartupLeavesGoogleEarthAlone) {
  f.earth.state.registered = false;
  Load();
  f.timers.Tick();
  entry::CloseGE();
  EXPECT_FALSE(f.log.Contains("GetMainHwnd"));
  EXPECT_TRUE(f.processes.processes.at(kEarthProcessId).running);
}

TEST_F(ReleaseTest, HostDestroyingThePanelWindowReleasesAndClearsThePanel) {
  LoadAndEmbed();
  f.panelWindows.HostDestroysPanelWindow();
  EXPECT_EQ(GlobalPanel(), nullptr);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_FALSE(f.processes.processes.at(kEarthProcessId).running);
  EXPECT_FALSE(f.threads.state.running);

  // A new LoadGE in a new parent starts from the defaults.
  f.processes.processes[kEarthProcessId] = fakes::FakeProcessState{};
  LoadAndEmbed();
  EXPECT_TRUE(Panel().ShutDown());
  EXPECT_EQ(f.desktop.GetParent(earthRender), Panel().Handle());
}

TEST_F(ReleaseTest, HandingBackTwiceDoesNothingTheSecondTime) {
  LoadAndEmbed();
  Panel().CloseGE();
  EXPECT_FALSE(Panel().Embedded());
  f.log.Clear();
  Panel().CloseGE();
  EXPECT_TRUE(f.log.Calls().empty());
  EXPECT_TRUE(Panel().Initialized());
}

// Each failing window call is ignored on its own: the others still run, the
// title goes back and the panel no longer claims the render window.
TEST_F(ReleaseTest, FailedHandBackStepDoesNotSkipTheOthers) {
  LoadAndEmbed();
  const WindowHandle panel = Panel().Handle();
  for (const char* failing :
       {"SetParent", "GetClientRect", "SetWindowPos", "MoveWindow", "SetWindowText"}) {
    SCOPED_TRACE(failing);
    f.desktop.SetParent(earthRender, panel);
    f.desktop.Window(earthRender).text = "changed";
    Panel().SetGoogleEarth();
    ASSERT_TRUE(Panel().Embedded());
    f.desktop.failing = {failing};
    f.log.Clear();
    Panel().CloseGE();
    f.desktop.failing.clear();
    EXPECT_FALSE(Panel().Embedded());
    EXPECT_TRUE(f.log.Contains(Call("SetParent", earthRender, earthContainer)));
    EXPECT_TRUE(f.log.Contains(Call("SetWindowText", earthRender)));
    if (std::string(failing) != "SetWindowText") {
      EXPECT_EQ(f.desktop.Window(earthRender).text, "Render View");
    }
  }
}

TEST_F(ReleaseTest, RestoreGoogleEarthShowsItsWindowAndTheWatchThreadLeavesItAlone) {
  LoadAndEmbed();
  Panel().RestoreGoogleEarth();
  EXPECT_EQ(Panel().MainShowCmd(), 9);
  EXPECT_EQ(f.desktop.GetParent(earthRender), earthContainer);
  EXPECT_EQ(f.desktop.Window(earthMain).lastShowCommand, 9);
  EXPECT_TRUE(Panel().HasApplication());
  f.threads.Wake();
  EXPECT_TRUE(f.desktop.Window(earthMain).visible);
}

}  // namespace
}  // namespace zge::testing
