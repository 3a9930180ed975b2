// What lies on the ground, painted pixel by pixel: polygon fills and
// ground overlays' images. Each pixel's place on the globe decides, so a
// fill or an image follows the globe's curve, the horizon, the 180th
// meridian and the poles as the surface does. Every function paints a band
// of rows, so the painting can be shared between threads. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "render/globe_scene.h"
#include "render/globe_view.h"

namespace standin {

// Top-down rows of 0x00RRGGBB pixels.
struct PixelCanvas {
  std::uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;
};

// The place under each pixel of rows [rowBegin, rowEnd), cast once for all
// the fills and overlays of a picture.
class GroundPixels {
 public:
  GroundPixels(const GlobeView& view, int rowBegin, int rowEnd);
  [[nodiscard]] int RowBegin() const { return rowBegin_; }
  [[nodiscard]] int RowEnd() const { return rowEnd_; }
  [[nodiscard]] int Width() const { return width_; }
  // nullopt where the pixel shows sky.
  [[nodiscard]] std::optional<GeoPoint> At(int x, int y) const;

 private:
  int rowBegin_;
  int rowEnd_;
  int width_;
  double originLatitude_;
  double originLongitude_;
  std::vector<float> places_;  // latitude, longitude from the origin per pixel; NaN for sky
};

// A polygon's inside on the globe: its rings (edges the shorter way round,
// so a ring may cross the 180th meridian; one that goes once around a pole
// holds that pole) filled even-odd into a latitude/longitude grid about as
// fine as `degreesPerCell`.
class GeoMask {
 public:
  GeoMask(const std::vector<std::vector<GeoPoint>>& rings, double degreesPerCell);
  [[nodiscard]] bool Contains(GeoPoint point) const;
  [[nodiscard]] bool Empty() const { return cells_.empty(); }

 private:
  double north_ = 0;
  double west_ = 0;
  double cellLatitude_ = 1;
  double cellLongitude_ = 1;
  int columns_ = 0;
  int rows_ = 0;
  std::vector<std::uint8_t> cells_;
};

// The rows [top, bottom) and columns [left, right) a shape on the ground
// can cover: the box of its outline's pixels when all of it is in sight,
// else the whole picture.
struct PixelSpan {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
[[nodiscard]] PixelSpan SpanOf(const GlobeView& view, const std::vector<GeoPoint>& outline);

// The rows the scene's fills and ground overlays can cover, [top, bottom):
// only those need their places cast.
[[nodiscard]] std::pair<int, int> GroundRows(const GlobeView& view, const GlobeScene& scene);

void FillPolygon(const GlobeView& view, const ScenePolygon& polygon, const GroundPixels& ground,
                 PixelCanvas canvas);
void DrapeGroundOverlay(const GlobeView& view, const SceneGroundOverlay& overlay,
                        const GroundPixels& ground, PixelCanvas canvas);

// A ground overlay's image coordinates (0..1 from the left, 0..1 from the
// top) at a place; nullopt outside it.
[[nodiscard]] std::optional<std::pair<double, double>> OverlayUv(const GroundPlacement& place,
                                                                 GeoPoint point);

}  // namespace standin
