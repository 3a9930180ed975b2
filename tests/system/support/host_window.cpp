#include "support/host_window.h"

#include <algorithm>

#include "support/win_error.h"

namespace zge::test {
namespace {

constexpr wchar_t kFrameClass[] = L"ZgeTestHostFrame";
constexpr wchar_t kParentClass[] = L"ZgeTestHostPane";
constexpr int kFrameWidth = 900;
constexpr int kFrameHeight = 600;
constexpr std::chrono::milliseconds kPollInterval{5};

HINSTANCE ThisModule() { return GetModuleHandleW(nullptr); }

void RegisterClassOnce(const wchar_t* name) {
  WNDCLASSEXW windowClass{};
  if (GetClassInfoExW(ThisModule(), name, &windowClass)) {
    return;
  }
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = ThisModule();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  windowClass.lpszClassName = name;
  ThrowIfFalse(RegisterClassExW(&windowClass) != 0, "RegisterClassExW");
}

void DispatchPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    static_cast<void>(TranslateMessage(&message));
    static_cast<void>(DispatchMessageW(&message));
  }
}

}  // namespace

HostWindow::HostWindow() {
  RegisterClassOnce(kFrameClass);
  RegisterClassOnce(kParentClass);
  frame_.reset(ThrowIfNull(
      CreateWindowExW(0, kFrameClass, L"ZelkanGE system test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                      40, kFrameWidth, kFrameHeight, nullptr, nullptr, ThisModule(), nullptr),
      "CreateWindowExW(frame)"));
  CreateParent();
}

HWND HostWindow::CreateParent() {
  RECT client{};
  ThrowIfFalse(GetClientRect(frame_.get(), &client), "GetClientRect");
  parent_.reset(ThrowIfNull(
      CreateWindowExW(0, kParentClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                      client.right, client.bottom, frame_.get(), nullptr, ThisModule(), nullptr),
      "CreateWindowExW(parent)"));
  return parent_.get();
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    DispatchPendingMessages();
    if (done()) {
      return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      return false;
    }
    const auto wait = std::min(left, kPollInterval);
    // Wakes at once for messages; otherwise after the poll interval.
    if (MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait.count()), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE) == WAIT_FAILED) {
      ThrowLastError("MsgWaitForMultipleObjectsEx");
    }
  }
}

void PumpFor(std::chrono::milliseconds duration) {
  static_cast<void>(PumpUntil([] { return false; }, duration));
}

}  // namespace zge::test
