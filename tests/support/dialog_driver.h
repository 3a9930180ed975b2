// Answers modal dialogs that the test's own thread is about to run: a second
// thread waits for each visible dialog and works it as a user would, while
// the test's thread is inside the dialog's modal loop. Actions that make the
// dialog run another modal loop (a message box) are posted, never sent: a
// sent message would wait for a loop that waits for this thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace zge::testing {

// The visible dialog of the system's class on thread `threadId` whose
// caption is `caption`, and when `owner` is given, owned by it; null while
// there is none.
inline HWND FindDialog(DWORD threadId, std::wstring_view caption, HWND owner = nullptr) {
  for (HWND window = ::FindWindowExW(nullptr, nullptr, L"#32770", nullptr); window != nullptr;
       window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) {
    if (::GetWindowThreadProcessId(window, nullptr) != threadId || !::IsWindowVisible(window) ||
        (owner != nullptr && ::GetWindow(window, GW_OWNER) != owner)) {
      continue;
    }
    // Reads the caption without a message: the dialog's thread may be
    // waiting for this one.
    wchar_t text[256] = {};
    ::InternalGetWindowText(window, text, 256);
    if (caption.empty() || caption == text) {
      return window;
    }
  }
  return nullptr;
}

// Polls every 20 ms until FindDialog finds the dialog; null after `timeout`.
inline HWND WaitForDialog(DWORD threadId, std::wstring_view caption, HWND owner = nullptr,
                          std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (const HWND dialog = FindDialog(threadId, caption, owner)) {
      return dialog;
    }
    if (std::chrono::steady_clock::now() >= end) {
      return nullptr;
    }
    ::Sleep(20);
  }
}

// Waits until `window` is gone; false after `timeout`.
inline bool WaitUntilGone(HWND window,
                          std::chrono::milliseconds timeout = std::chrono::seconds(15)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (::IsWindow(window)) {
    if (std::chrono::steady_clock::now() >= end) {
      return false;
    }
    ::Sleep(20);
  }
  return true;
}

// Runs `script` on a second thread from construction; the destructor waits
// for it. Construct it, then run the modal dialog on the test's thread.
class DialogScript {
 public:
  explicit DialogScript(std::function<void()> script) : thread_(std::move(script)) {}
  ~DialogScript() { thread_.join(); }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

 private:
  std::thread thread_;
};

class DialogDriver {
 public:
  // Types `fileNames` into the open-file dialog's name box and presses
  // Open; without names, presses Cancel.
  explicit DialogDriver(std::optional<std::wstring> fileNames)
      : thread_([this, names = std::move(fileNames)] { Drive(names); }) {}
  ~DialogDriver() {
    done_ = true;
    thread_.join();
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  [[nodiscard]] bool Answered() const noexcept { return answered_; }

 private:
  static constexpr int kFileNameBox = 0x47C;

  void Drive(const std::optional<std::wstring>& names) {
    while (!done_) {
      const HWND dialog = ::FindWindowW(L"#32770", nullptr);
      if (dialog != nullptr && ::IsWindowVisible(dialog)) {
        if (names) {
          ::SetDlgItemTextW(dialog, kFileNameBox, names->c_str());
          ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        } else {
          ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        answered_ = true;
        return;
      }
      ::Sleep(20);
    }
  }

  std::atomic<bool> done_{false};
  std::atomic<bool> answered_{false};
  std::thread thread_;
};

}  // namespace zge::testing
