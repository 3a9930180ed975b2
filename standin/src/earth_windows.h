// Earth's windows: the main window (class "QWidget", Earth's title) with a
// layers panel on the left and a container on the right, which holds the
// render window (the 3D view). All three are of window class "QWidget", as
// in Qt's Earth. The render window paints the globe wherever it lives: our
// DLL re-parents it into the host's window in another process.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "earth_state.h"
#include "guard.h"
#include "unique_handles.h"
#include "view_windows.h"

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

  // Repaints what shows the state (the view and the layers panel).
  void StateChanged();

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

  void LayoutMain(int width, int height);
  void PaintPanel(HDC dc, const RECT& client);
  void ClickPanel(int x, int y);

  HINSTANCE instance_;
  std::shared_ptr<EarthState> state_;
  std::u16string title_;
  UiFaults& faults_;
  Binding mainBinding_{this, Role::kMain};
  Binding containerBinding_{this, Role::kContainer};
  Binding renderBinding_{this, Role::kRender};
  bool created_ = false;
  bool dragging_ = false;
  POINT dragFrom_{};
  // Destroyed in reverse order: the render window first (it may live in
  // another process's window by then), then the main window with the container.
  unique_hwnd main_;
  unique_hwnd container_;
  unique_hwnd render_;
};

}  // namespace standin
