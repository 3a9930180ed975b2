// The feature model: the places and layers that Earth's features stand for.
// Separate from the IDispatch objects (feature_ge.h), which hold a node and
// ask the tree. Portable.
//
// Roots: "Temporary Places", "My Places" and the layers database "Primary
// Database" with the built-in layers. KML loading (a later issue) appends
// top-level features under Temporary Places with AppendTemporary and
// removes them with Remove.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct FeatureNode {
  std::u16string name;
  bool visible = true;
  bool hasView = false;
  bool deleted = false;
  std::weak_ptr<FeatureNode> parent;
  std::vector<std::shared_ptr<FeatureNode>> children;
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
  // (depth-first), then the layers database (depth-first).
  [[nodiscard]] std::shared_ptr<FeatureNode> FindByName(std::u16string_view name) const;

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

  // For KML loading: the node becomes the last child of Temporary Places.
  void AppendTemporary(std::shared_ptr<FeatureNode> node);
  // Detaches the node; it and its descendants read as deleted.
  void Remove(const std::shared_ptr<FeatureNode>& node);

  // Called after every change that the view shows.
  void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

 private:
  void Changed() const;

  std::shared_ptr<FeatureNode> temporaryPlaces_;
  std::shared_ptr<FeatureNode> myPlaces_;
  std::shared_ptr<FeatureNode> primaryDatabase_;
  std::weak_ptr<FeatureNode> highlighted_;
  std::function<void()> onChanged_;
};

}  // namespace standin
