// Answers a modal dialog that the test's own thread is about to run: a
// second thread waits for the visible dialog, then fills in a file name and
// presses Open, or presses Cancel.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

namespace zge::testing {

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
