// The desktop's windows, as far as the panel touches them. These windows
// are borrowed: the core never destroys one. Each call returns false where
// the system reports a failure (the window is gone, access denied).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/window_handle.h"

namespace zge::platform {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The first top-level window of that class whose title matches whole;
  // kNoWindow when there is none.
  virtual WindowHandle FindTopLevel(std::string_view className, std::string_view title) = 0;
  virtual WindowHandle GetParent(WindowHandle window) = 0;
  virtual bool SetParent(WindowHandle child, WindowHandle newParent) = 0;
  virtual bool GetClientRect(WindowHandle window, Rect& rect) = 0;
  // SetWindowPos with no flags: place `window` behind `insertAfter` on `rect`.
  virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect) = 0;
  virtual bool MoveWindow(WindowHandle window, const Rect& rect, bool repaint) = 0;
  // ShowWindow reports the window's former visibility, not success.
  virtual void ShowWindow(WindowHandle window, int showCommand) = 0;
  // At most maxCount - 1 characters, as GetWindowText reads them.
  virtual std::string GetWindowText(WindowHandle window, int maxCount) = 0;
  virtual bool SetWindowText(WindowHandle window, std::string_view text) = 0;
  // Gives the keyboard focus to a window, also one of another process.
  virtual bool SetFocus(WindowHandle window) = 0;
  // 0 when the window does not exist.
  virtual std::uint32_t GetWindowProcessId(WindowHandle window) = 0;
  // Opens a web page in the user's browser; throws zge::Error when it
  // cannot be started.
  virtual void OpenWebPage(std::string_view url) = 0;
};

}  // namespace zge::platform
