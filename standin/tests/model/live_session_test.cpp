// A day of live positions in the model, as the DLL sends them: every fix
// loads a document "GPS <name>" and hides the placemark of the one before.
// Which loads a picture looks at, and what a superseded position costs in
// memory and in scene time.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "com/stats_file.h"
#include "feature_nodes.h"
#include "kml/kml_loader.h"
#include "model/earth_state.h"
#include "model/feature_tree.h"
#include "render/globe_scene.h"
#include "test.h"

using namespace standin;

namespace {

std::u16string Fix(int index) {
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><kml xmlns=\"http://earth.google.com/kml/2.2\">"
      "<Document><name>GPS Boat</name><Placemark><name>Boat</name><description>fix " +
      std::to_string(index) +
      "</description><Style><IconStyle><heading>90</heading></IconStyle></Style><Point>"
      "<coordinates>" +
      std::to_string(14.5 + index * 1e-5) + "," + std::to_string(35.9 + index * 1e-5) +
      ",0</coordinates></Point></Placemark></Document></kml>";
  return std::u16string(text.begin(), text.end());
}

// What LoadLiveGPS asks of Earth: hide the newest boat, load the next.
void LoadLiveGps(EarthState& state, KmlLoader& loader, int index) {
  FeatureTree& tree = state.Features();
  if (const auto previous = tree.FindByName(u"GPS Boat")) {
    for (const auto& child : previous->children) {
      if (child->name == u"Boat" && child->visible) {
        tree.SetVisibility(*child, false);
        break;
      }
    }
  }
  loader.LoadData(Fix(index));
}

double SceneMs(const EarthState& state, std::size_t& markers) {
  const auto start = std::chrono::steady_clock::now();
  constexpr int kRounds = 20;
  for (int i = 0; i < kRounds; ++i) {
    markers = SceneOf(state).markers.size();
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
             .count() /
         kRounds;
}

std::shared_ptr<FeatureNode> Node(std::u16string name, bool shape,
                                  std::vector<std::shared_ptr<FeatureNode>> children = {}) {
  auto node = test::MakeNode(std::move(name), std::move(children));
  return shape ? test::WithPoint(std::move(node), {1, 2, 0}) : node;
}

}  // namespace

STANDIN_TEST(LoadsShowingPlacemarksFollowVisibilityAndRemoval) {
  FeatureTree tree;
  const auto empty = Node(u"empty folder", false, {Node(u"sub", false)});
  const auto boat = Node(u"GPS Boat", false, {Node(u"Boat", true)});
  const auto route = Node(u"Route", false, {Node(u"leg", false, {Node(u"wp", true)})});
  tree.AppendTemporary(empty);
  tree.AppendTemporary(boat);
  tree.AppendTemporary(route);
  const auto sequences = [&] {
    std::string text;
    for (const auto& [sequence, load] : tree.LoadsShowingPlacemarks()) {
      text += std::to_string(sequence);
    }
    return text;
  };
  struct Step {
    const char* name;
    std::function<void()> act;
    const char* shown;  // sequences, newest first
  };
  const Step steps[] = {
      {"loaded: the folder without a placemark is left out", [] {}, "32"},
      {"the boat hidden", [&] { tree.SetVisibility(*boat->children[0], false); }, "3"},
      {"the boat shown again", [&] { tree.SetVisibility(*boat->children[0], true); }, "32"},
      {"a folder deep in the route hidden", [&] { tree.SetVisibility(*route->children[0], false); },
       "2"},
      {"its placemark shown turns the folder on",
       [&] { tree.SetVisibility(*route->children[0]->children[0], true); }, "32"},
      {"a whole load hidden", [&] { tree.SetVisibility(*boat, false); }, "3"},
      {"Temporary Places hidden hides every load",
       [&] { tree.SetVisibility(*tree.TemporaryPlaces(), false); }, ""},
      {"and shown shows every load", [&] { tree.SetVisibility(*tree.TemporaryPlaces(), true); },
       "32"},
      {"a removed load is gone", [&] { tree.Remove(route); }, "2"},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ_IN(sequences(), step.shown, step.name);
  }
}

STANDIN_TEST(SupersededPositionsCostNoSceneTimeAndLittleMemory) {
  struct Case {
    const char* name;
    std::uint32_t keep;
    std::size_t documents;    // left after kFirst + kMore fixes
    double bytesPerPosition;  // at most, over the last kMore fixes
  };
  constexpr int kFirst = 2000;
  constexpr int kMore = 20000;
  // Retiring first: memory the second case frees would flatter it.
  const Case cases[] = {
      // Flat once the copies kept are there.
      {"retiring", FeatureTree::kDefaultKeepShadowed, FeatureTree::kDefaultKeepShadowed + 1, 50},
      // The model's share of a day (86,400 fixes) stays well under 100 MB.
      {"keeping every copy", FeatureTree::kKeepEveryCopy, kFirst + kMore, 1100},
  };
  for (const Case& c : cases) {
    EarthState state;
    state.Features().SetKeepShadowed(c.keep);
    KmlLoader loader(state.Features());
    for (int i = 0; i < kFirst; ++i) {
      LoadLiveGps(state, loader, i);
    }
    std::size_t markers = 0;
    const double early = SceneMs(state, markers);
    EXPECT_EQ_IN(markers, 1U, c.name);

    const std::uint64_t before = PrivateBytes();
    for (int i = kFirst; i < kFirst + kMore; ++i) {
      LoadLiveGps(state, loader, i);
    }
    const std::uint64_t after = PrivateBytes();
    const double late = SceneMs(state, markers);
    // Only the newest boat is drawn.
    EXPECT_EQ_IN(markers, 1U, c.name);
    EXPECT_EQ_IN(state.Features().TemporaryPlaces()->children.size(), c.documents, c.name);
    EXPECT_EQ_IN(state.Features().LoadsShowingPlacemarks().size(), 1U, c.name);

    const double bytesPerPosition =
        (static_cast<double>(after) - static_cast<double>(before)) / kMore;
    std::printf(
        "%s: a superseded position: %.0f bytes; scene with %d positions %.3f ms, with %d %.3f "
        "ms\n",
        c.name, bytesPerPosition, kFirst, early, kFirst + kMore, late);
    EXPECT_LT(bytesPerPosition, c.bytesPerPosition) << c.name;
    // The scene does not grow with the hidden positions.
    EXPECT_LT(late, early * 3 + 0.5) << c.name;
  }
}
