#include "fake_desktop.h"

#include "base/error.h"

namespace zge::fakes {

WindowHandle FakeDesktop::AddWindow(FakeWindow window) {
  const std::lock_guard lock(mutex_);
  const WindowHandle handle = next_;
  next_ += 4;
  windows_.emplace(handle, std::move(window));
  return handle;
}

bool FakeDesktop::Succeeds(const std::string& call, WindowHandle window) {
  log_.Add(call);
  if (faults != nullptr && faults->Check(fault::kDesktop, call)) {
    return false;
  }
  return failing.count(call.substr(0, call.find('('))) == 0 && Exists(window);
}

WindowHandle FakeDesktop::FindTopLevel(std::string_view className, std::string_view title) {
  const std::lock_guard lock(mutex_);
  if (faults != nullptr && faults->Check(fault::kDesktop, "FindTopLevel")) {
    return kNoWindow;
  }
  for (const auto& [handle, window] : windows_) {
    if (window.parent == kNoWindow && window.className == className && window.text == title) {
      return handle;
    }
  }
  return kNoWindow;
}

WindowHandle FakeDesktop::GetParent(WindowHandle window) {
  const std::lock_guard lock(mutex_);
  if (faults != nullptr && faults->Check(fault::kDesktop, "GetParent")) {
    return kNoWindow;
  }
  return Exists(window) ? windows_.at(window).parent : kNoWindow;
}

bool FakeDesktop::SetParent(WindowHandle child, WindowHandle newParent) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("SetParent(" + std::to_string(child) + ", " + std::to_string(newParent) + ")",
                child)) {
    return false;
  }
  windows_.at(child).parent = newParent;
  return true;
}

bool FakeDesktop::GetClientRect(WindowHandle window, Rect& rect) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("GetClientRect(" + std::to_string(window) + ")", window)) {
    return false;
  }
  const Rect& r = windows_.at(window).rect;
  rect = Rect{0, 0, r.Width(), r.Height()};
  return true;
}

bool FakeDesktop::SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("SetWindowPos(" + std::to_string(window) + ", " + std::to_string(insertAfter) + ")",
                window)) {
    return false;
  }
  windows_.at(window).rect = rect;
  return true;
}

bool FakeDesktop::MoveWindow(WindowHandle window, const Rect& rect, bool repaint) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("MoveWindow(" + std::to_string(window) + ", " + std::to_string(rect.Width()) + "x" +
                    std::to_string(rect.Height()) + (repaint ? ", repaint)" : ")"),
                window)) {
    return false;
  }
  windows_.at(window).rect = rect;
  return true;
}

void FakeDesktop::ShowWindow(WindowHandle window, int showCommand) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("ShowWindow(" + std::to_string(window) + ", " + std::to_string(showCommand) + ")",
                window)) {
    return;
  }
  FakeWindow& target = windows_.at(window);
  target.visible = showCommand != 0;
  target.lastShowCommand = showCommand;
}

std::string FakeDesktop::GetWindowText(WindowHandle window, int maxCount) {
  const std::lock_guard lock(mutex_);
  if (faults != nullptr && faults->Check(fault::kDesktop, "GetWindowText")) {
    return {};
  }
  if (!Exists(window) || maxCount <= 0) {
    return {};
  }
  const std::string& text = windows_.at(window).text;
  return text.substr(0, static_cast<std::size_t>(maxCount - 1));
}

bool FakeDesktop::SetWindowText(WindowHandle window, std::string_view text) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("SetWindowText(" + std::to_string(window) + ")", window)) {
    return false;
  }
  windows_.at(window).text = std::string(text);
  return true;
}

bool FakeDesktop::SetFocus(WindowHandle window) {
  const std::lock_guard lock(mutex_);
  if (!Succeeds("SetFocus(" + std::to_string(window) + ")", window)) {
    return false;
  }
  focus = window;
  return true;
}

std::uint32_t FakeDesktop::GetWindowProcessId(WindowHandle window) {
  const std::lock_guard lock(mutex_);
  if (faults != nullptr && faults->Check(fault::kDesktop, "GetWindowProcessId")) {
    return 0;
  }
  return Exists(window) ? windows_.at(window).processId : 0;
}

void FakeDesktop::OpenWebPage(std::string_view url) {
  const std::lock_guard lock(mutex_);
  log_.Add("OpenWebPage(" + std::string(url) + ")");
  if (faults != nullptr) {
    if (const auto code = faults->Check(fault::kDesktop, "OpenWebPage")) {
      throw Error(*code, "OpenWebPage failed");
    }
  }
}

}  // namespace zge::fakes
