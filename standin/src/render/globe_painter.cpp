#include "render/globe_painter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "model/text.h"
#include "platform/win32_error.h"
#include "render/coastlines.h"
#include "render/embedded_data.h"
#include "render/feature_painter.h"
#include "render/globe_view.h"
#include "render/label_layout.h"
#include "render/land_mask.h"
#include "render/surface_painter.h"
#include "winbase/text.h"

namespace standin {
namespace {

// Lines may run past -180..180 (coastlines.h): these copies of the world
// side by side meet any view box.
constexpr double kWorldCopies[] = {-720.0, -360.0, 0.0, 360.0, 720.0};

bool MayShow(const LatLonBox& view, const LatLonBox& line) {
  if (line.south > view.north || line.north < view.south) {
    return false;
  }
  const double east = view.east < view.west ? view.east + 360.0 : view.east;
  for (const double shift : kWorldCopies) {
    if (line.west + shift <= east && line.east + shift >= view.west) {
      return true;
    }
  }
  return false;
}

// The box a little wider on every side (a two-hundredth of its size),
// against the search's error at its edges.
LatLonBox Widened(const LatLonBox& box) {
  if (box.west > box.east || box.east - box.west >= 359.0) {
    return box;
  }
  const double dLat = (box.north - box.south) / 200.0;
  const double dLon = (box.east - box.west) / 200.0;
  return {std::min(box.north + dLat, 90.0), std::max(box.south - dLat, -90.0), box.east + dLon,
          box.west - dLon};
}

void SayOnce(std::atomic_flag& said, const wchar_t* text) {
  if (!said.test_and_set()) {
    OutputDebugStringW(text);
  }
}

void SayIfNoHarbour(const Shores& shores) {
  static std::atomic_flag said;
  if (shores.harbourMissing) {
    SayOnce(
        said,
        L"EarthStandIn: no harbour shoreline for this view; the 1:10m coast is drawn instead\n");
  }
}

bool Inside(const LatLonBox& box, const GeoPoint& point) {
  return point.latitude >= box.south && point.latitude <= box.north &&
         point.longitude >= box.west && point.longitude <= box.east;
}

// Both points on one side of the box (to within the data's grid): an edge
// that closes a ring the box cut, not a shore.
bool OnEdge(const LatLonBox& box, const GeoPoint& a, const GeoPoint& b) {
  const auto at = [](double value, double side) { return std::abs(value - side) < 1e-7; };
  return (at(a.longitude, box.west) && at(b.longitude, box.west)) ||
         (at(a.longitude, box.east) && at(b.longitude, box.east)) ||
         (at(a.latitude, box.south) && at(b.latitude, box.south)) ||
         (at(a.latitude, box.north) && at(b.latitude, box.north));
}

struct City {
  const wchar_t* name;
  double latitude;
  double longitude;
  // Towns are named only when the view is close enough to tell them apart.
  double largestMetresPerPixel = 1e12;
};

constexpr double kTown = 2'500.0;

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
    City{L"Valletta", 35.8989, 14.5146, kTown},
    City{L"Mdina", 35.8857, 14.4031, kTown},
    City{L"Victoria", 36.0444, 14.2397, kTown},
    City{L"Syracuse", 37.0755, 15.2866, kTown},
    City{L"Catania", 37.5079, 15.0830, kTown},
    City{L"Palermo", 38.1157, 13.3615, kTown},
    City{L"Messina", 38.1938, 15.5540, kTown},
    City{L"Tunis", 36.8065, 10.1815},
    City{L"Rome", 41.9028, 12.4964},
    City{L"Athens", 37.9838, 23.7275},
    City{L"Istanbul", 41.0082, 28.9784},
    City{L"Madrid", 40.4168, -3.7038},
    City{L"Lisbon", 38.7223, -9.1393},
};

// The newest surface painted, with what it was painted from: a frame whose
// camera, size and layers have not changed (only the features have) copies
// it instead of painting it again. One frame's pixels at most.
class SurfaceCache {
 public:
  struct Key {
    CameraState camera;
    int width = 0;
    int height = 0;
    bool terrain = false;
    bool ocean = false;
    int threads = 0;  // tests compare counts: each paints afresh

    bool operator==(const Key& other) const {
      const CameraState& a = camera;
      const CameraState& b = other.camera;
      return a.latitude == b.latitude && a.longitude == b.longitude && a.range == b.range &&
             a.tilt == b.tilt && a.azimuth == b.azimuth && width == other.width &&
             height == other.height && terrain == other.terrain && ocean == other.ocean &&
             threads == other.threads;
    }
  };

  bool CopyTo(const Key& key, std::span<std::uint32_t> pixels) {
    const std::lock_guard lock(mutex_);
    if (!key_ || !(*key_ == key) || pixels_.size() != pixels.size()) {
      return false;
    }
    std::copy(pixels_.begin(), pixels_.end(), pixels.begin());
    return true;
  }

  void Keep(const Key& key, std::span<const std::uint32_t> pixels) {
    const std::lock_guard lock(mutex_);
    key_ = key;
    pixels_.assign(pixels.begin(), pixels.end());
  }

 private:
  std::mutex mutex_;
  std::optional<Key> key_;
  std::vector<std::uint32_t> pixels_;
};

SurfaceCache& LatestSurface() {
  static SurfaceCache cache;
  return cache;
}

// A place name's box: right of its dot, else left, above or below it.
std::optional<LabelBox> PlaceLabel(LabelLayout& layout, int x, int y, SIZE text) {
  const int w = static_cast<int>(text.cx);
  const int h = static_cast<int>(text.cy);
  const LabelBox choices[] = {
      {x + 5, y - h / 2, x + 5 + w, y - h / 2 + h},
      {x - 5 - w, y - h / 2, x - 5, y - h / 2 + h},
      {x - w / 2, y - 4 - h, x - w / 2 + w, y - 4},
      {x - w / 2, y + 4, x - w / 2 + w, y + 4 + h},
  };
  for (const LabelBox& box : choices) {
    if (layout.TryPlace(box)) {
      return box;
    }
  }
  return std::nullopt;
}

std::wstring WideFromUtf8(const std::string& utf8) { return winbase::ToWstring(ToUtf16(utf8)); }

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

// Views finer than this many metres a pixel (about 1,600 km across 800
// pixels) leave the graticule out.
constexpr double kGraticuleMetresPerPixel = 2000;

void DrawPlaces(HDC dc, const GlobeView& view, LabelLayout& labels) {
  const unique_hbrush dot(CreateSolidBrush(RGB(255, 214, 90)));
  const double metresPerPixel = view.FocusPixelMetres();
  for (const City& city : kCities) {
    if (metresPerPixel > city.largestMetresPerPixel) {
      continue;
    }
    const auto pixel = view.ToPixel({city.latitude, city.longitude});
    if (!pixel || !IsNearView(*pixel, view.Width(), view.Height())) {
      continue;
    }
    const int px = static_cast<int>(std::lround(pixel->x));
    const int py = static_cast<int>(std::lround(pixel->y));
    const RECT mark{px - 2, py - 2, px + 3, py + 3};
    if (dot) {
      FillRect(dc, &mark, dot.get());
    }
    const std::wstring name(city.name);
    const int length = static_cast<int>(name.size());
    SIZE size{};
    if (!GetTextExtentPoint32W(dc, name.c_str(), length, &size)) {
      continue;
    }
    const auto box = PlaceLabel(labels, px, py, size);
    if (!box) {
      continue;
    }
    // A dark halo keeps the name readable over land and sea alike.
    SetTextColor(dc, RGB(16, 20, 28));
    for (const POINT shift : {POINT{-1, 0}, POINT{1, 0}, POINT{0, -1}, POINT{0, 1}}) {
      TextOutW(dc, box->left + shift.x, box->top + shift.y, name.c_str(), length);
    }
    SetTextColor(dc, RGB(244, 242, 230));
    TextOutW(dc, box->left, box->top, name.c_str(), length);
  }
}

}  // namespace

GlobeImage::GlobeImage(int width, int height, const GlobeScene& scene, int threads)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), threads_(threads) {
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
  const SurfaceCache::Key key{scene.camera, width_, height_, scene.terrain, scene.ocean, threads_};
  const std::span<std::uint32_t> pixels(bits_, Pixels().size());
  if (LatestSurface().CopyTo(key, pixels)) {
    return;
  }
  SurfaceSources sources;
  sources.coastlines = EmbeddedCoastlines();
  sources.coasts = NeedsCoasts(view) ? EmbeddedCoasts() : nullptr;
  sources.imagery = scene.terrain ? EmbeddedSurface() : nullptr;
  sources.colours = scene.terrain ? EmbeddedSurfaceColours() : nullptr;
  sources.ocean = scene.ocean;
  SayIfNoHarbour(PaintFrameSurface(view, sources, pixels, threads_));
  LatestSurface().Keep(key, pixels);
}

void GlobeImage::PaintOverlay(const GlobeView& view, const GlobeScene& scene) {
  HDC dc = dc_.get();
  const LatLonBox shown = view.Extents();

  // The graticule, every 15 degrees, on views of the whole globe only: a
  // meridian across a chart-sized view reads as a line on the ground.
  if (view.FocusPixelMetres() > kGraticuleMetresPerPixel) {
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
    // Segments off the view cost GDI as much as those on it: only those
    // whose box meets the view's (a little wider than found) are drawn.
    const LatLonBox around = Widened(shown);
    const auto onView = [&](const GeoPoint& a, const GeoPoint& b) {
      return MayShow(around,
                     {std::max(a.latitude, b.latitude), std::min(a.latitude, b.latitude),
                      std::max(a.longitude, b.longitude), std::min(a.longitude, b.longitude)});
    };
    // Lines in runs of the segments `keep` lets through.
    const auto drawAll = [&](const std::vector<GeoLine>& lines, COLORREF colour, auto keep) {
      const unique_hpen pen(CreatePen(PS_SOLID, 1, colour));
      if (!pen) {
        return;
      }
      const select_object_scope select(dc, pen.get());
      for (const GeoLine& line : lines) {
        if (!MayShow(shown, line.bounds)) {
          continue;
        }
        std::size_t from = 0;
        for (std::size_t i = 1; i <= line.points.size(); ++i) {
          const GeoPoint* a = &line.points[i - 1];
          if (i < line.points.size() && keep(*a, a[1]) && onView(*a, a[1])) {
            continue;
          }
          if (i - 1 > from) {
            DrawGeoLine(dc, view, static_cast<int>(i - 1 - from),
                        [&](int k) { return line.points[from + static_cast<std::size_t>(k)]; });
          }
          from = i;
        }
      }
    };
    const auto all = [](const GeoPoint&, const GeoPoint&) { return true; };
    if (scene.borders) {
      drawAll(coastlines->borders, RGB(236, 196, 72), all);
    }
    if (scene.coastlines) {
      const Shores shores =
          ShoresFor(view, *coastlines, NeedsCoasts(view) ? EmbeddedCoasts() : nullptr);
      constexpr COLORREF kShore = RGB(226, 218, 176);
      if (!shores.harbour) {
        drawAll(*shores.rings, kShore, all);
      } else {
        // Each shore where its mask paints: the region's own inside its box.
        const LatLonBox& part = shores.harbourPart;
        const LatLonBox& box = shores.harbour->box;
        // A coarse segment with an end inside the region's part would cross
        // the finer shore there: only those wholly outside are drawn.
        drawAll(*shores.rings, kShore, [&](const GeoPoint& a, const GeoPoint& b) {
          return !Inside(part, a) && !Inside(part, b);
        });
        drawAll(shores.harbour->land, kShore,
                [&](const GeoPoint& a, const GeoPoint& b) { return !OnEdge(box, a, b); });
      }
    }
  }

  SetBkMode(dc, TRANSPARENT);
  const select_object_scope font(dc, GetStockObject(DEFAULT_GUI_FONT));
  // One layout for every name on the picture: the camera line and the
  // brand hold their corners, the features' names are offered next (the
  // live position first), then the globe's own places, which give way.
  LabelLayout labels(width_, height_);
  const std::wstring caption = WideFromUtf8(CameraCaption(scene.camera));
  const std::wstring brand = L"EarthStandIn";
  SIZE captionSize{};
  SIZE brandSize{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &captionSize);
  GetTextExtentPoint32W(dc, brand.c_str(), static_cast<int>(brand.size()), &brandSize);
  (void)labels.TryPlace({7, height_ - 21, 10 + captionSize.cx, height_ - 18 + captionSize.cy});
  (void)labels.TryPlace({width_ - brandSize.cx - 8, 6, width_, 6 + brandSize.cy});
  const FeatureLabels featureLabels = ReserveFeatureLabels(dc, view, scene, labels);

  // Loaded KML: what lies on the ground, lines, icons and their names, then
  // screen overlays and the balloon; the places' names where room is left.
  GdiFlush();
  PaintFeatures(dc, {bits_, width_, height_}, view, scene, featureLabels);
  if (scene.places) {
    DrawPlaces(dc, view, labels);
  }
  labels_ = labels.Placed();

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
    SetTextColor(dc, RGB(10, 10, 10));
    TextOutW(dc, 9, height_ - 19, caption.c_str(), static_cast<int>(caption.size()));
    SetTextColor(dc, RGB(235, 235, 235));
    TextOutW(dc, 8, height_ - 20, caption.c_str(), static_cast<int>(caption.size()));
    SetTextColor(dc, RGB(150, 160, 180));
    TextOutW(dc, width_ - brandSize.cx - 8, 6, brand.c_str(), static_cast<int>(brand.size()));
  }
}

}  // namespace standin
