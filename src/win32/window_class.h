// A window class of this module, registered while its owner lives. The
// class is unregistered again so that a later load of the DLL at the same
// address does not find a class whose procedure pointed into the old image.
// Owners are function-local statics: the module's static destructors run
// when the host frees the DLL, so the class goes with the code it names.
#pragma once

#include "system_headers.h"

namespace zge::win32 {

class WindowClass {
 public:
  // Throws zge::Error when the class cannot be registered. A class of that
  // name this module registered already (another owner) is used as it is.
  WindowClass(const wchar_t* name, UINT style, WNDPROC procedure, HBRUSH background);
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  ~WindowClass();

  [[nodiscard]] const wchar_t* Name() const noexcept { return name_; }

 private:
  const wchar_t* name_;
  bool registered_ = false;
};

}  // namespace zge::win32
