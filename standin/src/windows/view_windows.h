// The port through which the application object sees Earth's windows.
#pragma once

#include <windows.h>

namespace standin {

class ViewWindows {
 public:
  virtual ~ViewWindows() = default;
  // nullptr until the main window exists, and after it is gone.
  [[nodiscard]] virtual HWND MainWindow() const = 0;
  [[nodiscard]] virtual HWND RenderWindow() const = 0;
};

}  // namespace standin
