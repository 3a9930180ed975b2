#include "windows/busy_wait.h"

#include <algorithm>

namespace standin {
namespace {

// The wait looks at the queue this often: posted messages other than those
// served stay queued, so waiting for them to arrive would return at once.
constexpr ULONGLONG kPollMs = 20;

void DispatchQueued(UINT message) {
  MSG queued{};
  while (PeekMessageW(&queued, nullptr, message, message, PM_REMOVE)) {
    DispatchMessageW(&queued);
  }
}

}  // namespace

void WaitServingWindows(DWORD milliseconds) {
  const ULONGLONG until = GetTickCount64() + milliseconds;
  for (;;) {
    MSG quit{};
    if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
      return;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= until) {
      return;
    }
    // Sent messages are delivered inside this wait and PeekMessage.
    if (MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min(until - now, kPollMs)),
                                    QS_PAINT | QS_SENDMESSAGE, 0) == WAIT_FAILED) {
      Sleep(static_cast<DWORD>(std::min(until - now, kPollMs)));
    }
    DispatchQueued(WM_PAINT);
    DispatchQueued(kFrameDoneMessage);
    // Closing is left to the message loop, once this call has answered.
    MSG close{};
    if (PeekMessageW(&close, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) {
      return;
    }
  }
}

}  // namespace standin
