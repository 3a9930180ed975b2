// What one picture of the globe shows: the camera, the layers that change
// the drawing and the loaded placemarks. Built from the EarthState for every
// paint and every screenshot. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera.h"
#include "earth_state.h"
#include "globe_view.h"

namespace standin {

// However many features are loaded, a picture draws at most this many
// markers and line points, taken from the newest loads; it paints them
// oldest load first, so the newest lie on top.
inline constexpr std::size_t kMaxSceneMarkers = 2000;
inline constexpr std::size_t kMaxSceneLinePoints = 50000;

struct SceneMarker {
  GeoPoint at;
  std::u16string name;
  std::optional<double> heading;  // degrees clockwise from north
};

struct SceneLine {
  std::vector<GeoPoint> points;
  std::uint32_t rgb = 0xFFFFFF;  // 0x00RRGGBB
  int width = 1;
};

struct GlobeScene {
  CameraState camera;
  bool borders = true;     // "International Borders" (of "Borders and Labels")
  bool coastlines = true;  // "Coastlines"
  bool places = true;      // "Populated Places": city dots and names
  bool terrain = true;     // "Terrain": the surface imagery (off: a flat map of land and sea)
  bool ocean = true;       // "Ocean": the sea's imagery and glint (off: a flat sea)
  std::vector<SceneMarker> markers;
  std::vector<SceneLine> lines;
};

[[nodiscard]] GlobeScene SceneOf(const EarthState& state);

// The shown placemarks under Temporary Places (newest top-level feature
// first, depth-first inside each) and My Places, within the caps above.
// Hidden features and everything under them are left out, and so are lines
// whose colour is fully transparent.
void AddPlacemarks(const FeatureTree& features, GlobeScene& scene);

}  // namespace standin
