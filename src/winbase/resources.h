// Owners of Win32 resources: one type per resource kind, the release call
// part of the type. Copies are deleted; moves hand the resource over.
// Borrowed handles (another process's windows, a host's parent) are never
// put in one of these.
#pragma once

#include <windows.h>

#include <objbase.h>

#include <utility>

namespace winbase {

// An owner of one value described by Traits: Traits::Invalid() is the empty
// value, Traits::IsValid tells whether there is something to release, and
// Traits::Close releases it.
template <typename Traits>
class unique_any {
 public:
  using pointer = typename Traits::pointer;

  unique_any() noexcept = default;
  explicit unique_any(pointer value) noexcept : value_(value) {}
  unique_any(unique_any&& other) noexcept : value_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  [[nodiscard]] pointer get() const noexcept { return value_; }
  [[nodiscard]] bool is_valid() const noexcept { return Traits::IsValid(value_); }
  explicit operator bool() const noexcept { return is_valid(); }

  // The old value is forgotten before it is released, so that a release
  // that calls back into the owner (DestroyWindow) finds it empty.
  void reset(pointer value = Traits::Invalid()) noexcept {
    pointer old = std::exchange(value_, value);
    if (Traits::IsValid(old)) {
      Traits::Close(old);
    }
  }
  [[nodiscard]] pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  // For out-parameters: releases what is held first.
  [[nodiscard]] pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_ = Traits::Invalid();
};

namespace traits {

// Release calls report failure only for values that were never valid, which
// the owners exclude; their results carry nothing to act on.
struct Handle {
  using pointer = HANDLE;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept {
    return value != nullptr && value != INVALID_HANDLE_VALUE;
  }
  static void Close(pointer value) noexcept { static_cast<void>(::CloseHandle(value)); }
};

struct Hkey {
  using pointer = HKEY;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::RegCloseKey(value)); }
};

struct Hwnd {
  using pointer = HWND;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::DestroyWindow(value)); }
};

template <typename Object>
struct GdiObject {
  using pointer = Object;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::DeleteObject(value)); }
};

struct MemoryDc {
  using pointer = HDC;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::DeleteDC(value)); }
};

struct Module {
  using pointer = HMODULE;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::FreeLibrary(value)); }
};

// Memory from LocalAlloc, such as the argument array CommandLineToArgvW
// returns, as the pointer type it is used by.
template <typename Pointer = HLOCAL>
struct LocalMemory {
  using pointer = Pointer;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { static_cast<void>(::LocalFree(value)); }
};

// Memory the shell or COM hands over (an item identifier list from the
// folder browser).
template <typename Pointer>
struct CoTaskMemory {
  using pointer = Pointer;
  static pointer Invalid() noexcept { return nullptr; }
  static bool IsValid(pointer value) noexcept { return value != nullptr; }
  static void Close(pointer value) noexcept { ::CoTaskMemFree(value); }
};

}  // namespace traits

// A kernel handle; both NULL and INVALID_HANDLE_VALUE count as empty.
using unique_handle = unique_any<traits::Handle>;
using unique_hkey = unique_any<traits::Hkey>;
// A window this package created; destroyed with DestroyWindow.
using unique_hwnd = unique_any<traits::Hwnd>;
template <typename Object>
using unique_gdi = unique_any<traits::GdiObject<Object>>;
using unique_hgdiobj = unique_gdi<HGDIOBJ>;
using unique_hbitmap = unique_gdi<HBITMAP>;
using unique_hpen = unique_gdi<HPEN>;
using unique_hbrush = unique_gdi<HBRUSH>;
using unique_hfont = unique_gdi<HFONT>;
// A memory DC from CreateCompatibleDC.
using unique_hdc = unique_any<traits::MemoryDc>;
// A counted reference on a loaded module.
using unique_module = unique_any<traits::Module>;
template <typename Pointer>
using unique_local_memory = unique_any<traits::LocalMemory<Pointer>>;
using unique_hlocal = unique_local_memory<HLOCAL>;
// Memory from CoTaskMemAlloc, such as an item identifier list.
template <typename Pointer>
using unique_cotaskmem = unique_any<traits::CoTaskMemory<Pointer>>;

// A DC from GetDC: released with ReleaseDC against the window it came from.
class unique_window_dc {
 public:
  unique_window_dc() noexcept = default;
  unique_window_dc(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
  unique_window_dc(unique_window_dc&& other) noexcept
      : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
  unique_window_dc& operator=(unique_window_dc&& other) noexcept {
    if (this != &other) {
      reset();
      window_ = std::exchange(other.window_, nullptr);
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  unique_window_dc(const unique_window_dc&) = delete;
  unique_window_dc& operator=(const unique_window_dc&) = delete;
  ~unique_window_dc() { reset(); }

  [[nodiscard]] HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }
  void reset() noexcept {
    if (dc_ != nullptr) {
      static_cast<void>(::ReleaseDC(window_, dc_));
    }
    window_ = nullptr;
    dc_ = nullptr;
  }

 private:
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

// A selection into a DC, undone when the scope ends.
class select_object_scope {
 public:
  select_object_scope(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), old_(::SelectObject(dc, object)) {}
  select_object_scope(const select_object_scope&) = delete;
  select_object_scope& operator=(const select_object_scope&) = delete;
  ~select_object_scope() {
    if (old_ != nullptr && old_ != HGDI_ERROR) {
      static_cast<void>(::SelectObject(dc_, old_));
    }
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// BeginPaint and EndPaint, remembering the window.
class paint_scope {
 public:
  explicit paint_scope(HWND window) noexcept
      : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  paint_scope(const paint_scope&) = delete;
  paint_scope& operator=(const paint_scope&) = delete;
  ~paint_scope() { ::EndPaint(window_, &paint_); }
  [[nodiscard]] HDC dc() const noexcept { return dc_; }
  [[nodiscard]] const PAINTSTRUCT& paint() const noexcept { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace winbase
