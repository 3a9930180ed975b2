// An in-memory desktop: windows with a class, title, parent, position,
// show state and owning process. Handles are small numbers. The port's
// calls and AddWindow/RemoveWindow may come from several threads (the watch
// thread looks for Google Earth's window); Window() is for one thread only.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "call_log.h"
#include "fault_plan.h"
#include "platform/desktop.h"

namespace zge::fakes {

struct FakeWindow {
  std::string className;
  std::string text;
  WindowHandle parent = kNoWindow;
  Rect rect;
  bool visible = true;
  int lastShowCommand = -1;
  std::uint32_t processId = 0;
};

class FakeDesktop final : public platform::Desktop {
 public:
  explicit FakeDesktop(CallLog& log) : log_(log) {}

  WindowHandle AddWindow(FakeWindow window);
  void RemoveWindow(WindowHandle window) {
    const std::lock_guard lock(mutex_);
    windows_.erase(window);
  }
  [[nodiscard]] FakeWindow& Window(WindowHandle window) { return windows_.at(window); }
  [[nodiscard]] bool Exists(WindowHandle window) const {
    const std::lock_guard lock(mutex_);
    return windows_.count(window) != 0;
  }
  // Calls of these names fail from now on (return false).
  std::set<std::string> failing;
  WindowHandle focus = kNoWindow;
  // Injected failures: a failing call returns false (or does nothing).
  FaultPlan* faults = nullptr;

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

 private:
  bool Succeeds(const std::string& call, WindowHandle window);

  CallLog& log_;
  mutable std::recursive_mutex mutex_;
  std::map<WindowHandle, FakeWindow> windows_;
  WindowHandle next_ = 0x100;
};

}  // namespace zge::fakes
