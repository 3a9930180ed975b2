// The geometry of the view: an orthographic picture of a spherical Earth,
// centred on the camera's focus point, turned by its azimuth, scaled by its
// range. The painter, ViewExtents and GetPointOnTerrainFromScreenCoords all
// use it, so they agree with the picture. Tilt is kept and reported but
// not drawn: the view always looks straight down. Portable.
#pragma once

#include <optional>

#include "camera.h"

namespace standin {

inline constexpr double kEarthRadiusMetres = 6'371'000.0;
// The vertical field of view: the view shows range * tan(30 degrees) metres
// above and below the focus point.
inline constexpr double kVerticalFieldOfViewDegrees = 60.0;

struct GeoPoint {
  double latitude = 0;
  double longitude = 0;
};

struct PixelPoint {
  double x = 0;  // from the left edge
  double y = 0;  // from the top edge, downwards
};

struct TerrainHit {
  GeoPoint point;
  bool projectedOntoGlobe = false;  // the point missed the globe: the horizon point instead
};

struct LatLonBox {
  double north = 0;
  double south = 0;
  double east = 0;
  double west = 0;
};

class GlobeView {
 public:
  GlobeView(const CameraState& camera, int width, int height);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] PixelPoint Centre() const { return {width_ / 2.0, height_ / 2.0}; }
  [[nodiscard]] double GlobeRadiusPixels() const { return radius_; }

  // nullopt when the point is on the far side of the globe.
  [[nodiscard]] std::optional<PixelPoint> ToPixel(GeoPoint point) const;
  [[nodiscard]] TerrainHit FromPixel(PixelPoint pixel) const;
  // Screen coordinates as earth-api.md defines them: x -1 (left) .. 1
  // (right), y -1 (bottom) .. 1 (top), clamped.
  [[nodiscard]] TerrainHit FromScreenCoords(double x, double y) const;

  // The latitude/longitude box of what the view shows, sampled along the
  // view's edges (points off the globe count at the horizon). A pole in view
  // makes that side 90 and the box all longitudes (-180 .. 180).
  [[nodiscard]] LatLonBox Extents() const;

 private:
  CameraState camera_;
  int width_;
  int height_;
  double radius_;
  double sinLat0_;
  double cosLat0_;
  double sinAzimuth_;
  double cosAzimuth_;
};

}  // namespace standin
