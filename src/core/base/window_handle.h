// Window handles and rectangles as the core sees them: plain values, so that
// no Windows header is needed here. A handle is the HWND's bits; 0 is none.
#pragma once

#include <cstdint>

namespace zge {

using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  [[nodiscard]] int Width() const noexcept { return right - left; }
  [[nodiscard]] int Height() const noexcept { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// ShowWindow commands the panel uses.
namespace show {
inline constexpr int kHide = 0;
inline constexpr int kShowMinNoActive = 7;
inline constexpr int kRestore = 9;
}  // namespace show

}  // namespace zge
