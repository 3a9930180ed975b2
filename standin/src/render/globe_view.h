// The geometry of the view: a perspective camera over a spherical Earth.
// The camera sits `range` metres from the focus point (on the sphere; the
// focus altitude is not drawn), looks at it with its tilt (0 straight down,
// 90 along the ground) and azimuth (the heading that points up, clockwise
// from north), through a vertical field of view of
// kVerticalFieldOfViewDegrees; square pixels give the horizontal one. The
// painter, ViewExtents, GetPointOnTerrainFromScreenCoords and the mouse all
// use this one class, so every answer agrees with the picture. Portable.
#pragma once

#include <optional>

#include "model/camera.h"

namespace standin {

inline constexpr double kEarthRadiusMetres = 6'371'000.0;
// With tilt 0 the view shows range * tan(30 degrees) metres of ground above
// and below the focus point (for ranges small against the Earth).
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
  bool projectedOntoGlobe = false;  // the ray missed the globe: the nearest horizon point instead
};

struct LatLonBox {
  double north = 0;
  double south = 0;
  double east = 0;
  double west = 0;
};

// A direction or a position in the Earth-centred frame: x towards 0N 0E,
// y towards 0N 90E, z towards the north pole.
struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

// What the ray through one pixel meets.
struct RaySample {
  bool hit = false;
  Vec3 normal;        // hit: the unit vector from the Earth's centre to the point
  double facing = 0;  // hit: cosine between the normal and the way back to the camera
  // miss: how far the ray passes above the surface, in Earth radii
  double clearance = 0;
};

[[nodiscard]] GeoPoint GeoOf(const Vec3& unit);
[[nodiscard]] Vec3 UnitOf(GeoPoint point);

class GlobeView {
 public:
  GlobeView(const CameraState& camera, int width, int height);

  [[nodiscard]] int Width() const { return width_; }
  [[nodiscard]] int Height() const { return height_; }
  [[nodiscard]] PixelPoint Centre() const { return {width_ / 2.0, height_ / 2.0}; }
  [[nodiscard]] const CameraState& Camera() const { return camera_; }
  // The metres one pixel spans at the focus point, across the line of sight.
  [[nodiscard]] double FocusPixelMetres() const;

  // The camera's axes in the Earth frame: right, up (both on the screen)
  // and forward (into it). Shading uses them to light the globe from a
  // fixed direction relative to the viewer.
  [[nodiscard]] const Vec3& Right() const { return right_; }
  [[nodiscard]] const Vec3& Up() const { return up_; }
  [[nodiscard]] const Vec3& Forward() const { return forward_; }

  // nullopt when the point is behind the camera or hidden by the globe.
  [[nodiscard]] std::optional<PixelPoint> ToPixel(GeoPoint point) const;
  // The ground under a pixel; a ray that misses the globe gives the horizon
  // point nearest to it, with projectedOntoGlobe set.
  [[nodiscard]] TerrainHit FromPixel(PixelPoint pixel) const;
  // Screen coordinates as docs/automation-api.md defines them: x -1 (left) .. 1
  // (right), y -1 (bottom) .. 1 (top), clamped.
  [[nodiscard]] TerrainHit FromScreenCoords(double x, double y) const;
  // For the painter, which needs the surface normal, not the place.
  [[nodiscard]] RaySample Cast(PixelPoint pixel) const;

  // The latitude/longitude box of what the view shows: the centre and the
  // view's edges (points off the globe count at the horizon), each extreme
  // refined between samples. A pole on screen makes that side 90 and the
  // box all longitudes (-180 .. 180); a box across the date line has
  // west > east.
  [[nodiscard]] LatLonBox Extents() const;

 private:
  // The ray's direction (not normalised) through a pixel.
  [[nodiscard]] Vec3 RayThrough(PixelPoint pixel) const;
  [[nodiscard]] Vec3 HorizonToward(const Vec3& direction) const;

  CameraState camera_;
  int width_;
  int height_;
  double focalPixels_;
  Vec3 eye_;  // the camera's position in Earth radii
  double eyeDistance2_;
  Vec3 right_;
  Vec3 up_;
  Vec3 forward_;
};

}  // namespace standin
