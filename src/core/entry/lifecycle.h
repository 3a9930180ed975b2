// The lifecycle of the global panel behind the exported functions: LoadGE,
// SetOnLoadedGE, SetShutDownGE and CloseGE. The other exports reach the
// panel through WithPanel.
#pragma once

#include "base/call_scope.h"
#include "base/window_handle.h"
#include "panel/ge_panel.h"
#include "platform/platform.h"

namespace zge::entry {

// The re-entrancy rule. The exports, the start-up ticks and the panel's
// destruction are calls (CallScope); the host's own callbacks are not.
// - A call that arrives while another is running (COM dispatches the host's
//   messages while the package waits for Google Earth) works on the living
//   panel as usual, except:
// - CloseGE, or the host destroying the panel's window, detaches the global
//   panel at once (later calls find none) and destroys it when the
//   outermost call returns;
// - LoadGE is refused: it throws kReentrantCall ("called from inside another
//   ZelkanGE call"), so the export records that and returns 0.
// - The panel is detached before its destruction starts: calls from inside
//   the destruction find no panel.

// Creates the global panel in `parent` when there is none, stores a given
// callback and restarts the start-up. Returns true. A panel it made and
// could not arm is destroyed again before the failure passes on.
bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded);
void SetOnLoadedGE(LoadedEvent onLoaded);
void SetShutDownGE(bool shutDown);
// Destroys the global panel, if any, and clears it.
void CloseGE();

// Calls body(panel) with the global panel; without one returns `neutral`.
template <typename Result, typename Body>
Result WithPanel(Result neutral, Body&& body) {
  const CallScope scope;
  TGEPanel* panel = GlobalPanel();
  if (panel == nullptr) {
    return neutral;
  }
  return body(*panel);
}

template <typename Body>
void WithPanel(Body&& body) {
  const CallScope scope;
  if (TGEPanel* panel = GlobalPanel()) {
    body(*panel);
  }
}

}  // namespace zge::entry
