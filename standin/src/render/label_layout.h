// Where names may be written on a picture: labels are offered in priority
// order (the live position first, then the features in load order, then the
// globe's own place names), and each is kept only when its box lies inside
// the picture and overlaps no label kept before it. A label that is refused
// is left out; its marker is still drawn. Portable.
#pragma once

#include <vector>

namespace standin {

// A label's box in pixels: left and top inclusive, right and bottom exclusive.
struct LabelBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

[[nodiscard]] bool Intersects(const LabelBox& a, const LabelBox& b);

class LabelLayout {
 public:
  LabelLayout(int width, int height) : width_(width), height_(height) {}

  // True, and the box reserved, when the label may be drawn there.
  [[nodiscard]] bool TryPlace(const LabelBox& box);
  [[nodiscard]] const std::vector<LabelBox>& Placed() const { return placed_; }

 private:
  int width_;
  int height_;
  std::vector<LabelBox> placed_;
};

}  // namespace standin
