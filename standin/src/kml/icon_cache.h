// The images KML refers to (icons, overlays): decoded with WIC (PNG, JPEG,
// GIF, BMP and whatever else the system decodes) into premultiplied
// pixels, scaled down to a bounded size, and cached by their source so
// that a thousand placemarks with one icon decode it once. Network images
// (http:, https:) are fetched in the background with WinHTTP; their slot
// stays empty (the pushpin) until they arrive, and for good when they do
// not. Memory stays bounded: the cache keeps at most kMaxCachedImages
// images and kMaxCachedBytes of pixels (the least recently asked for go
// first; features still drawing one keep it).
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>

#include "model/kml_style.h"

namespace standin {

// Icons are scaled down to this side at most, overlays to the second.
inline constexpr int kMaxIconSide = 256;
inline constexpr int kMaxOverlaySide = 2048;
// Larger sources are refused before decoding (a pushpin, or nothing).
inline constexpr std::size_t kMaxImageFileBytes = std::size_t{32} << 20;
inline constexpr unsigned kMaxSourcePixels = 64u << 20;
inline constexpr std::size_t kMaxCachedImages = 512;
inline constexpr std::size_t kMaxCachedBytes = std::size_t{96} << 20;

// Decodes with WIC and scales so that neither side exceeds `maxSide`;
// null when the bytes are not an image it can read (never throws).
[[nodiscard]] std::shared_ptr<const RasterImage> DecodeImage(std::span<const std::byte> bytes,
                                                             int maxSide) noexcept;

class ImageCache {
 public:
  ImageCache() = default;
  ImageCache(const ImageCache&) = delete;
  ImageCache& operator=(const ImageCache&) = delete;
  ~ImageCache();

  // `key` names the source (a full path, "archive|entry", a URL);
  // `read` gives its bytes (empty: none) when it is not cached.
  template <class Read>
  std::shared_ptr<const ImageSlot> Get(const std::u16string& key, int maxSide, Read read) {
    if (auto cached = Find(key, maxSide)) {
      return cached;
    }
    auto slot = std::make_shared<const ImageSlot>(DecodeImage(read(), maxSide));
    Keep(key, maxSide, slot);
    return slot;
  }
  // A network image: an empty slot, filled by a background fetch.
  std::shared_ptr<const ImageSlot> Remote(const std::u16string& url, int maxSide);

  // Called on the fetching thread after a network image arrived (or
  // failed for good), so that the view paints it; must not block.
  void SetOnArrived(std::function<void()> onArrived);
  void Arrived() const;

  // The one cache of the process.
  static ImageCache& Shared();

 private:
  struct Entry {
    std::shared_ptr<const ImageSlot> slot;
    std::list<std::u16string>::iterator recent;
  };
  std::shared_ptr<const ImageSlot> Find(const std::u16string& key, int maxSide);
  void Keep(const std::u16string& key, int maxSide, std::shared_ptr<const ImageSlot> slot);
  void Trim();

  mutable std::mutex mutex_;
  std::unordered_map<std::u16string, Entry> entries_;
  std::list<std::u16string> recent_;  // most recently asked for first
  std::function<void()> onArrived_;
};

}  // namespace standin
