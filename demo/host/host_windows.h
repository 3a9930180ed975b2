// The host's windows: a frame with the chart on the left, the pane that
// receives the Earth panel on the right and a status line below; their
// window procedures; the message loop the plug-in's timer needs.
#pragma once

#include <windows.h>

#include "host_state.h"
#include "win32_support.h"

namespace demo {

// Creates the frame and its children; the frame keeps a pointer to `state`
// (GWLP_USERDATA) for its window procedures.
HostWindows CreateHostWindows(HostState& state);

// Runs the message loop, which the plug-in's timer needs, until `done` or
// the deadline; checks `done` between messages and every 10 ms.
template <class Condition>
bool PumpUntil(Condition done, Clock::duration timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) {
      return false;
    }
    if (MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
        WAIT_FAILED) {
      FailWithLastError("MsgWaitForMultipleObjectsEx");
    }
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      static_cast<void>(TranslateMessage(&message));
      static_cast<void>(DispatchMessageW(&message));
    }
  }
  return true;
}

}  // namespace demo
