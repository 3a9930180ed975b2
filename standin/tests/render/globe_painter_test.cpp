// The painted globe: land and sea where the real ones are, on the flat map
// and in the imagery, and the layers that change the picture.
#include "render/globe_painter.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/com_types.h"
#include "render/coastlines.h"
#include "render/embedded_data.h"
#include "render/globe_view.h"
#include "render/label_layout.h"
#include "test.h"

using namespace standin;

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

GlobeScene Scene(double latitude, double longitude, double range, double tilt = 0,
                 double azimuth = 0) {
  GlobeScene scene;
  scene.camera.latitude = latitude;
  scene.camera.longitude = longitude;
  scene.camera.range = range;
  scene.camera.tilt = tilt;
  scene.camera.azimuth = azimuth;
  scene.places = false;  // no city names over the pixels under test
  return scene;
}

// The flat map alone: no imagery, no glint, no lines over the land.
GlobeScene FlatScene(double latitude, double longitude, double range) {
  GlobeScene scene = Scene(latitude, longitude, range);
  scene.terrain = false;
  scene.ocean = false;
  scene.coastlines = false;
  scene.borders = false;
  return scene;
}

std::uint32_t PixelAt(const GlobeImage& image, const GlobeScene& scene, GeoPoint place) {
  const GlobeView view(scene.camera, image.Width(), image.Height());
  const auto pixel = view.ToPixel(place);
  if (!pixel || pixel->x < 0 || pixel->y < 0 || pixel->x >= image.Width() ||
      pixel->y >= image.Height()) {
    ADD_FAILURE() << place.latitude << ", " << place.longitude << " is not in view";
    return 0;
  }
  const auto x = static_cast<std::size_t>(pixel->x);
  const auto y = static_cast<std::size_t>(pixel->y);
  return image.Pixels()[y * static_cast<std::size_t>(image.Width()) + x];
}

int Red(std::uint32_t rgb) { return static_cast<int>((rgb >> 16) & 0xFF); }
int Green(std::uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
int Blue(std::uint32_t rgb) { return static_cast<int>(rgb & 0xFF); }

// The flat sea is deep blue; land is green or, near the poles, ice white.
// (Places under test keep off the graticule's lines, every 15 degrees.)
bool IsFlatSea(std::uint32_t rgb) { return Blue(rgb) > 2 * Red(rgb) + 10; }

struct FlatCase {
  const char* name;
  GeoPoint camera;
  double range;
  GeoPoint place;
  bool land;
};

const FlatCase kFlatCases[] = {
    {"Madrid", {45, -5}, 3e6, {40.4, -3.7}, true},
    {"London", {45, -5}, 3e6, {51.5, -0.13}, true},
    {"Dublin", {45, -5}, 3e6, {53.35, -6.26}, true},
    {"the Atlantic off Portugal", {45, -5}, 3e6, {38, -20}, false},
    {"the Bay of Biscay", {45, -5}, 3e6, {45.5, -4}, false},
    {"the Irish Sea", {45, -5}, 3e6, {53.8, -5.2}, false},
    {"the Strait of Gibraltar", {36, -5.45}, 200e3, {35.97, -5.6}, false},
    {"Spain above the Strait", {36, -5.45}, 200e3, {36.3, -5.5}, true},
    {"Morocco below the Strait", {36, -5.45}, 200e3, {35.6, -5.6}, true},
    {"the Caspian Sea, a hole in the land", {45, 50}, 2e6, {42, 51}, false},
    {"the Volga steppe beside it", {45, 50}, 2e6, {48, 46}, true},
    {"Antarctica near the pole", {-80, 0}, 5e6, {-85, 60}, true},
    {"the Southern Ocean", {-80, 0}, 5e6, {-62, 5}, false},
    {"Chukotka west of the date line", {65, 180}, 2e6, {65, 176}, true},
    {"the Bering Sea east of it", {65, 180}, 2e6, {58, -178}, false},
};

}  // namespace

STANDIN_TEST(FlatMapPaintsLandAndSeaWhereTheyAre) {
  for (const FlatCase& c : kFlatCases) {
    const GlobeScene scene = FlatScene(c.camera.latitude, c.camera.longitude, c.range);
    const GlobeImage image(kWidth, kHeight, scene);
    const std::uint32_t rgb = PixelAt(image, scene, c.place);
    EXPECT_EQ_IN(!IsFlatSea(rgb), c.land, c.name);
  }
}

STANDIN_TEST(ImageryShowsDesertSeaAndIce) {
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  const GlobeScene scene = Scene(25, 10, 15e6);
  const GlobeImage image(kWidth, kHeight, scene);
  const std::uint32_t sahara = PixelAt(image, scene, {23, 12});
  EXPECT_GT(Red(sahara), Blue(sahara) + 40) << std::hex << sahara;
  const std::uint32_t atlantic = PixelAt(image, scene, {28, -40});
  EXPECT_GT(Blue(atlantic), Red(atlantic) + 20) << std::hex << atlantic;
  const GlobeScene south = Scene(-80, 0, 5e6);
  const GlobeImage ice(kWidth, kHeight, south);
  const std::uint32_t pole = PixelAt(ice, south, {-85, 60});
  EXPECT_GT(Red(pole), 150) << std::hex << pole;
  EXPECT_GT(Green(pole), 150) << std::hex << pole;
}

STANDIN_TEST(EachLayerChangesThePicture) {
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  const GlobeScene all = Scene(45, 5, 2e6);
  const GlobeImage reference(kWidth, kHeight, all);
  const struct {
    const char* layer;
    bool GlobeScene::*flag;
  } kLayers[] = {
      {"Coastlines", &GlobeScene::coastlines},
      {"International Borders", &GlobeScene::borders},
      {"Terrain", &GlobeScene::terrain},
      {"Ocean", &GlobeScene::ocean},
  };
  for (const auto& layer : kLayers) {
    GlobeScene without = all;
    without.*layer.flag = false;
    const GlobeImage image(kWidth, kHeight, without);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < image.Pixels().size(); ++i) {
      if (image.Pixels()[i] != reference.Pixels()[i]) {
        ++changed;
      }
    }
    EXPECT_GT(changed, 500U) << layer.layer;
  }
}

namespace {

bool IsSeaColour(std::uint32_t rgb) { return Blue(rgb) > Red(rgb) + 25; }
bool IsLandColour(std::uint32_t rgb) { return Red(rgb) + 10 >= Blue(rgb); }

// The vertex of the rings nearest to a place: a point of the shore itself.
GeoPoint NearestShorePoint(const std::vector<GeoLine>& rings, GeoPoint around) {
  GeoPoint best{};
  double bestDistance = 1e9;
  for (const GeoLine& ring : rings) {
    for (const GeoPoint& p : ring.points) {
      const double d = std::hypot(p.latitude - around.latitude, p.longitude - around.longitude);
      if (d < bestDistance) {
        bestDistance = d;
        best = p;
      }
    }
  }
  return best;
}

}  // namespace

// Land and sea meet where the finest shore data for the range says: within
// a pixel of a point of that shore both colours are painted.
STANDIN_TEST(ShoresLieAtTheColourEdge) {
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  const Coastlines* data = EmbeddedCoastlines();
  const Coastlines* coasts = EmbeddedCoasts();
  ASSERT_NE(data, nullptr);
  ASSERT_NE(coasts, nullptr);
  ASSERT_FALSE(coasts->harbours.empty());
  const std::vector<GeoLine>& harbour = coasts->harbours[0].land;
  const struct {
    const char* name;
    GlobeScene scene;
    const std::vector<GeoLine>* shore;
    GeoPoint around;
  } kCases[] = {
      {"Valletta, Fort St Elmo", Scene(35.893, 14.515, 5e3), &harbour, {35.902, 14.519}},
      {"Valletta, Dockyard Creek", Scene(35.893, 14.515, 5e3), &harbour, {35.886, 14.521}},
      {"Valletta, Marsamxett", Scene(35.893, 14.515, 5e3), &harbour, {35.899, 14.505}},
      {"Sicily, Syracuse", Scene(37.0, 14.9, 76e3), &harbour, {37.06, 15.29}},
      {"Sicily, Capo Passero", Scene(37.0, 14.9, 76e3), &harbour, {36.69, 15.14}},
      {"Sicily, Pozzallo", Scene(37.0, 14.9, 76e3), &harbour, {36.72, 14.85}},
      {"Malta at 1000 km", Scene(37.5, 14, 1e6), &data->land, {35.9, 14.5}},
      {"Trapani at 1000 km", Scene(37.5, 14, 1e6), &data->land, {38.0, 12.5}},
      {"Cape Bon at 1000 km", Scene(37.5, 14, 1e6), &data->land, {37.08, 11.05}},
  };
  for (const auto& c : kCases) {
    GlobeScene scene = c.scene;
    scene.coastlines = false;
    scene.borders = false;
    const GlobeImage image(kWidth, kHeight, scene);
    const GlobeView view(scene.camera, kWidth, kHeight);
    const auto pixel = view.ToPixel(NearestShorePoint(*c.shore, c.around));
    ASSERT_TRUE(pixel.has_value()) << c.name;
    bool land = false;
    bool sea = false;
    // Every pixel whose centre lies within a pixel of the shore point.
    for (int y = static_cast<int>(std::ceil(pixel->y - 1.5)); y <= pixel->y + 0.5; ++y) {
      for (int x = static_cast<int>(std::ceil(pixel->x - 1.5)); x <= pixel->x + 0.5; ++x) {
        ASSERT_TRUE(x >= 0 && y >= 0 && x < kWidth && y < kHeight) << c.name;
        const std::uint32_t rgb = image.Pixels()[static_cast<std::size_t>(y) * kWidth + x];
        land = land || IsLandColour(rgb);
        sea = sea || IsSeaColour(rgb);
      }
    }
    EXPECT_TRUE(land && sea) << c.name << ": land " << land << ", sea " << sea;
  }
}

STANDIN_TEST(NoTwoNamesOverlap) {
  const struct {
    const char* name;
    LabelBox box;
    bool placed;
  } kOffers[] = {
      {"the first", {10, 10, 60, 24}, true},
      {"over the first", {50, 20, 90, 34}, false},
      {"touching the first", {60, 10, 100, 24}, true},
      {"past the right edge", {780, 40, 820, 54}, false},
      {"above the top", {100, -5, 140, 9}, false},
      {"empty", {200, 200, 200, 214}, false},
  };
  LabelLayout layout(800, 600);
  for (const auto& offer : kOffers) {
    EXPECT_EQ_IN(layout.TryPlace(offer.box), offer.placed, offer.name);
  }

  // A picture crowded with names: Malta's three towns at 1000 km lie a few
  // pixels apart, Europe's capitals on a whole globe.
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  for (const GlobeScene& base : {Scene(37.5, 14, 1e6), Scene(30, 15, 12e6)}) {
    GlobeScene scene = base;
    scene.places = true;
    const GlobeImage image(kWidth, kHeight, scene);
    const std::vector<LabelBox>& labels = image.Labels();
    EXPECT_GT(labels.size(), 8U);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      EXPECT_TRUE(labels[i].left >= 0 && labels[i].top >= 0 && labels[i].right <= kWidth &&
                  labels[i].bottom <= kHeight);
      for (std::size_t j = i + 1; j < labels.size(); ++j) {
        EXPECT_FALSE(Intersects(labels[i], labels[j])) << i << " and " << j;
      }
    }
  }
}

STANDIN_TEST(OneThreadPaintsWhatTwoPaint) {
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  for (const GlobeScene& scene : {Scene(35.90, 14.42, 20e3, 60, 300), Scene(30, 15, 12e6)}) {
    const GlobeImage one(kWidth, kHeight, scene, 1);
    const GlobeImage two(kWidth, kHeight, scene, 2);
    EXPECT_TRUE(std::equal(one.Pixels().begin(), one.Pixels().end(), two.Pixels().begin()));
  }
}
