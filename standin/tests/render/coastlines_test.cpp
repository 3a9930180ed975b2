// The coastline data built into the program: it decodes, and the shores
// lie where the real ones do. Damaged data is refused, not half read.
#include "render/coastlines.h"

#include <cstddef>
#include <string>
#include <vector>

#include "model/error.h"
#include "render/embedded_data.h"
#include "test.h"

using namespace standin;

namespace {

// Even-odd over the ring's plane outline (for rings that go round no pole).
bool InsideRing(const GeoLine& ring, GeoPoint point) {
  bool inside = false;
  const auto& p = ring.points;
  for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i].latitude > point.latitude) != (p[j].latitude > point.latitude) &&
        point.longitude < (p[j].longitude - p[i].longitude) * (point.latitude - p[i].latitude) /
                                  (p[j].latitude - p[i].latitude) +
                              p[i].longitude) {
      inside = !inside;
    }
  }
  return inside;
}

// The rings around a place, by index; land where their count is odd.
std::vector<std::size_t> RingsAround(const std::vector<GeoLine>& rings, GeoPoint point) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < rings.size(); ++i) {
    if (rings[i].pole == 0 && InsideRing(rings[i], point)) {
      found.push_back(i);
    }
  }
  return found;
}

struct Place {
  const char* name;
  GeoPoint at;
  bool land;
};

const Place kPlaces[] = {
    {"Madrid", {40.4, -3.7}, true},
    {"London", {51.5, -0.13}, true},
    {"Dublin", {53.35, -6.26}, true},
    {"the Sahara", {25, 10}, true},
    {"the Atlantic off Portugal", {38, -20}, false},
    {"the Strait of Gibraltar", {35.97, -5.6}, false},
    {"the Bay of Biscay", {45, -5}, false},
    {"the Irish Sea", {53.8, -5.2}, false},
    {"the Caspian Sea (a lake in the land)", {42, 51}, false},
    {"the Mediterranean", {38, 5}, false},
    {"Sydney", {-33.8, 150.9}, true},
};

}  // namespace

STANDIN_TEST(CoastlineDataHasItsThreeLayers) {
  const Coastlines* data = EmbeddedCoastlines();
  ASSERT_NE(data, nullptr);
  EXPECT_GT(data->land.size(), 1000U);
  EXPECT_GT(data->coarseLand.size(), 100U);
  EXPECT_GT(data->borders.size(), 100U);
  // The coasts apart: decoded only for close views.
  EXPECT_TRUE(data->fineLand.empty() && data->harbours.empty());
  const Coastlines* coasts = EmbeddedCoasts();
  ASSERT_NE(coasts, nullptr);
  EXPECT_GT(coasts->fineLand.size(), 4000U);
  ASSERT_EQ(coasts->harbours.size(), 1U);
  EXPECT_GT(coasts->harbours[0].land.size(), 50U);
  EXPECT_TRUE(coasts->land.empty() && coasts->borders.empty());
  for (const GeoLine& ring : data->land) {
    ASSERT_GE(ring.points.size(), 4U);
    EXPECT_NEAR(ring.points.front().latitude, ring.points.back().latitude, 1e-9);
  }
}

STANDIN_TEST(CoastlinesPutLandAndSeaWhereTheyAre) {
  const Coastlines* data = EmbeddedCoastlines();
  ASSERT_NE(data, nullptr);
  for (const Place& place : kPlaces) {
    const bool land = RingsAround(data->land, place.at).size() % 2 == 1;
    EXPECT_EQ_IN(land, place.land, std::string(place.name) + " (1:50m)");
    const bool fine = RingsAround(EmbeddedCoasts()->fineLand, place.at).size() % 2 == 1;
    EXPECT_EQ_IN(fine, place.land, std::string(place.name) + " (1:10m)");
  }
  // Great Britain, Ireland and Iberia are three shores, not one.
  const auto iberia = RingsAround(data->land, {40.4, -3.7});
  const auto britain = RingsAround(data->land, {51.5, -0.13});
  const auto ireland = RingsAround(data->land, {53.35, -6.26});
  ASSERT_EQ(iberia.size(), 1U);
  ASSERT_EQ(britain.size(), 1U);
  ASSERT_EQ(ireland.size(), 1U);
  EXPECT_NE(iberia[0], britain[0]);
  EXPECT_NE(britain[0], ireland[0]);
}

STANDIN_TEST(AntarcticaGoesRoundTheSouthPole) {
  const Coastlines* data = EmbeddedCoastlines();
  ASSERT_NE(data, nullptr);
  const GeoLine* antarctica = nullptr;
  for (const GeoLine& ring : data->land) {
    EXPECT_NE(ring.pole, 1);  // nothing goes round the North Pole: it is sea
    if (ring.bounds.south < -60 &&
        (antarctica == nullptr || ring.points.size() > antarctica->points.size())) {
      antarctica = &ring;
    }
  }
  ASSERT_NE(antarctica, nullptr);
  EXPECT_EQ(antarctica->pole, -1);
  // Its longitudes run on across the date line: once round, 360 degrees.
  EXPECT_NEAR(antarctica->bounds.east - antarctica->bounds.west, 360, 1);
  EXPECT_NEAR(antarctica->points.back().longitude - antarctica->points.front().longitude, 360,
              1e-6);
}

namespace {

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
  std::vector<std::byte> bytes;
  for (const int v : values) {
    bytes.push_back(static_cast<std::byte>(v));
  }
  return bytes;
}

// A well-formed file: one 1:50m land layer with one triangle on a 1-degree grid.
std::vector<std::byte> Triangle() {
  std::vector<std::byte> bytes = Bytes({'Z', 'G', 'C', 'L', 1, 1, 1, 50});
  const auto one = Bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});  // 1.0
  const auto zero = Bytes({0, 0, 0, 0, 0, 0, 0, 0});       // 0.0
  for (const auto* value : {&one, &one, &zero, &zero}) {
    bytes.insert(bytes.end(), value->begin(), value->end());
  }
  // One line of four points: (0,0) (10,0) (0,10) (0,0), as zigzag deltas.
  const auto line = Bytes({1, 4, 0, 0, 20, 0, 19, 20, 0, 19});
  bytes.insert(bytes.end(), line.begin(), line.end());
  return bytes;
}

}  // namespace

STANDIN_TEST(DamagedCoastlineDataIsRefused) {
  const Coastlines good = DecodeCoastlines(Triangle());
  ASSERT_EQ(good.land.size(), 1U);
  ASSERT_EQ(good.land[0].points.size(), 4U);
  EXPECT_EQ(good.land[0].points[1].longitude, 10.0);
  EXPECT_EQ(good.land[0].points[2].latitude, 10.0);

  const auto with = [](auto change) {
    std::vector<std::byte> bytes = Triangle();
    change(bytes);
    return bytes;
  };
  const struct {
    const char* name;
    std::vector<std::byte> bytes;
  } kCases[] = {
      {"another header", with([](auto& b) { b[0] = std::byte{'X'}; })},
      {"a later version", with([](auto& b) { b[4] = std::byte{3}; })},
      {"an unknown layer", with([](auto& b) { b[6] = std::byte{7}; })},
      {"cut short", with([](auto& b) { b.resize(b.size() - 3); })},
      {"bytes left over", with([](auto& b) { b.push_back(std::byte{0}); })},
      {"a point count beyond the data", with([](auto& b) { b[b.size() - 9] = std::byte{0x7F}; })},
      {"a line count of millions", with([](auto& b) {
         b[b.size() - 10] = std::byte{0xFF};
         b.insert(b.end() - 9, {std::byte{0xFF}, std::byte{0xFF}, std::byte{0x0F}});
       })},
      {"a point off the globe (x scale 100)", with([](auto& b) {
         b[14] = std::byte{0x59};
         b[15] = std::byte{0x40};
       })},
      {"a scale that is no number", with([](auto& b) {
         b[14] = std::byte{0xF8};
         b[15] = std::byte{0x7F};
       })},
      {"no layers", Bytes({'Z', 'G', 'C', 'L', 1, 0})},
  };
  for (const auto& c : kCases) {
    EXPECT_THROW((void)DecodeCoastlines(c.bytes), Error) << c.name;
  }
}
