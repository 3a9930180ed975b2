// The painted globe: land and sea where the real ones are, on the flat map
// and in the imagery, and the layers that change the picture.
#include "globe_painter.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "com_types.h"
#include "globe_view.h"
#include "screenshot.h"
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
      if (image.Pixels()[i] != reference.Pixels()[i]) ++changed;
    }
    EXPECT_GT(changed, 500U) << layer.layer;
  }
}

// Not a check: with STANDIN_PICTURE_DIR set, writes pictures of a few views
// for a person to look at, and says how long each took to paint.
STANDIN_TEST(PicturesForAPerson) {
  const char* folder = std::getenv("STANDIN_PICTURE_DIR");
  if (folder == nullptr) GTEST_SKIP() << "STANDIN_PICTURE_DIR is not set";
  const com_apartment apartment(COINIT_APARTMENTTHREADED);
  GlobeScene flat = Scene(36, -5.45, 200e3);
  flat.terrain = false;
  const struct {
    const char* name;
    GlobeScene scene;
  } kViews[] = {
      {"globe", Scene(25, 10, 15e6)},
      {"gibraltar", Scene(36, -5.45, 200e3)},
      {"gibraltar-flat", flat},
      {"tilted-alps", Scene(44, 7, 600e3, 65, 20)},
      {"horizon", Scene(50, -3, 200e3, 88, 90)},
      {"pacific", Scene(-10, -170, 12e6)},
      {"antarctica-flat", FlatScene(-80, 0, 5e6)},
      {"bering-flat", FlatScene(65, 180, 2e6)},
  };
  // The thread's own processor time: others' builds on a shared machine do not count.
  const auto threadMilliseconds = [] {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    const auto ticks = [](const FILETIME& t) {
      return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10'000.0;
  };
  for (const auto& view : kViews) {
    const double start = threadMilliseconds();
    const GlobeImage image(kWidth, kHeight, view.scene);
    std::cout << view.name << ": " << threadMilliseconds() - start << " ms\n";
    const std::filesystem::path path =
        std::filesystem::path(folder) / (std::string(view.name) + ".png");
    WriteScreenShot(path.u16string(), 100, image);
  }
}
