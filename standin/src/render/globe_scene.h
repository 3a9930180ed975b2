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

#include "model/camera.h"
#include "model/earth_state.h"
#include "render/globe_view.h"

namespace standin {

// However many features are loaded, a picture draws at most this many
// markers and line points, taken from the newest loads; it paints them
// oldest load first, so the newest lie on top.
inline constexpr std::size_t kMaxSceneMarkers = 2000;
inline constexpr std::size_t kMaxSceneLinePoints = 50000;
inline constexpr std::size_t kMaxScenePolygonPoints = 50000;
inline constexpr std::size_t kMaxSceneOverlays = 64;

struct SceneMarker {
  GeoPoint at;
  std::u16string name;
  std::optional<double> heading;          // degrees clockwise from north
  std::shared_ptr<const ImageSlot> icon;  // null or empty: the pushpin (or the heading's arrow)
  bool iconGiven = false;
  double iconScale = 1;
  std::uint32_t iconColour = 0xFFFFFFFF;  // aabbggrr
  KmlVec2 hotSpot;
  std::uint32_t labelColour = 0xFFFFFFFF;  // aabbggrr
  double labelScale = 1;
  // The live position (see AddPlacemarks): its label is offered first.
  bool live = false;
  // For a click on the view; never locked by the painters.
  std::weak_ptr<FeatureNode> feature;
};

struct SceneLine {
  std::vector<GeoPoint> points;
  std::uint32_t rgb = 0xFFFFFF;  // 0x00RRGGBB
  int width = 1;
};

struct ScenePolygon {
  std::vector<std::vector<GeoPoint>> rings;  // the outer boundary, then the holes
  std::uint32_t colour = 0xFFFFFFFF;         // aabbggrr
};

struct SceneGroundOverlay {
  std::shared_ptr<const ImageSlot> image;
  std::uint32_t colour = 0xFFFFFFFF;  // aabbggrr, multiplies the image
  int drawOrder = 0;
  GroundPlacement place;
};

struct SceneScreenOverlay {
  std::shared_ptr<const ImageSlot> image;
  std::uint32_t colour = 0xFFFFFFFF;
  int drawOrder = 0;
  ScreenPlacement place;
};

// The description balloon: the feature's name and its description as text.
struct SceneBalloon {
  GeoPoint at;
  std::u16string title;
  std::u16string text;
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
  std::vector<ScenePolygon> polygons;
  std::vector<SceneGroundOverlay> groundOverlays;  // by drawOrder, then oldest load first
  std::vector<SceneScreenOverlay> screenOverlays;  // the same
  std::optional<SceneBalloon> balloon;
};

[[nodiscard]] GlobeScene SceneOf(const EarthState& state);

// The shown placemarks and overlays under Temporary Places (newest
// top-level feature first, depth-first inside each) and My Places, within
// the caps above. Hidden features and everything under them are left out,
// and so are lines, fills and overlays whose colour is fully transparent.
// A polygon adds its fill (PolyStyle fill) and its rings as lines
// (outline); a point adds a marker. The live position is the first
// placemark with an IconStyle heading in the newest load that has one:
// that is how a live GPS document writes its boat.
void AddPlacemarks(const FeatureTree& features, GlobeScene& scene);

// The balloon of `feature` (its name, its description reduced to text) at
// its first point, or at the focus point for a feature without one; nullopt
// when it is deleted or not shown.
// Where SetFeatureView takes the camera: a LookAt as it is, a Camera's eye
// turned into the place it looks at (on a sphere), its range and tilt.
[[nodiscard]] CameraState CameraOfFeatureView(const FeatureView& view);

// The placemark whose marker is at (or within a few pixels of) a pixel of
// the view, the one drawn on top first; null when none.
[[nodiscard]] std::shared_ptr<FeatureNode> PlacemarkAt(const GlobeScene& scene,
                                                       const GlobeView& view, PixelPoint pixel);

[[nodiscard]] std::optional<SceneBalloon> BalloonOf(const FeatureNode& feature,
                                                    const CameraState& camera);

}  // namespace standin
