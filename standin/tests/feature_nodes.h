// Feature trees built by hand for the model's tests.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/feature_tree.h"

namespace standin::test {

// A node named `name` over `children`, which it adopts.
inline std::shared_ptr<FeatureNode> MakeNode(
    std::u16string name, std::vector<std::shared_ptr<FeatureNode>> children = {}) {
  auto node = std::make_shared<FeatureNode>();
  node->name = std::move(name);
  for (auto& child : children) {
    child->parent = node;
  }
  node->children = std::move(children);
  return node;
}

// Gives `node` a point placemark at `coordinates` (longitude, latitude,
// altitude) and hands it back.
inline std::shared_ptr<FeatureNode> WithPoint(std::shared_ptr<FeatureNode> node,
                                              KmlCoordinate coordinates) {
  auto point = std::make_shared<PlacemarkShape>();
  point->coordinates = {coordinates};
  node->shape = std::move(point);
  return node;
}

}  // namespace standin::test
