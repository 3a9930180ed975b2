// A timer whose ticks run on the thread that created it (the host's
// user-interface thread). Ticks never overlap and never run after the timer
// is destroyed.
#pragma once

#include <functional>
#include <memory>

namespace zge::platform {

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(int milliseconds) = 0;
  [[nodiscard]] virtual int Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  [[nodiscard]] virtual bool Enabled() const = 0;
};

class Timers {
 public:
  virtual ~Timers() = default;
  // A disabled timer with the given interval.
  virtual std::unique_ptr<Timer> Create(int intervalMs, std::function<void()> onTick) = 0;
};

}  // namespace zge::platform
