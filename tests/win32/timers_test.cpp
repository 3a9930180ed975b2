#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "win32/message_timers.h"
#include "win32/system_headers.h"
#include "win32/watch_threads.h"

namespace zge::win32 {
namespace {

// Runs the thread's message loop for about `milliseconds`.
void Pump(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  while (::GetTickCount64() < end) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageW(&message);
    }
    ::Sleep(5);
  }
}

TEST(MessageTimerTest, TicksOnTheCreatingThreadOnlyWhileEnabled) {
  MessageTimers timers;
  int ticks = 0;
  DWORD tickThread = 0;
  auto timer = timers.Create(10, [&] {
    ++ticks;
    tickThread = ::GetCurrentThreadId();
  });
  Pump(100);
  EXPECT_EQ(ticks, 0);

  timer->SetEnabled(true);
  Pump(200);
  EXPECT_GT(ticks, 2);
  EXPECT_EQ(tickThread, ::GetCurrentThreadId());

  timer->SetEnabled(false);
  const int stopped = ticks;
  Pump(100);
  EXPECT_EQ(ticks, stopped);
}

TEST(MessageTimerTest, ModalLoopInsideATickDoesNotNestTicks) {
  MessageTimers timers;
  int depth = 0;
  int deepest = 0;
  int ticks = 0;
  auto timer = timers.Create(10, [&] {
    ++ticks;
    ++depth;
    deepest = std::max(deepest, depth);
    if (ticks == 1) {
      Pump(100);  // as a message box would
    }
    --depth;
  });
  timer->SetEnabled(true);
  Pump(250);
  EXPECT_EQ(deepest, 1);
  EXPECT_GT(ticks, 1);
}

TEST(MessageTimerTest, TimerDestroyedInsideItsTickTicksNoMore) {
  MessageTimers timers;
  int ticks = 0;
  std::unique_ptr<platform::Timer> timer;
  timer = timers.Create(10, [&] {
    ++ticks;
    timer.reset();
  });
  timer->SetEnabled(true);
  Pump(150);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(timer, nullptr);
}

TEST(MessageTimerTest, AFailingTickDoesNotStopTheTimer) {
  MessageTimers timers;
  int ticks = 0;
  auto timer = timers.Create(10, [&] {
    ++ticks;
    throw std::runtime_error("tick failed");
  });
  timer->SetEnabled(true);
  Pump(150);
  EXPECT_GT(ticks, 1);
}

TEST(WatchThreadTest, WakesOnAnotherThreadUntilDestroyed) {
  WatchThreads threads;
  std::atomic<int> wakes{0};
  std::atomic<DWORD> wakeThread{0};
  auto thread = threads.StartWatchThread([&] {
    wakeThread = ::GetCurrentThreadId();
    if (++wakes == 1) {
      throw std::runtime_error("first wake fails");
    }
  });
  ::Sleep(450);
  thread.reset();
  const int afterStop = wakes;
  EXPECT_GE(afterStop, 2);
  EXPECT_NE(wakeThread.load(), ::GetCurrentThreadId());
  ::Sleep(250);
  EXPECT_EQ(wakes, afterStop);
}

}  // namespace
}  // namespace zge::win32
