#include "win32_desktop.h"

#include "system_headers.h"

#include <string>

#include "errors.h"
#include "resources.h"
#include "text.h"

#include <shellapi.h>

namespace zge::win32 {
namespace {

// Joins the input queue of another thread for as long as it lives: Windows
// gives the focus to a window of another thread only then.
class ThreadInputAttachment {
 public:
  explicit ThreadInputAttachment(DWORD otherThread)
      : self_(::GetCurrentThreadId()), other_(otherThread) {
    attached_ = other_ != 0 && other_ != self_ && ::AttachThreadInput(self_, other_, TRUE) != 0;
  }
  ThreadInputAttachment(const ThreadInputAttachment&) = delete;
  ThreadInputAttachment& operator=(const ThreadInputAttachment&) = delete;
  // Detaching fails only when the other thread has ended, which detaches too.
  ~ThreadInputAttachment() {
    if (attached_) {
      static_cast<void>(::AttachThreadInput(self_, other_, FALSE));
    }
  }

 private:
  DWORD self_;
  DWORD other_;
  bool attached_ = false;
};

}  // namespace

WindowHandle Win32Desktop::FindTopLevel(std::string_view className, std::string_view title) {
  const std::string classText(className);
  const std::string titleText(title);
  return FromHwnd(::FindWindowA(classText.c_str(), titleText.c_str()));
}

WindowHandle Win32Desktop::GetParent(WindowHandle window) {
  return FromHwnd(::GetParent(ToHwnd(window)));
}

bool Win32Desktop::SetParent(WindowHandle child, WindowHandle newParent) {
  // SetParent returns the previous parent, NULL for a top-level window: the
  // last error tells a failure apart from that.
  ::SetLastError(ERROR_SUCCESS);
  const HWND previous = ::SetParent(ToHwnd(child), ToHwnd(newParent));
  return previous != nullptr || ::GetLastError() == ERROR_SUCCESS;
}

bool Win32Desktop::GetClientRect(WindowHandle window, Rect& rect) {
  RECT client{};
  if (::GetClientRect(ToHwnd(window), &client) == 0) {
    return false;
  }
  rect = Rect{client.left, client.top, client.right, client.bottom};
  return true;
}

bool Win32Desktop::SetWindowPos(WindowHandle window, WindowHandle insertAfter, const Rect& rect) {
  return ::SetWindowPos(ToHwnd(window), ToHwnd(insertAfter), rect.left, rect.top, rect.Width(),
                        rect.Height(), 0) != 0;
}

bool Win32Desktop::MoveWindow(WindowHandle window, const Rect& rect, bool repaint) {
  return ::MoveWindow(ToHwnd(window), rect.left, rect.top, rect.Width(), rect.Height(),
                      repaint ? TRUE : FALSE) != 0;
}

void Win32Desktop::ShowWindow(WindowHandle window, int showCommand) {
  // The result is the former visibility, not success or failure.
  static_cast<void>(::ShowWindow(ToHwnd(window), showCommand));
}

std::string Win32Desktop::GetWindowText(WindowHandle window, int maxCount) {
  if (maxCount <= 0) {
    return {};
  }
  std::string text(static_cast<std::size_t>(maxCount), '\0');
  const int length = ::GetWindowTextA(ToHwnd(window), text.data(), maxCount);
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

bool Win32Desktop::SetWindowText(WindowHandle window, std::string_view text) {
  const std::string terminated(text);
  return ::SetWindowTextA(ToHwnd(window), terminated.c_str()) != 0;
}

bool Win32Desktop::SetFocus(WindowHandle window) {
  const HWND hwnd = ToHwnd(window);
  const DWORD owner = ::GetWindowThreadProcessId(hwnd, nullptr);
  if (owner == 0) {
    return false;
  }
  const ThreadInputAttachment attachment(owner);
  static_cast<void>(::SetFocus(hwnd));
  // SetFocus returns the previous focus, NULL also when there was none; the
  // shared input state tells whether the focus arrived.
  return ::GetFocus() == hwnd;
}

std::uint32_t Win32Desktop::GetWindowProcessId(WindowHandle window) {
  DWORD processId = 0;
  if (::GetWindowThreadProcessId(ToHwnd(window), &processId) == 0) {
    return 0;
  }
  return processId;
}

// The browser starts on this thread: ShellExecuteW returns once the start
// is handed over, and the thread's OLE is already initialised by the panel,
// which the shell needs.
void Win32Desktop::OpenWebPage(std::string_view url) {
  const std::wstring page = AnsiToWide(url);
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  ThrowLastErrorIf(result <= 32, "ShellExecuteW", url);
}

}  // namespace zge::win32
