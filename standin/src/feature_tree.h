// The feature model: the places and layers that Earth's features stand for.
// Separate from the IDispatch objects (feature_ge.h), which hold a node and
// ask the tree. Portable.
//
// Roots: "Temporary Places", "My Places" and the layers database "Primary
// Database" with the built-in layers. Loaded KML appends top-level features
// under Temporary Places with AppendTemporary and removes them with Remove.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin {

struct KmlCoordinate {
  double longitude = 0;
  double latitude = 0;
  double altitude = 0;
};

// What the view draws of a placemark: a marker at its point, or its line.
struct PlacemarkShape {
  enum class Kind { kPoint, kLine };
  Kind kind = Kind::kPoint;
  std::vector<KmlCoordinate> coordinates;
  std::optional<double> heading;          // IconStyle: degrees clockwise from north
  std::uint32_t lineColour = 0xFFFFFFFF;  // LineStyle, as KML writes it: aabbggrr
  double lineWidth = 1;
};

struct FeatureNode {
  std::u16string name;
  bool visible = true;
  bool hasView = false;
  bool deleted = false;
  std::weak_ptr<FeatureNode> parent;
  std::vector<std::shared_ptr<FeatureNode>> children;
  std::shared_ptr<const PlacemarkShape> shape;  // placemarks with a point or line only

  // The name index's key, set by AppendTemporary: which load (counting from
  // 1; 0 for nodes outside Temporary Places) and the depth-first position
  // inside it.
  std::uint64_t loadSequence = 0;
  std::uint32_t loadPosition = 0;
};

class FeatureTree {
 public:
  FeatureTree();

  [[nodiscard]] std::shared_ptr<FeatureNode> TemporaryPlaces() const { return temporaryPlaces_; }
  [[nodiscard]] std::shared_ptr<FeatureNode> MyPlaces() const { return myPlaces_; }
  [[nodiscard]] std::vector<std::shared_ptr<FeatureNode>> LayersDatabases() const {
    return {primaryDatabase_};
  }

  // Exact, case-sensitive match; nullptr when none. Search order: the
  // features under Temporary Places from the newest top-level one backwards
  // (depth-first inside each), Temporary Places itself, My Places
  // (depth-first), then the layers database (depth-first). Loaded features
  // are found through an index, so the cost does not grow with their number.
  [[nodiscard]] std::shared_ptr<FeatureNode> FindByName(std::u16string_view name) const;

  // The first node called `name` in `node` and its subtree, depth-first in
  // document order; what FindByName does without its index.
  [[nodiscard]] static std::shared_ptr<FeatureNode> FindDepthFirst(
      const std::shared_ptr<FeatureNode>& node, std::u16string_view name);

  // nullptr for the roots.
  [[nodiscard]] static std::shared_ptr<FeatureNode> Parent(const FeatureNode& node);

  // Sets the node and all its descendants; turning a node on also turns on
  // its ancestors, as ticking a box in Earth's tree does.
  void SetVisibility(FeatureNode& node, bool visible);
  // Visible and every ancestor visible: what the view draws.
  [[nodiscard]] static bool IsShown(const FeatureNode& node);
  // The built-in layer of that name is shown (false when there is none).
  [[nodiscard]] bool IsLayerShown(std::u16string_view layerName) const;

  void Highlight(const std::shared_ptr<FeatureNode>& node);
  [[nodiscard]] std::shared_ptr<FeatureNode> Highlighted() const;

  // For KML loading: the node (with its subtree, which must not change
  // afterwards) becomes the last child of Temporary Places.
  void AppendTemporary(std::shared_ptr<FeatureNode> node);
  // Detaches the node; it and its descendants read as deleted.
  void Remove(const std::shared_ptr<FeatureNode>& node);

  // The top-level features of Temporary Places that have a placemark shape
  // shown within them (the feature and the path down to the placemark
  // visible), newest load first. A picture looks at these only, so loads
  // that show nothing (a superseded position whose placemark was hidden)
  // cost no painting time however many there are.
  using ShownLoads = std::map<std::uint64_t, std::weak_ptr<FeatureNode>, std::greater<>>;
  [[nodiscard]] const ShownLoads& LoadsShowingPlacemarks() const { return shownLoads_; }

  // Called after every change that the view shows.
  void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

 private:
  // Newest load first, then depth-first order inside a load.
  struct NewestFirst {
    bool operator()(const std::pair<std::uint64_t, std::uint32_t>& a,
                    const std::pair<std::uint64_t, std::uint32_t>& b) const {
      return a.first != b.first ? a.first > b.first : a.second < b.second;
    }
  };
  using NameEntries =
      std::map<std::pair<std::uint64_t, std::uint32_t>, std::weak_ptr<FeatureNode>, NewestFirst>;

  void Changed() const;
  void IndexSubtree(const std::shared_ptr<FeatureNode>& top, std::uint64_t sequence);
  void UnindexSubtree(const FeatureNode& node);
  // Puts the load that holds `node` into shownLoads_ or takes it out.
  void UpdateShownLoad(const std::shared_ptr<FeatureNode>& node);

  ShownLoads shownLoads_;
  std::unordered_map<std::u16string, NameEntries> nameIndex_;
  std::uint64_t lastLoadSequence_ = 0;
  std::shared_ptr<FeatureNode> temporaryPlaces_;
  std::shared_ptr<FeatureNode> myPlaces_;
  std::shared_ptr<FeatureNode> primaryDatabase_;
  std::weak_ptr<FeatureNode> highlighted_;
  std::function<void()> onChanged_;
};

}  // namespace standin
