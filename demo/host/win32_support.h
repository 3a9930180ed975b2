// What every part of the demo host uses: one error type for its own
// failures, RAII for the handles it owns, text conversions and file reading.
#pragma once

#include <windows.h>
// CoInitializeEx: WIN32_LEAN_AND_MEAN leaves out the COM headers.
#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace demo {

using Clock = std::chrono::steady_clock;

class DemoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws DemoError naming the call and GetLastError's code.
[[noreturn]] void FailWithLastError(const char* call);

template <class T>
T ThrowIfNull(T value, const char* call) {
  if (!value) {
    FailWithLastError(call);
  }
  return value;
}

void CheckHr(HRESULT result, const char* what);

// ---- RAII for what this host owns ----

struct WindowDestroyer {
  void operator()(HWND window) const noexcept { static_cast<void>(DestroyWindow(window)); }
};
struct ModuleFreer {
  void operator()(HMODULE module) const noexcept { static_cast<void>(FreeLibrary(module)); }
};
struct GdiDeleter {
  void operator()(HGDIOBJ object) const noexcept { static_cast<void>(DeleteObject(object)); }
};
struct DcDeleter {
  void operator()(HDC dc) const noexcept { static_cast<void>(DeleteDC(dc)); }
};
template <class Interface>
struct ComReleaser {
  void operator()(Interface* object) const noexcept { object->Release(); }
};
template <class Interface>
using ComRelease = std::unique_ptr<Interface, ComReleaser<Interface>>;
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;
using UniquePen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiDeleter>;
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A window's DC, released with the window it came from.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(ThrowIfNull(GetDC(window), "GetDC")) {}
  ~WindowDc() { static_cast<void>(ReleaseDC(window_, dc_)); }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  [[nodiscard]] HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { static_cast<void>(SelectObject(dc_, previous_)); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

class ComScope {
 public:
  ComScope() { CheckHr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx"); }
  ~ComScope() { CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

// ---- Text and files ----

// The folder of the running program.
std::filesystem::path ExeFolder();
std::wstring Wide(const std::string& text, UINT codePage);
std::string Narrow(const std::wstring& text, UINT codePage);
// GPX text is UTF-8; the plug-in's char functions take the ANSI code page.
std::string Ansi(const std::string& utf8);
std::vector<char> ReadFileBytes(const std::filesystem::path& file);

}  // namespace demo
