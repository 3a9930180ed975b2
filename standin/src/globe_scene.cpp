#include "globe_scene.h"

namespace standin {

GlobeScene SceneOf(const EarthState& state) {
  const FeatureTree& features = state.Features();
  GlobeScene scene;
  scene.camera = state.Camera();
  scene.borders = features.IsLayerShown(u"International Borders");
  scene.coastlines = features.IsLayerShown(u"Coastlines");
  scene.places = features.IsLayerShown(u"Populated Places");
  scene.terrain = features.IsLayerShown(u"Terrain");
  scene.ocean = features.IsLayerShown(u"Ocean");
  scene.elevationExaggeration = state.ElevationExaggeration();
  return scene;
}

}  // namespace standin
