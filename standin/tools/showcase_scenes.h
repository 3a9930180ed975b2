// The five views the globe is judged by, at the ranges a chart plotter
// uses: the picture tool draws them and the benchmark times them. Portable.
#pragma once

#include <array>

#include "model/camera.h"

namespace standin {

struct ShowcaseScene {
  const char* name;
  CameraState camera;
};

inline CameraState ShowcaseCamera(double latitude, double longitude, double range, double tilt = 0,
                                  double azimuth = 0) {
  CameraState camera;
  camera.latitude = latitude;
  camera.longitude = longitude;
  camera.range = range;
  camera.tilt = tilt;
  camera.azimuth = azimuth;
  return camera;
}

inline const std::array<ShowcaseScene, 5>& ShowcaseScenes() {
  static const std::array<ShowcaseScene, 5> scenes = {{
      {"globe", ShowcaseCamera(30, 15, 12e6)},
      {"mediterranean-1000km", ShowcaseCamera(37.5, 14, 1e6)},
      {"sicily-76km", ShowcaseCamera(37.0, 14.9, 76e3)},
      {"valletta-5km", ShowcaseCamera(35.893, 14.515, 5e3)},
      {"malta-tilt60-20km", ShowcaseCamera(35.90, 14.42, 20e3, 60, 300)},
  }};
  return scenes;
}

}  // namespace standin
