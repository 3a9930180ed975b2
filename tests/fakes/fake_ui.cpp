#include "fake_ui.h"

#include "base/error.h"

namespace zge::fakes {
namespace {

class FakeTimer final : public platform::Timer {
 public:
  explicit FakeTimer(FakeTimers& timers) : timers_(timers), state_(timers.state) {}
  ~FakeTimer() override {
    state_.exists = false;
    state_.enabled = false;
    state_.onTick = nullptr;
  }
  FakeTimer(const FakeTimer&) = delete;
  FakeTimer& operator=(const FakeTimer&) = delete;
  void SetInterval(int milliseconds) override { state_.interval = milliseconds; }
  int Interval() const override { return state_.interval; }
  void SetEnabled(bool enabled) override {
    if (enabled && timers_.beforeEnable) {
      timers_.beforeEnable();
    }
    if (enabled && timers_.faults != nullptr) {
      timers_.faults->ThrowIfDue(fault::kTimer, "SetTimer");
    }
    state_.enabled = enabled;
  }
  bool Enabled() const override { return state_.enabled; }

 private:
  FakeTimers& timers_;
  TimerState& state_;
};

class FakeWatchThread final : public platform::WatchThread {
 public:
  explicit FakeWatchThread(ThreadState& state) : state_(state) { state_.running = true; }
  ~FakeWatchThread() override {
    state_.running = false;
    state_.onWake = nullptr;
  }
  FakeWatchThread(const FakeWatchThread&) = delete;
  FakeWatchThread& operator=(const FakeWatchThread&) = delete;

 private:
  ThreadState& state_;
};

}  // namespace

class FakePanelWindow final : public platform::PanelWindow {
 public:
  explicit FakePanelWindow(FakePanelWindows& owner) : owner_(owner) {}
  ~FakePanelWindow() override {
    if (owner_.state.handle != kNoWindow) {
      owner_.Destroyed(false);
    }
  }
  FakePanelWindow(const FakePanelWindow&) = delete;
  FakePanelWindow& operator=(const FakePanelWindow&) = delete;

  WindowHandle Handle() const override { return owner_.state.handle; }
  Size ClientSize() const override {
    const Rect& rect = owner_.desktop_.Window(owner_.state.handle).rect;
    return Size{rect.Width(), rect.Height()};
  }
  std::optional<Point> CursorPosition() const override { return owner_.state.cursor; }
  void SetBusyCursor(bool busy) override { owner_.state.busyCursor = busy; }
  void DetachEvents() override { owner_.state.events = nullptr; }

 private:
  FakePanelWindows& owner_;
};

std::unique_ptr<platform::Timer> FakeTimers::Create(int intervalMs, std::function<void()> onTick) {
  if (beforeCreate) {
    beforeCreate();
  }
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kTimer, "CreateTimer");
  }
  state = TimerState{true, intervalMs, false, std::move(onTick)};
  return std::make_unique<FakeTimer>(*this);
}

bool FakeTimers::Tick() {
  if (!state.exists || !state.enabled) {
    return false;
  }
  const std::function<void()> onTick = state.onTick;
  onTick();
  return true;
}

std::unique_ptr<platform::WatchThread> FakeThreads::StartWatchThread(std::function<void()> onWake) {
  ++state.started;
  state.onWake = std::move(onWake);
  return std::make_unique<FakeWatchThread>(state);
}

void FakeThreads::Wake() {
  if (state.running && state.onWake) {
    state.onWake();
  }
}

std::unique_ptr<platform::PanelWindow> FakePanelWindows::Create(
    WindowHandle parent, platform::PanelWindowEvents& events) {
  if (failCreate) {
    throw Error(codes::kFail, "CreateWindowEx failed");
  }
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kWindow, "CreateWindowEx");
  }
  Rect area;
  if (!desktop_.GetClientRect(parent, area)) {
    throw Error(codes::kInvalidArgument, "The parent window does not exist");
  }
  state.handle = desktop_.AddWindow(FakeWindow{"ZelkanGEPanel", "", parent, area, true, -1, 1});
  state.events = &events;
  return std::make_unique<FakePanelWindow>(*this);
}

void FakePanelWindows::Destroyed(bool byHost) {
  log_.Add("DestroyPanelWindow");
  platform::PanelWindowEvents* events = state.events;
  if (events != nullptr) {
    events->OnDestroy();
  }
  desktop_.RemoveWindow(state.handle);
  state.handle = kNoWindow;
  // A destroyed window reports nothing more.
  state.events = nullptr;
  if (byHost && events != nullptr) {
    events->OnWindowGone();
  }
}

void FakePanelWindows::HostDestroysPanelWindow() { Destroyed(true); }

void FakePanelWindows::Resize(int width, int height) {
  desktop_.Window(state.handle).rect = Rect{0, 0, width, height};
  if (state.events != nullptr) {
    state.events->OnSize();
  }
}

void FakePanelWindows::Focus() {
  if (state.events != nullptr) {
    state.events->OnEnter();
  }
}

std::vector<std::u16string> FakeDialogs::ChooseKmlFiles(WindowHandle owner) {
  log_.Add("ChooseKmlFiles");
  lastOwner = owner;
  if (failWith) {
    throw Error(*failWith, "the dialog failed");
  }
  if (faults != nullptr) {
    faults->ThrowIfDue(fault::kDialogs, "ChooseKmlFiles");
  }
  return chosenFiles;
}

}  // namespace zge::fakes
