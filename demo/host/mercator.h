// The chart's projection: a plain Mercator chart centred on a point, so many
// metres of the ground across its width at the centre's latitude.
// Portable, header-only.
#pragma once

#include <cmath>
#include <numbers>

namespace demo {

inline constexpr double kEarthRadiusMetres = 6'371'000.0;

struct ChartPoint {
  double x = 0;
  double y = 0;  // downwards
};

class MercatorChart {
 public:
  MercatorChart(double centreLatitude, double centreLongitude, double extentMetres, int width,
                int height)
      : centreX_(Radians(centreLongitude)),
        centreY_(MercatorY(centreLatitude)),
        width_(width),
        height_(height),
        scale_(width / (extentMetres / (kEarthRadiusMetres * std::cos(Radians(centreLatitude))))) {}

  [[nodiscard]] ChartPoint Project(double latitude, double longitude) const {
    return {width_ / 2.0 + (Radians(longitude) - centreX_) * scale_,
            height_ / 2.0 - (MercatorY(latitude) - centreY_) * scale_};
  }

  [[nodiscard]] double MetresPerPixelAtCentre(double centreLatitude) const {
    return kEarthRadiusMetres * std::cos(Radians(centreLatitude)) / scale_;
  }

 private:
  static double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
  static double MercatorY(double latitude) {
    return std::log(std::tan(std::numbers::pi / 4 + Radians(latitude) / 2));
  }

  double centreX_;
  double centreY_;
  int width_;
  int height_;
  double scale_;  // pixels per radian of longitude
};

}  // namespace demo
