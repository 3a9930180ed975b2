// Which places are land, for the part of the globe a view shows: land rings
// filled even-odd (so lakes stay water) into a bitmap over a latitude/
// longitude box. Filling once per picture costs far less than a point-in-
// polygon test per pixel. Portable, and read-only once made, so any number
// of painting threads may ask it at once.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "render/coastlines.h"
#include "render/globe_view.h"

namespace standin {

class LandMask {
 public:
  // box: west may exceed east across the date line. Cells: width x height
  // (each at least 1). Only rings whose bounds meet the box are read.
  LandMask(const LatLonBox& box, int width, int height, const std::vector<GeoLine>& rings);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] bool IsLand(double latitude, double longitude) const {
    if (longitude < west_) {
      longitude += 360.0;
    }
    const double fx = (longitude - west_) * scaleX_;
    const double fy = (north_ - latitude) * scaleY_;
    const int x = fx <= 0 ? 0 : fx >= width_ ? width_ - 1 : static_cast<int>(fx);
    const int y = fy <= 0 ? 0 : fy >= height_ ? height_ - 1 : static_cast<int>(fy);
    return CellIsLand(x, y);
  }
  [[nodiscard]] bool CellIsLand(int x, int y) const {
    const std::uint64_t word =
        bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x) / 64];
    return ((word >> (x % 64)) & 1U) != 0;
  }

 private:
  void Fill(const std::vector<GeoLine>& rings);

  double north_ = 0;
  double south_ = 0;
  double west_ = 0;
  double east_ = 0;
  int width_ = 1;
  int height_ = 1;
  double scaleX_ = 1;
  double scaleY_ = 1;
  std::size_t stride_ = 1;  // 64-bit words per row
  std::vector<std::uint64_t> bits_;
};

// A mask over `box` (by default what the view shows), with cells about
// `oversample` times finer than the view's pixels at the focus (within a
// bounded size).
[[nodiscard]] LandMask LandMaskForView(const GlobeView& view, const std::vector<GeoLine>& rings,
                                       double oversample = 2.0);
[[nodiscard]] LandMask LandMaskForView(const GlobeView& view, const LatLonBox& box,
                                       const std::vector<GeoLine>& rings, double oversample = 2.0);

// The shores a view is drawn with: rings of the detail its pixels show
// (1:110m, 1:50m or 1:10m), and inside a harbour region's box that
// region's finer ones.
struct Shores {
  const std::vector<GeoLine>* rings = nullptr;
  const HarbourRegion* harbour = nullptr;
  LatLonBox harbourPart;  // the part of the view inside the harbour region
  // The view is close enough for a harbour shoreline, but none covers it.
  bool harbourMissing = false;
};

// world: the world's layers; coasts: the 1:10m and harbour layers, needed
// only when NeedsCoasts (nullptr: not at hand, the world's are used).
[[nodiscard]] bool NeedsCoasts(const GlobeView& view);
[[nodiscard]] Shores ShoresFor(const GlobeView& view, const Coastlines& world,
                               const Coastlines* coasts);
// The same for a view whose Extents() are known.
[[nodiscard]] Shores ShoresFor(const GlobeView& view, const LatLonBox& shown,
                               const Coastlines& world, const Coastlines* coasts);

// The part two boxes share; nullopt when none, or when one crosses the date line.
[[nodiscard]] std::optional<LatLonBox> Overlap(const LatLonBox& a, const LatLonBox& b);

}  // namespace standin
