// The desktop port: the windows of the host and of Google Earth, which the
// package only borrows. Nothing here throws; failures are false or empty.
#pragma once

#include "platform/desktop.h"

namespace zge::win32 {

class Win32Desktop final : public platform::Desktop {
 public:
  WindowHandle FindTopLevel(std::string_view className, std::string_view title) override;
  WindowHandle GetParent(WindowHandle window) override;
  bool SetParent(WindowHandle child, WindowHandle newParent) override;
  bool GetClientRect(WindowHandle window, Rect& rect) override;
  bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect) override;
  bool MoveWindow(WindowHandle window, const Rect& rect, bool repaint) override;
  void ShowWindow(WindowHandle window, int showCommand) override;
  std::string GetWindowText(WindowHandle window, int maxCount) override;
  bool SetWindowText(WindowHandle window, std::string_view text) override;
  bool SetFocus(WindowHandle window) override;
  std::uint32_t GetWindowProcessId(WindowHandle window) override;
  void OpenWebPage(std::string_view url) override;
};

}  // namespace zge::win32
