// Paints the globe's surface and the sky around it, pixel by pixel, on
// every core: land and sea from the vector land mask, coloured from the
// imagery where its pixels are small on the screen and towards a clean
// atlas palette where they are magnified, so colour never crosses a coast.
// Portable: the native benchmark paints with the very same code.
#pragma once

#include <cstdint>
#include <span>

#include "render/coastlines.h"
#include "render/globe_view.h"
#include "render/land_mask.h"
#include "render/surface_image.h"

namespace standin {

// The imagery split at the coast: one picture holding only land colours
// (spread a few pixels out over the sea) and one only sea colours (spread
// over the land), so that a sample on either side of a shore never mixes
// in the other side. Made once from the imagery and land rings.
class SurfaceColours {
 public:
  SurfaceColours(const SurfaceImage& imagery, const std::vector<GeoLine>& land);
  [[nodiscard]] const SurfaceImage& Land() const { return land_; }
  [[nodiscard]] const SurfaceImage& Sea() const { return sea_; }

 private:
  SurfaceImage land_;
  SurfaceImage sea_;
};

struct SurfaceLayers {
  const SurfaceImage* imagery = nullptr;  // nullptr: the flat map
  // With imagery: its colours split at the coast (nullptr: the imagery as it is).
  const SurfaceColours* colours = nullptr;
  const LandMask* land = nullptr;  // nullptr: no coastline data
  // A finer mask that answers instead of `land` inside its box.
  const LandMask* detail = nullptr;
  LatLonBox detailBox;
  bool ocean = true;  // the Ocean layer
};

// How far the imagery is magnified at the focus: 0 shows it as it is,
// 1 only the atlas palette (imagery pixels 64 times the screen's and more).
[[nodiscard]] double AtlasWeight(const GlobeView& view, const SurfaceImage& imagery);

// Paints every pixel of a width x height picture (top row first); threads
// 0 takes every core. The picture does not depend on the thread count.
void PaintSurface(const GlobeView& view, const SurfaceLayers& layers,
                  std::span<std::uint32_t> pixels, int threads = 0);

// Everything a frame's surface is painted from; any may be missing.
struct SurfaceSources {
  const Coastlines* coastlines = nullptr;  // the world's layers
  const Coastlines* coasts = nullptr;      // 1:10m and harbours, when NeedsCoasts
  const SurfaceImage* imagery = nullptr;   // nullptr: the flat map (the Terrain layer off)
  const SurfaceColours* colours = nullptr;
  bool ocean = true;
};

// One frame's surface: the land masks the view needs (ShoresFor), then the
// pixels. Returns the shores used.
Shores PaintFrameSurface(const GlobeView& view, const SurfaceSources& sources,
                         std::span<std::uint32_t> pixels, int threads = 0);

}  // namespace standin
