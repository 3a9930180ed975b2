// The host side of a system test: a top-level window with a child control
// that plays the host's panel area (the parent handed to LoadGE), and the
// message loop the DLL's timer and window messages arrive through.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "support/handles.h"

namespace zge::test {

class HostWindow {
 public:
  HostWindow();

  HWND Frame() const noexcept { return frame_.get(); }
  HWND Parent() const noexcept { return parent_.get(); }

  // The host closing its chart pane without telling the DLL.
  void DestroyParent() noexcept { parent_.reset(); }
  // A new pane in the same frame, for a later LoadGE.
  HWND CreateParent();

 private:
  UniqueWindow frame_;
  UniqueWindow parent_;
};

// Runs the message loop until `done` holds or the timeout passes; returns
// whether `done` held. `done` is checked after every batch of messages and
// at least every few milliseconds, since another process's windows change
// without sending this thread anything.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Runs the message loop for `duration`: for checks that something does not
// happen, such as no second callback.
void PumpFor(std::chrono::milliseconds duration);

// The generous bound for everything that must happen "soon".
inline constexpr std::chrono::milliseconds kEventTimeout{15000};

}  // namespace zge::test
