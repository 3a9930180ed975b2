// Fakes of the user-interface ports: a timer driven by hand, a watch thread
// woken by hand, and panel windows that live on the fake desktop.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "call_log.h"
#include "fake_desktop.h"
#include "fault_plan.h"
#include "platform/dialogs.h"
#include "platform/panel_window.h"
#include "platform/timer.h"
#include "platform/watch_thread.h"

namespace zge::fakes {

struct TimerState {
  bool exists = false;
  int interval = 0;
  bool enabled = false;
  std::function<void()> onTick;
};

class FakeTimers final : public platform::Timers {
 public:
  std::unique_ptr<platform::Timer> Create(int intervalMs, std::function<void()> onTick) override;
  // Runs one tick when the timer exists and is enabled; returns whether it ran.
  bool Tick();
  TimerState state;
  // Runs before each timer is made and each time one is switched on; may
  // throw, as a failing system call would.
  std::function<void()> beforeCreate;
  std::function<void()> beforeEnable;
  // Injected failures of SetTimer: making a timer, switching one on.
  FaultPlan* faults = nullptr;
};

struct ThreadState {
  bool running = false;
  int started = 0;
  std::function<void()> onWake;
};

class FakeThreads final : public platform::Threads {
 public:
  std::unique_ptr<platform::WatchThread> StartWatchThread(std::function<void()> onWake) override;
  // One wake-up of the watch thread, when it runs.
  void Wake();
  ThreadState state;
};

struct PanelWindowState {
  WindowHandle handle = kNoWindow;
  bool busyCursor = false;
  platform::PanelWindowEvents* events = nullptr;
  // Where the mouse cursor is, in the panel's client coordinates; nullopt
  // when the system cannot tell.
  std::optional<Point> cursor;
};

class FakePanelWindows final : public platform::PanelWindows {
 public:
  FakePanelWindows(FakeDesktop& desktop, CallLog& log) : desktop_(desktop), log_(log) {}
  std::unique_ptr<platform::PanelWindow> Create(WindowHandle parent,
                                                platform::PanelWindowEvents& events) override;
  // The host destroys the window that contains the panel.
  void HostDestroysPanelWindow();
  // The panel's window changes size, as the host resizes its parent.
  void Resize(int width, int height);
  void Focus();

  PanelWindowState state;
  bool failCreate = false;
  FaultPlan* faults = nullptr;

 private:
  friend class FakePanelWindow;
  void Destroyed(bool byHost);
  FakeDesktop& desktop_;
  CallLog& log_;
};

// The open-file dialog answers with the files set here (none: cancelled).
class FakeDialogs final : public platform::Dialogs {
 public:
  explicit FakeDialogs(CallLog& log) : log_(log) {}
  std::vector<std::u16string> ChooseKmlFiles(WindowHandle owner) override;
  std::vector<std::u16string> chosenFiles;
  std::optional<std::int32_t> failWith;
  WindowHandle lastOwner = kNoWindow;
  FaultPlan* faults = nullptr;

 private:
  CallLog& log_;
};

}  // namespace zge::fakes
