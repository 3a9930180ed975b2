// One RAII type per Win32 resource kind the stand-in owns. Copy is deleted;
// the release call is part of the type; put() releases before reuse.
#pragma once

#include <windows.h>

#include <utility>

namespace standin {

template <class T, class Traits>
class unique_resource {
 public:
  unique_resource() noexcept = default;
  explicit unique_resource(T value) noexcept : value_(value) {}
  unique_resource(const unique_resource&) = delete;
  unique_resource& operator=(const unique_resource&) = delete;
  unique_resource(unique_resource&& other) noexcept : value_(other.release()) {}
  unique_resource& operator=(unique_resource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~unique_resource() { reset(); }

  [[nodiscard]] T get() const noexcept { return value_; }
  [[nodiscard]] explicit operator bool() const noexcept { return Traits::IsValid(value_); }
  void reset(T value = Traits::Invalid()) noexcept {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  [[nodiscard]] T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::Invalid();
};

struct HkeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static bool IsValid(HKEY key) noexcept { return key != nullptr; }
  static void Close(HKEY key) noexcept { RegCloseKey(key); }
};
using unique_hkey = unique_resource<HKEY, HkeyTraits>;

struct FileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE handle) noexcept {
    return handle != INVALID_HANDLE_VALUE && handle != nullptr;
  }
  static void Close(HANDLE handle) noexcept { CloseHandle(handle); }
};
using unique_file = unique_resource<HANDLE, FileHandleTraits>;

// A window this process created. Borrowed windows are plain HWNDs.
struct HwndTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static bool IsValid(HWND window) noexcept { return window != nullptr; }
  static void Close(HWND window) noexcept { DestroyWindow(window); }
};
using unique_hwnd = unique_resource<HWND, HwndTraits>;

// A memory device context (CreateCompatibleDC).
struct MemoryDcTraits {
  static HDC Invalid() noexcept { return nullptr; }
  static bool IsValid(HDC dc) noexcept { return dc != nullptr; }
  static void Close(HDC dc) noexcept { DeleteDC(dc); }
};
using unique_memory_dc = unique_resource<HDC, MemoryDcTraits>;

// Any GDI object created here: bitmap, pen, brush, font.
template <class T>
struct GdiObjectTraits {
  static T Invalid() noexcept { return nullptr; }
  static bool IsValid(T object) noexcept { return object != nullptr; }
  static void Close(T object) noexcept { DeleteObject(object); }
};
template <class T>
using unique_gdi = unique_resource<T, GdiObjectTraits<T>>;
using unique_hbitmap = unique_gdi<HBITMAP>;
using unique_hpen = unique_gdi<HPEN>;
using unique_hbrush = unique_gdi<HBRUSH>;
using unique_hfont = unique_gdi<HFONT>;

// A selection into a DC, undone when the scope ends.
class select_object_scope {
 public:
  select_object_scope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
  select_object_scope(const select_object_scope&) = delete;
  select_object_scope& operator=(const select_object_scope&) = delete;
  ~select_object_scope() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint/EndPaint, remembering its window.
class paint_scope {
 public:
  explicit paint_scope(HWND window) noexcept : window_(window) {
    dc_ = BeginPaint(window, &paint_);
  }
  paint_scope(const paint_scope&) = delete;
  paint_scope& operator=(const paint_scope&) = delete;
  ~paint_scope() { EndPaint(window_, &paint_); }
  [[nodiscard]] HDC dc() const noexcept { return dc_; }
  [[nodiscard]] const PAINTSTRUCT& paint() const noexcept { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

}  // namespace standin

namespace standin {

// Memory from LocalAlloc (CommandLineToArgvW, FormatMessage).
template <class T>
struct LocalMemoryTraits {
  static T Invalid() noexcept { return nullptr; }
  static bool IsValid(T memory) noexcept { return memory != nullptr; }
  static void Close(T memory) noexcept { LocalFree(memory); }
};
template <class T>
using unique_hlocal = unique_resource<T, LocalMemoryTraits<T>>;

}  // namespace standin
