#include "globe_scene.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace standin {
namespace {

class PlacemarkCollector {
 public:
  explicit PlacemarkCollector(GlobeScene& scene) : scene_(scene) {}

  [[nodiscard]] bool Full() const {
    return scene_.markers.size() >= kMaxSceneMarkers || linePoints_ >= kMaxSceneLinePoints;
  }

  // Depth-first; a hidden feature hides its subtree.
  void Visit(const FeatureNode& node) {
    if (!node.visible || node.deleted || Full()) return;
    if (node.shape) Add(node);
    for (const auto& child : node.children) Visit(*child);
  }

 private:
  void Add(const FeatureNode& node) {
    const PlacemarkShape& shape = *node.shape;
    if (shape.kind == PlacemarkShape::Kind::kPoint) {
      const KmlCoordinate& at = shape.coordinates.front();
      scene_.markers.push_back({{at.latitude, at.longitude}, node.name, shape.heading});
      return;
    }
    if ((shape.lineColour >> 24) == 0 || shape.coordinates.size() < 2) return;
    SceneLine line;
    const std::size_t room = kMaxSceneLinePoints - linePoints_;
    const std::size_t count = std::min(shape.coordinates.size(), room);
    line.points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      line.points.push_back({shape.coordinates[i].latitude, shape.coordinates[i].longitude});
    }
    // KML writes colours as aabbggrr.
    const std::uint32_t abgr = shape.lineColour;
    line.rgb = ((abgr & 0xFFU) << 16) | (abgr & 0xFF00U) | ((abgr >> 16) & 0xFFU);
    line.width = static_cast<int>(std::lround(std::clamp(shape.lineWidth, 1.0, 10.0)));
    linePoints_ += count;
    scene_.lines.push_back(std::move(line));
  }

  GlobeScene& scene_;
  std::size_t linePoints_ = 0;
};

}  // namespace

namespace {

// Moves the items collected for each load (newest load first) into the
// painter's order: the oldest load first, so that newer loads are drawn on
// top of older ones.
template <typename Item>
void OldestLoadFirst(std::vector<Item>& items, const std::vector<std::size_t>& loadStarts) {
  std::vector<Item> ordered;
  ordered.reserve(items.size());
  std::size_t end = items.size();
  for (auto start = loadStarts.rbegin(); start != loadStarts.rend(); ++start) {
    std::move(items.begin() + static_cast<std::ptrdiff_t>(*start),
              items.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(ordered));
    end = *start;
  }
  items = std::move(ordered);
}

}  // namespace

void AddPlacemarks(const FeatureTree& features, GlobeScene& scene) {
  PlacemarkCollector collector(scene);
  const auto temporary = features.TemporaryPlaces();
  if (temporary->visible) {
    // Newest loads first, so that the cap leaves out the oldest.
    std::vector<std::size_t> markerStarts;
    std::vector<std::size_t> lineStarts;
    // Loads that show no placemark are not looked at (see FeatureTree).
    for (const auto& [sequence, weakLoad] : features.LoadsShowingPlacemarks()) {
      if (collector.Full()) break;
      const auto load = weakLoad.lock();
      if (!load) continue;
      markerStarts.push_back(scene.markers.size());
      lineStarts.push_back(scene.lines.size());
      collector.Visit(*load);
    }
    OldestLoadFirst(scene.markers, markerStarts);
    OldestLoadFirst(scene.lines, lineStarts);
  }
  collector.Visit(*features.MyPlaces());
}

GlobeScene SceneOf(const EarthState& state) {
  const FeatureTree& features = state.Features();
  GlobeScene scene;
  scene.camera = state.ShownCamera();
  scene.borders = features.IsLayerShown(u"International Borders");
  scene.coastlines = features.IsLayerShown(u"Coastlines");
  scene.places = features.IsLayerShown(u"Populated Places");
  scene.terrain = features.IsLayerShown(u"Terrain");
  scene.ocean = features.IsLayerShown(u"Ocean");
  AddPlacemarks(features, scene);
  return scene;
}

}  // namespace standin
