// The threads port: the panel's watch thread.
#pragma once

#include "platform/watch_thread.h"

namespace zge::win32 {

class WatchThreads final : public platform::Threads {
 public:
  // Throws zge::Error when the thread cannot be started.
  std::unique_ptr<platform::WatchThread> StartWatchThread(std::function<void()> onWake) override;
};

}  // namespace zge::win32
