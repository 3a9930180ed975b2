// The timers port: WM_TIMER on a message-only window of the creating thread,
// so that ticks run on the host's user-interface thread between its
// messages.
#pragma once

#include <memory>

#include "platform/timer.h"

namespace zge::win32 {

class MessageTimers final : public platform::Timers {
 public:
  MessageTimers();
  ~MessageTimers() override;
  MessageTimers(const MessageTimers&) = delete;
  MessageTimers& operator=(const MessageTimers&) = delete;

  // Throws zge::Error when the timer's window cannot be created.
  std::unique_ptr<platform::Timer> Create(int intervalMs, std::function<void()> onTick) override;
};

}  // namespace zge::win32
