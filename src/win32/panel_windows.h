// The panel-window port: the panel's own child window of class
// "ZelkanGEPanel" inside the host's parent window.
//
// The window is sized to the parent's client area when it is created. It
// does not follow later size changes of the parent on its own: watching the
// parent would mean subclassing a window the host owns. A host that resizes
// its parent resizes the panel too, as it does its other children.
#pragma once

#include <memory>

#include "platform/panel_window.h"

namespace zge::win32 {

class WindowClass;

class Win32PanelWindows final : public platform::PanelWindows {
 public:
  Win32PanelWindows();
  ~Win32PanelWindows() override;
  Win32PanelWindows(const Win32PanelWindows&) = delete;
  Win32PanelWindows& operator=(const Win32PanelWindows&) = delete;

  std::unique_ptr<platform::PanelWindow> Create(WindowHandle parent,
                                                platform::PanelWindowEvents& events) override;

 private:
  std::unique_ptr<WindowClass> windowClass_;
};

}  // namespace zge::win32
