#include "window_class.h"

#include "errors.h"
#include "process_exit.h"
#include "resources.h"

namespace zge::win32 {

WindowClass::WindowClass(const wchar_t* name, UINT style, WNDPROC procedure, HBRUSH background)
    : name_(name) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ThisModule();
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (::RegisterClassExW(&windowClass) != 0) {
    registered_ = true;
    return;
  }
  ThrowLastErrorIf(::GetLastError() != ERROR_CLASS_ALREADY_EXISTS, "RegisterClassExW");
}

WindowClass::~WindowClass() {
  // While the process exits, USER calls under the loader lock are unsafe and
  // the class goes with the process anyway. Otherwise unregistering fails
  // only while a window of the class lives, and then the class must stay.
  if (registered_ && !ProcessIsExiting()) {
    static_cast<void>(::UnregisterClassW(name_, ThisModule()));
  }
}

}  // namespace zge::win32
