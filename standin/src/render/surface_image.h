// The Earth's surface as one picture in plate carree (longitude -180 at the
// left edge, latitude 90 at the top), sampled at any place. Portable.
#pragma once

#include <cstdint>
#include <vector>

namespace standin {

class SurfaceImage {
 public:
  // pixels: height rows of width 0x00RRGGBB values, top row first.
  SurfaceImage(int width, int height, std::vector<std::uint32_t> pixels);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }

  // Bilinear between the four nearest pixel centres; across the date line
  // it blends both edges, at the poles it holds the first and last rows.
  [[nodiscard]] std::uint32_t Sample(double latitude, double longitude) const;

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace standin
