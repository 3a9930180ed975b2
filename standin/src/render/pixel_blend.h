// Blending into 0x00RRGGBB pictures: premultiplied 0xAARRGGBB sources,
// KML's aabbggrr colours as tints. Portable.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/kml_style.h"

namespace standin {

// A premultiplied source pixel over the destination.
inline void BlendOver(std::uint32_t& destination, std::uint32_t source) {
  const std::uint32_t alpha = source >> 24;
  if (alpha == 0) {
    return;
  }
  if (alpha == 255) {
    destination = source & 0xFFFFFF;
    return;
  }
  const std::uint32_t keep = 255 - alpha;
  const auto channel = [&](int shift) {
    const std::uint32_t s = (source >> shift) & 0xFF;
    const std::uint32_t d = (destination >> shift) & 0xFF;
    return std::min<std::uint32_t>(255, s + (d * keep + 127) / 255) << shift;
  };
  destination = channel(16) | channel(8) | channel(0);
}

// A premultiplied pixel multiplied by a KML colour (its alpha included).
inline std::uint32_t Tinted(std::uint32_t premultiplied, std::uint32_t abgr) {
  if (abgr == 0xFFFFFFFF) {
    return premultiplied;
  }
  const std::uint32_t rgb = RgbOfKml(abgr);
  const auto times = [](std::uint32_t a, std::uint32_t b) { return (a * b + 127) / 255; };
  const std::uint32_t ta = AlphaOfKml(abgr);
  return (times(premultiplied >> 24, ta) << 24) |
         (times(times((premultiplied >> 16) & 0xFF, (rgb >> 16) & 0xFF), ta) << 16) |
         (times(times((premultiplied >> 8) & 0xFF, (rgb >> 8) & 0xFF), ta) << 8) |
         times(times(premultiplied & 0xFF, rgb & 0xFF), ta);
}

// A KML colour as a premultiplied pixel.
inline std::uint32_t PremultipliedOfKml(std::uint32_t abgr) { return Tinted(0xFFFFFFFF, abgr); }

// Bilinear sample at image coordinates (pixel centres at +0.5), clamped.
inline std::uint32_t Sample(const RasterImage& image, double x, double y) {
  const double fx = std::clamp(x - 0.5, 0.0, image.width - 1.0);
  const double fy = std::clamp(y - 0.5, 0.0, image.height - 1.0);
  const int x0 = static_cast<int>(fx);
  const int y0 = static_cast<int>(fy);
  const int x1 = std::min(x0 + 1, image.width - 1);
  const int y1 = std::min(y0 + 1, image.height - 1);
  const double tx = fx - x0;
  const double ty = fy - y0;
  const auto at = [&](int px, int py) {
    return image.pixels[static_cast<std::size_t>(py) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(px)];
  };
  const std::uint32_t a = at(x0, y0);
  const std::uint32_t b = at(x1, y0);
  const std::uint32_t c = at(x0, y1);
  const std::uint32_t d = at(x1, y1);
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const auto v = [&](std::uint32_t p) { return static_cast<double>((p >> shift) & 0xFF); };
    const double top = v(a) + (v(b) - v(a)) * tx;
    const double bottom = v(c) + (v(d) - v(c)) * tx;
    out |= static_cast<std::uint32_t>(std::lround(top + (bottom - top) * ty)) << shift;
  }
  return out;
}

}  // namespace standin
