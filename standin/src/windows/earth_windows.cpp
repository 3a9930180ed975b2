#include "windows/earth_windows.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "kml/icon_cache.h"
#include "kml/kml_loader.h"
#include "model/camera.h"
#include "platform/win32_error.h"
#include "render/globe_painter.h"
#include "render/globe_scene.h"
#include "render/globe_view.h"
#include "winbase/text.h"
#include "windows/busy_wait.h"

namespace standin {
namespace {

constexpr wchar_t kWindowClass[] = L"QWidget";
constexpr wchar_t kContainerText[] = L"Google Earth Container";
constexpr wchar_t kRenderText[] = L"Google Earth View";
constexpr int kPanelWidth = 220;
constexpr int kPanelTop = 34;
constexpr int kRowHeight = 22;
// The main window's frame, side panel and tool bar together: a main window
// of W x H pixels shows a view of (W - 265) x (H - 79). Clients of version
// 4.3 and later size the view through the main window by these amounts.
constexpr int kChromeWidth = 265;
constexpr int kChromeHeight = 79;

const std::vector<std::shared_ptr<FeatureNode>>& PanelLayers(const EarthState& state) {
  return state.Features().LayersDatabases().front()->children;
}

std::wstring Wide(std::u16string_view text) { return winbase::ToWstring(text); }

}  // namespace

EarthWindows::EarthWindows(HINSTANCE instance, std::shared_ptr<EarthState> state,
                           std::u16string title, UiFaults& faults)
    : instance_(instance), state_(std::move(state)), title_(std::move(title)), faults_(faults) {}

EarthWindows::~EarthWindows() {
  ImageCache::Shared().SetOnArrived(nullptr);
  renderer_.reset();
  render_.reset();
  container_.reset();
  main_.reset();
}

void EarthWindows::Create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &EarthWindows::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError("RegisterClassExW(QWidget)");
  }

  const std::wstring title = Wide(title_);
  main_.reset(ThrowLastErrorIfNull(
      CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      CW_USEDEFAULT, CW_USEDEFAULT, 1000, 700, nullptr, nullptr, instance_,
                      &mainBinding_),
      "CreateWindowExW(main window)"));
  container_.reset(ThrowLastErrorIfNull(
      CreateWindowExW(0, kWindowClass, kContainerText, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                      0, 100, 100, main_.get(), nullptr, instance_, &containerBinding_),
      "CreateWindowExW(container window)"));
  render_.reset(ThrowLastErrorIfNull(
      CreateWindowExW(0, kWindowClass, kRenderText, WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                      container_.get(), nullptr, instance_, &renderBinding_),
      "CreateWindowExW(render window)"));
  // NetworkLinks that read their file again on an interval: looked at each second.
  SetTimer(render_.get(), kLinkTimer, 1000, nullptr);
  // A network icon that arrives is painted (posted: it arrives on another thread).
  ImageCache::Shared().SetOnArrived(
      [render = render_.get()] { PostMessageW(render, kImageArrivedMessage, 0, 0); });
  renderer_ = std::make_unique<FrameRenderer>([render = render_.get()] {
    // Fails harmlessly once the window is gone.
    PostMessageW(render, kFrameDoneMessage, 0, 0);
  });
  RECT client{};
  ThrowLastErrorIf(!GetClientRect(main_.get(), &client), "GetClientRect");
  LayoutMain(client.right, client.bottom);
  ShowWindow(main_.get(), SW_SHOWNORMAL);
  UpdateWindow(main_.get());
  created_ = true;
}

void EarthWindows::StateChanged() {
  sceneStale_ = true;
  // While a frame is being painted the scene stays stale; the frame's
  // message takes the newest state then, so a burst paints once or twice.
  if (renderer_ && !renderer_->Busy()) {
    SubmitScene();
  }
  if (main_) {
    RECT panel{0, 0, kPanelWidth, 0};
    RECT client{};
    if (GetClientRect(main_.get(), &client)) {
      panel.bottom = client.bottom;
      InvalidateRect(main_.get(), &panel, FALSE);
    }
  }
}

void EarthWindows::SubmitScene() {
  RECT client{};
  if (!render_ || !GetClientRect(render_.get(), &client) || client.right <= 0 ||
      client.bottom <= 0) {
    return;  // Nothing to paint; WM_SIZE brings the scene when there is.
  }
  sceneStale_ = false;
  renderer_->Submit(std::make_shared<const GlobeScene>(SceneOf(*state_)), client.right,
                    client.bottom);
}

FrameTimes EarthWindows::FrameStatistics() const {
  return renderer_ ? renderer_->Times() : FrameTimes{};
}

void EarthWindows::WaitForFrames() const {
  if (renderer_) {
    renderer_->WaitIdle();
  }
}

void EarthWindows::BlitLatestFrame(HDC dc, const RECT& client) const {
  const std::shared_ptr<const GlobeImage> frame = renderer_ ? renderer_->Latest() : nullptr;
  const int width = frame ? std::min<int>(frame->Width(), client.right) : 0;
  const int height = frame ? std::min<int>(frame->Height(), client.bottom) : 0;
  if (frame) {
    BitBlt(dc, 0, 0, width, height, frame->Dc(), 0, 0, SRCCOPY);
  }
  // Until the frame of a new size is done, the rest of the view stays black.
  const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT right{width, 0, client.right, client.bottom};
  const RECT below{0, height, width, client.bottom};
  if (right.left < right.right) {
    FillRect(dc, &right, black);
  }
  if (below.top < below.bottom) {
    FillRect(dc, &below, black);
  }
}

LRESULT CALLBACK EarthWindows::WindowProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the system passes the pointer as an integer
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the window keeps the pointer as an integer
  auto* binding = reinterpret_cast<Binding*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!binding) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  EarthWindows& self = *binding->owner;
  const Role role = binding->role;
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self.Forget(role);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return GuardWindowProc(self.faults_, 0, [&] {
    switch (role) {
      case Role::kMain:
        return self.MainMessage(window, message, wParam, lParam);
      case Role::kContainer:
        return self.ContainerMessage(window, message, wParam, lParam);
      case Role::kRender:
        return self.RenderMessage(window, message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
  });
}

void EarthWindows::Forget(Role role) {
  // The window is gone already: let go of the handle without destroying it.
  switch (role) {
    case Role::kMain:
      (void)main_.release();
      break;
    case Role::kContainer:
      (void)container_.release();
      break;
    case Role::kRender:
      (void)render_.release();
      break;
  }
}

LRESULT EarthWindows::MainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETMINMAXINFO: {
      // A client that embeds the view sizes the main window beyond the
      // screen (by the frame and side panel it hides); the system would
      // otherwise cut it to the screen's size.
      // NOLINTNEXTLINE(performance-no-int-to-ptr): the system passes the pointer as an integer
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMaxTrackSize = POINT{32767, 32767};
      return 0;
    }
    case WM_SIZE:
      LayoutMain(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      const paint_scope paint(window);
      RECT client{};
      if (GetClientRect(window, &client)) {
        PaintPanel(paint.dc(), client);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      ClickPanel(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT EarthWindows::ContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      const paint_scope paint(window);
      FillRect(paint.dc(), &paint.paint().rcPaint,
               static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT EarthWindows::RenderMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
    case kImageArrivedMessage:
      StateChanged();
      return 0;
    case WM_TIMER:
      if (wParam == kLinkTimer) {
        RefreshLinks(state_->Features(), static_cast<double>(GetTickCount64()) / 1000.0);
      }
      return 0;
    case kFrameDoneMessage:
      InvalidateRect(window, nullptr, FALSE);
      if (onFrame_) {
        onFrame_();
      }
      // A flight paints at the frame rate, and its end once more.
      if (state_->TakeFlightFrame()) {
        sceneStale_ = true;
      }
      if (sceneStale_ && renderer_ && !renderer_->Busy()) {
        SubmitScene();
      }
      return 0;
    case WM_PAINT: {
      // Blits the newest finished frame; never waits for one.
      const paint_scope paint(window);
      RECT client{};
      if (GetClientRect(window, &client)) {
        BlitLatestFrame(paint.dc(), client);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      dragging_ = true;
      dragFrom_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      pressedAt_ = dragFrom_;
      SetCapture(window);
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) {
        const POINT to{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{};
        if (GetClientRect(window, &client) && client.right > 0 && client.bottom > 0) {
          // A drag takes over from a flight where the screen shows it.
          CameraState camera = state_->ShownCamera();
          const GlobeView view(camera, client.right, client.bottom);
          const TerrainHit from = view.FromPixel({double(dragFrom_.x), double(dragFrom_.y)});
          const TerrainHit here = view.FromPixel({double(to.x), double(to.y)});
          camera.latitude -= here.point.latitude - from.point.latitude;
          camera.longitude -= here.point.longitude - from.point.longitude;
          state_->SetCamera(NormalizeCamera(camera));
        }
        dragFrom_ = to;
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) {
        dragging_ = false;
        if (message == WM_LBUTTONUP) {
          ReleaseCapture();
          const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
          if (std::abs(at.x - pressedAt_.x) <= kClickSlop &&
              std::abs(at.y - pressedAt_.y) <= kClickSlop) {
            ClickView(window, at);
          }
        }
      }
      return 0;
    case WM_MOUSEWHEEL: {
      CameraState camera = state_->ShownCamera();
      const double notches = GET_WHEEL_DELTA_WPARAM(wParam) / double(WHEEL_DELTA);
      camera.range = std::clamp(camera.range * std::pow(0.8, notches), 10.0, 40'000'000.0);
      state_->SetCamera(NormalizeCamera(camera));
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void EarthWindows::ClickView(HWND window, POINT at) {
  RECT client{};
  if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) {
    return;
  }
  // A click on a placemark opens its balloon; a click beside every
  // placemark closes the one open.
  const GlobeScene scene = SceneOf(*state_);
  const GlobeView view(scene.camera, client.right, client.bottom);
  state_->Features().SetBalloon(PlacemarkAt(scene, view, {double(at.x), double(at.y)}));
}

void EarthWindows::LayoutMain(int width, int height) {
  RECT frame{};
  if (container_ && GetWindowRect(main_.get(), &frame)) {
    const int viewWidth = std::max<int>(frame.right - frame.left - kChromeWidth, 0);
    const int viewHeight = std::max<int>(frame.bottom - frame.top - kChromeHeight, 0);
    // The side panel takes the left of the client area, the tool bar its top.
    MoveWindow(container_.get(), std::max(width - viewWidth, 0), std::max(height - viewHeight, 0),
               std::min(viewWidth, width), std::min(viewHeight, height), TRUE);
    // As in the real application, the view keeps the size the layout gives
    // it even after a client has re-parented it.
    if (render_) {
      MoveWindow(render_.get(), 0, 0, viewWidth, viewHeight, TRUE);
    }
  }
  StateChanged();
}

void EarthWindows::PaintPanel(HDC dc, const RECT& client) {
  const RECT panel{0, 0, client.right, client.bottom};
  const unique_hbrush background(CreateSolidBrush(RGB(236, 238, 242)));
  if (background) {
    FillRect(dc, &panel, background.get());
  }
  SetBkMode(dc, TRANSPARENT);
  const select_object_scope font(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetTextColor(dc, RGB(40, 50, 70));
  const std::wstring header = L"Layers";
  TextOutW(dc, 12, 10, header.c_str(), static_cast<int>(header.size()));
  const unique_hpen frame(CreatePen(PS_SOLID, 1, RGB(90, 100, 120)));
  const select_object_scope pen(dc, frame.get());
  const select_object_scope brush(dc, GetStockObject(WHITE_BRUSH));
  int y = kPanelTop;
  for (const auto& layer : PanelLayers(*state_)) {
    Rectangle(dc, 14, y + 3, 27, y + 16);
    if (layer->visible) {
      MoveToEx(dc, 16, y + 9, nullptr);
      LineTo(dc, 19, y + 13);
      LineTo(dc, 25, y + 5);
    }
    const std::wstring name = Wide(layer->name);
    TextOutW(dc, 34, y + 3, name.c_str(), static_cast<int>(name.size()));
    y += kRowHeight;
  }
}

void EarthWindows::ClickPanel(int x, int y) {
  if (x >= kPanelWidth || y < kPanelTop) {
    return;
  }
  const auto& layers = PanelLayers(*state_);
  const auto row = static_cast<std::size_t>((y - kPanelTop) / kRowHeight);
  if (row >= layers.size()) {
    return;
  }
  FeatureNode& layer = *layers[row];
  state_->Features().SetVisibility(layer, !layer.visible);
}

}  // namespace standin
