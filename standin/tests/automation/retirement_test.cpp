// Retirement of shadowed copies: a live position stream loads the same
// document every second; old copies nobody can reach any more leave the
// model, and nothing a client can observe changes.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/call_gate.h"
#include "automation/feature_ge.h"
#include "feature_nodes.h"
#include "model/earth_state.h"
#include "model/feature_tree.h"
#include "model/journal.h"
#include "test.h"

using namespace standin;

namespace {

using NodePtr = std::shared_ptr<FeatureNode>;

NodePtr Node(std::u16string name, std::vector<NodePtr> children = {}) {
  const bool placemark = name == u"Boat" || name == u"Tug" || name == u"MOB";
  auto node = test::MakeNode(std::move(name), std::move(children));
  return placemark ? test::WithPoint(std::move(node), {14.5, 35.9, 0}) : node;
}

// What LoadLiveGPS asks of Earth: hide the placemark of the newest copy,
// then load the next. Returns nothing: the stream keeps no reference.
void LoadFix(FeatureTree& tree, const std::u16string& boat,
             std::vector<std::u16string> extra = {}) {
  if (const auto previous = tree.FindByName(u"GPS " + boat)) {
    for (const auto& child : previous->children) {
      if (child->name == boat && child->visible) {
        tree.SetVisibility(*child, false);
      }
    }
  }
  std::vector<NodePtr> children{Node(boat)};
  for (auto& name : extra) {
    children.push_back(Node(std::move(name)));
  }
  tree.AppendTemporary(Node(u"GPS " + boat, std::move(children)));
}

// Still a top-level feature of Temporary Places.
bool InTree(const FeatureTree& tree, const std::weak_ptr<FeatureNode>& weak) {
  const auto node = weak.lock();
  return node && !node->deleted && FeatureTree::Parent(*node) == tree.TemporaryPlaces();
}

}  // namespace

STANDIN_TEST(RetirementKeepsTheNewestCopiesOfEachName) {
  struct Case {
    std::uint32_t keep;
    int fixes;
    std::size_t kept;  // copies of the one name left
  };
  const Case cases[] = {
      {0, 10, 1},
      {1, 10, 2},
      {3, 10, 4},
      {3, 4, 4},
      {3, 2, 2},
      {100, 500, 101},
      {FeatureTree::kKeepEveryCopy, 500, 500},
  };
  for (const Case& c : cases) {
    const std::string name = "keep " + std::to_string(c.keep) + ", " + std::to_string(c.fixes);
    FeatureTree tree;
    tree.SetKeepShadowed(c.keep);
    for (int i = 0; i < c.fixes; ++i) {
      LoadFix(tree, u"Boat");
    }
    const auto& loads = tree.TemporaryPlaces()->children;
    EXPECT_EQ_IN(loads.size(), c.kept, name);
    EXPECT_EQ_IN(tree.RetiredCount(), static_cast<std::uint64_t>(c.fixes) - c.kept, name);
    // The newest ones, in load order, and the newest is still the one found.
    for (std::size_t i = 1; i < loads.size(); ++i) {
      EXPECT_EQ_IN(loads[i]->loadSequence, loads[i - 1]->loadSequence + 1, name);
    }
    EXPECT_TRUE(tree.FindByName(u"GPS Boat") == loads.back()) << name;
    EXPECT_TRUE(tree.FindByName(u"Boat") == loads.back()->children[0]) << name;
    EXPECT_EQ_IN(tree.LoadsShowingPlacemarks().size(), 1U, name);
  }
}

STANDIN_TEST(NamesAreRetiredIndependently) {
  FeatureTree tree;
  tree.SetKeepShadowed(2);
  tree.AppendTemporary(Node(u"Route", {Node(u"leg")}));
  tree.SetVisibility(*tree.FindByName(u"Route"), false);
  for (int i = 0; i < 20; ++i) {
    LoadFix(tree, u"Boat");
    if (i % 4 == 0) {
      LoadFix(tree, u"Tug");
    }
  }
  std::map<std::u16string, int> copies;
  for (const auto& load : tree.TemporaryPlaces()->children) {
    ++copies[load->name];
  }
  EXPECT_EQ(copies[u"GPS Boat"], 3);
  EXPECT_EQ(copies[u"GPS Tug"], 3);
  // A hidden document with no newer copy is the one its name finds.
  EXPECT_EQ(copies[u"Route"], 1);
  EXPECT_EQ(tree.RetiredCount(), 17U + 2U);
}

// Every name answers GetFeatureByName as it did, whatever was retired:
// after each load, a name finds what it found before or something in the
// new load.
STANDIN_TEST(RetirementNeverChangesWhatANameFinds) {
  FeatureTree tree;
  tree.SetKeepShadowed(1);
  std::map<std::u16string, NodePtr> found;
  const std::vector<std::u16string> names = {u"GPS Boat", u"Boat",   u"GPS Tug", u"Tug",
                                             u"MOB",      u"Note 3", u"Note 7"};
  for (int i = 0; i < 60; ++i) {
    std::vector<std::u16string> extra;
    // A man-overboard mark in a few fixes only, and notes that come once.
    if (i % 9 == 0) {
      extra.emplace_back(u"MOB");
    }
    if (i == 3 || i == 7) {
      extra.push_back(u"Note " + std::u16string(1, char16_t(u'0' + i)));
    }
    const bool tug = i % 5 == 0;
    LoadFix(tree, tug ? u"Tug" : u"Boat", extra);
    const std::uint64_t newest = tree.TemporaryPlaces()->children.back()->loadSequence;
    for (const auto& name : names) {
      const auto now = tree.FindByName(name);
      const auto before = found[name];
      EXPECT_TRUE(now == before || (now && now->loadSequence == newest))
          << "fix " << i << ", name " << std::string(name.begin(), name.end());
      found[name] = now;
    }
  }
  EXPECT_GT(tree.RetiredCount(), 40U);
  // The copies that hold the only "Note" of their number stay.
  EXPECT_TRUE(tree.FindByName(u"Note 3") && !tree.FindByName(u"Note 3")->deleted);
  EXPECT_TRUE(tree.FindByName(u"Note 7") && !tree.FindByName(u"Note 7")->deleted);
}

// A copy that is not shadowed when its turn comes stays, and goes on a
// later load once it is.
STANDIN_TEST(HeldShownOrHighlightedCopiesStayUntilLetGo) {
  struct Case {
    const char* name;
    std::function<std::function<void()>(FeatureTree&, const NodePtr&)> hold;  // returns release
  };
  const Case cases[] = {
      {"a client holds the document",
       [](FeatureTree&, const NodePtr& copy) {
         auto held = std::make_shared<NodePtr>(copy);
         return [held] { held->reset(); };
       }},
      {"a client holds its placemark",
       [](FeatureTree&, const NodePtr& copy) {
         auto held = std::make_shared<NodePtr>(copy->children[0]);
         return [held] { held->reset(); };
       }},
      {"a collection taken while it was the newest holds it",
       [](FeatureTree&, const NodePtr& copy) {
         auto held = std::make_shared<std::vector<NodePtr>>(std::vector<NodePtr>{copy});
         return [held] { held->clear(); };
       }},
      {"its placemark is shown again",
       [](FeatureTree& tree, const NodePtr& copy) {
         tree.SetVisibility(*copy->children[0], true);
         const std::weak_ptr<FeatureNode> placemark = copy->children[0];
         return [&tree, placemark] { tree.SetVisibility(*placemark.lock(), false); };
       }},
      {"its placemark is highlighted",
       [](FeatureTree& tree, const NodePtr& copy) {
         tree.Highlight(copy->children[0]);
         return [&tree] { tree.Highlight(nullptr); };
       }},
  };
  for (const Case& c : cases) {
    FeatureTree tree;
    tree.SetKeepShadowed(1);
    LoadFix(tree, u"Boat");
    LoadFix(tree, u"Boat");  // hides the first
    std::weak_ptr<FeatureNode> weak = tree.TemporaryPlaces()->children[0];
    std::function<void()> release = c.hold(tree, weak.lock());
    for (int i = 0; i < 5; ++i) {
      LoadFix(tree, u"Boat");
    }
    EXPECT_TRUE(InTree(tree, weak)) << c.name;
    EXPECT_EQ_IN(tree.RetiredCount(), 4U, c.name);  // every other copy but the newest two
    release();
    LoadFix(tree, u"Boat");
    EXPECT_TRUE(weak.expired()) << c.name;
    EXPECT_EQ_IN(tree.TemporaryPlaces()->children.size(), 2U, c.name);
    EXPECT_EQ_IN(tree.RetiredCount(), 6U, c.name);
  }
}

// The holders that matter are the automation objects: a feature object or
// a GetChildren collection keeps its documents alive and working.
STANDIN_TEST(FeatureObjectsAndCollectionsKeepTheirDocuments) {
  const auto gate = std::make_shared<CallGate>(std::make_unique<NullJournal>(), CallPolicy());
  const auto state = std::make_shared<EarthState>();
  FeatureTree& tree = state->Features();
  tree.SetKeepShadowed(0);
  LoadFix(tree, u"Boat");
  const std::weak_ptr<FeatureNode> first = tree.TemporaryPlaces()->children.at(0);
  com_ptr<IDispatch> placemark = MakeFeature(gate, state, tree.FindByName(u"Boat"));
  LoadFix(tree, u"Boat");
  const std::weak_ptr<FeatureNode> second = tree.TemporaryPlaces()->children.at(1);
  com_ptr<IDispatch> children =
      MakeDispatch<FeatureCollectionGE>(gate, state, tree.TemporaryPlaces()->children, "Children");
  LoadFix(tree, u"Boat");
  LoadFix(tree, u"Boat");
  EXPECT_TRUE(InTree(tree, first));
  EXPECT_TRUE(InTree(tree, second));
  EXPECT_EQ(tree.TemporaryPlaces()->children.size(), 3U);
  placemark.reset();
  children.reset();
  LoadFix(tree, u"Boat");
  EXPECT_TRUE(first.expired() && second.expired());
  EXPECT_EQ(tree.TemporaryPlaces()->children.size(), 1U);
}

// A waiting copy whose newer copies the client removed is the newest again:
// it is what its name finds, so it stays.
STANDIN_TEST(ACopyWhoseNewerCopiesWereRemovedStays) {
  FeatureTree tree;
  tree.SetKeepShadowed(1);
  LoadFix(tree, u"Boat");
  LoadFix(tree, u"Boat");
  NodePtr held = tree.TemporaryPlaces()->children[0];
  LoadFix(tree, u"Boat");
  LoadFix(tree, u"Boat");
  ASSERT_EQ(tree.TemporaryPlaces()->children.size(), 3U);
  while (tree.TemporaryPlaces()->children.size() > 1) {
    tree.Remove(tree.TemporaryPlaces()->children.back());
  }
  const std::weak_ptr<FeatureNode> weak = held;
  held.reset();
  for (int i = 0; i < 4; ++i) {
    LoadFix(tree, u"Tug");
  }
  ASSERT_FALSE(weak.expired());
  EXPECT_TRUE(tree.FindByName(u"GPS Boat") == weak.lock());
  // Newer copies come: it is an old one again, and goes.
  LoadFix(tree, u"Boat");
  LoadFix(tree, u"Boat");
  LoadFix(tree, u"Tug");
  EXPECT_TRUE(weak.expired());
}
