// A host window and a Google Earth on the fake desktop, and the steps that
// bring a panel into each state of its start-up.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "entry/lifecycle.h"
#include "fake_platform.h"
#include "panel/ge_panel.h"

namespace zge::testing {

inline constexpr std::uint32_t kEarthProcessId = 4242;

// Runs `action` once, while the first call of `member` waits for Google
// Earth (as the host's messages run during a COM call).
inline void Once(fakes::FakeEarth& earth, std::string member, std::function<void()> action) {
  earth.whileWaiting = [&earth, member = std::move(member),
                        action = std::move(action)](const std::string& called) {
    if (called == member) {
      const std::function<void()> run = action;
      earth.whileWaiting = nullptr;  // destroys this lambda: only locals from here
      run();
    }
  };
}

class PanelTest : public ::testing::Test {
 protected:
  PanelTest() {
    using fakes::FakeWindow;
    host = f.desktop.AddWindow(
        FakeWindow{"HostControl", "", kNoWindow, Rect{0, 0, 800, 600}, true, -1, 1});
    const auto earth = f.AddEarthWindows(kEarthProcessId);
    earthMain = earth.main;
    earthContainer = earth.container;
    earthRender = earth.render;
    f.processes.processes[kEarthProcessId] = fakes::FakeProcessState{};
  }

  ~PanelTest() override { entry::CloseGE(); }

  // LoadGE with a callback that records each outcome.
  void Load() {
    ASSERT_TRUE(
        entry::LoadGE(f.ports, host, [this](bool loaded) { loadedEvents.push_back(loaded); }));
  }

  TGEPanel& Panel() {
    TGEPanel* panel = GlobalPanel();
    if (panel == nullptr) {
      throw std::logic_error("no panel");
    }
    return *panel;
  }

  // LoadGE and the two ticks that embed Google Earth.
  void LoadAndEmbed() {
    Load();
    ASSERT_TRUE(f.timers.Tick());
    ASSERT_TRUE(f.timers.Tick());
    ASSERT_TRUE(Panel().Initialized());
  }

  [[nodiscard]] int Interval() const { return f.timers.state.interval; }
  [[nodiscard]] bool TimerOn() const { return f.timers.state.enabled; }

  fakes::FakePlatform f;
  WindowHandle host = kNoWindow;
  WindowHandle earthMain = kNoWindow;
  WindowHandle earthContainer = kNoWindow;
  WindowHandle earthRender = kNoWindow;
  std::vector<bool> loadedEvents;
};

}  // namespace zge::testing
