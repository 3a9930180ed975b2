#include "base/call_scope.h"

#include <atomic>

namespace zge {
namespace {

// Per thread: the exports run on the host's user-interface thread, and the
// watch thread never enters a call.
thread_local int tDepth = 0;
std::atomic<void (*)()> gOutermostReturn{nullptr};

}  // namespace

CallScope::CallScope() noexcept { ++tDepth; }

CallScope::~CallScope() {
  if (--tDepth == 0) {
    if (void (*handler)() = gOutermostReturn.load()) {
      handler();
    }
  }
}

bool CallScope::Inside() noexcept { return tDepth > 0; }

void CallScope::SetOutermostReturnHandler(void (*handler)()) noexcept {
  gOutermostReturn.store(handler);
}

// Only the call that raises the event steps out: it checks afterwards
// whether the panel survived. Calls it runs inside (a tick that COM ran
// while another call waited for Google Earth) know nothing of the event,
// so a close from the host waits for them.
HostCode::HostCode() noexcept : savedDepth_(tDepth > 0 ? 1 : 0) { tDepth -= savedDepth_; }

HostCode::~HostCode() { tDepth += savedDepth_; }

}  // namespace zge
