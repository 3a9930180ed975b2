// What one picture of the globe shows: the camera and the layers that
// change the drawing. Built from the EarthState for every paint and every
// screenshot. Portable.
#pragma once

#include "camera.h"
#include "earth_state.h"

namespace standin {

struct GlobeScene {
  CameraState camera;
  bool borders = true;     // "International Borders" (of "Borders and Labels")
  bool coastlines = true;  // "Coastlines"
  bool places = true;      // "Populated Places": city dots and names
  bool terrain = true;     // "Terrain": relief shading on land
  bool ocean = true;       // "Ocean": depth shading of the sea
  double elevationExaggeration = 1.0;
};

[[nodiscard]] GlobeScene SceneOf(const EarthState& state);

}  // namespace standin
