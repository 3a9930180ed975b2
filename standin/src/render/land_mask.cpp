#include "render/land_mask.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin {
namespace {

// Lines may run past -180..180 (coastlines.h): these copies of the world
// side by side meet any box.
constexpr double kWorldCopies[] = {-720.0, -360.0, 0.0, 360.0, 720.0};

// The largest side of a mask: 4096 x 4096 cells are 2 MiB.
constexpr int kLargestSide = 4096;

// The shoreline for a view: the detail its pixels can show. Coarser
// rings at a finer scale only cost time; finer ones at a coarser scale
// would blur into the line.
constexpr double kCoarseShoreMetresPerPixel = 10'000.0;  // 1:110m above
constexpr double kFineShoreMetresPerPixel = 1'500.0;     // 1:10m below
constexpr double kHarbourMetresPerPixel = 400.0;         // GSHHG full below, where there is one

// Sets bits [from, to) of a row, a word at a time.
void SetBits(std::uint64_t* bits, int from, int to) {
  const int firstWord = from / 64;
  const int lastWord = (to - 1) / 64;
  const std::uint64_t all = ~std::uint64_t{0};
  const std::uint64_t head = all << (from % 64);
  const std::uint64_t tail = all >> (63 - (to - 1) % 64);
  if (firstWord == lastWord) {
    bits[firstWord] |= head & tail;
    return;
  }
  bits[firstWord] |= head;
  for (int word = firstWord + 1; word < lastWord; ++word) {
    bits[word] = all;
  }
  bits[lastWord] |= tail;
}

}  // namespace

LandMask::LandMask(const LatLonBox& box, int width, int height, const std::vector<GeoLine>& rings)
    : north_(box.north),
      south_(box.south),
      west_(box.west),
      east_(box.east < box.west ? box.east + 360.0 : box.east),
      width_(std::clamp(width, 1, kLargestSide)),
      height_(std::clamp(height, 1, kLargestSide)) {
  scaleX_ = width_ / std::max(east_ - west_, 1e-9);
  scaleY_ = height_ / std::max(north_ - south_, 1e-9);
  stride_ = (static_cast<std::size_t>(width_) + 63) / 64;
  bits_.assign(stride_ * static_cast<std::size_t>(height_), 0);
  Fill(rings);
}

// Scanlines through the cells' centres: every edge crossing a row flips
// the parity from there to the row's end, over all rings together (even-odd
// as one polygon), so crossings left or right of the box count at its edge.
void LandMask::Fill(const std::vector<GeoLine>& rings) {
  std::vector<std::vector<double>> crossings(static_cast<std::size_t>(height_));
  const auto addEdge = [&](double x0, double y0, double x1, double y1) {
    if (y0 == y1) {
      return;
    }
    const double top = std::min(y0, y1);
    const double bottom = std::max(y0, y1);
    // Rows whose centre y + 0.5 lies in [top, bottom).
    const int first = std::max(0, static_cast<int>(std::ceil(top - 0.5)));
    const int last = std::min(height_ - 1, static_cast<int>(std::ceil(bottom - 0.5)) - 1);
    const double slope = (x1 - x0) / (y1 - y0);
    for (int row = first; row <= last; ++row) {
      crossings[static_cast<std::size_t>(row)].push_back(x0 + (row + 0.5 - y0) * slope);
    }
  };
  for (const GeoLine& ring : rings) {
    if (ring.points.size() < 2) {
      continue;
    }
    if (ring.bounds.south > north_ || ring.bounds.north < south_) {
      continue;
    }
    for (const double shift : kWorldCopies) {
      if (ring.bounds.west + shift > east_ || ring.bounds.east + shift < west_) {
        continue;
      }
      const auto toX = [&](const GeoPoint& p) { return (p.longitude + shift - west_) * scaleX_; };
      const auto toY = [&](double latitude) { return (north_ - latitude) * scaleY_; };
      for (std::size_t i = 1; i < ring.points.size(); ++i) {
        const GeoPoint& a = ring.points[i - 1];
        const GeoPoint& b = ring.points[i];
        addEdge(toX(a), toY(a.latitude), toX(b), toY(b.latitude));
      }
      if (ring.pole != 0) {
        // Around the pole and back: the outline closes along the pole's edge of the map.
        const GeoPoint& last = ring.points.back();
        const GeoPoint& first = ring.points.front();
        const double pole = toY(90.0 * ring.pole);
        addEdge(toX(last), toY(last.latitude), toX(last), pole);
        addEdge(toX(first), pole, toX(first), toY(first.latitude));
      }
    }
  }
  for (int row = 0; row < height_; ++row) {
    std::vector<double>& xs = crossings[static_cast<std::size_t>(row)];
    std::sort(xs.begin(), xs.end());
    std::uint64_t* bits = bits_.data() + static_cast<std::size_t>(row) * stride_;
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      // Cells whose centre x + 0.5 lies in [xs[i], xs[i + 1]).
      const int from = std::max(0, static_cast<int>(std::ceil(xs[i] - 0.5)));
      const int to = std::min(width_, static_cast<int>(std::ceil(xs[i + 1] - 0.5)));
      if (from < to) {
        SetBits(bits, from, to);
      }
    }
  }
}

LandMask LandMaskForView(const GlobeView& view, const std::vector<GeoLine>& rings,
                         double oversample) {
  return LandMaskForView(view, view.Extents(), rings, oversample);
}

LandMask LandMaskForView(const GlobeView& view, const LatLonBox& box,
                         const std::vector<GeoLine>& rings, double oversample) {
  const double east = box.east < box.west ? box.east + 360.0 : box.east;
  const double degreesPerCell =
      view.FocusPixelMetres() / (kEarthRadiusMetres * std::numbers::pi / 180.0) / oversample;
  const double equatorward =
      (box.south <= 0 && box.north >= 0) ? 0.0 : std::min(std::abs(box.south), std::abs(box.north));
  const double lonShrink = std::max(std::cos(equatorward * std::numbers::pi / 180.0), 0.05);
  const auto cells = [](double count) {
    return static_cast<int>(std::clamp(std::ceil(count), 1.0, double{kLargestSide}));
  };
  return LandMask(box, cells((east - box.west) * lonShrink / degreesPerCell),
                  cells((box.north - box.south) / degreesPerCell), rings);
}

std::optional<LatLonBox> Overlap(const LatLonBox& a, const LatLonBox& b) {
  if (a.west > a.east || b.west > b.east) {
    return std::nullopt;
  }
  const LatLonBox both{std::min(a.north, b.north), std::max(a.south, b.south),
                       std::min(a.east, b.east), std::max(a.west, b.west)};
  if (both.north <= both.south || both.east <= both.west) {
    return std::nullopt;
  }
  return both;
}

bool NeedsCoasts(const GlobeView& view) {
  return view.FocusPixelMetres() <= kFineShoreMetresPerPixel;
}

Shores ShoresFor(const GlobeView& view, const Coastlines& world, const Coastlines* coasts) {
  return ShoresFor(view, view.Extents(), world, coasts);
}

Shores ShoresFor(const GlobeView& view, const LatLonBox& shown, const Coastlines& world,
                 const Coastlines* coasts) {
  const double metres = view.FocusPixelMetres();
  Shores shores;
  if (metres > kCoarseShoreMetresPerPixel) {
    shores.rings = &world.coarseLand;
  } else if (metres > kFineShoreMetresPerPixel || !coasts || coasts->fineLand.empty()) {
    shores.rings = &world.land;
  } else {
    shores.rings = &coasts->fineLand;
  }
  if (metres > kHarbourMetresPerPixel || !coasts) {
    return shores;
  }
  for (const HarbourRegion& region : coasts->harbours) {
    if (const auto part = Overlap(region.box, shown)) {
      shores.harbour = &region;
      shores.harbourPart = *part;
      return shores;
    }
  }
  shores.harbourMissing = true;
  return shores;
}

}  // namespace standin
