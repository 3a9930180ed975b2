#include "win32/panel_windows.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "win32/resources.h"
#include "win32/system_headers.h"

namespace zge::win32 {
namespace {

// Records the events; on OnWindowGone it may delete the window object, as
// the panel does.
class RecordingEvents final : public platform::PanelWindowEvents {
 public:
  void OnSize() override { log += "size "; }
  void OnEnter() override { log += "enter "; }
  void OnDestroy() override { log += "destroy "; }
  void OnWindowGone() override {
    log += "gone ";
    owned.reset();
  }

  std::string log;
  std::unique_ptr<platform::PanelWindow> owned;
};

// A top-level window standing in for the host's parent control.
class PanelWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &::DefWindowProcW;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = L"ZgeTestHost";
    static_cast<void>(::RegisterClassW(&windowClass));
    host_.reset(::CreateWindowExW(0, L"ZgeTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                  nullptr, nullptr, ThisModule(), nullptr));
    ASSERT_TRUE(host_);
  }

  Win32PanelWindows windows_;
  unique_hwnd host_;
  RecordingEvents events_;
};

TEST_F(PanelWindowsTest, FillsTheParentAndReportsLaterSizes) {
  auto panel = windows_.Create(FromHwnd(host_.get()), events_);
  RECT client{};
  ASSERT_NE(::GetClientRect(host_.get(), &client), 0);
  EXPECT_EQ(panel->ClientSize(), (Size{client.right, client.bottom}));
  EXPECT_EQ(::GetParent(ToHwnd(panel->Handle())), host_.get());
  EXPECT_EQ(events_.log, "");  // creation's own WM_SIZE is not reported

  ASSERT_NE(::MoveWindow(ToHwnd(panel->Handle()), 0, 0, 200, 100, FALSE), 0);
  EXPECT_EQ(events_.log, "size ");
  EXPECT_EQ(panel->ClientSize(), (Size{200, 100}));
}

TEST_F(PanelWindowsTest, OwnDestructionReportsDestroyButNotGone) {
  auto panel = windows_.Create(FromHwnd(host_.get()), events_);
  const HWND window = ToHwnd(panel->Handle());
  panel.reset();
  EXPECT_EQ(events_.log, "destroy ");
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(PanelWindowsTest, HostDestroyingItsWindowLetsThePanelDeleteItself) {
  events_.owned = windows_.Create(FromHwnd(host_.get()), events_);
  const HWND window = ToHwnd(events_.owned->Handle());
  host_.reset();
  EXPECT_EQ(events_.log, "destroy gone ");
  EXPECT_EQ(events_.owned, nullptr);
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(PanelWindowsTest, DetachedEventsHearNothing) {
  auto panel = windows_.Create(FromHwnd(host_.get()), events_);
  panel->DetachEvents();
  ASSERT_NE(::MoveWindow(ToHwnd(panel->Handle()), 0, 0, 50, 50, FALSE), 0);
  host_.reset();
  EXPECT_EQ(events_.log, "");
  EXPECT_EQ(panel->Handle(), kNoWindow);
  panel.reset();  // the window is gone already: nothing to do
}

}  // namespace
}  // namespace zge::win32
