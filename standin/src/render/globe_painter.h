// Paints the globe: the one painting code for the render window and for
// SaveScreenShot. A GlobeImage renders a scene into a 32-bit DIB section
// selected into a memory DC, from which the window blits and the
// screenshot encoder reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/resources.h"
#include "render/globe_scene.h"
#include "render/globe_view.h"
#include "render/label_layout.h"

namespace standin {

class GlobeImage {
 public:
  // Throws standin::Error when the bitmap cannot be made. The surface is
  // painted on `threads` threads (0: every core); the picture is the same
  // whatever their number.
  GlobeImage(int width, int height, const GlobeScene& scene, int threads = 0);
  GlobeImage(const GlobeImage&) = delete;
  GlobeImage& operator=(const GlobeImage&) = delete;

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  // The memory DC holding the picture, for BitBlt.
  [[nodiscard]] HDC Dc() const { return dc_.get(); }
  // Top-down rows of 0x00RRGGBB pixels, Width() per row.
  [[nodiscard]] std::span<const std::uint32_t> Pixels() const;
  // Where names were written (no two overlap).
  [[nodiscard]] const std::vector<LabelBox>& Labels() const { return labels_; }

 private:
  void PaintSurface(const GlobeView& view, const GlobeScene& scene);
  void PaintOverlay(const GlobeView& view, const GlobeScene& scene);

  int width_;
  int height_;
  int threads_;
  unique_hdc dc_;
  unique_hbitmap bitmap_;
  std::uint32_t* bits_ = nullptr;
  std::optional<select_object_scope> selection_;
  std::vector<LabelBox> labels_;
};

}  // namespace standin
