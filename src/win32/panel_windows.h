// The panel-window port: the panel's own child window of class
// "ZelkanGEPanel" inside the host's parent window.
//
// The window fills the parent's client area and keeps filling it: it
// watches the parent's size changes through a window subclass (the
// system's SetWindowSubclass chain, which other subclasses of the host's
// window share safely), removed again when the panel's window goes.
#pragma once

#include <memory>

#include "platform/panel_window.h"

namespace zge::win32 {

class Win32PanelWindows final : public platform::PanelWindows {
 public:
  Win32PanelWindows();
  ~Win32PanelWindows() override;
  Win32PanelWindows(const Win32PanelWindows&) = delete;
  Win32PanelWindows& operator=(const Win32PanelWindows&) = delete;

  std::unique_ptr<platform::PanelWindow> Create(WindowHandle parent,
                                                platform::PanelWindowEvents& events) override;
};

}  // namespace zge::win32
