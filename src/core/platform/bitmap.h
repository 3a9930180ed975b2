// A bitmap of the host's that the panel draws pictures into. The host owns
// it; the panel only resizes it and draws into it, during one call.
#pragma once

#include <string_view>

#include "base/window_handle.h"

namespace zge::platform {

class Bitmap {
 public:
  virtual ~Bitmap() = default;
  // Gives the bitmap this size; its former picture need not survive.
  // Throws zge::Error when a bitmap of that size cannot be made.
  virtual void SetSize(Size size) = 0;
  // Copies `rect` of `window`'s client area, as the screen shows it now,
  // to the same place in the bitmap, pixel for pixel.
  virtual void CopyFromWindow(WindowHandle window, const Rect& rect) = 0;
  // Draws the picture in the image file `path` (PNG, JPEG, BMP, ...; told
  // by its content), scaled to fill the whole bitmap. Throws zge::Error
  // naming the file when it cannot be read.
  virtual void DrawImageFile(std::string_view path) = 0;
};

}  // namespace zge::platform
