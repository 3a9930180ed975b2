#include "host_windows.h"

#include <algorithm>

#include "chart.h"
#include "plugin.h"

namespace demo {
namespace {

constexpr wchar_t kFrameClass[] = L"ZelkanGEDemoFrame";
constexpr wchar_t kChartClass[] = L"ZelkanGEDemoChart";
constexpr wchar_t kPaneClass[] = L"ZelkanGEDemoPane";
constexpr int kMargin = 6;
constexpr int kStatusHeight = 22;

HostState* StateOf(HWND window) {
  return reinterpret_cast<HostState*>(
      GetWindowLongPtrW(GetAncestor(window, GA_ROOT), GWLP_USERDATA));
}

// One guard for every window procedure: an exception is kept for the
// replay loop, which ends the program with it; nothing crosses into Windows.
template <class Body>
LRESULT Guarded(HWND window, Body body) noexcept {
  try {
    return body();
  } catch (const std::exception& error) {
    if (HostState* state = StateOf(window)) {
      state->failure = error.what();
      state->quit = true;
    }
    return 0;
  }
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

LRESULT CALLBACK ChartProc(HWND chart, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return Guarded(chart, [&]() -> LRESULT {
    if (message == WM_ERASEBKGND) {
      return 1;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(chart, &paint);
      if (dc == nullptr) {
        return 0;
      }
      struct EndPainting {
        HWND window;
        PAINTSTRUCT* paint;
        ~EndPainting() { static_cast<void>(EndPaint(window, paint)); }
      } end{chart, &paint};
      if (const HostState* state = StateOf(chart)) {
        PaintChart(chart, dc, *state);
      }
      return 0;
    }
    return DefWindowProcW(chart, message, wParam, lParam);
  });
}

void RegisterWindowClass(const wchar_t* name, HBRUSH background, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) == 0) {
    FailWithLastError("RegisterClassExW");
  }
}

// The chart and the Earth panel side by side, the status line below.
void LayOut(HWND frame, int width, int height) {
  const HWND chart = GetDlgItem(frame, 1);
  const HWND pane = GetDlgItem(frame, 2);
  const HWND status = GetDlgItem(frame, 3);
  if (!chart || !pane || !status) {
    return;
  }
  const int paneHeight = std::max(0, height - 3 * kMargin - kStatusHeight);
  const int half = std::max(0, (width - 3 * kMargin) / 2);
  // A move that fails leaves the child where it was; the next WM_SIZE
  // tries again.
  static_cast<void>(MoveWindow(chart, kMargin, kMargin, half, paneHeight, TRUE));
  static_cast<void>(MoveWindow(pane, 2 * kMargin + half, kMargin, half, paneHeight, TRUE));
  static_cast<void>(MoveWindow(status, kMargin, 2 * kMargin + paneHeight,
                               std::max(0, width - 2 * kMargin), kStatusHeight, TRUE));
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return Guarded(frame, [&]() -> LRESULT {
    switch (message) {
      case WM_SIZE:
        LayOut(frame, LOWORD(lParam), HIWORD(lParam));
        return 0;
      case WM_MOUSEWHEEL: {
        // The view zooms when the cursor is over it; elsewhere the host's own.
        const HostState* state = StateOf(frame);
        if (state != nullptr && state->zge != nullptr) {
          ZgeMessage wheel{message, wParam, lParam, 0};
          if ((*state->call)("OnMouseWheelM", state->zge->OnMouseWheelM, &wheel)) {
            return 0;
          }
        }
        break;
      }
      case WM_CLOSE:
        if (HostState* state = StateOf(frame)) {
          state->quit = true;
        }
        return 0;
      default:
        break;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
  });
}

// Runs the message loop, which the plug-in's timer needs, until `done` or

}  // namespace

HostWindows CreateHostWindows(HostState& state) {
  RegisterWindowClass(kFrameClass, GetSysColorBrush(COLOR_BTNFACE), FrameProc);
  RegisterWindowClass(kChartClass, nullptr, ChartProc);
  RegisterWindowClass(kPaneClass, GetSysColorBrush(COLOR_APPWORKSPACE), DefWindowProcW);
  HostWindows windows{};
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  windows.frame.reset(
      ThrowIfNull(CreateWindowExW(0, kFrameClass, L"ZelkanGE demo: Valletta to Syracuse",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 1000, 600, nullptr, nullptr, instance, nullptr),
                  "CreateWindowExW(frame)"));
  SetLastError(0);
  if (SetWindowLongPtrW(windows.frame.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state)) ==
          0 &&
      GetLastError() != 0) {
    FailWithLastError("SetWindowLongPtrW");
  }
  const auto child = [&](DWORD exStyle, const wchar_t* windowClass, DWORD style, int id) {
    return ThrowIfNull(
        CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                        windows.frame.get(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        instance, nullptr),
        "CreateWindowExW(child)");
  };
  windows.chart = child(WS_EX_CLIENTEDGE, kChartClass, 0, 1);
  windows.pane = child(WS_EX_CLIENTEDGE, kPaneClass, WS_CLIPCHILDREN, 2);
  windows.status = child(0, L"STATIC", SS_LEFTNOWORDWRAP | SS_SUNKEN, 3);
  RECT client{};
  if (!GetClientRect(windows.frame.get(), &client)) {
    FailWithLastError("GetClientRect");
  }
  LayOut(windows.frame.get(), client.right, client.bottom);
  return windows;
}

}  // namespace demo
