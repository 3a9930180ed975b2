// The watch thread reads the global panel and its show command without a
// lock while the user-interface thread makes and destroys panels. Here the
// thread is a real one, woken far more often than every 100 ms, so that
// ThreadSanitizer sees the atomics, the start and the join.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/guard.h"
#include "entry/lifecycle.h"
#include "fake_desktop.h"
#include "fake_earth.h"
#include "fake_save_dialog.h"
#include "fake_system.h"
#include "fake_ui.h"
#include "panel/ge_panel.h"

namespace zge::testing {
namespace {

using namespace std::chrono_literals;

// The port's contract on a std::thread: destroying the handle stops the
// thread and waits for it.
class StdWatchThread final : public platform::WatchThread {
 public:
  explicit StdWatchThread(std::function<void()> onWake)
      : thread_([this, onWake = std::move(onWake)] { Loop(onWake); }) {}
  ~StdWatchThread() override {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  StdWatchThread(const StdWatchThread&) = delete;
  StdWatchThread& operator=(const StdWatchThread&) = delete;

  // Wake-ups so far; read on the user-interface thread.
  static std::atomic<long> wakes;

 private:
  // Wakes at once and then every 200 microseconds: a panel's short life
  // still sees the thread at work.
  void Loop(const std::function<void()>& onWake) {
    std::unique_lock lock(mutex_);
    do {
      lock.unlock();
      Guarded([&] { onWake(); });
      ++wakes;
      lock.lock();
    } while (!wake_.wait_for(lock, 200us, [this] { return stop_; }));
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;  // last: starts once the rest is ready
};
std::atomic<long> StdWatchThread::wakes{0};

class StdThreads final : public platform::Threads {
 public:
  std::unique_ptr<platform::WatchThread> StartWatchThread(std::function<void()> onWake) override {
    return std::make_unique<StdWatchThread>(std::move(onWake));
  }
};

// The fakes, with the desktop (the one port the watch thread calls) on a
// call log of its own: the desktop locks its calls, the other fakes are
// used on this thread only.
struct ThreadedPlatform {
  fakes::CallLog log;
  fakes::CallLog desktopLog;
  fakes::FakeEarth earth{log};
  fakes::FakeDesktop desktop{desktopLog};
  fakes::FakePanelWindows panelWindows{desktop, log};
  fakes::FakeProcesses processes{log};
  fakes::FakeRegistry registry{log};
  fakes::FakeFiles files;
  fakes::FakeCodePage codePage;
  fakes::FakeTimers timers;
  StdThreads threads;
  fakes::FakeOle ole{log};
  fakes::FakeDialogs dialogs{log};
  fakes::FakeSaveDialogs saveDialogs;
  fakes::FakeModule module;
  platform::Platform ports{earth,  desktop, panelWindows, processes, registry,    files, codePage,
                           timers, threads, ole,          dialogs,   saveDialogs, module};
};

class WatchRaceTest : public ::testing::Test {
 protected:
  WatchRaceTest() {
    using fakes::FakeWindow;
    host = f.desktop.AddWindow(
        FakeWindow{"HostControl", "", kNoWindow, Rect{0, 0, 800, 600}, true, -1, 1});
    main = f.desktop.AddWindow(
        FakeWindow{"QWidget", "Google Earth", kNoWindow, Rect{0, 0, 1024, 768}, true, -1, 7});
    const WindowHandle render = f.desktop.AddWindow(
        FakeWindow{"QWidget", "Render View", main, Rect{0, 0, 1000, 700}, true, -1, 7});
    f.earth.state.mainWnd = main;
    f.earth.state.renderWnd = render;
    f.processes.processes[7] = fakes::FakeProcessState{};
  }
  ~WatchRaceTest() override { entry::CloseGE(); }

  // How often the watch thread hid Google Earth's main window; read once
  // no thread runs.
  [[nodiscard]] long Hides() const {
    return f.desktopLog.Count("ShowWindow(" + std::to_string(main) + ", 0)");
  }

  ThreadedPlatform f;
  WindowHandle host = kNoWindow;
  WindowHandle main = kNoWindow;
};

// Bounded in time rather than in rounds, so that a slow machine still
// finishes in a few seconds.
template <typename Round>
int RunFor(std::chrono::milliseconds budget, Round&& round) {
  const auto end = std::chrono::steady_clock::now() + budget;
  int rounds = 0;
  while (std::chrono::steady_clock::now() < end) {
    round(rounds++);
  }
  return rounds;
}

TEST_F(WatchRaceTest, PanelsComeAndGoWhileTheWatchThreadRuns) {
  const long wakesBefore = StdWatchThread::wakes.load();
  const int rounds = RunFor(1500ms, [&](int round) {
    ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
    // Some panels embed (the show command changes under the thread), some
    // let Google Earth show when they go, some are closed at once.
    if (round % 3 != 0) {
      f.timers.Tick();
      f.timers.Tick();
    }
    entry::SetShutDownGE(round % 2 == 0);
    if (round % 5 == 0) {
      entry::WithPanel([](TGEPanel& panel) { panel.RestoreGoogleEarth(); });
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 4)));
    entry::CloseGE();
    ASSERT_EQ(GlobalPanel(), nullptr);
    // Google Earth comes back for the next round.
    f.processes.processes[7] = fakes::FakeProcessState{};
  });
  std::printf("%d rounds, %ld wake-ups, %ld hides\n", rounds,
              StdWatchThread::wakes.load() - wakesBefore, Hides());
  EXPECT_GT(rounds, 50);
  // The thread did meet living panels.
  EXPECT_GT(Hides(), 0);
}

TEST_F(WatchRaceTest, PanelsGoWithTheHostsWindowWhileTheWatchThreadRuns) {
  const int rounds = RunFor(1000ms, [&](int round) {
    ASSERT_TRUE(entry::LoadGE(f.ports, host, nullptr));
    if (round % 2 == 0) {
      f.timers.Tick();
      f.timers.Tick();
    }
    std::this_thread::sleep_for(std::chrono::microseconds(300 * (round % 3)));
    f.panelWindows.HostDestroysPanelWindow();
    ASSERT_EQ(GlobalPanel(), nullptr);
    f.processes.processes[7] = fakes::FakeProcessState{};
  });
  entry::CloseGE();
  EXPECT_GT(rounds, 50);
  EXPECT_EQ(f.module.references, 0);
}

// A construction that fails after the thread started stops it again.
TEST_F(WatchRaceTest, AFailedStartStopsTheThread) {
  int failures = 0;
  const int rounds = RunFor(500ms, [&](int round) {
    f.timers.beforeEnable = [round] {
      if (round % 2 == 0) {
        throw Error(codes::kOutOfMemory, "SetTimer failed");
      }
    };
    try {
      entry::LoadGE(f.ports, host, nullptr);
    } catch (const Error&) {
      ++failures;
    }
    entry::CloseGE();
    ASSERT_EQ(GlobalPanel(), nullptr);
  });
  f.timers.beforeEnable = nullptr;
  EXPECT_GT(rounds, 20);
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace zge::testing
