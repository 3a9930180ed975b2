// The mouse wheel over the panel, and the ground under a pixel of it.
#include <cstdint>
#include <memory>
#include <optional>

#include "panel/ge_panel.h"

namespace zge {
namespace {

constexpr double kZoomFactor = 1.2;
// One notch of a standard wheel is 120; half a notch makes one zoom unit.
constexpr std::int32_t kWheelPerZoomUnit = 60;

TMousePosGE Missed() {
  TMousePosGE missed;
  missed.Missed = 1;
  return missed;
}

}  // namespace

bool TGEPanel::IsMauseIn() {
  const std::optional<Point> cursor = window_->CursorPosition();
  if (!cursor) {
    return false;
  }
  // The far edges count as inside: the host's own hit test does the same.
  const Size size = window_->ClientSize();
  return cursor->x >= 0 && cursor->x <= size.width && cursor->y >= 0 && cursor->y <= size.height;
}

void TGEPanel::Zoom(std::int32_t steps) {
  // Only the direction counts: a fast wheel zooms one step, as a slow one.
  const double range = GetRange();
  SetRange(steps >= 1 ? range / kZoomFactor : range * kZoomFactor);
}

bool TGEPanel::OnMouseWheel(const TWheelMessage& message) {
  // WM_MOUSEWHEEL carries the amount in the high word of the low 32 bits.
  const auto wheelDelta = static_cast<std::int16_t>((message.WParam >> 16) & 0xFFFF);
  return OnMouseWheel(static_cast<std::int32_t>(wheelDelta));
}

bool TGEPanel::OnMouseWheel(std::int32_t wheelDelta) {
  const bool inside = IsMauseIn();
  if (inside) {
    Zoom(wheelDelta / kWheelPerZoomUnit);
  }
  return inside;
}

TMousePosGE TGEPanel::MousePos(std::int32_t x, std::int32_t y) {
  if (FApplication == nullptr) {
    return Missed();
  }
  const Size size = window_->ClientSize();
  if (size.width <= 0 || size.height <= 0) {
    return Missed();
  }
  // Pixels beyond the panel are passed on as they are; 64-bit numerators
  // keep any 32-bit pixel from overflowing.
  const std::int64_t width = size.width;
  const std::int64_t height = size.height;
  const double screenX =
      static_cast<double>(2 * std::int64_t{x} - width) / static_cast<double>(width);
  const double screenY =
      static_cast<double>(height - 2 * std::int64_t{y}) / static_cast<double>(height);
  const std::unique_ptr<earth::PointOnTerrainGE> point =
      GetApplicationGE().GetPointOnTerrainFromScreenCoords(screenX, screenY);
  if (point == nullptr || point->ProjectedOntoGlobe()) {
    return Missed();
  }
  FMouseLatitude = point->Latitude();
  FMouseLongitude = point->Longitude();
  const double altitude = point->Altitude();
  TMousePosGE result;
  result.Longitude = FMouseLongitude;
  result.Latitude = FMouseLatitude;
  result.Altitude = altitude;
  result.Missed = 0;
  return result;
}

}  // namespace zge
