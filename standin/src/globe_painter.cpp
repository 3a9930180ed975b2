#include "globe_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "coastlines.h"
#include "embedded_data.h"
#include "feature_painter.h"
#include "globe_view.h"
#include "label_layout.h"
#include "text.h"
#include "win32_error.h"

namespace standin {
namespace {

struct Colour {
  double r;
  double g;
  double b;
};

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour Scale(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }

std::uint32_t Pack(Colour c) {
  const auto channel = [](double v) {
    return static_cast<std::uint32_t>(std::clamp(v, 0.0, 255.0));
  };
  return (channel(c.r) << 16) | (channel(c.g) << 8) | channel(c.b);
}

// The flat map's colours, used where the surface imagery is not shown.
constexpr Colour kFlatSea{22, 62, 132};
constexpr Colour kFlatLand{84, 128, 64};
constexpr Colour kFlatIce{228, 233, 240};

Colour FlatLandColour(double latitude) {
  const double polar = latitude >= 0 ? std::clamp((latitude - 66.0) / 8.0, 0.0, 1.0)
                                     : std::clamp((-latitude - 58.0) / 6.0, 0.0, 1.0);
  return Mix(kFlatLand, kFlatIce, polar);
}

Colour Unpack(std::uint32_t rgb) {
  return {double((rgb >> 16) & 0xFF), double((rgb >> 8) & 0xFF), double(rgb & 0xFF)};
}

// Lines may run past -180..180 (coastlines.h): these copies of the world
// side by side meet any view box.
constexpr double kWorldCopies[] = {-720.0, -360.0, 0.0, 360.0, 720.0};

struct MaskPoint {
  double x;
  double y;
};

// Sutherland-Hodgman against one side of the mask's frame. Edges it adds
// run along that side, outside the frame's visible part.
std::vector<MaskPoint> ClipSide(const std::vector<MaskPoint>& ring, bool vertical, double bound,
                                bool keepBelow) {
  std::vector<MaskPoint> out;
  if (ring.empty()) return out;
  const auto value = [&](const MaskPoint& p) { return vertical ? p.x : p.y; };
  const auto inside = [&](const MaskPoint& p) {
    return keepBelow ? value(p) <= bound : value(p) >= bound;
  };
  MaskPoint previous = ring.back();
  for (const MaskPoint& current : ring) {
    if (inside(current) != inside(previous)) {
      const double t = (bound - value(previous)) / (value(current) - value(previous));
      out.push_back(
          {previous.x + (current.x - previous.x) * t, previous.y + (current.y - previous.y) * t});
    }
    if (inside(current)) out.push_back(current);
    previous = current;
  }
  return out;
}

// Which places are land, for the part of the globe a view shows: the land
// rings filled (even-odd, so lakes stay water) by GDI into a one-bit
// bitmap over the view's latitude/longitude box, at about the view's own
// resolution. Filling once per picture costs far less than a point-in-
// polygon test per pixel.
class LandMask {
 public:
  LandMask(const GlobeView& view, const std::vector<GeoLine>& rings) {
    const LatLonBox box = view.Extents();
    north_ = box.north;
    south_ = box.south;
    west_ = box.west;
    east_ = box.east < box.west ? box.east + 360.0 : box.east;
    // The ground under one pixel at the focus, in degrees.
    const double degreesPerPixel =
        view.FocusPixelMetres() / (kEarthRadiusMetres * std::numbers::pi / 180.0);
    const double equatorward =
        (south_ <= 0 && north_ >= 0) ? 0.0 : std::min(std::abs(south_), std::abs(north_));
    const double lonShrink = std::max(std::cos(equatorward * std::numbers::pi / 180.0), 0.05);
    constexpr double kLargestSide = 4096;
    width_ = static_cast<int>(
        std::clamp(std::ceil((east_ - west_) * lonShrink / degreesPerPixel), 1.0, kLargestSide));
    height_ = static_cast<int>(
        std::clamp(std::ceil((north_ - south_) / degreesPerPixel), 1.0, kLargestSide));
    scaleX_ = width_ / std::max(east_ - west_, 1e-9);
    scaleY_ = height_ / std::max(north_ - south_, 1e-9);

    dc_.reset(ThrowLastErrorIfNull(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof(info.header);
    info.header.biWidth = width_;
    info.header.biHeight = -height_;  // top-down
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colours[1] = {255, 255, 255, 0};
    void* bits = nullptr;
    bitmap_.reset(
        ThrowLastErrorIfNull(CreateDIBSection(dc_.get(), reinterpret_cast<BITMAPINFO*>(&info),
                                              DIB_RGB_COLORS, &bits, nullptr, 0),
                             "CreateDIBSection"));
    bits_ = static_cast<const std::uint8_t*>(bits);
    stride_ = static_cast<std::size_t>((width_ + 31) / 32) * 4;
    const select_object_scope selectBitmap(dc_.get(), bitmap_.get());
    PatBlt(dc_.get(), 0, 0, width_, height_, BLACKNESS);
    Fill(rings);
    GdiFlush();
  }

  [[nodiscard]] bool IsLand(GeoPoint point) const {
    double longitude = point.longitude;
    if (longitude < west_) longitude += 360.0;
    const auto x =
        static_cast<int>(std::clamp(std::floor((longitude - west_) * scaleX_), 0.0, width_ - 1.0));
    const auto y = static_cast<int>(
        std::clamp(std::floor((north_ - point.latitude) * scaleY_), 0.0, height_ - 1.0));
    const std::uint8_t byte =
        bits_[static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x) / 8];
    return (byte & (0x80U >> (x % 8))) != 0;
  }

 private:
  void Fill(const std::vector<GeoLine>& rings) {
    // Two pixels of margin: the clipped rings' added edges stay off the bitmap.
    const double margin = 2.0;
    std::vector<POINT> points;
    std::vector<INT> counts;
    for (const GeoLine& ring : rings) {
      if (ring.bounds.south > north_ || ring.bounds.north < south_) continue;
      std::vector<GeoPoint> outline = ring.points;
      if (ring.pole != 0 && !outline.empty()) {
        // Around the pole and back: close along the pole's edge of the map.
        const double poleLatitude = 90.0 * ring.pole;
        const double lastLongitude = outline.back().longitude;
        const double firstLongitude = outline.front().longitude;
        outline.push_back({poleLatitude, lastLongitude});
        outline.push_back({poleLatitude, firstLongitude});
      }
      for (const double shift : kWorldCopies) {
        if (ring.bounds.west + shift > east_ || ring.bounds.east + shift < west_) continue;
        std::vector<MaskPoint> clipped;
        clipped.reserve(outline.size());
        for (const GeoPoint& p : outline) {
          clipped.push_back(
              {(p.longitude + shift - west_) * scaleX_, (north_ - p.latitude) * scaleY_});
        }
        clipped = ClipSide(clipped, true, -margin, false);
        clipped = ClipSide(clipped, true, width_ + margin, true);
        clipped = ClipSide(clipped, false, -margin, false);
        clipped = ClipSide(clipped, false, height_ + margin, true);
        if (clipped.size() < 3) continue;
        for (const MaskPoint& p : clipped) {
          points.push_back(
              {static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))});
        }
        counts.push_back(static_cast<INT>(clipped.size()));
      }
    }
    if (counts.empty()) return;
    const select_object_scope brush(dc_.get(), GetStockObject(WHITE_BRUSH));
    const select_object_scope pen(dc_.get(), GetStockObject(WHITE_PEN));
    SetPolyFillMode(dc_.get(), ALTERNATE);
    PolyPolygon(dc_.get(), points.data(), counts.data(), static_cast<int>(counts.size()));
  }

  double north_ = 0;
  double south_ = 0;
  double west_ = 0;
  double east_ = 0;
  int width_ = 1;
  int height_ = 1;
  double scaleX_ = 1;
  double scaleY_ = 1;
  unique_memory_dc dc_;
  unique_hbitmap bitmap_;
  const std::uint8_t* bits_ = nullptr;
  std::size_t stride_ = 4;
};

// Coastlines are drawn from the coarse 1:110m rings when a pixel covers
// more ground than this: finer detail would only blur into the line.
constexpr double kCoarseCoastMetresPerPixel = 10'000.0;

bool MayShow(const LatLonBox& view, const LatLonBox& line) {
  if (line.south > view.north || line.north < view.south) return false;
  const double east = view.east < view.west ? view.east + 360.0 : view.east;
  for (const double shift : kWorldCopies) {
    if (line.west + shift <= east && line.east + shift >= view.west) return true;
  }
  return false;
}

struct City {
  const wchar_t* name;
  double latitude;
  double longitude;
};

constexpr std::array kCities = {
    City{L"Berlin", 52.52, 13.40},
    City{L"London", 51.51, -0.13},
    City{L"Paris", 48.86, 2.35},
    City{L"Moscow", 55.76, 37.62},
    City{L"Cairo", 30.04, 31.24},
    City{L"Lagos", 6.52, 3.38},
    City{L"Cape Town", -33.92, 18.42},
    City{L"New York", 40.71, -74.01},
    City{L"Los Angeles", 34.05, -118.24},
    City{L"Mexico City", 19.43, -99.13},
    City{L"Rio de Janeiro", -22.91, -43.17},
    City{L"Buenos Aires", -34.60, -58.38},
    City{L"Delhi", 28.61, 77.21},
    City{L"Beijing", 39.90, 116.41},
    City{L"Tokyo", 35.68, 139.69},
    City{L"Singapore", 1.35, 103.82},
    City{L"Sydney", -33.87, 151.21},
    City{L"Anchorage", 61.22, -149.90},
};

std::uint32_t StarHash(int x, int y) {
  auto h = static_cast<std::uint32_t>(x) * 73856093U ^ static_cast<std::uint32_t>(y) * 19349663U;
  h ^= h >> 13;
  h *= 0x5bd1e995U;
  h ^= h >> 15;
  return h;
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = ToUtf16(utf8);
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

std::string Fixed(double value, int decimals) {
  std::string text(64, '\0');
  const int written = std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.resize(static_cast<std::size_t>(std::max(written, 0)));
  return text;
}

std::string CameraCaption(const CameraState& camera) {
  std::string text = Fixed(std::abs(camera.latitude), 5) +
                     (camera.latitude >= 0 ? "\xC2\xB0 N  " : "\xC2\xB0 S  ");
  text +=
      Fixed(std::abs(camera.longitude), 5) + (camera.longitude >= 0 ? "\xC2\xB0 E" : "\xC2\xB0 W");
  const double range = camera.range;
  text += range >= 10000 ? "   range " + Fixed(range / 1000.0, 1) + " km"
                         : "   range " + Fixed(range, 0) + " m";
  text += "   tilt " + Fixed(camera.tilt, 1) + "\xC2\xB0   heading " + Fixed(camera.azimuth, 1) +
          "\xC2\xB0";
  return text;
}

}  // namespace

GlobeImage::GlobeImage(int width, int height, const GlobeScene& scene)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
  dc_.reset(ThrowLastErrorIfNull(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(ThrowLastErrorIfNull(
      CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0), "CreateDIBSection"));
  bits_ = static_cast<std::uint32_t*>(bits);
  selection_.emplace(dc_.get(), bitmap_.get());
  const GlobeView view(scene.camera, width_, height_);
  PaintSurface(view, scene);
  PaintOverlay(view, scene);
  GdiFlush();
}

std::span<const std::uint32_t> GlobeImage::Pixels() const {
  return {bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)};
}

void GlobeImage::PaintSurface(const GlobeView& view, const GlobeScene& scene) {
  const Coastlines* coastlines = EmbeddedCoastlines();
  const SurfaceImage* surface = scene.terrain ? EmbeddedSurface() : nullptr;
  // Land and sea apart are needed only where the imagery does not tell them.
  std::optional<LandMask> land;
  if ((!surface || !scene.ocean) && coastlines) land.emplace(view, coastlines->land);

  // The sun stands behind the viewer's left shoulder, whatever the camera.
  const Vec3& right = view.Right();
  const Vec3& up = view.Up();
  const Vec3& forward = view.Forward();
  const double lightLength = std::sqrt(0.45 * 0.45 + 0.55 * 0.55 + 0.70 * 0.70);
  const Vec3 light{(-0.45 * right.x + 0.55 * up.x - 0.70 * forward.x) / lightLength,
                   (-0.45 * right.y + 0.55 * up.y - 0.70 * forward.y) / lightLength,
                   (-0.45 * right.z + 0.55 * up.z - 0.70 * forward.z) / lightLength};
  const Colour space{4, 6, 16};
  const Colour glow{70, 130, 235};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      std::uint32_t& pixel = bits_[static_cast<std::size_t>(y) * width_ + x];
      const RaySample ray = view.Cast({x + 0.5, y + 0.5});
      if (!ray.hit) {
        // The atmosphere: a glow over the horizon, a sky when looking along
        // the ground, where the stars fade.
        constexpr double kAtmosphere = 0.012;
        const double air =
            ray.clearance < kAtmosphere ? std::pow(1.0 - ray.clearance / kAtmosphere, 2.0) : 0.0;
        Colour colour = space;
        if (air < 0.5 && (StarHash(x, y) & 0x3FF) == 0) colour = Colour{200, 205, 220};
        colour = Mix(colour, glow, air * 0.85);
        pixel = Pack(colour);
        continue;
      }
      const GeoPoint place = GeoOf(ray.normal);
      const bool sea = land ? !land->IsLand(place) : false;
      Colour colour;
      if (sea && (!scene.ocean || !surface)) {
        colour = kFlatSea;
      } else if (surface) {
        colour = Unpack(surface->Sample(place.latitude, place.longitude));
      } else if (land) {
        colour = FlatLandColour(place.latitude);
      } else {
        colour = kFlatSea;  // no coastline data and no imagery: a blue globe
      }
      const double diffuse =
          std::max(0.0, ray.normal.x * light.x + ray.normal.y * light.y + ray.normal.z * light.z);
      colour = Scale(colour, std::min(1.0, 0.3 + diffuse));
      if (sea && scene.ocean && !surface) {
        // A soft glint of the sun on the flat map's sea (the imagery has its own).
        const double glint = std::pow(std::max(0.0, 2 * diffuse * ray.facing - 0.7), 24.0);
        colour = Mix(colour, Colour{255, 255, 255}, 0.3 * glint);
      }
      // The atmosphere at the rim.
      const double rim = 1.0 - std::clamp(ray.facing, 0.0, 1.0);
      colour = Mix(colour, glow, rim * rim * rim * 0.6);
      pixel = Pack(colour);
    }
  }
}

void GlobeImage::PaintOverlay(const GlobeView& view, const GlobeScene& scene) {
  HDC dc = dc_.get();
  const LatLonBox shown = view.Extents();

  // The graticule: every 15 degrees, in steps fine enough to stay smooth close up.
  {
    const unique_hpen pen(CreatePen(PS_SOLID, 1, RGB(96, 140, 190)));
    const unique_hpen mainPen(CreatePen(PS_SOLID, 1, RGB(200, 190, 120)));
    if (pen && mainPen) {
      for (int latitude = -75; latitude <= 75; latitude += 15) {
        const select_object_scope select(dc, latitude == 0 ? mainPen.get() : pen.get());
        DrawGeoLine(dc, view, 1440, [&](int i) {
          return GeoPoint{double(latitude), -180.0 + 0.25 * i};
        });
      }
      for (int longitude = -180; longitude < 180; longitude += 15) {
        const select_object_scope select(dc, longitude == 0 ? mainPen.get() : pen.get());
        DrawGeoLine(dc, view, 720, [&](int i) {
          return GeoPoint{-90.0 + 0.25 * i, double(longitude)};
        });
      }
    }
  }

  if (const Coastlines* coastlines = EmbeddedCoastlines()) {
    const auto drawAll = [&](const std::vector<GeoLine>& lines, COLORREF colour) {
      const unique_hpen pen(CreatePen(PS_SOLID, 1, colour));
      if (!pen) return;
      const select_object_scope select(dc, pen.get());
      for (const GeoLine& line : lines) {
        if (!MayShow(shown, line.bounds)) continue;
        DrawGeoLine(dc, view, static_cast<int>(line.points.size()) - 1,
                    [&](int i) { return line.points[static_cast<std::size_t>(i)]; });
      }
    };
    if (scene.borders) drawAll(coastlines->borders, RGB(236, 196, 72));
    if (scene.coastlines) {
      const bool coarse = view.FocusPixelMetres() > kCoarseCoastMetresPerPixel;
      drawAll(coarse ? coastlines->coarseLand : coastlines->land, RGB(226, 218, 176));
    }
  }

  SetBkMode(dc, TRANSPARENT);
  const select_object_scope font(dc, GetStockObject(DEFAULT_GUI_FONT));
  // The features' labels are offered first, the globe's place names after them.
  LabelLayout labels(width_, height_);
  const FeatureLabels featureLabels = ReserveFeatureLabels(dc, view, scene, labels);

  if (scene.places) {
    const unique_hbrush dot(CreateSolidBrush(RGB(255, 214, 90)));
    SetTextColor(dc, RGB(240, 240, 230));
    for (const City& city : kCities) {
      const auto pixel = view.ToPixel({city.latitude, city.longitude});
      if (!pixel || !IsNearView(*pixel, width_, height_)) continue;
      const int px = static_cast<int>(std::lround(pixel->x));
      const int py = static_cast<int>(std::lround(pixel->y));
      const RECT mark{px - 2, py - 2, px + 3, py + 3};
      if (dot) FillRect(dc, &mark, dot.get());
      const std::wstring name(city.name);
      TextOutW(dc, px + 5, py - 7, name.c_str(), static_cast<int>(name.size()));
    }
  }

  // Loaded KML: what lies on the ground, lines, icons and their names, then
  // screen overlays and the balloon.
  GdiFlush();
  PaintFeatures(dc, {bits_, width_, height_}, view, scene, featureLabels);

  // The focus point and the camera line.
  {
    const PixelPoint centre = view.Centre();
    const int cx = static_cast<int>(std::lround(centre.x));
    const int cy = static_cast<int>(std::lround(centre.y));
    const unique_hpen cross(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    if (cross) {
      const select_object_scope select(dc, cross.get());
      MoveToEx(dc, cx - 6, cy, nullptr);
      LineTo(dc, cx + 7, cy);
      MoveToEx(dc, cx, cy - 6, nullptr);
      LineTo(dc, cx, cy + 7);
    }
    const std::wstring caption = Wide(CameraCaption(scene.camera));
    SetTextColor(dc, RGB(10, 10, 10));
    TextOutW(dc, 9, height_ - 19, caption.c_str(), static_cast<int>(caption.size()));
    SetTextColor(dc, RGB(235, 235, 235));
    TextOutW(dc, 8, height_ - 20, caption.c_str(), static_cast<int>(caption.size()));
    const std::wstring brand = L"EarthStandIn";
    SIZE size{};
    GetTextExtentPoint32W(dc, brand.c_str(), static_cast<int>(brand.size()), &size);
    SetTextColor(dc, RGB(150, 160, 180));
    TextOutW(dc, width_ - size.cx - 8, 6, brand.c_str(), static_cast<int>(brand.size()));
  }
}

}  // namespace standin
