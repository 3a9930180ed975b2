// The host's bitmap (an HBITMAP the host holds) as the core draws into it.
// The picture is made in a new bitmap of the package's; only when the panel
// operation has completed does HandTo give it to the host, deleting the
// bitmap the host held. A failure midway leaves the host's handle alone.
#pragma once

#include "system_headers.h"

#include <string_view>

#include "platform/bitmap.h"
#include "resources.h"

namespace zge::win32 {

class HostBitmap final : public platform::Bitmap {
 public:
  HostBitmap() = default;

  // A 32-bit top-down DIB section; throws zge::Error for an empty size.
  void SetSize(Size size) override;
  void CopyFromWindow(WindowHandle window, const Rect& rect) override;
  // Decodes with WIC (COM must be initialised on the calling thread, as
  // the panel does on the host's user-interface thread).
  void DrawImageFile(std::string_view path) override;

  // Stores the new picture in `*hostBitmap` and deletes the one it held.
  void HandTo(HBITMAP& hostBitmap) noexcept;

 private:
  void RequirePicture() const;

  unique_hbitmap bitmap_;
  void* bits_ = nullptr;
  Size size_;
};

}  // namespace zge::win32
