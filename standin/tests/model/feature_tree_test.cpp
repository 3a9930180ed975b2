#include "model/feature_tree.h"

#include <string>
#include <vector>

#include "feature_nodes.h"
#include "model/text.h"
#include "test.h"

using namespace standin;

namespace {

std::shared_ptr<FeatureNode> Node(std::u16string name,
                                  std::vector<std::shared_ptr<FeatureNode>> children = {}) {
  return test::MakeNode(std::move(name), std::move(children));
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

STANDIN_TEST(NameLookupIsExactAndNewestLoadFirst) {
  FeatureTree tree;
  const auto first = Node(u"GPS Boat", {Node(u"Boat")});
  const auto second = Node(u"GPS Boat", {Node(u"Boat"), Node(u"boat")});
  tree.AppendTemporary(first);
  tree.AppendTemporary(second);
  EXPECT_TRUE(tree.FindByName(u"GPS Boat") == second);
  EXPECT_TRUE(tree.FindByName(u"Boat") == second->children[0]);
  EXPECT_TRUE(tree.FindByName(u"boat") == second->children[1]);
  EXPECT_TRUE(!tree.FindByName(u"BOAT"));
  EXPECT_TRUE(!tree.FindByName(u"Boat "));
  // A loaded feature named like a layer is found before the layer.
  const auto roads = Node(u"Roads");
  tree.AppendTemporary(roads);
  EXPECT_TRUE(tree.FindByName(u"Roads") == roads);
}

STANDIN_TEST(NameIndexFollowsRemovals) {
  FeatureTree tree;
  const auto a = Node(u"Doc", {Node(u"P"), Node(u"Folder", {Node(u"Q")})});
  const auto b = Node(u"Doc", {Node(u"Folder", {Node(u"P")}), Node(u"Q")});
  const auto c = Node(u"Other", {Node(u"P")});
  tree.AppendTemporary(a);
  tree.AppendTemporary(b);
  tree.AppendTemporary(c);
  EXPECT_TRUE(tree.FindByName(u"P") == c->children[0]);
  tree.Remove(c);                                                     // the newest
  EXPECT_TRUE(tree.FindByName(u"P") == b->children[0]->children[0]);  // depth-first inside b
  EXPECT_TRUE(!tree.FindByName(u"Other"));
  tree.Remove(b->children[0]);  // a node inside a load
  EXPECT_TRUE(tree.FindByName(u"P") == a->children[0]);
  EXPECT_TRUE(tree.FindByName(u"Q") == b->children[0]);
  EXPECT_TRUE(tree.FindByName(u"Folder") == a->children[1]);
  tree.Remove(b);  // the middle one, after a part of it went already
  EXPECT_TRUE(tree.FindByName(u"Doc") == a);
  EXPECT_TRUE(tree.FindByName(u"Q") == a->children[1]->children[0]);
  tree.Remove(a);
  EXPECT_TRUE(!tree.FindByName(u"Doc") && !tree.FindByName(u"P") && !tree.FindByName(u"Q"));
  EXPECT_TRUE(tree.TemporaryPlaces()->children.empty());
  const auto again = Node(u"Doc");
  tree.AppendTemporary(again);
  EXPECT_TRUE(tree.FindByName(u"Doc") == again);
}

STANDIN_TEST(HundredThousandLoadsAreFoundByName) {
  FeatureTree tree;
  constexpr int kLoads = 100'000;
  std::vector<std::shared_ptr<FeatureNode>> loads;
  loads.reserve(kLoads);
  for (int i = 0; i < kLoads; ++i) {
    const std::u16string number = ToUtf16(std::to_string(i));
    loads.push_back(Node(u"Track" + number, {Node(u"Leg"), Node(u"GPS" + number)}));
    tree.AppendTemporary(loads.back());
  }
  EXPECT_TRUE(tree.FindByName(u"Leg") == loads.back()->children[0]);
  for (const int i : {0, 1, 4'242, 99'999}) {
    const std::u16string number = ToUtf16(std::to_string(i));
    EXPECT_TRUE(tree.FindByName(u"Track" + number) == loads[i]) << i;
    EXPECT_TRUE(tree.FindByName(u"GPS" + number) == loads[i]->children[1]) << i;
  }
  tree.Remove(loads.back());
  EXPECT_TRUE(tree.FindByName(u"Leg") == loads[kLoads - 2]->children[0]);
  EXPECT_TRUE(tree.FindByName(u"Primary Database") == tree.LayersDatabases()[0]);
}

// A caller may name the feature by the tree's own entry for it, which the
// removal takes out of the children: the features after it stay whole.
STANDIN_TEST(RemovingByTheTreesOwnEntryIsSafe) {
  FeatureTree tree;
  const auto a = Node(u"A", {Node(u"P")});
  const auto b = Node(u"B", {Node(u"Q")});
  tree.AppendTemporary(a);
  tree.AppendTemporary(b);
  tree.Remove(tree.TemporaryPlaces()->children.front());
  EXPECT_TRUE(a->deleted && !tree.FindByName(u"P"));
  EXPECT_TRUE(!b->deleted && !b->children[0]->deleted);
  EXPECT_TRUE(FeatureTree::Parent(*b) == tree.TemporaryPlaces());
  EXPECT_TRUE(tree.FindByName(u"Q") == b->children[0]);
  tree.Remove(tree.TemporaryPlaces()->children.back());
  EXPECT_TRUE(b->deleted && tree.TemporaryPlaces()->children.empty());
}
