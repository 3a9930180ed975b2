#include "panel_windows.h"

#include <optional>

#include "base/guard.h"
#include "errors.h"
#include "resources.h"
#include "system_headers.h"
#include "window_class.h"

#include <commctrl.h>

namespace zge::win32 {
namespace {

constexpr wchar_t kPanelWindowClass[] = L"ZelkanGEPanel";
// Identifies our subclass in the parent's subclass chain.
constexpr UINT_PTR kFillParentSubclass = 0x5A4745;  // "ZGE"

HBRUSH BlackBrush() noexcept { return static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)); }

// EndPaint whatever happens between.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { static_cast<void>(::EndPaint(window_, &paint_)); }
  [[nodiscard]] HDC Dc() const noexcept { return dc_; }
  [[nodiscard]] const RECT& Area() const noexcept { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

class Win32PanelWindow final : public platform::PanelWindow {
 public:
  Win32PanelWindow(HWND parent, platform::PanelWindowEvents& events) : events_(&events) {
    RECT client{};
    ThrowLastErrorIf(::GetClientRect(parent, &client) == 0, "GetClientRect");
    window_.reset(::CreateWindowExW(0, kPanelWindowClass, L"",
                                    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
                                    client.bottom, parent, nullptr, ThisModule(), this));
    ThrowLastErrorIf(!window_, "CreateWindowExW", "ZelkanGEPanel");
    ThrowLastErrorIf(::SetWindowSubclass(parent, &FillParent, kFillParentSubclass,
                                         reinterpret_cast<DWORD_PTR>(window_.get())) == FALSE,
                     "SetWindowSubclass", "the panel's parent");
    parent_ = parent;
    // Messages sent while the window was being made (its first WM_SIZE)
    // came before the panel holds this object; they are not reported.
    reporting_ = true;
  }
  Win32PanelWindow(const Win32PanelWindow&) = delete;
  Win32PanelWindow& operator=(const Win32PanelWindow&) = delete;

  // WM_DESTROY still reaches the events; WM_NCDESTROY does not report the
  // window gone, since its owner is the one destroying it.
  ~Win32PanelWindow() override {
    destroyingOwnWindow_ = true;
    window_.reset();
  }

  [[nodiscard]] WindowHandle Handle() const override { return FromHwnd(window_.get()); }

  [[nodiscard]] Size ClientSize() const override {
    RECT client{};
    if (!window_ || ::GetClientRect(window_.get(), &client) == 0) {
      return {};
    }
    return Size{client.right - client.left, client.bottom - client.top};
  }

  [[nodiscard]] std::optional<Point> CursorPosition() const override {
    POINT cursor{};
    // GetCursorPos fails while another desktop (a locked screen) is active.
    if (!window_ || ::GetCursorPos(&cursor) == 0 || ::ScreenToClient(window_.get(), &cursor) == 0) {
      return std::nullopt;
    }
    return Point{cursor.x, cursor.y};
  }

  void SetBusyCursor(bool busy) override {
    busy_ = busy;
    POINT cursor{};
    if (window_ && ::GetCursorPos(&cursor) != 0 && ::WindowFromPoint(cursor) == window_.get()) {
      static_cast<void>(::SetCursor(CurrentCursor()));
    }
  }

  void DetachEvents() override { reporting_ = false; }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept;
  // The parent's subclass procedure: the panel follows the parent's size.
  static LRESULT CALLBACK FillParent(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR panel) noexcept;

 private:
  [[nodiscard]] HCURSOR CurrentCursor() const noexcept {
    return ::LoadCursorW(nullptr, busy_ ? reinterpret_cast<LPCWSTR>(IDC_WAIT)
                                        : reinterpret_cast<LPCWSTR>(IDC_ARROW));
  }

  template <typename Event>
  void Report(Event&& event) noexcept {
    if (reporting_) {
      Guarded([&] { event(*events_); });
    }
  }

  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT WindowGone(HWND window, WPARAM wParam, LPARAM lParam) noexcept;

  void StopFollowingParent() noexcept;

  unique_hwnd window_;
  HWND parent_ = nullptr;
  platform::PanelWindowEvents* events_;
  bool reporting_ = false;
  bool busy_ = false;
  bool destroyingOwnWindow_ = false;
};

LRESULT Win32PanelWindow::OnMessage(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  switch (message) {
    case WM_SIZE: {
      const LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
      Report([](platform::PanelWindowEvents& events) { events.OnSize(); });
      return result;
    }
    case WM_SETFOCUS:
      Report([](platform::PanelWindowEvents& events) { events.OnEnter(); });
      return 0;
    case WM_DESTROY:
      Report([](platform::PanelWindowEvents& events) { events.OnDestroy(); });
      return 0;
    case WM_NCDESTROY:
      return WindowGone(window, wParam, lParam);
    case WM_SETCURSOR:
      if (busy_ && LOWORD(lParam) == HTCLIENT) {
        static_cast<void>(::SetCursor(CurrentCursor()));
        return TRUE;
      }
      break;
    case WM_ERASEBKGND: {
      RECT client{};
      if (::GetClientRect(window, &client) != 0) {
        static_cast<void>(::FillRect(reinterpret_cast<HDC>(wParam), &client, BlackBrush()));
      }
      return 1;
    }
    case WM_PAINT: {
      const PaintScope paint(window);
      static_cast<void>(::FillRect(paint.Dc(), &paint.Area(), BlackBrush()));
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// The host destroyed its window (or this object is destroying its own).
// The window is forgotten first; when the host did it, the panel hears of
// it last of all, since the panel may delete itself and this object then.
LRESULT Win32PanelWindow::WindowGone(HWND window, WPARAM wParam, LPARAM lParam) noexcept {
  StopFollowingParent();
  static_cast<void>(::SetWindowLongPtrW(window, GWLP_USERDATA, 0));
  static_cast<void>(window_.release());
  const LRESULT result = ::DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
  if (!destroyingOwnWindow_ && reporting_) {
    platform::PanelWindowEvents& events = *events_;
    Guarded([&] { events.OnWindowGone(); });
  }
  return result;
}

void Win32PanelWindow::StopFollowingParent() noexcept {
  if (parent_ != nullptr) {
    // Fails only when the subclass is gone already (the parent's own end).
    static_cast<void>(::RemoveWindowSubclass(parent_, &FillParent, kFillParentSubclass));
    parent_ = nullptr;
  }
}

LRESULT CALLBACK Win32PanelWindow::FillParent(HWND parent, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR panel) noexcept {
  if (message == WM_SIZE) {
    // Moving our own child window; a failure leaves the old size.
    static_cast<void>(
        ::MoveWindow(reinterpret_cast<HWND>(panel), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE));
  } else if (message == WM_NCDESTROY) {
    static_cast<void>(::RemoveWindowSubclass(parent, &FillParent, id));
  }
  return ::DefSubclassProc(parent, message, wParam, lParam);
}

LRESULT CALLBACK Win32PanelWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    // Returns the previous value; on our own window's user data it does not fail.
    static_cast<void>(::SetWindowLongPtrW(window, GWLP_USERDATA,
                                          reinterpret_cast<LONG_PTR>(create->lpCreateParams)));
  }
  auto* panel = reinterpret_cast<Win32PanelWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (panel == nullptr) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return panel->OnMessage(window, message, wParam, lParam);
}

}  // namespace

Win32PanelWindows::Win32PanelWindows() = default;
Win32PanelWindows::~Win32PanelWindows() = default;

std::unique_ptr<platform::PanelWindow> Win32PanelWindows::Create(
    WindowHandle parent, platform::PanelWindowEvents& events) {
  // The class lives as long as the module's code (see window_class.h).
  static const WindowClass windowClass(kPanelWindowClass, CS_OWNDC, &Win32PanelWindow::Procedure,
                                       BlackBrush());
  return std::make_unique<Win32PanelWindow>(ToHwnd(parent), events);
}

}  // namespace zge::win32
