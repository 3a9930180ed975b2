// Walking the direct children of a feature, as the panel's hide and show
// operations do.
#pragma once

#include <cstdint>
#include <memory>

#include "earth/earth_api.h"

namespace zge::earth {

// Visibility as the server's BOOL carries it.
inline constexpr std::int32_t kVisible = 1;
inline constexpr std::int32_t kHidden = 0;

// Calls visit(child) for each direct child of `feature`, in the server's
// order (its collection numbers them from 1), until visit returns false.
// Positions the server has no feature for are passed over.
template <typename Visit>
void ForEachChild(FeatureGE& feature, Visit visit) {
  const std::unique_ptr<FeatureCollectionGE> children = feature.GetChildren();
  if (!children) {
    return;
  }
  const std::int32_t count = children->Count();
  for (std::int32_t index = 1; index <= count; ++index) {
    const std::unique_ptr<FeatureGE> child = children->Item(index);
    if (child && !visit(*child)) {
      return;
    }
  }
}

}  // namespace zge::earth
