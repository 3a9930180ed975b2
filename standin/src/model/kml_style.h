// What KML says about how a feature looks: styles as a document writes
// them (every value optional, so that a feature's own style can fill in a
// shared one), the images icons and overlays show, and the points that
// place an image on the screen. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// KML writes colours as aabbggrr.
[[nodiscard]] constexpr std::uint32_t RgbOfKml(std::uint32_t abgr) {
  return ((abgr & 0xFFU) << 16) | (abgr & 0xFF00U) | ((abgr >> 16) & 0xFFU);
}
[[nodiscard]] constexpr std::uint32_t AlphaOfKml(std::uint32_t abgr) { return abgr >> 24; }

// A decoded picture: top-down rows of premultiplied 0xAARRGGBB pixels.
struct RasterImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  // The size the file gave, before any scaling down: KML's pixel units
  // (hotSpot, an overlay's native size) count in it.
  int sourceWidth = 0;
  int sourceHeight = 0;
};

// An image that may come later (fetched from the network) or never: empty
// until then. Filled by one thread, read by the painters on another.
class ImageSlot {
 public:
  ImageSlot() = default;
  explicit ImageSlot(std::shared_ptr<const RasterImage> image) : image_(std::move(image)) {}
  [[nodiscard]] std::shared_ptr<const RasterImage> Get() const {
    const std::lock_guard lock(mutex_);
    return image_;
  }
  void Set(std::shared_ptr<const RasterImage> image) {
    const std::lock_guard lock(mutex_);
    image_ = std::move(image);
  }

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const RasterImage> image_;
};

// hotSpot, overlayXY, screenXY, rotationXY and size: a point or a size with
// units per axis. Screen y counts from the bottom, image y from the bottom.
enum class KmlUnits { kFraction, kPixels, kInsetPixels };
struct KmlVec2 {
  double x = 0.5;
  double y = 0.5;
  KmlUnits xUnits = KmlUnits::kFraction;
  KmlUnits yUnits = KmlUnits::kFraction;
};

// One Style element's values (a StyleMap's normal Style, once resolved).
struct KmlStyle {
  std::optional<std::u16string> iconHref;
  std::optional<double> iconScale;
  std::optional<std::uint32_t> iconColour;
  std::optional<double> heading;
  std::optional<KmlVec2> hotSpot;
  std::optional<std::uint32_t> labelColour;
  std::optional<double> labelScale;
  std::optional<std::uint32_t> lineColour;
  std::optional<double> lineWidth;
  std::optional<std::uint32_t> polyColour;
  std::optional<bool> fill;
  std::optional<bool> outline;

  // The values `over` sets replace these.
  void Merge(const KmlStyle& over);
};

inline void KmlStyle::Merge(const KmlStyle& over) {
  const auto take = [](auto& mine, const auto& theirs) {
    if (theirs) {
      mine = theirs;
    }
  };
  take(iconHref, over.iconHref);
  take(iconScale, over.iconScale);
  take(iconColour, over.iconColour);
  take(heading, over.heading);
  take(hotSpot, over.hotSpot);
  take(labelColour, over.labelColour);
  take(labelScale, over.labelScale);
  take(lineColour, over.lineColour);
  take(lineWidth, over.lineWidth);
  take(polyColour, over.polyColour);
  take(fill, over.fill);
  take(outline, over.outline);
}

}  // namespace standin
