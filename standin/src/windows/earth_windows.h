// Earth's windows: the main window (class "QWidget", Earth's title) with a
// layers panel on the left and a container on the right, which holds the
// render window (the 3D view). All three are of window class "QWidget", as
// in Qt's Earth. The render window paints the globe wherever it lives: our
// DLL re-parents it into the host's window in another process.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "model/earth_state.h"
#include "platform/guard.h"
#include "platform/resources.h"
#include "render/frame_renderer.h"
#include "windows/view_windows.h"

namespace standin {

class EarthWindows final : public ViewWindows {
 public:
  EarthWindows(HINSTANCE instance, std::shared_ptr<EarthState> state, std::u16string title,
               UiFaults& faults);
  EarthWindows(const EarthWindows&) = delete;
  EarthWindows& operator=(const EarthWindows&) = delete;
  ~EarthWindows() override;

  // Creates the three windows and shows the main window. Throws on failure.
  void Create();
  [[nodiscard]] bool Created() const { return created_; }

  [[nodiscard]] HWND MainWindow() const override { return main_.get(); }
  [[nodiscard]] HWND RenderWindow() const override { return render_.get(); }

  // Repaints what shows the state (the view and the layers panel). The view
  // is painted by the render thread: this only hands it a new scene, or
  // marks the scene stale while a frame is being painted.
  void StateChanged();

  // Frames painted for the view and their times (none before Create).
  [[nodiscard]] FrameTimes FrameStatistics() const;
  // Blocks until the view's newest scene is painted (tests only).
  void WaitForFrames() const;
  // Joins the render thread; the view shows its last frame from then on.
  void StopRendering() { renderer_.reset(); }
  // Runs on this thread after each frame of the view is done.
  void SetOnFrame(std::function<void()> onFrame) { onFrame_ = std::move(onFrame); }

 private:
  enum class Role { kMain, kContainer, kRender };
  struct Binding {
    EarthWindows* owner;
    Role role;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;
  LRESULT MainMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT ContainerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT RenderMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Forget(Role role);

  void SubmitScene();
  void BlitLatestFrame(HDC dc, const RECT& client) const;
  void LayoutMain(int width, int height);
  void PaintPanel(HDC dc, const RECT& client);
  void ClickPanel(int x, int y);
  // A press and release that did not drag the globe.
  void ClickView(HWND window, POINT at);
  static constexpr int kClickSlop = 3;  // pixels the mouse may move in a click
  static constexpr UINT_PTR kLinkTimer = 1;
  static constexpr UINT kImageArrivedMessage = WM_APP + 2;

  HINSTANCE instance_;
  std::shared_ptr<EarthState> state_;
  std::u16string title_;
  UiFaults& faults_;
  Binding mainBinding_{this, Role::kMain};
  Binding containerBinding_{this, Role::kContainer};
  Binding renderBinding_{this, Role::kRender};
  bool created_ = false;
  bool sceneStale_ = false;
  std::function<void()> onFrame_;
  bool dragging_ = false;
  POINT dragFrom_{};
  POINT pressedAt_{};
  // Destroyed in reverse order: the render window first (it may live in
  // another process's window by then), then the main window with the container.
  unique_hwnd main_;
  unique_hwnd container_;
  unique_hwnd render_;
  // Stopped (and joined) before the windows go: it posts to the render window.
  std::unique_ptr<FrameRenderer> renderer_;
};

}  // namespace standin
