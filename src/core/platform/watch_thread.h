// A background thread of lowest priority that calls a function every
// 100 ms until it is stopped. Destroying the handle stops the thread and
// waits until it has ended.
#pragma once

#include <functional>
#include <memory>

namespace zge::platform {

class WatchThread {
 public:
  virtual ~WatchThread() = default;
};

class Threads {
 public:
  virtual ~Threads() = default;
  // `onWake` runs on the new thread after each 100 ms sleep; it must not throw.
  virtual std::unique_ptr<WatchThread> StartWatchThread(std::function<void()> onWake) = 0;
};

}  // namespace zge::platform
