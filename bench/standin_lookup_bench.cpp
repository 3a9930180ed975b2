// The stand-in's GetFeatureByName with 100,000 loaded documents, against a
// walk of the tree in the same order (what the name index replaces).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <string_view>

#include "model/feature_tree.h"

namespace {

using standin::FeatureNode;
using standin::FeatureTree;

constexpr int kDocuments = 100'000;

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

// What live GPS positions leave: documents "GPS Boat" each holding a
// placemark "Boat", plus one waypoint document of a unique name per ten.
std::unique_ptr<FeatureTree> LoadedTree() {
  auto tree = std::make_unique<FeatureTree>();
  for (int i = 0; i < kDocuments; ++i) {
    auto document = std::make_shared<FeatureNode>();
    document->name = i % 10 == 0 ? Wide("Waypoint " + std::to_string(i)) : u"GPS Boat";
    auto placemark = std::make_shared<FeatureNode>();
    placemark->name = u"Boat";
    placemark->parent = document;
    document->children.push_back(placemark);
    tree->AppendTemporary(document);
  }
  return tree;
}

const FeatureTree& Tree() {
  static const std::unique_ptr<FeatureTree> tree = LoadedTree();
  return *tree;
}

// Newest top-level feature first, depth-first inside each.
std::shared_ptr<FeatureNode> WalkNewestFirst(const FeatureTree& tree, std::u16string_view name) {
  const auto& loaded = tree.TemporaryPlaces()->children;
  for (auto top = loaded.rbegin(); top != loaded.rend(); ++top) {
    if (auto found = FeatureTree::FindDepthFirst(*top, name)) {
      return found;
    }
  }
  return nullptr;
}

const std::u16string kCases[] = {u"Boat", u"Waypoint 0", u"Waypoint 99990"};

void FindByName(benchmark::State& state) {
  const FeatureTree& tree = Tree();
  const std::u16string& name = kCases[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(tree.FindByName(name));
  }
}

void TreeWalk(benchmark::State& state) {
  const FeatureTree& tree = Tree();
  const std::u16string& name = kCases[static_cast<std::size_t>(state.range(0))];
  for (auto _ : state) {
    benchmark::DoNotOptimize(WalkNewestFirst(tree, name));
  }
}

// 0: a name that 100,000 placemarks share (the newest is found);
// 1: the oldest document; 2: one of the newest documents.
BENCHMARK(FindByName)->DenseRange(0, 2);
BENCHMARK(TreeWalk)->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
