#include "render/ground_drape.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "render/pixel_blend.h"

namespace standin {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

// The difference b - a the shorter way round, in -180..180.
double LongitudeStep(double a, double b) {
  double step = std::fmod(b - a, 360.0);
  if (step > 180.0) {
    step -= 360.0;
  }
  if (step < -180.0) {
    step += 360.0;
  }
  return step;
}

struct FlatPoint {
  double longitude;  // may run past -180..180
  double latitude;
};

// A ring with continuous longitudes; one that goes around a pole is closed
// along the pole's edge of the grid so that even-odd filling holds the pole.
std::vector<FlatPoint> Unwrapped(const std::vector<GeoPoint>& ring, double startNear) {
  std::vector<FlatPoint> out;
  if (ring.empty()) {
    return out;
  }
  double longitude = ring.front().longitude;
  longitude += 360.0 * std::round((startNear - longitude) / 360.0);
  out.push_back({longitude, ring.front().latitude});
  double latitudes = ring.front().latitude;
  for (std::size_t i = 1; i < ring.size(); ++i) {
    longitude += LongitudeStep(ring[i - 1].longitude, ring[i].longitude);
    out.push_back({longitude, ring[i].latitude});
    latitudes += ring[i].latitude;
  }
  // Back to the first point: a ring around a pole arrives 360 degrees off.
  const double closing = longitude + LongitudeStep(ring.back().longitude, ring.front().longitude);
  const double turn = closing - out.front().longitude;
  if (std::abs(turn) > 180.0) {
    const double pole = latitudes >= 0 ? 90.0 : -90.0;
    out.push_back({closing, ring.front().latitude});
    out.push_back({closing, pole});
    out.push_back({out.front().longitude, pole});
  }
  return out;
}

}  // namespace

GroundPixels::GroundPixels(const GlobeView& view, int rowBegin, int rowEnd)
    : rowBegin_(std::max(rowBegin, 0)),
      rowEnd_(std::min(rowEnd, view.Height())),
      width_(view.Width()),
      originLatitude_(view.Camera().latitude),
      originLongitude_(view.Camera().longitude) {
  const int rows = std::max(rowEnd_ - rowBegin_, 0);
  places_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(width_) * 2);
  std::size_t i = 0;
  for (int y = rowBegin_; y < rowEnd_; ++y) {
    for (int x = 0; x < width_; ++x, i += 2) {
      const RaySample ray = view.Cast({x + 0.5, y + 0.5});
      if (!ray.hit) {
        places_[i] = std::numeric_limits<float>::quiet_NaN();
        continue;
      }
      // Kept as offsets from the focus: floats stay fine enough close up.
      const GeoPoint place = GeoOf(ray.normal);
      places_[i] = static_cast<float>(place.latitude - originLatitude_);
      places_[i + 1] = static_cast<float>(LongitudeStep(originLongitude_, place.longitude));
    }
  }
}

std::optional<GeoPoint> GroundPixels::At(int x, int y) const {
  if (y < rowBegin_ || y >= rowEnd_ || x < 0 || x >= width_) {
    return std::nullopt;
  }
  const std::size_t i =
      (static_cast<std::size_t>(y - rowBegin_) * static_cast<std::size_t>(width_) +
       static_cast<std::size_t>(x)) *
      2;
  if (std::isnan(places_[i])) {
    return std::nullopt;
  }
  return GeoPoint{originLatitude_ + places_[i], originLongitude_ + places_[i + 1]};
}

GeoMask::GeoMask(const std::vector<std::vector<GeoPoint>>& rings, double degreesPerCell) {
  if (rings.empty() || rings.front().size() < 3) {
    return;
  }
  std::vector<std::vector<FlatPoint>> flat;
  flat.push_back(Unwrapped(rings.front(), rings.front().front().longitude));
  double west = std::numeric_limits<double>::max();
  double east = std::numeric_limits<double>::lowest();
  double south = 90;
  double north = -90;
  for (const FlatPoint& p : flat.front()) {
    west = std::min(west, p.longitude);
    east = std::max(east, p.longitude);
  }
  for (std::size_t i = 1; i < rings.size(); ++i) {
    if (rings[i].size() >= 3) {
      flat.push_back(Unwrapped(rings[i], (west + east) / 2));
    }
  }
  for (const auto& ring : flat) {
    for (const FlatPoint& p : ring) {
      south = std::min(south, p.latitude);
      north = std::max(north, p.latitude);
    }
  }
  constexpr int kLargestSide = 2048;
  const double cell = std::max(degreesPerCell, 1e-7);
  columns_ = static_cast<int>(std::clamp(std::ceil((east - west) / cell), 1.0, 1.0 * kLargestSide));
  rows_ = static_cast<int>(std::clamp(std::ceil((north - south) / cell), 1.0, 1.0 * kLargestSide));
  cellLongitude_ = std::max(east - west, 1e-9) / columns_;
  cellLatitude_ = std::max(north - south, 1e-9) / rows_;
  west_ = west;
  north_ = north;
  cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0);
  // Each edge adds its crossing to the rows whose centre line it crosses.
  std::vector<std::vector<double>> crossings(static_cast<std::size_t>(rows_));
  for (const auto& ring : flat) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const FlatPoint& a = ring[i];
      const FlatPoint& b = ring[(i + 1) % ring.size()];
      if (a.latitude == b.latitude) {
        continue;
      }
      const double top = std::max(a.latitude, b.latitude);
      const double bottom = std::min(a.latitude, b.latitude);
      const int firstRow =
          std::max(0, static_cast<int>(std::ceil((north_ - top) / cellLatitude_ - 0.5)));
      const int lastRow = std::min(
          rows_ - 1, static_cast<int>(std::floor((north_ - bottom) / cellLatitude_ - 0.5)));
      for (int row = firstRow; row <= lastRow; ++row) {
        const double latitude = north_ - (row + 0.5) * cellLatitude_;
        if (latitude >= top || latitude < bottom) {
          continue;  // half-open: vertices count once
        }
        const double t = (latitude - a.latitude) / (b.latitude - a.latitude);
        crossings[static_cast<std::size_t>(row)].push_back(a.longitude +
                                                           t * (b.longitude - a.longitude));
      }
    }
  }
  for (int row = 0; row < rows_; ++row) {
    auto& xs = crossings[static_cast<std::size_t>(row)];
    std::sort(xs.begin(), xs.end());
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      const int from =
          std::max(0, static_cast<int>(std::ceil((xs[i] - west_) / cellLongitude_ - 0.5)));
      const int to = std::min(
          columns_ - 1, static_cast<int>(std::floor((xs[i + 1] - west_) / cellLongitude_ - 0.5)));
      for (int column = from; column <= to; ++column) {
        cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column)] = 1;
      }
    }
  }
}

bool GeoMask::Contains(GeoPoint point) const {
  if (cells_.empty()) {
    return false;
  }
  const int row = static_cast<int>(std::floor((north_ - point.latitude) / cellLatitude_));
  if (row < 0 || row >= rows_) {
    return false;
  }
  double longitude = point.longitude;
  longitude +=
      360.0 * std::floor((west_ - longitude) / 360.0 + 1.0);  // the first copy east of west_
  if (longitude >= west_ + 360.0) {
    longitude -= 360.0;
  }
  for (; longitude < west_ + columns_ * cellLongitude_; longitude += 360.0) {
    const int column = static_cast<int>(std::floor((longitude - west_) / cellLongitude_));
    if (column >= 0 && column < columns_ &&
        cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(column)]) {
      return true;
    }
  }
  return false;
}

PixelSpan SpanOf(const GlobeView& view, const std::vector<GeoPoint>& outline) {
  const PixelSpan whole{0, 0, view.Width(), view.Height()};
  if (outline.empty()) {
    return {};
  }
  double left = view.Width();
  double top = view.Height();
  double right = 0;
  double bottom = 0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const GeoPoint& a = outline[i];
    const GeoPoint& b = outline[(i + 1) % outline.size()];
    const double step = LongitudeStep(a.longitude, b.longitude);
    const int pieces = std::clamp(
        static_cast<int>(std::ceil(std::max(std::abs(step), std::abs(b.latitude - a.latitude)))), 1,
        360);
    for (int k = 0; k < pieces; ++k) {
      const double t = static_cast<double>(k) / pieces;
      const auto pixel =
          view.ToPixel({a.latitude + (b.latitude - a.latitude) * t, a.longitude + step * t});
      if (!pixel) {
        return whole;  // behind the globe: its inside may be anywhere in sight
      }
      left = std::min(left, pixel->x);
      right = std::max(right, pixel->x);
      top = std::min(top, pixel->y);
      bottom = std::max(bottom, pixel->y);
    }
  }
  const int l = static_cast<int>(std::floor(left)) - 1;
  const int t = static_cast<int>(std::floor(top)) - 1;
  const int r = static_cast<int>(std::ceil(right)) + 2;
  const int b = static_cast<int>(std::ceil(bottom)) + 2;
  return {std::clamp(l, 0, view.Width()), std::clamp(t, 0, view.Height()),
          std::clamp(r, 0, view.Width()), std::clamp(b, 0, view.Height())};
}

namespace {

// The ground one pixel spans at the focus, in degrees: fine enough for the
// masks that decide which pixels a fill covers.
double DegreesPerPixel(const GlobeView& view) {
  return view.FocusPixelMetres() / (kEarthRadiusMetres * kRadiansPerDegree);
}

template <class PaintPixel>
void ForSpan(const PixelSpan& span, const GroundPixels& ground, PaintPixel paint) {
  const int top = std::max(span.top, ground.RowBegin());
  const int bottom = std::min(span.bottom, ground.RowEnd());
  for (int y = top; y < bottom; ++y) {
    for (int x = span.left; x < span.right; ++x) {
      if (const auto place = ground.At(x, y)) {
        paint(x, y, *place);
      }
    }
  }
}

std::vector<GeoPoint> OutlineOf(const GroundPlacement& place) {
  if (place.quad.size() == 4) {
    std::vector<GeoPoint> corners;
    for (const KmlCoordinate& c : place.quad) {
      corners.push_back({c.latitude, c.longitude});
    }
    return corners;
  }
  const double east = place.east < place.west ? place.east + 360.0 : place.east;
  const double cx = (east + place.west) / 2;
  const double cy = (place.north + place.south) / 2;
  const double hw = (east - place.west) / 2;
  const double hh = (place.north - place.south) / 2;
  const double r = place.rotation * kRadiansPerDegree;
  std::vector<GeoPoint> corners;
  for (const auto& [x, y] : {std::pair{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}}) {
    corners.push_back(
        {cy + x * std::sin(r) + y * std::cos(r), cx + x * std::cos(r) - y * std::sin(r)});
  }
  return corners;
}

// Inverse bilinear mapping of a point into the quad p0 p1 p2 p3 (lower
// left, lower right, upper right, upper left): u to the right, v upwards.
std::optional<std::pair<double, double>> QuadUv(const std::vector<KmlCoordinate>& quad,
                                                GeoPoint point) {
  const double x0 = quad[0].longitude;
  const auto lon = [&](double l) { return x0 + LongitudeStep(x0, l); };
  const double px = lon(point.longitude) - x0;
  const double py = point.latitude - quad[0].latitude;
  const double ex = lon(quad[1].longitude) - x0, ey = quad[1].latitude - quad[0].latitude;
  const double fx = lon(quad[3].longitude) - x0, fy = quad[3].latitude - quad[0].latitude;
  const double gx = lon(quad[0].longitude) - lon(quad[1].longitude) + lon(quad[2].longitude) -
                    lon(quad[3].longitude);
  const double gy = quad[0].latitude - quad[1].latitude + quad[2].latitude - quad[3].latitude;
  const auto cross = [](double ax, double ay, double bx, double by) { return ax * by - ay * bx; };
  const double k2 = cross(gx, gy, fx, fy);
  const double k1 = cross(ex, ey, fx, fy) + cross(px, py, gx, gy);
  const double k0 = cross(px, py, ex, ey);
  double v = 0;
  if (std::abs(k2) < 1e-12) {
    if (std::abs(k1) < 1e-12) {
      return std::nullopt;
    }
    v = -k0 / k1;
  } else {
    const double w = k1 * k1 - 4.0 * k0 * k2;
    if (w < 0) {
      return std::nullopt;
    }
    const double root = std::sqrt(w);
    v = (-k1 - root) / (2.0 * k2);
    if (v < 0 || v > 1) {
      v = (-k1 + root) / (2.0 * k2);
    }
  }
  const double denominatorX = ex + gx * v;
  const double denominatorY = ey + gy * v;
  const double u = std::abs(denominatorX) > std::abs(denominatorY) ? (px - fx * v) / denominatorX
                                                                   : (py - fy * v) / denominatorY;
  if (u < 0 || u > 1 || v < 0 || v > 1) {
    return std::nullopt;
  }
  return std::pair{u, 1.0 - v};
}

}  // namespace

std::optional<std::pair<double, double>> OverlayUv(const GroundPlacement& place, GeoPoint point) {
  if (place.quad.size() == 4) {
    return QuadUv(place.quad, point);
  }
  const double east = place.east < place.west ? place.east + 360.0 : place.east;
  const double width = east - place.west;
  const double height = place.north - place.south;
  if (width <= 0 || height <= 0) {
    return std::nullopt;
  }
  const double cx = (east + place.west) / 2;
  const double cy = (place.north + place.south) / 2;
  const double x = LongitudeStep(cx, point.longitude);
  const double y = point.latitude - cy;
  const double r = place.rotation * kRadiansPerDegree;
  // Undo the counter-clockwise rotation about the centre.
  const double bx = x * std::cos(r) + y * std::sin(r);
  const double by = -x * std::sin(r) + y * std::cos(r);
  const double u = bx / width + 0.5;
  const double v = 0.5 - by / height;
  if (u < 0 || u >= 1 || v < 0 || v >= 1) {
    return std::nullopt;
  }
  return std::pair{u, v};
}

std::pair<int, int> GroundRows(const GlobeView& view, const GlobeScene& scene) {
  int top = view.Height();
  int bottom = 0;
  const auto add = [&](const PixelSpan& span) {
    if (span.right <= span.left || span.bottom <= span.top) {
      return;
    }
    top = std::min(top, span.top);
    bottom = std::max(bottom, span.bottom);
  };
  for (const ScenePolygon& polygon : scene.polygons) {
    if (!polygon.rings.empty()) {
      add(SpanOf(view, polygon.rings.front()));
    }
  }
  for (const SceneGroundOverlay& overlay : scene.groundOverlays) {
    add(SpanOf(view, OutlineOf(overlay.place)));
  }
  return {top, std::max(top, bottom)};
}

void FillPolygon(const GlobeView& view, const ScenePolygon& polygon, const GroundPixels& ground,
                 PixelCanvas canvas) {
  if (polygon.rings.empty()) {
    return;
  }
  const GeoMask mask(polygon.rings, DegreesPerPixel(view) / 2);
  if (mask.Empty()) {
    return;
  }
  const std::uint32_t colour = PremultipliedOfKml(polygon.colour);
  ForSpan(SpanOf(view, polygon.rings.front()), ground, [&](int x, int y, GeoPoint place) {
    if (mask.Contains(place)) {
      BlendOver(canvas.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                            static_cast<std::size_t>(x)],
                colour);
    }
  });
}

void DrapeGroundOverlay(const GlobeView& view, const SceneGroundOverlay& overlay,
                        const GroundPixels& ground, PixelCanvas canvas) {
  const auto image = overlay.image ? overlay.image->Get() : nullptr;
  if (!image || image->width <= 0 || image->height <= 0) {
    return;
  }
  ForSpan(SpanOf(view, OutlineOf(overlay.place)), ground, [&](int x, int y, GeoPoint place) {
    const auto uv = OverlayUv(overlay.place, place);
    if (!uv) {
      return;
    }
    const std::uint32_t pixel = Tinted(
        Sample(*image, uv->first * image->width, uv->second * image->height), overlay.colour);
    BlendOver(canvas.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                          static_cast<std::size_t>(x)],
              pixel);
  });
}

}  // namespace standin
