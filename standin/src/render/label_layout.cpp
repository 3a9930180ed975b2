#include "render/label_layout.h"

#include <algorithm>

namespace standin {

bool Intersects(const LabelBox& a, const LabelBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool LabelLayout::TryPlace(const LabelBox& box) {
  const bool inside = box.left >= 0 && box.top >= 0 && box.right <= width_ &&
                      box.bottom <= height_ && box.left < box.right && box.top < box.bottom;
  if (!inside) {
    return false;
  }
  const bool overlaps = std::any_of(placed_.begin(), placed_.end(),
                                    [&](const LabelBox& kept) { return Intersects(kept, box); });
  if (overlaps) {
    return false;
  }
  placed_.push_back(box);
  return true;
}

}  // namespace standin
