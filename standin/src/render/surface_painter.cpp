#include "render/surface_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace standin {
namespace {

struct Colour {
  float r;
  float g;
  float b;
};

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, float f) { return {c.r * f, c.g * f, c.b * f}; }

std::uint32_t Pack(Colour c) {
  const auto channel = [](float v) {
    return static_cast<std::uint32_t>(v <= 0.0F ? 0.0F : v >= 255.0F ? 255.0F : v);
  };
  return (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

Colour Unpack(std::uint32_t rgb) {
  return {float((rgb >> 16) & 0xFF), float((rgb >> 8) & 0xFF), float(rgb & 0xFF)};
}

// The flat map's colours, used where the imagery is not shown.
constexpr Colour kFlatSea{22, 62, 132};
constexpr Colour kFlatLand{84, 128, 64};
constexpr Colour kFlatIce{228, 233, 240};
// The atlas palette the imagery gives way to close up.
constexpr Colour kAtlasSea{24, 66, 128};
constexpr Colour kAtlasLand{178, 170, 128};

float Polar(double latitude) {
  return static_cast<float>(latitude >= 0 ? std::clamp((latitude - 66.0) / 8.0, 0.0, 1.0)
                                          : std::clamp((-latitude - 58.0) / 6.0, 0.0, 1.0));
}

Colour FlatLandColour(double latitude) { return Mix(kFlatLand, kFlatIce, Polar(latitude)); }
Colour AtlasLandColour(double latitude) { return Mix(kAtlasLand, kFlatIce, Polar(latitude)); }

std::uint32_t StarHash(int x, int y) {
  auto h = static_cast<std::uint32_t>(x) * 73856093U ^ static_cast<std::uint32_t>(y) * 19349663U;
  h ^= h >> 13;
  h *= 0x5bd1e995U;
  h ^= h >> 15;
  return h;
}

// What one pixel sees: a place on the globe with its light, or the sky.
struct Sample {
  bool hit = false;
  double latitude = 0;
  double longitude = 0;
  float diffuse = 0;
  float facing = 0;
  float clearance = 0;  // the sky: how far the ray passes above the ground
};

class Painter {
 public:
  Painter(const GlobeView& view, const SurfaceLayers& layers, std::span<std::uint32_t> pixels)
      : view_(view), layers_(layers), pixels_(pixels) {
    // The sun stands behind the viewer's left shoulder, whatever the camera.
    const Vec3& right = view.Right();
    const Vec3& up = view.Up();
    const Vec3& forward = view.Forward();
    const double length = std::sqrt(0.45 * 0.45 + 0.55 * 0.55 + 0.70 * 0.70);
    light_ = {(-0.45 * right.x + 0.55 * up.x - 0.70 * forward.x) / length,
              (-0.45 * right.y + 0.55 * up.y - 0.70 * forward.y) / length,
              (-0.45 * right.z + 0.55 * up.z - 0.70 * forward.z) / length};
    if (layers.imagery) {
      atlas_ = static_cast<float>(AtlasWeight(view, *layers.imagery));
    }
    nearlyFlat_ = view.Camera().range < kNearlyFlatRangeMetres;
  }

  // Rows band, band + bands, ... in bands of kBandRows.
  void PaintBands(int band, int bands) const {
    for (int top = band * kBandRows; top < view_.Height(); top += bands * kBandRows) {
      const int bottom = std::min(top + kBandRows, view_.Height());
      for (int y = top; y < bottom; ++y) {
        PaintRow(y);
      }
    }
  }

  static constexpr int kBandRows = 8;

 private:
  // The ground under a row changes smoothly away from the rim and the
  // poles: places are found exactly every kSpan pixels and in between
  // interpolated, which is far below a pixel's error there.
  static constexpr int kSpan = 8;
  static constexpr double kNearlyFlatRangeMetres = 300e3;

  void PaintRow(int y) const {
    const int width = view_.Width();
    std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y) * width;
    Sample left = Exact(0, y);
    for (int x0 = 0; x0 < width; x0 += kSpan) {
      const int x1 = std::min(x0 + kSpan, width - 1);
      const Sample right = x1 > x0 ? Exact(x1, y) : left;
      row[x0] = Shade(left, x0, y);
      if (Smooth(left) && Smooth(right)) {
        double east = right.longitude;
        if (east - left.longitude > 180.0) {
          east -= 360.0;
        }
        if (east - left.longitude < -180.0) {
          east += 360.0;
        }
        for (int x = x0 + 1; x < x1; ++x) {
          const double t = static_cast<double>(x - x0) / (x1 - x0);
          const auto tf = static_cast<float>(t);
          Sample between;
          between.hit = true;
          between.latitude = left.latitude + (right.latitude - left.latitude) * t;
          between.longitude = left.longitude + (east - left.longitude) * t;
          if (between.longitude > 180.0) {
            between.longitude -= 360.0;
          }
          if (between.longitude < -180.0) {
            between.longitude += 360.0;
          }
          between.diffuse = left.diffuse + (right.diffuse - left.diffuse) * tf;
          between.facing = left.facing + (right.facing - left.facing) * tf;
          row[x] = Shade(between, x, y);
        }
      } else {
        for (int x = x0 + 1; x < x1; ++x) {
          row[x] = Shade(Exact(x, y), x, y);
        }
      }
      left = right;
    }
    if (width > 1) {
      row[width - 1] = Shade(left, width - 1, y);
    }
  }

  [[nodiscard]] bool IsLand(double latitude, double longitude) const {
    const LatLonBox& box = layers_.detailBox;
    if (layers_.detail && latitude >= box.south && latitude <= box.north && longitude >= box.west &&
        longitude <= box.east) {
      return layers_.detail->IsLand(latitude, longitude);
    }
    return layers_.land->IsLand(latitude, longitude);
  }

  // Away from the globe's rim, or close enough that the ground is as good
  // as flat (a row of pixels then meets the ground along a straight line,
  // evenly, however grazing the view).
  [[nodiscard]] bool Smooth(const Sample& s) const {
    return s.hit && (s.facing > 0.35F || (nearlyFlat_ && s.facing > 0.02F)) &&
           std::abs(s.latitude) < 80.0;
  }

  [[nodiscard]] Sample Exact(int x, int y) const {
    const RaySample ray = view_.Cast({x + 0.5, y + 0.5});
    Sample sample;
    if (!ray.hit) {
      sample.clearance = static_cast<float>(ray.clearance);
      return sample;
    }
    const GeoPoint place = GeoOf(ray.normal);
    sample.hit = true;
    sample.latitude = place.latitude;
    sample.longitude = place.longitude;
    sample.facing = static_cast<float>(ray.facing);
    sample.diffuse = static_cast<float>(
        std::max(0.0, ray.normal.x * light_.x + ray.normal.y * light_.y + ray.normal.z * light_.z));
    return sample;
  }

  [[nodiscard]] std::uint32_t Shade(const Sample& s, int x, int y) const {
    constexpr Colour kSpace{4, 6, 16};
    constexpr Colour kGlow{70, 130, 235};
    if (!s.hit) {
      // The atmosphere: a glow over the horizon, a sky when looking along
      // the ground, where the stars fade.
      constexpr float kAtmosphere = 0.012F;
      const float air = s.clearance < kAtmosphere ? (1.0F - s.clearance / kAtmosphere) *
                                                        (1.0F - s.clearance / kAtmosphere)
                                                  : 0.0F;
      Colour colour = kSpace;
      if (air < 0.5F && (StarHash(x, y) & 0x3FF) == 0) {
        colour = Colour{200, 205, 220};
      }
      return Pack(Mix(colour, kGlow, air * 0.85F));
    }
    const bool sea = layers_.land ? !IsLand(s.latitude, s.longitude) : false;
    const SurfaceImage* imagery = layers_.imagery;
    Colour colour;
    // NOLINTNEXTLINE(bugprone-branch-clone): flat sea for two reasons, first and last
    if (sea && (!layers_.ocean || !imagery)) {
      colour = kFlatSea;
    } else if (imagery) {
      const SurfaceImage* source = imagery;
      if (layers_.colours && layers_.land) {
        source = sea ? &layers_.colours->Sea() : &layers_.colours->Land();
      }
      colour = atlas_ >= 1.0F ? Colour{} : Unpack(source->Sample(s.latitude, s.longitude));
      if (atlas_ > 0.0F && layers_.land) {
        colour = Mix(colour, sea ? kAtlasSea : AtlasLandColour(s.latitude), atlas_);
      }
    } else if (layers_.land) {
      colour = FlatLandColour(s.latitude);
    } else {
      colour = kFlatSea;  // no coastline data and no imagery: a blue globe
    }
    colour = Scale(colour, std::min(1.0F, 0.3F + s.diffuse));
    if (sea && layers_.ocean && !imagery) {
      // A soft glint of the sun on the flat map's sea (the imagery has its own).
      const float glint = std::pow(std::max(0.0F, 2 * s.diffuse * s.facing - 0.7F), 24.0F);
      colour = Mix(colour, Colour{255, 255, 255}, 0.3F * glint);
    }
    // The atmosphere at the rim.
    const float rim = 1.0F - std::clamp(s.facing, 0.0F, 1.0F);
    return Pack(Mix(colour, kGlow, rim * rim * rim * 0.6F));
  }

  const GlobeView& view_;
  const SurfaceLayers& layers_;
  std::span<std::uint32_t> pixels_;
  Vec3 light_;
  float atlas_ = 0;
  bool nearlyFlat_ = false;
};

// Every cell of the imagery that is wholly land or wholly sea at a finer
// mask keeps its colour in that side's picture; the rest is spread from
// its neighbours of the side, a few pixels out, then the plain colour.
std::vector<std::uint32_t> SpreadSide(const SurfaceImage& imagery, const std::vector<int>& kind,
                                      int side, Colour plain) {
  const int width = imagery.Width();
  const int height = imagery.Height();
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(width) * height);
  std::vector<bool> known(colours.size());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      if (kind[i] != side) {
        continue;
      }
      const double latitude = 90.0 - (y + 0.5) * 180.0 / height;
      const double longitude = -180.0 + (x + 0.5) * 360.0 / width;
      colours[i] = imagery.Sample(latitude, longitude);
      known[i] = true;
    }
  }
  constexpr int kPasses = 4;
  for (int pass = 0; pass < kPasses; ++pass) {
    std::vector<bool> next = known;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * width + x;
        if (known[i]) {
          continue;
        }
        float r = 0;
        float g = 0;
        float b = 0;
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          const int ny = y + dy;
          if (ny < 0 || ny >= height) {
            continue;
          }
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = (x + dx + width) % width;
            const std::size_t n = static_cast<std::size_t>(ny) * width + nx;
            if (!known[n]) {
              continue;
            }
            const Colour c = Unpack(colours[n]);
            r += c.r;
            g += c.g;
            b += c.b;
            ++count;
          }
        }
        if (count == 0) {
          continue;
        }
        const auto n = static_cast<float>(count);
        colours[i] = Pack({r / n, g / n, b / n});
        next[i] = true;
      }
    }
    known = std::move(next);
  }
  for (std::size_t i = 0; i < colours.size(); ++i) {
    if (!known[i]) {
      colours[i] = Pack(plain);
    }
  }
  return colours;
}

// 1 land, 0 sea, -1 both, for each imagery pixel, from a mask twice as fine.
std::vector<int> PixelKinds(const SurfaceImage& imagery, const std::vector<GeoLine>& land) {
  const int width = imagery.Width();
  const int height = imagery.Height();
  const LandMask mask({90, -90, 180, -180}, 2 * width, 2 * height, land);
  const int fineX = mask.Width() / width;
  const int fineY = mask.Height() / height;
  std::vector<int> kinds(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int landCells = 0;
      for (int j = 0; j < std::max(fineY, 1); ++j) {
        for (int i = 0; i < std::max(fineX, 1); ++i) {
          landCells += mask.CellIsLand(std::min(x * fineX + i, mask.Width() - 1),
                                       std::min(y * fineY + j, mask.Height() - 1))
                           ? 1
                           : 0;
        }
      }
      const int cells = std::max(fineX, 1) * std::max(fineY, 1);
      kinds[static_cast<std::size_t>(y) * width + x] = landCells == cells ? 1
                                                       : landCells == 0   ? 0
                                                                          : -1;
    }
  }
  return kinds;
}

}  // namespace

SurfaceColours::SurfaceColours(const SurfaceImage& imagery, const std::vector<GeoLine>& land)
    : land_(1, 1, {0}), sea_(1, 1, {0}) {
  const std::vector<int> kinds = PixelKinds(imagery, land);
  land_ = SurfaceImage(imagery.Width(), imagery.Height(), SpreadSide(imagery, kinds, 1, kFlatLand));
  sea_ = SurfaceImage(imagery.Width(), imagery.Height(),
                      SpreadSide(imagery, kinds, 0, Colour{12, 24, 62}));
}

double AtlasWeight(const GlobeView& view, const SurfaceImage& imagery) {
  const double imageryMetres = 2 * std::numbers::pi * kEarthRadiusMetres / imagery.Width();
  const double magnified = imageryMetres / std::max(view.FocusPixelMetres(), 1e-3);
  // From 4 to 64 times: the imagery fades out as its pixels grow into blocks.
  return std::clamp((std::log2(std::max(magnified, 1.0)) - 2.0) / 4.0, 0.0, 1.0);
}

void PaintSurface(const GlobeView& view, const SurfaceLayers& layers,
                  std::span<std::uint32_t> pixels, int threads) {
  const Painter painter(view, layers, pixels);
  const int bandCount = (view.Height() + Painter::kBandRows - 1) / Painter::kBandRows;
  if (threads <= 0) {
    threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
  }
  threads = std::clamp(threads, 1, std::max(bandCount, 1));
  std::vector<std::jthread> helpers;
  int started = 1;
  for (; started < threads; ++started) {
    try {
      helpers.emplace_back([&painter, started, threads] { painter.PaintBands(started, threads); });
    } catch (const std::system_error&) {
      break;  // no more threads: this one paints the rest
    }
  }
  painter.PaintBands(0, threads);
  for (int band = started; band < threads; ++band) {
    painter.PaintBands(band, threads);
  }
  // The helpers join as they go out of scope.
}

Shores PaintFrameSurface(const GlobeView& view, const SurfaceSources& sources,
                         std::span<std::uint32_t> pixels, int threads) {
  SurfaceLayers layers;
  layers.imagery = sources.imagery;
  layers.colours = sources.imagery ? sources.colours : nullptr;
  layers.ocean = sources.ocean;
  Shores shores;
  std::optional<LandMask> land;
  std::optional<LandMask> detail;
  if (sources.coastlines) {
    const LatLonBox shown = view.Extents();
    shores = ShoresFor(view, shown, *sources.coastlines, sources.coasts);
    land.emplace(LandMaskForView(view, shown, *shores.rings));
    layers.land = &*land;
    if (shores.harbour) {
      detail.emplace(LandMaskForView(view, shores.harbourPart, shores.harbour->land));
      layers.detail = &*detail;
      layers.detailBox = shores.harbourPart;
    }
  }
  PaintSurface(view, layers, pixels, threads);
  return shores;
}

}  // namespace standin
