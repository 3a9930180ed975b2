// Owning types for what the tests create: each releases its resource once.
// Windows of Google Earth's process are borrowed and never wrapped here.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <memory>
#include <type_traits>

namespace zge::test {

// Closing can only fail for an invalid handle, which these types never hold;
// a destructor has nobody to report to, so the result is dropped knowingly.
struct HandleCloser {
  void operator()(HANDLE handle) const noexcept { static_cast<void>(CloseHandle(handle)); }
};
struct KeyCloser {
  void operator()(HKEY key) const noexcept { static_cast<void>(RegCloseKey(key)); }
};
struct WindowDestroyer {
  void operator()(HWND window) const noexcept { static_cast<void>(DestroyWindow(window)); }
};
struct ModuleFreer {
  void operator()(HMODULE module) const noexcept { static_cast<void>(FreeLibrary(module)); }
};
struct BitmapDeleter {
  void operator()(HBITMAP bitmap) const noexcept { static_cast<void>(DeleteObject(bitmap)); }
};

using UniqueHandle = std::unique_ptr<void, HandleCloser>;
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter>;

class UniqueVariant {
 public:
  UniqueVariant() noexcept { VariantInit(&value_); }
  ~UniqueVariant() { static_cast<void>(VariantClear(&value_)); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT* Put() noexcept {
    static_cast<void>(VariantClear(&value_));
    return &value_;
  }
  const VARIANT& Get() const noexcept { return value_; }
  VARIANT* Ptr() noexcept { return &value_; }

 private:
  VARIANT value_;
};

// A scope with COM initialised for the calling thread (single-threaded
// apartment, as in a host's user-interface thread).
class ComScope {
 public:
  ComScope();
  ~ComScope();
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

}  // namespace zge::test
