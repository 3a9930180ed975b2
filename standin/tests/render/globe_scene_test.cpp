// Which loaded placemarks a picture draws: shown ones only, newest first,
// within the caps.
#include <memory>
#include <string>

#include "render/globe_scene.h"
#include "test.h"

using namespace standin;

namespace {

std::shared_ptr<FeatureNode> Placemark(std::u16string name, double longitude, double latitude,
                                       bool visible = true) {
  auto node = std::make_shared<FeatureNode>();
  node->name = std::move(name);
  node->visible = visible;
  auto shape = std::make_shared<PlacemarkShape>();
  shape->coordinates = {{longitude, latitude, 0}};
  node->shape = std::move(shape);
  return node;
}

std::shared_ptr<FeatureNode> Line(std::uint32_t abgr, double width) {
  auto node = std::make_shared<FeatureNode>();
  auto shape = std::make_shared<PlacemarkShape>();
  shape->kind = PlacemarkShape::Kind::kLine;
  shape->coordinates = {{1, 2, 0}, {3, 4, 0}};
  shape->lineColour = abgr;
  shape->lineWidth = width;
  node->shape = std::move(shape);
  return node;
}

std::shared_ptr<FeatureNode> Folder(std::u16string name,
                                    std::vector<std::shared_ptr<FeatureNode>> children,
                                    bool visible = true) {
  auto node = std::make_shared<FeatureNode>();
  node->name = std::move(name);
  node->visible = visible;
  for (auto& child : children) {
    child->parent = node;
  }
  node->children = std::move(children);
  return node;
}

std::u16string Names(const GlobeScene& scene) {
  std::u16string names;
  for (const SceneMarker& marker : scene.markers) {
    names += marker.name;
  }
  return names;
}

}  // namespace

STANDIN_TEST(ScenesDrawShownPlacemarksWithTheNewestLoadOnTop) {
  FeatureTree tree;
  tree.AppendTemporary(Folder(u"old", {Placemark(u"A", 1, 2), Placemark(u"B", 3, 4, false)}));
  tree.AppendTemporary(Folder(u"hidden", {Placemark(u"C", 5, 6)}, false));
  tree.AppendTemporary(
      Folder(u"new", {Folder(u"f", {Placemark(u"D", 7, 8)}), Placemark(u"E", 9, 10)}));
  GlobeScene scene;
  AddPlacemarks(tree, scene);
  // Painted oldest load first, so the newest lies on top.
  EXPECT_TRUE(Names(scene) == u"ADE");
  ASSERT_FALSE(scene.markers.empty());
  EXPECT_EQ(scene.markers[1].at.latitude, 8.0);
  EXPECT_EQ(scene.markers[1].at.longitude, 7.0);
  tree.SetVisibility(*tree.TemporaryPlaces(), false);
  GlobeScene none;
  AddPlacemarks(tree, none);
  EXPECT_TRUE(none.markers.empty());
}

STANDIN_TEST(ScenesTakeKmlLineColoursAndSkipTransparentLines) {
  FeatureTree tree;
  tree.AppendTemporary(
      Folder(u"lines", {Line(0xFF00FFFF, 4), Line(0x00FFFFFF, 1), Line(0x80FF0000, 40)}));
  GlobeScene scene;
  AddPlacemarks(tree, scene);
  ASSERT_EQ(scene.lines.size(), 2U);
  EXPECT_EQ(scene.lines[0].rgb, 0xFFFF00U);  // aabbggrr ff00ffff is yellow
  EXPECT_EQ(scene.lines[0].width, 4);
  EXPECT_EQ(scene.lines[1].rgb, 0x0000FFU);
  EXPECT_EQ(scene.lines[1].width, 10);  // capped
}

STANDIN_TEST(ScenesStopAtTheirCapLeavingOutTheOldestLoads) {
  FeatureTree tree;
  for (std::size_t i = 0; i < kMaxSceneMarkers + 10; ++i) {
    tree.AppendTemporary(Placemark(i == kMaxSceneMarkers + 9 ? u"newest" : u"p", 0, 0));
  }
  GlobeScene scene;
  AddPlacemarks(tree, scene);
  EXPECT_EQ(scene.markers.size(), kMaxSceneMarkers);
  EXPECT_TRUE(scene.markers.back().name == u"newest");
}
