// The panel's own window: a child of the host's control, of a window class
// of the package. It reports its messages to the panel through
// PanelWindowEvents on the user-interface thread.
#pragma once

#include <memory>
#include <optional>

#include "base/window_handle.h"

namespace zge::platform {

class PanelWindowEvents {
 public:
  virtual ~PanelWindowEvents() = default;
  // WM_SIZE, after the default handling.
  virtual void OnSize() = 0;
  // The keyboard focus entered the panel.
  virtual void OnEnter() = 0;
  // WM_DESTROY: the window is being destroyed (by the panel or the host).
  virtual void OnDestroy() = 0;
  // WM_NCDESTROY: the window is gone. Called only when the host destroyed
  // it; the panel may delete itself here.
  virtual void OnWindowGone() = 0;
};

class PanelWindow {
 public:
  // Destroys the window if it still exists (WM_DESTROY reaches the events).
  virtual ~PanelWindow() = default;
  [[nodiscard]] virtual WindowHandle Handle() const = 0;
  // Width and height of the client area.
  [[nodiscard]] virtual Size ClientSize() const = 0;
  // The mouse cursor's position in client coordinates (anywhere on the
  // screen, also outside the panel); nullopt when the system cannot tell.
  [[nodiscard]] virtual std::optional<Point> CursorPosition() const = 0;
  // The wait cursor over the panel, and at once, while busy.
  virtual void SetBusyCursor(bool busy) = 0;
  // After this the window no longer reports to its events.
  virtual void DetachEvents() = 0;
};

class PanelWindows {
 public:
  virtual ~PanelWindows() = default;
  // A black, borderless child filling `parent`'s client area. Throws
  // zge::Error when the window cannot be created.
  virtual std::unique_ptr<PanelWindow> Create(WindowHandle parent, PanelWindowEvents& events) = 0;
};

}  // namespace zge::platform
