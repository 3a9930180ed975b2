#include "globe_painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "globe_view.h"
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

double WrapDegrees(double degrees) {
  double wrapped = std::fmod(degrees, 360.0);
  if (wrapped > 180.0) wrapped -= 360.0;
  if (wrapped <= -180.0) wrapped += 360.0;
  return wrapped;
}

// Continents as blobs in latitude/longitude: centre and radii in degrees.
struct Blob {
  double latitude;
  double longitude;
  double latRadius;
  double lonRadius;
};

constexpr std::array kContinents = {
    // North America
    Blob{55, -105, 14, 30},
    Blob{65, -152, 8, 18},
    Blob{40, -95, 10, 18},
    Blob{44, -76, 7, 10},
    Blob{34, -112, 8, 10},
    Blob{22, -102, 7, 8},
    Blob{15, -89, 4, 6},
    Blob{9, -81, 3, 4},
    Blob{70, -100, 7, 32},
    Blob{57, -68, 8, 10},
    Blob{54, -126, 8, 8},
    Blob{30, -83, 5, 5},
    // Greenland
    Blob{73, -40, 9, 15},
    // South America
    Blob{-3, -60, 12, 15},
    Blob{-15, -50, 10, 12},
    Blob{-12, -72, 10, 6},
    Blob{-30, -62, 10, 8},
    Blob{-45, -69, 8, 4},
    Blob{6, -66, 5, 10},
    // Europe
    Blob{50, 12, 7, 14},
    Blob{63, 16, 8, 8},
    Blob{58, 32, 9, 14},
    Blob{40, -4, 4, 5},
    Blob{43, 12, 4, 3},
    Blob{53, -2, 4, 3},
    Blob{41, 23, 4, 6},
    Blob{65, -18, 2, 4},
    // Africa
    Blob{19, 0, 10, 17},
    Blob{21, 25, 10, 12},
    Blob{6, 20, 10, 18},
    Blob{-5, 25, 10, 12},
    Blob{-20, 25, 10, 10},
    Blob{-30, 24, 5, 8},
    Blob{8, 42, 6, 6},
    Blob{-19, 47, 6, 3},
    Blob{10, -8, 6, 8},
    // Middle East
    Blob{25, 45, 8, 10},
    Blob{33, 55, 6, 12},
    // Asia
    Blob{62, 100, 13, 40},
    Blob{66, 140, 8, 25},
    Blob{50, 80, 10, 30},
    Blob{45, 110, 10, 20},
    Blob{33, 105, 10, 15},
    Blob{30, 82, 6, 12},
    Blob{21, 79, 9, 7},
    Blob{15, 102, 7, 6},
    Blob{0, 113, 4, 12},
    Blob{-4, 120, 3, 10},
    Blob{37, 138, 5, 3},
    Blob{57, 135, 8, 8},
    Blob{42, 65, 8, 15},
    // Australia and Oceania
    Blob{-25, 134, 10, 16},
    Blob{-16, 132, 5, 10},
    Blob{-34, 145, 5, 7},
    Blob{-42, 172, 4, 3},
    Blob{-6, 143, 3, 8},
};
double CoastNoise(double latitude, double longitude) {
  constexpr double k = std::numbers::pi / 180.0;
  return 0.22 * std::sin(latitude * 7.0 * k + longitude * 4.0 * k) *
             std::cos(longitude * 5.0 * k - latitude * 9.0 * k) +
         0.10 * std::sin(latitude * 23.0 * k + longitude * 31.0 * k);
}

// Below 1 on land (the lower, the farther inland), above 1 at sea (the
// higher, the deeper): a smooth field of the continent blobs, frayed at the
// coasts by a little noise.
double LandDistance(double latitude, double longitude) {
  constexpr double kThreshold = 0.3;
  if (latitude < -70) return 0.0;  // Antarctica
  double field = 0;
  for (const Blob& blob : kContinents) {
    const double dLat = (latitude - blob.latitude) / blob.latRadius;
    const double dLon = WrapDegrees(longitude - blob.longitude) / blob.lonRadius;
    const double d = dLat * dLat + dLon * dLon;
    if (d < 6) field += std::exp(-1.6 * d);
  }
  const double land = field + 0.3 * CoastNoise(latitude, longitude);
  return land <= kThreshold * 0.1 ? 10.0 : kThreshold / land;
}

Colour LandColour(double latitude, double longitude, double inland, const GlobeScene& scene) {
  constexpr double k = std::numbers::pi / 180.0;
  const Colour forest{46, 104, 44};
  const Colour grass{96, 142, 66};
  const Colour tundra{128, 132, 104};
  const Colour sand{196, 172, 118};
  const Colour ice{236, 240, 246};
  const double absLat = std::abs(latitude);
  const bool greenland = latitude > 60 && longitude > -60 && longitude < -20;
  if (absLat > 74 || greenland || latitude < -60) return ice;
  Colour colour =
      Mix(forest, grass, 0.5 + 0.5 * std::sin(latitude * 5 * k) * std::cos(longitude * 4 * k));
  if (absLat > 58) colour = Mix(colour, tundra, std::clamp((absLat - 58) / 10, 0.0, 1.0));
  const bool desertBelt =
      (latitude > 14 && latitude < 33 && longitude > -15 && longitude < 60) ||
      (latitude < -18 && latitude > -32 && longitude > 115 && longitude < 145) ||
      (latitude > 36 && latitude < 46 && longitude > 75 && longitude < 110);
  if (desertBelt) colour = Mix(colour, sand, std::clamp(1.25 - inland, 0.55, 0.9));
  if (scene.terrain) {
    const double relief = std::sin(latitude * 9 * k + longitude * 6 * k) *
                          std::cos(longitude * 11 * k - latitude * 4 * k);
    colour = Scale(colour, 1.0 + 0.08 * std::clamp(scene.elevationExaggeration, 0.0, 3.0) * relief);
  }
  return colour;
}

Colour OceanColour(double latitude, double longitude, double landDistance,
                   const GlobeScene& scene) {
  const Colour deep{10, 38, 104};
  const Colour shallow{34, 98, 168};
  if (!scene.ocean) return Colour{22, 62, 132};
  const double depth = std::clamp((landDistance - 1.0) / 1.5, 0.0, 1.0);
  Colour colour = Mix(shallow, deep, depth);
  (void)latitude;
  (void)longitude;
  return colour;
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

void DrawPolyline(HDC dc, const std::vector<POINT>& points) {
  if (points.size() >= 2) Polyline(dc, points.data(), static_cast<int>(points.size()));
}

// A line of constant latitude or longitude, split where it leaves the
// visible side of the globe.
template <class PointAt>
void DrawGeoLine(HDC dc, const GlobeView& view, int steps, PointAt pointAt) {
  std::vector<POINT> run;
  for (int i = 0; i <= steps; ++i) {
    const auto pixel = view.ToPixel(pointAt(i));
    if (!pixel) {
      DrawPolyline(dc, run);
      run.clear();
      continue;
    }
    run.push_back({static_cast<LONG>(std::lround(std::clamp(pixel->x, -1e6, 1e6))),
                   static_cast<LONG>(std::lround(std::clamp(pixel->y, -1e6, 1e6)))});
  }
  DrawPolyline(dc, run);
}

// Names beyond this many markers are left out: a crowd of labels helps no one.
constexpr std::size_t kMaxLabels = 200;

bool IsNearView(const PixelPoint& pixel, int width, int height) {
  return pixel.x >= -50 && pixel.y >= -20 && pixel.x <= width + 50 && pixel.y <= height + 20;
}

POINT Offset(POINT from, double angleDegrees, double length) {
  const double radians = angleDegrees * std::numbers::pi / 180.0;
  // Screen y grows downwards; angles run clockwise from up.
  return {from.x + static_cast<LONG>(std::lround(length * std::sin(radians))),
          from.y - static_cast<LONG>(std::lround(length * std::cos(radians)))};
}

void DrawMarker(HDC dc, POINT at, const std::optional<double>& heading, double viewAzimuth) {
  if (heading) {
    const double angle = *heading - viewAzimuth;
    const POINT arrow[] = {Offset(at, angle, 10), Offset(at, angle + 140, 7),
                           Offset(at, angle + 180, 3), Offset(at, angle - 140, 7)};
    Polygon(dc, arrow, 4);
  } else {
    Ellipse(dc, at.x - 4, at.y - 4, at.x + 5, at.y + 5);
  }
}

void DrawLines(HDC dc, const GlobeView& view, const std::vector<SceneLine>& lines) {
  for (const SceneLine& line : lines) {
    const unique_hpen pen(
        CreatePen(PS_SOLID, line.width,
                  RGB((line.rgb >> 16) & 0xFF, (line.rgb >> 8) & 0xFF, line.rgb & 0xFF)));
    if (!pen) continue;
    const select_object_scope select(dc, pen.get());
    DrawGeoLine(dc, view, static_cast<int>(line.points.size()) - 1,
                [&](int i) { return line.points[static_cast<std::size_t>(i)]; });
  }
}

void DrawMarkers(HDC dc, const GlobeView& view, const GlobeScene& scene) {
  const unique_hbrush fill(CreateSolidBrush(RGB(255, 236, 64)));
  const unique_hpen outline(CreatePen(PS_SOLID, 1, RGB(40, 30, 0)));
  if (!fill || !outline) return;
  const select_object_scope brush(dc, fill.get());
  const select_object_scope pen(dc, outline.get());
  SetTextColor(dc, RGB(255, 255, 255));
  std::size_t labels = 0;
  for (const SceneMarker& marker : scene.markers) {
    const auto pixel = view.ToPixel(marker.at);
    if (!pixel || !IsNearView(*pixel, view.Width(), view.Height())) continue;
    const POINT at{static_cast<LONG>(std::lround(pixel->x)),
                   static_cast<LONG>(std::lround(pixel->y))};
    DrawMarker(dc, at, marker.heading, scene.camera.azimuth);
    if (labels < kMaxLabels && !marker.name.empty()) {
      ++labels;
      TextOutW(dc, at.x + 8, at.y - 7, reinterpret_cast<const wchar_t*>(marker.name.c_str()),
               static_cast<int>(marker.name.size()));
    }
  }
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
  PaintSurface(scene);
  PaintOverlay(scene);
  GdiFlush();
}

std::span<const std::uint32_t> GlobeImage::Pixels() const {
  return {bits_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)};
}

void GlobeImage::PaintSurface(const GlobeScene& scene) {
  const GlobeView view(scene.camera, width_, height_);
  const double radius = view.GlobeRadiusPixels();
  const PixelPoint centre = view.Centre();
  const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  // First the land distance of every pixel on the globe (for coastlines).
  std::vector<float> land(count, -1.0F);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double u = (x + 0.5 - centre.x) / radius;
      const double v = (centre.y - (y + 0.5)) / radius;
      if (u * u + v * v > 1.0) continue;
      const TerrainHit hit = view.FromPixel({x + 0.5, y + 0.5});
      land[static_cast<std::size_t>(y) * width_ + x] =
          static_cast<float>(std::max(0.0, LandDistance(hit.point.latitude, hit.point.longitude)));
    }
  }
  const double lightLength = std::sqrt(0.45 * 0.45 + 0.55 * 0.55 + 0.70 * 0.70);
  const double lx = -0.45 / lightLength;
  const double ly = 0.55 / lightLength;
  const double lz = 0.70 / lightLength;
  const Colour space{4, 6, 16};
  const Colour glow{70, 130, 235};
  const Colour coast{214, 200, 150};
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const std::size_t index = static_cast<std::size_t>(y) * width_ + x;
      const double u = (x + 0.5 - centre.x) / radius;
      const double v = (centre.y - (y + 0.5)) / radius;
      const double r2 = u * u + v * v;
      if (r2 > 1.0) {
        Colour colour = space;
        if ((StarHash(x, y) & 0x3FF) == 0) colour = Colour{200, 205, 220};
        const double r = std::sqrt(r2);
        if (r < 1.07) colour = Mix(colour, glow, std::pow((1.07 - r) / 0.07, 2.0) * 0.8);
        bits_[index] = Pack(colour);
        continue;
      }
      const TerrainHit hit = view.FromPixel({x + 0.5, y + 0.5});
      const double distance = land[index];
      const bool isLand = distance < 1.0;
      Colour colour = isLand
                          ? LandColour(hit.point.latitude, hit.point.longitude, distance, scene)
                          : OceanColour(hit.point.latitude, hit.point.longitude, distance, scene);
      if (scene.coastlines && isLand) {
        const auto neighbourIsSea = [&](int nx, int ny) {
          if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_) return false;
          const float other = land[static_cast<std::size_t>(ny) * width_ + nx];
          return other >= 1.0F;
        };
        if (neighbourIsSea(x + 1, y) || neighbourIsSea(x - 1, y) || neighbourIsSea(x, y + 1) ||
            neighbourIsSea(x, y - 1)) {
          colour = Mix(colour, coast, 0.7);
        }
      }
      const double nz = std::sqrt(1.0 - r2);
      const double diffuse = std::max(0.0, u * lx + v * ly + nz * lz);
      double shade = 0.28 + 0.85 * diffuse;
      colour = Scale(colour, shade);
      if (!isLand) {
        // A soft highlight of the sun on the sea.
        const double highlight = std::pow(std::max(0.0, 2 * diffuse * nz - lz), 24.0);
        colour = Mix(colour, Colour{255, 255, 255}, 0.35 * highlight);
      }
      // The atmosphere at the rim.
      colour = Mix(colour, glow, std::pow(1.0 - nz, 3.0) * 0.6);
      bits_[index] = Pack(colour);
    }
  }
}

void GlobeImage::PaintOverlay(const GlobeScene& scene) {
  HDC dc = dc_.get();
  const GlobeView view(scene.camera, width_, height_);

  // The graticule: every 15 degrees.
  {
    const unique_hpen pen(CreatePen(PS_SOLID, 1, RGB(96, 140, 190)));
    const unique_hpen mainPen(CreatePen(PS_SOLID, 1, RGB(200, 190, 120)));
    if (pen && mainPen) {
      for (int latitude = -75; latitude <= 75; latitude += 15) {
        const select_object_scope select(dc, latitude == 0 ? mainPen.get() : pen.get());
        DrawGeoLine(dc, view, 180, [&](int i) {
          return GeoPoint{double(latitude), -180.0 + 2.0 * i};
        });
      }
      for (int longitude = -180; longitude < 180; longitude += 15) {
        const select_object_scope select(dc, longitude == 0 ? mainPen.get() : pen.get());
        DrawGeoLine(dc, view, 90, [&](int i) {
          return GeoPoint{-90.0 + 2.0 * i, double(longitude)};
        });
      }
    }
  }

  SetBkMode(dc, TRANSPARENT);
  const select_object_scope font(dc, GetStockObject(DEFAULT_GUI_FONT));

  if (scene.places) {
    const unique_hbrush dot(CreateSolidBrush(RGB(255, 214, 90)));
    SetTextColor(dc, RGB(240, 240, 230));
    for (const City& city : kCities) {
      const auto pixel = view.ToPixel({city.latitude, city.longitude});
      if (!pixel || pixel->x < -50 || pixel->y < -20 || pixel->x > width_ + 50 ||
          pixel->y > height_ + 20) {
        continue;
      }
      const int px = static_cast<int>(std::lround(pixel->x));
      const int py = static_cast<int>(std::lround(pixel->y));
      const RECT mark{px - 2, py - 2, px + 3, py + 3};
      if (dot) FillRect(dc, &mark, dot.get());
      const std::wstring name(city.name);
      TextOutW(dc, px + 5, py - 7, name.c_str(), static_cast<int>(name.size()));
    }
  }

  // Loaded KML: lines under the markers, markers under their names.
  DrawLines(dc, view, scene.lines);
  DrawMarkers(dc, view, scene);

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
