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

HostCode::HostCode() noexcept : savedDepth_(tDepth) { tDepth = 0; }

HostCode::~HostCode() { tDepth += savedDepth_; }

}  // namespace zge
