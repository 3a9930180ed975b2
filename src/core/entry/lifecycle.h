// The lifecycle of the global panel behind the exported functions: LoadGE,
// SetOnLoadedGE, SetShutDownGE and CloseGE. The other exports reach the
// panel through WithPanel.
#pragma once

#include "base/window_handle.h"
#include "panel/ge_panel.h"
#include "platform/platform.h"

namespace zge::entry {

// Creates the global panel in `parent` when there is none, stores a given
// callback and restarts the start-up. Returns true.
bool LoadGE(platform::Platform& platform, WindowHandle parent, LoadedEvent onLoaded);
void SetOnLoadedGE(LoadedEvent onLoaded);
void SetShutDownGE(bool shutDown);
// Destroys the global panel, if any, and clears it.
void CloseGE();

// Calls body(panel) with the global panel; without one returns `neutral`.
template <typename Result, typename Body>
Result WithPanel(Result neutral, Body&& body) {
  TGEPanel* panel = GlobalPanel();
  if (panel == nullptr) {
    return neutral;
  }
  return body(*panel);
}

template <typename Body>
void WithPanel(Body&& body) {
  if (TGEPanel* panel = GlobalPanel()) {
    body(*panel);
  }
}

}  // namespace zge::entry
