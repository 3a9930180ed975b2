#include "message_timers.h"

#include <utility>

#include "base/guard.h"
#include "errors.h"
#include "resources.h"
#include "system_headers.h"
#include "window_class.h"

namespace zge::win32 {
namespace {

constexpr wchar_t kTimerWindowClass[] = L"ZelkanGETimer";
constexpr UINT_PTR kTimerId = 1;

class MessageTimer final : public platform::Timer {
 public:
  MessageTimer(int intervalMs, std::function<void()> onTick)
      : interval_(intervalMs), onTick_(std::make_shared<std::function<void()>>(std::move(onTick))) {
    window_.reset(::CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ThisModule(), this));
    ThrowLastErrorIf(!window_, "CreateWindowExW", "ZelkanGETimer");
  }
  MessageTimer(const MessageTimer&) = delete;
  MessageTimer& operator=(const MessageTimer&) = delete;

  // Destroying the window kills its timer and drops WM_TIMER messages
  // already queued for it: no tick follows.
  ~MessageTimer() override {
    if (destroyedDuringTick_ != nullptr) {
      *destroyedDuringTick_ = true;
    }
    window_.reset();
  }

  void SetInterval(int milliseconds) override {
    interval_ = milliseconds;
    Arm();
  }
  [[nodiscard]] int Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Arm();
  }
  [[nodiscard]] bool Enabled() const override { return enabled_; }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;

 private:
  // A timer without a positive interval does not tick.
  void Arm() {
    if (enabled_ && interval_ > 0) {
      ThrowLastErrorIf(
          ::SetTimer(window_.get(), kTimerId, static_cast<UINT>(interval_), nullptr) == 0,
          "SetTimer");
    } else {
      // Fails only when the timer was not running, which is the goal.
      static_cast<void>(::KillTimer(window_.get(), kTimerId));
    }
  }

  void Tick() noexcept {
    // A modal loop inside a tick (a message box of the host) dispatches
    // further WM_TIMER messages: those are skipped, not nested.
    if (!enabled_ || ticking_) {
      return;
    }
    ticking_ = true;
    bool destroyed = false;
    destroyedDuringTick_ = &destroyed;
    // The callback may destroy this timer (its owner closes): it is kept
    // alive by this reference and nothing of `this` is touched afterwards.
    const std::shared_ptr<std::function<void()>> onTick = onTick_;
    Guarded([&] { (*onTick)(); });
    if (destroyed) {
      return;
    }
    destroyedDuringTick_ = nullptr;
    ticking_ = false;
  }

  unique_hwnd window_;
  int interval_;
  bool enabled_ = false;
  bool ticking_ = false;
  bool* destroyedDuringTick_ = nullptr;
  std::shared_ptr<std::function<void()>> onTick_;
};

LRESULT CALLBACK MessageTimer::Procedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
  // SetWindowLongPtrW returns the previous value; on our own window's
  // user data it does not fail.
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    static_cast<void>(::SetWindowLongPtrW(window, GWLP_USERDATA,
                                          reinterpret_cast<LONG_PTR>(create->lpCreateParams)));
  } else if (message == WM_NCDESTROY) {
    static_cast<void>(::SetWindowLongPtrW(window, GWLP_USERDATA, 0));
  } else if (message == WM_TIMER && wParam == kTimerId) {
    if (auto* timer = reinterpret_cast<MessageTimer*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
      timer->Tick();
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

MessageTimers::MessageTimers() = default;
MessageTimers::~MessageTimers() = default;

std::unique_ptr<platform::Timer> MessageTimers::Create(int intervalMs,
                                                       std::function<void()> onTick) {
  // The class lives as long as the module's code (see window_class.h).
  static const WindowClass windowClass(kTimerWindowClass, 0, &MessageTimer::Procedure, nullptr);
  return std::make_unique<MessageTimer>(intervalMs, std::move(onTick));
}

}  // namespace zge::win32
