#include "render/globe_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace standin {
namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double kRadians = std::numbers::pi / 180.0;
// Below a metre the view would divide by nearly nothing; beyond a million
// kilometres the globe is far below a pixel, and the squared distances of
// ranges near the largest double would overflow (the painter's atmosphere
// turned NaN).
constexpr double kMinimumRangeMetres = 1.0;
constexpr double kMaximumRangeMetres = 1e12;

double ViewRange(double range) {
  return std::clamp(range, kMinimumRangeMetres, kMaximumRangeMetres);
}

double Wrap(double degrees) {
  double wrapped = std::fmod(degrees, 360.0);
  if (wrapped > 180.0) {
    wrapped -= 360.0;
  }
  if (wrapped <= -180.0) {
    wrapped += 360.0;
  }
  return wrapped;
}

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, const Vec3& v) { return {s * v.x, s * v.y, s * v.z}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalised(const Vec3& v) { return (1.0 / std::sqrt(Dot(v, v))) * v; }

}  // namespace

GeoPoint GeoOf(const Vec3& unit) {
  const double latitude = std::asin(std::clamp(unit.z, -1.0, 1.0)) * kDegreesPerRadian;
  const double longitude = std::atan2(unit.y, unit.x) * kDegreesPerRadian;
  return {latitude, longitude};
}

Vec3 UnitOf(GeoPoint point) {
  const double lat = point.latitude * kRadians;
  const double lon = point.longitude * kRadians;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

GlobeView::GlobeView(const CameraState& camera, int width, int height)
    : camera_(camera),
      width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      focalPixels_(height_ / 2.0 / std::tan(kVerticalFieldOfViewDegrees / 2.0 * kRadians)) {
  const double lat = camera.latitude * kRadians;
  const double lon = camera.longitude * kRadians;
  const double azimuth = camera.azimuth * kRadians;
  const double tilt = std::clamp(camera.tilt, 0.0, 90.0) * kRadians;
  const Vec3 vertical = UnitOf({camera.latitude, camera.longitude});
  const Vec3 east{-std::sin(lon), std::cos(lon), 0};
  const Vec3 north{-std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon), std::cos(lat)};
  const Vec3 heading = std::cos(azimuth) * north + std::sin(azimuth) * east;
  // The heading turned a quarter clockwise: the screen's right at any tilt.
  right_ = std::cos(azimuth) * east - std::sin(azimuth) * north;
  forward_ = std::sin(tilt) * heading - std::cos(tilt) * vertical;
  up_ = Cross(right_, forward_);
  const double range = ViewRange(camera.range) / kEarthRadiusMetres;
  // Behind and above the focus point, opposite the heading.
  eye_ = vertical - range * forward_;
  eyeDistance2_ = Dot(eye_, eye_);
}

double GlobeView::FocusPixelMetres() const { return ViewRange(camera_.range) / focalPixels_; }

std::optional<PixelPoint> GlobeView::ToPixel(GeoPoint point) const {
  const Vec3 unit = UnitOf(point);
  // Hidden by the globe: the camera is below the point's horizon. The slack
  // keeps points right on the horizon (the focus at tilt 90) visible.
  if (Dot(eye_, unit) < 1.0 - 1e-12) {
    return std::nullopt;
  }
  const Vec3 toPoint = unit - eye_;
  const double depth = Dot(toPoint, forward_);
  if (depth <= 0) {
    return std::nullopt;
  }
  const PixelPoint centre = Centre();
  return PixelPoint{centre.x + focalPixels_ * Dot(toPoint, right_) / depth,
                    centre.y - focalPixels_ * Dot(toPoint, up_) / depth};
}

Vec3 GlobeView::RayThrough(PixelPoint pixel) const {
  const PixelPoint centre = Centre();
  const double across = (pixel.x - centre.x) / focalPixels_;
  const double upwards = (centre.y - pixel.y) / focalPixels_;
  return forward_ + across * right_ + upwards * up_;
}

RaySample GlobeView::Cast(PixelPoint pixel) const {
  const Vec3 ray = RayThrough(pixel);
  // |eye + t ray| = 1, with t > 0 in front of the camera.
  const double a = Dot(ray, ray);
  const double b = Dot(eye_, ray);
  const double c = eyeDistance2_ - 1.0;
  const double discriminant = b * b - a * c;
  RaySample sample;
  if (b < 0 && discriminant >= 0) {
    const double t = (-b - std::sqrt(discriminant)) / a;
    sample.hit = true;
    sample.normal = Normalised(eye_ + t * ray);
    sample.facing = -Dot(sample.normal, ray) / std::sqrt(a);
    return sample;
  }
  // Closest approach of the ray to the centre: at the eye when the ray
  // points away from the Earth.
  const double closest2 = b < 0 ? eyeDistance2_ - b * b / a : eyeDistance2_;
  sample.clearance = std::sqrt(std::max(closest2, 1.0)) - 1.0;
  return sample;
}

Vec3 GlobeView::HorizonToward(const Vec3& direction) const {
  // The tangent point in the plane of the eye, the Earth's centre and the
  // direction: the horizon point nearest to a ray that misses.
  const double eyeDistance = std::sqrt(eyeDistance2_);
  const Vec3 outward = (1.0 / eyeDistance) * eye_;
  Vec3 across = direction - Dot(direction, outward) * outward;
  if (Dot(across, across) < 1e-24) {
    across = up_ - Dot(up_, outward) * outward;
  }
  const double cosine = 1.0 / eyeDistance;
  return cosine * outward + std::sqrt(std::max(0.0, 1.0 - cosine * cosine)) * Normalised(across);
}

TerrainHit GlobeView::FromPixel(PixelPoint pixel) const {
  const RaySample sample = Cast(pixel);
  TerrainHit hit;
  if (sample.hit) {
    hit.point = GeoOf(sample.normal);
  } else {
    hit.point = GeoOf(HorizonToward(RayThrough(pixel)));
    hit.projectedOntoGlobe = true;
  }
  return hit;
}

TerrainHit GlobeView::FromScreenCoords(double x, double y) const {
  x = std::isnan(x) ? 0.0 : std::clamp(x, -1.0, 1.0);
  y = std::isnan(y) ? 0.0 : std::clamp(y, -1.0, 1.0);
  const PixelPoint centre = Centre();
  return FromPixel({centre.x + x * width_ / 2.0, centre.y - y * height_ / 2.0});
}

LatLonBox GlobeView::Extents() const {
  // The box's sides are extremes of latitude and longitude over what the
  // view shows. Neither has an extreme inside that region but at a pole
  // (checked apart), so the edges decide: sampled densely, then each
  // extreme refined between its neighbouring samples.
  constexpr int kSamplesPerEdge = 64;
  constexpr int kSamples = 4 * kSamplesPerEdge;
  const double w = width_;
  const double h = height_;
  // s in [0, 4): along the top, down the right, back along the bottom, up the left.
  const auto edgePoint = [&](double s) {
    s = std::fmod(s + 4.0, 4.0);
    const int edge = std::min(static_cast<int>(s), 3);
    const double f = s - edge;
    switch (edge) {
      case 0:
        return PixelPoint{f * w, 0};
      case 1:
        return PixelPoint{w, f * h};
      case 2:
        return PixelPoint{(1 - f) * w, h};
      default:
        return PixelPoint{0, (1 - f) * h};
    }
  };
  struct Place {
    double latitude;
    double offset;  // east of the focus, -180 .. 180
  };
  const auto placeAt = [&](PixelPoint pixel) {
    const TerrainHit hit = FromPixel(pixel);
    return Place{hit.point.latitude, Wrap(hit.point.longitude - camera_.longitude)};
  };
  double north = -90;
  double south = 90;
  double minOffset = 0;
  double maxOffset = 0;
  const auto take = [&](const Place& place) {
    north = std::max(north, place.latitude);
    south = std::min(south, place.latitude);
    minOffset = std::min(minOffset, place.offset);
    maxOffset = std::max(maxOffset, place.offset);
  };
  take(placeAt(Centre()));
  std::array<Place, kSamples> samples{};
  for (int i = 0; i < kSamples; ++i) {
    samples[static_cast<std::size_t>(i)] =
        placeAt(edgePoint(static_cast<double>(i) / kSamplesPerEdge));
    take(samples[static_cast<std::size_t>(i)]);
  }
  // Golden-section search for the largest score between the best sample's neighbours.
  const auto refine = [&](auto score) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
      if (score(samples[i]) > score(samples[best])) {
        best = i;
      }
    }
    const double step = 1.0 / kSamplesPerEdge;
    double low = static_cast<double>(best) * step - step;
    double high = static_cast<double>(best) * step + step;
    constexpr double kGolden = 0.6180339887498949;
    double a = high - kGolden * (high - low);
    double b = low + kGolden * (high - low);
    Place pa = placeAt(edgePoint(a));
    Place pb = placeAt(edgePoint(b));
    take(pa);
    take(pb);
    for (int i = 0; i < 40; ++i) {
      if (score(pa) > score(pb)) {
        high = b;
        b = a;
        pb = pa;
        a = high - kGolden * (high - low);
        pa = placeAt(edgePoint(a));
        take(pa);
      } else {
        low = a;
        a = b;
        pa = pb;
        b = low + kGolden * (high - low);
        pb = placeAt(edgePoint(b));
        take(pb);
      }
    }
  };
  refine([](const Place& p) { return p.latitude; });
  refine([](const Place& p) { return -p.latitude; });
  refine([](const Place& p) { return p.offset; });
  refine([](const Place& p) { return -p.offset; });

  const auto onScreen = [&](GeoPoint pole) {
    const auto pixel = ToPixel(pole);
    return pixel && pixel->x >= 0 && pixel->x <= w && pixel->y >= 0 && pixel->y <= h;
  };
  const bool northPole = onScreen({90, 0});
  const bool southPole = onScreen({-90, 0});
  if (northPole) {
    north = 90;
  }
  if (southPole) {
    south = -90;
  }
  LatLonBox box{north, south, Wrap(camera_.longitude + maxOffset),
                Wrap(camera_.longitude + minOffset)};
  if (northPole || southPole || maxOffset - minOffset >= 359.0) {
    box.east = 180;
    box.west = -180;
  }
  return box;
}

}  // namespace standin
