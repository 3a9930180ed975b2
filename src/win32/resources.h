// Owners of the Win32 resources the package creates: the shared owners of
// winbase under the names the adapters use, and what only the package needs
// (its module, the core's integer window handles).
#pragma once

#include "system_headers.h"

#include "base/window_handle.h"
#include "winbase/resources.h"

namespace zge::win32 {

namespace traits = winbase::traits;
using winbase::unique_any;
using winbase::unique_cotaskmem;
using winbase::unique_gdi;
using winbase::unique_handle;
using winbase::unique_hbitmap;
using winbase::unique_hdc;
using winbase::unique_hgdiobj;
using winbase::unique_hkey;
using winbase::unique_hlocal;
using winbase::unique_hwnd;
using winbase::unique_module;
using winbase::unique_window_dc;

// The core keeps window handles as plain integers.
[[nodiscard]] inline HWND ToHwnd(WindowHandle window) noexcept {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a handle is a value, never dereferenced
  return reinterpret_cast<HWND>(window);
}
[[nodiscard]] inline WindowHandle FromHwnd(HWND window) noexcept {
  return reinterpret_cast<WindowHandle>(window);
}

// The module this code is linked into (the DLL, or a test program).
[[nodiscard]] HMODULE ThisModule() noexcept;

// A counted reference on the module this code is linked into, so that it
// stays loaded while a thread of ours may still run in it.
[[nodiscard]] unique_module ReferenceThisModule();

}  // namespace zge::win32
