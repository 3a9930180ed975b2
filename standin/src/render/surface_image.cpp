#include "render/surface_image.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "model/error.h"
#include "model/result_codes.h"

namespace standin {

SurfaceImage::SurfaceImage(int width, int height, std::vector<std::uint32_t> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {
  if (width_ < 1 || height_ < 1 ||
      pixels_.size() != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {
    throw Error(codes::kInvalidArg, "a surface image needs width * height pixels");
  }
}

std::uint32_t SurfaceImage::Sample(double latitude, double longitude) const {
  // Pixel centres sit half a pixel in from the edges.
  const double fx = (longitude + 180.0) / 360.0 * width_ - 0.5;
  const double fy = std::clamp((90.0 - latitude) / 180.0 * height_ - 0.5, 0.0, height_ - 1.0);
  const double floorX = std::floor(fx);
  const double floorY = std::floor(fy);
  const double tx = fx - floorX;
  const double ty = fy - floorY;
  const auto column = [&](double x) {
    const auto wrapped = static_cast<long long>(x) % width_;
    return static_cast<std::size_t>(wrapped < 0 ? wrapped + width_ : wrapped);
  };
  const std::size_t x0 = column(floorX);
  const std::size_t x1 = column(floorX + 1);
  const auto y0 = static_cast<std::size_t>(floorY);
  const std::size_t y1 = std::min(y0 + 1, static_cast<std::size_t>(height_ - 1));
  const std::size_t stride = static_cast<std::size_t>(width_);
  const std::uint32_t p00 = pixels_[y0 * stride + x0];
  const std::uint32_t p10 = pixels_[y0 * stride + x1];
  const std::uint32_t p01 = pixels_[y1 * stride + x0];
  const std::uint32_t p11 = pixels_[y1 * stride + x1];
  // Weights in 1/256ths: plenty for 8-bit channels, and no per-channel floating point.
  const auto wx = static_cast<std::uint32_t>(tx * 256.0);
  const auto wy = static_cast<std::uint32_t>(ty * 256.0);
  const std::uint32_t w00 = (256 - wx) * (256 - wy);
  const std::uint32_t w10 = wx * (256 - wy);
  const std::uint32_t w01 = (256 - wx) * wy;
  const std::uint32_t w11 = wx * wy;
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t sum = ((p00 >> shift) & 0xFFU) * w00 + ((p10 >> shift) & 0xFFU) * w10 +
                              ((p01 >> shift) & 0xFFU) * w01 + ((p11 >> shift) & 0xFFU) * w11;
    result |= ((sum + 0x8000U) >> 16) << shift;
  }
  return result;
}

}  // namespace standin
