#include "render/coastlines.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "model/error.h"
#include "model/result_codes.h"

namespace standin {
namespace {

// Version 1 lacks the harbour regions; both are read.
constexpr std::uint8_t kVersion = 2;
constexpr std::uint8_t kLandRings = 1;
constexpr std::uint8_t kBorderLines = 2;
constexpr std::uint8_t kHarbourRings = 3;

[[noreturn]] void Damaged(const std::string& why) {
  throw Error(codes::kFail, "the coastline data is damaged: " + why);
}

class CoastlineReader {
 public:
  explicit CoastlineReader(std::span<const std::byte> data) : data_(data) {}

  [[nodiscard]] std::size_t Left() const { return data_.size() - at_; }

  std::uint8_t Byte() {
    if (at_ >= data_.size()) {
      Damaged("it ends early");
    }
    return std::to_integer<std::uint8_t>(data_[at_++]);
  }

  double Double() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
      bits |= std::uint64_t{Byte()} << (8 * i);
    }
    const auto value = std::bit_cast<double>(bits);
    if (!std::isfinite(value)) {
      Damaged("a scale or offset is not a number");
    }
    return value;
  }

  std::uint64_t Varint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const std::uint8_t byte = Byte();
      value |= std::uint64_t{byte & 0x7FU} << shift;
      if ((byte & 0x80U) == 0) {
        return value;
      }
    }
    Damaged("a number runs on too long");
  }

  std::int64_t Zigzag() {
    const std::uint64_t value = Varint();
    return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
  }

  // A count of items that each take at least minBytes: never more than
  // the bytes left could hold, so damaged counts cannot ask for memory.
  std::size_t Count(std::size_t minBytes, const char* what) {
    const std::uint64_t count = Varint();
    if (count > Left() / minBytes) {
      Damaged(std::string("a count of ") + what + " exceeds the data");
    }
    return static_cast<std::size_t>(count);
  }

 private:
  std::span<const std::byte> data_;
  std::size_t at_ = 0;
};

GeoLine ReadLine(CoastlineReader& reader, double scaleX, double scaleY, double offsetX,
                 double offsetY) {
  GeoLine line;
  const std::size_t count = reader.Count(2, "points");
  line.points.reserve(count);
  std::int64_t x = 0;
  std::int64_t y = 0;
  LatLonBox& box = line.bounds;
  box = {-90, 90, -180, 180};
  double latitudeSum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    x += reader.Zigzag();
    y += reader.Zigzag();
    GeoPoint point{static_cast<double>(y) * scaleY + offsetY,
                   static_cast<double>(x) * scaleX + offsetX};
    if (!(std::abs(point.latitude) <= 90.0 + 1e-6 && std::abs(point.longitude) <= 180.0 + 1e-6)) {
      Damaged("a point lies off the globe");
    }
    point.latitude = std::clamp(point.latitude, -90.0, 90.0);
    if (!line.points.empty()) {
      // The shorter way round from the point before.
      const double before = line.points.back().longitude;
      point.longitude += 360.0 * std::round((before - point.longitude) / 360.0);
    }
    line.points.push_back(point);
    latitudeSum += point.latitude;
    box.north = std::max(box.north, point.latitude);
    box.south = std::min(box.south, point.latitude);
    box.east = std::max(box.east, point.longitude);
    box.west = std::min(box.west, point.longitude);
  }
  if (count >= 2 &&
      std::abs(line.points.back().longitude - line.points.front().longitude) > 180.0) {
    line.pole = latitudeSum >= 0 ? 1 : -1;
  }
  // Running on from its first point, a line may lie a whole turn away
  // (Eurasia from -377 to -170): bring its middle back within -180..180.
  const double turns = std::round((box.west + box.east) / 2.0 / 360.0);
  if (count > 0 && turns != 0) {
    for (GeoPoint& point : line.points) {
      point.longitude -= 360.0 * turns;
    }
    box.west -= 360.0 * turns;
    box.east -= 360.0 * turns;
  }
  return line;
}

}  // namespace

Coastlines DecodeCoastlines(std::span<const std::byte> data, CoastLayers keep) {
  CoastlineReader reader(data);
  const char magic[] = {'Z', 'G', 'C', 'L'};
  for (const char expected : magic) {
    if (reader.Byte() != static_cast<std::uint8_t>(expected)) {
      Damaged("it lacks its header");
    }
  }
  const std::uint8_t version = reader.Byte();
  if (version < 1 || version > kVersion) {
    Damaged("it has a version this program cannot read");
  }
  const std::uint8_t layers = reader.Byte();
  Coastlines coastlines;
  for (std::uint8_t i = 0; i < layers; ++i) {
    const std::uint8_t kind = reader.Byte();
    const std::uint8_t detail = reader.Byte();
    const double scaleX = reader.Double();
    const double scaleY = reader.Double();
    const double offsetX = reader.Double();
    const double offsetY = reader.Double();
    std::vector<GeoLine>* target = nullptr;
    if (kind == kHarbourRings && detail == 1 && version >= 2) {
      HarbourRegion& region = coastlines.harbours.emplace_back();
      region.box.west = reader.Double();
      region.box.south = reader.Double();
      region.box.east = reader.Double();
      region.box.north = reader.Double();
      target = &region.land;
    }
    if (kind == kLandRings && detail == 10) {
      target = &coastlines.fineLand;
    }
    if (kind == kLandRings && detail == 50) {
      target = &coastlines.land;
    }
    if (kind == kLandRings && detail == 110) {
      target = &coastlines.coarseLand;
    }
    if (kind == kBorderLines && detail == 50) {
      target = &coastlines.borders;
    }
    if (target == nullptr) {
      Damaged("it holds a layer of an unknown kind");
    }
    const bool coast = target == &coastlines.fineLand || kind == kHarbourRings;
    const bool kept = keep == CoastLayers::kAll || (keep == CoastLayers::kCoasts) == coast;
    const std::size_t count = reader.Count(1, "lines");
    if (kept) {
      target->reserve(count);
    }
    for (std::size_t line = 0; line < count; ++line) {
      GeoLine read = ReadLine(reader, scaleX, scaleY, offsetX, offsetY);
      if (kept) {
        target->push_back(std::move(read));
      }
    }
  }
  if (keep == CoastLayers::kWorld) {
    coastlines.harbours.clear();
  }
  if (reader.Left() != 0) {
    Damaged("bytes follow its last layer");
  }
  if (keep != CoastLayers::kCoasts && coastlines.land.empty()) {
    Damaged("it holds no land");
  }
  return coastlines;
}

}  // namespace standin
