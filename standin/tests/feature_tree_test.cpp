#include "feature_tree.h"

#include "test.h"

using namespace standin;

namespace {

std::shared_ptr<FeatureNode> Node(std::u16string name,
                                  std::vector<std::shared_ptr<FeatureNode>> children = {}) {
  auto node = std::make_shared<FeatureNode>();
  node->name = std::move(name);
  for (auto& child : children) child->parent = node;
  node->children = std::move(children);
  return node;
}

}  // namespace

STANDIN_TEST(BuiltInLayersAreFoundByExactName) {
  const FeatureTree tree;
  for (const char16_t* name :
       {u"Borders and Labels", u"Places", u"Roads", u"3D Buildings", u"Terrain", u"Ocean",
        u"Primary Database", u"Temporary Places", u"My Places"}) {
    const auto node = tree.FindByName(name);
    EXPECT_TRUE(node && node->name == name);
  }
  EXPECT_TRUE(!tree.FindByName(u"roads"));
  EXPECT_TRUE(!tree.FindByName(u"Nothing"));
  EXPECT_TRUE(!FeatureTree::Parent(*tree.TemporaryPlaces()));
  EXPECT_TRUE(FeatureTree::Parent(*tree.FindByName(u"Roads"))->name == u"Primary Database");
}

STANDIN_TEST(NewestTemporaryFeatureWinsThenDepthFirst) {
  FeatureTree tree;
  const auto older = Node(u"Track", {Node(u"Point")});
  const auto newer = Node(u"Doc", {Node(u"Folder", {Node(u"Point")}), Node(u"Point")});
  tree.AppendTemporary(older);
  tree.AppendTemporary(newer);
  EXPECT_TRUE(tree.FindByName(u"Point") == newer->children[0]->children[0]);
  EXPECT_TRUE(tree.FindByName(u"Track") == older);
  tree.Remove(newer);
  EXPECT_TRUE(newer->deleted && newer->children[1]->deleted);
  EXPECT_TRUE(tree.FindByName(u"Point") == older->children[0]);
}

STANDIN_TEST(VisibilityGoesDownToChildrenAndUpWhenTurnedOn) {
  FeatureTree tree;
  int changes = 0;
  tree.SetOnChanged([&] { ++changes; });
  const auto borders = tree.FindByName(u"Borders and Labels");
  const auto coastlines = tree.FindByName(u"Coastlines");
  tree.SetVisibility(*borders, false);
  EXPECT_TRUE(!coastlines->visible);
  EXPECT_TRUE(!tree.IsLayerShown(u"Coastlines"));
  tree.SetVisibility(*coastlines, true);
  EXPECT_TRUE(borders->visible);
  EXPECT_TRUE(tree.IsLayerShown(u"Coastlines"));
  EXPECT_EQ(changes, 2);
}

STANDIN_TEST(HighlightFollowsTheLastHighlightedLiveFeature) {
  FeatureTree tree;
  const auto doc = Node(u"Doc");
  tree.AppendTemporary(doc);
  EXPECT_TRUE(!tree.Highlighted());
  tree.Highlight(doc);
  EXPECT_TRUE(tree.Highlighted() == doc);
  tree.Remove(doc);
  EXPECT_TRUE(!tree.Highlighted());
}
