#include "globe_view.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace standin {
namespace {

constexpr double kDegrees = 180.0 / std::numbers::pi;
constexpr double kRadians = std::numbers::pi / 180.0;

double Wrap(double degrees) {
  double wrapped = std::fmod(degrees, 360.0);
  if (wrapped > 180.0) wrapped -= 360.0;
  if (wrapped <= -180.0) wrapped += 360.0;
  return wrapped;
}

}  // namespace

GlobeView::GlobeView(const CameraState& camera, int width, int height)
    : camera_(camera),
      width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      sinLat0_(std::sin(camera.latitude * kRadians)),
      cosLat0_(std::cos(camera.latitude * kRadians)),
      sinAzimuth_(std::sin(camera.azimuth * kRadians)),
      cosAzimuth_(std::cos(camera.azimuth * kRadians)) {
  const double halfHeightMetres =
      std::max(camera.range, 1.0) * std::tan(kVerticalFieldOfViewDegrees / 2.0 * kRadians);
  radius_ = (height_ / 2.0) * kEarthRadiusMetres / halfHeightMetres;
}

std::optional<PixelPoint> GlobeView::ToPixel(GeoPoint point) const {
  const double lat = point.latitude * kRadians;
  const double dLon = (point.longitude - camera_.longitude) * kRadians;
  const double cosC = sinLat0_ * std::sin(lat) + cosLat0_ * std::cos(lat) * std::cos(dLon);
  if (cosC < 0) return std::nullopt;
  const double x = std::cos(lat) * std::sin(dLon);
  const double y = cosLat0_ * std::sin(lat) - sinLat0_ * std::cos(lat) * std::cos(dLon);
  // Turn so that the azimuth points up.
  const double xs = x * cosAzimuth_ - y * sinAzimuth_;
  const double ys = x * sinAzimuth_ + y * cosAzimuth_;
  const PixelPoint centre = Centre();
  return PixelPoint{centre.x + xs * radius_, centre.y - ys * radius_};
}

TerrainHit GlobeView::FromPixel(PixelPoint pixel) const {
  const PixelPoint centre = Centre();
  const double xs = (pixel.x - centre.x) / radius_;
  const double ys = (centre.y - pixel.y) / radius_;
  double x = xs * cosAzimuth_ + ys * sinAzimuth_;
  double y = -xs * sinAzimuth_ + ys * cosAzimuth_;
  TerrainHit hit;
  double rho = std::hypot(x, y);
  if (rho > 1.0) {
    x /= rho;
    y /= rho;
    rho = 1.0;
    hit.projectedOntoGlobe = true;
  }
  if (rho < 1e-12) {
    hit.point = {camera_.latitude, camera_.longitude};
    return hit;
  }
  const double c = std::asin(std::min(rho, 1.0));
  const double sinC = std::sin(c);
  const double cosC = std::cos(c);
  const double lat = std::asin(std::clamp(cosC * sinLat0_ + y * sinC * cosLat0_ / rho, -1.0, 1.0));
  const double dLon = std::atan2(x * sinC, rho * cosC * cosLat0_ - y * sinC * sinLat0_);
  hit.point = {lat * kDegrees, Wrap(camera_.longitude + dLon * kDegrees)};
  return hit;
}

TerrainHit GlobeView::FromScreenCoords(double x, double y) const {
  x = std::isnan(x) ? 0.0 : std::clamp(x, -1.0, 1.0);
  y = std::isnan(y) ? 0.0 : std::clamp(y, -1.0, 1.0);
  const PixelPoint centre = Centre();
  return FromPixel({centre.x + x * width_ / 2.0, centre.y - y * height_ / 2.0});
}

LatLonBox GlobeView::Extents() const {
  constexpr int kSteps = 32;
  double north = -90;
  double south = 90;
  double minOffset = 0;
  double maxOffset = 0;
  const auto take = [&](double px, double py) {
    const TerrainHit hit = FromPixel({px, py});
    north = std::max(north, hit.point.latitude);
    south = std::min(south, hit.point.latitude);
    const double offset = Wrap(hit.point.longitude - camera_.longitude);
    minOffset = std::min(minOffset, offset);
    maxOffset = std::max(maxOffset, offset);
  };
  take(width_ / 2.0, height_ / 2.0);
  for (int i = 0; i <= kSteps; ++i) {
    const double fx = width_ * static_cast<double>(i) / kSteps;
    const double fy = height_ * static_cast<double>(i) / kSteps;
    take(fx, 0);
    take(fx, height_);
    take(0, fy);
    take(width_, fy);
  }
  const auto onScreen = [&](GeoPoint pole) {
    const auto pixel = ToPixel(pole);
    return pixel && pixel->x >= 0 && pixel->x <= width_ && pixel->y >= 0 && pixel->y <= height_;
  };
  const bool northPole = onScreen({90, 0});
  const bool southPole = onScreen({-90, 0});
  if (northPole) north = 90;
  if (southPole) south = -90;
  LatLonBox box{north, south, Wrap(camera_.longitude + maxOffset),
                Wrap(camera_.longitude + minOffset)};
  if (northPole || southPole || maxOffset - minOffset >= 359.0) {
    box.east = 180;
    box.west = -180;
  }
  return box;
}

}  // namespace standin
