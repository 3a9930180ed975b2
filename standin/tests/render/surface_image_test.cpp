// Sampling the surface picture: between pixel centres, across the date
// line and at the poles.
#include "render/surface_image.h"

#include <cstdint>
#include <vector>

#include "model/error.h"
#include "test.h"

using namespace standin;

namespace {

// Four columns of 90 degrees and two rows: the west half black, the east
// half white, the top row's red channel 0x40 above the bottom row's.
SurfaceImage Halves() {
  return SurfaceImage(4, 2,
                      {0x400000, 0x400000, 0x40FFFF, 0x40FFFF,  //
                       0x000000, 0x000000, 0x00FFFF, 0x00FFFF});
}

}  // namespace

STANDIN_TEST(SurfaceSamplesBlendNeighboursAcrossTheDateLineAndHoldAtThePoles) {
  const SurfaceImage image = Halves();
  const struct {
    const char* name;
    double latitude;
    double longitude;
    std::uint32_t expected;
  } kCases[] = {
      {"a pixel centre", 45, -135, 0x400000},
      {"halfway between black and white at 0E", 45, 0, 0x408080},
      {"halfway again across the date line", 45, 180, 0x408080},
      {"the same from the other side", 45, -180, 0x408080},
      {"between the rows on the equator", 0, 135, 0x20FFFF},
      {"the north pole holds the top row", 90, 135, 0x40FFFF},
      {"the south pole holds the bottom row", -90, -135, 0x000000},
      {"a longitude a turn away", 45, 225, 0x400000},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ_IN(image.Sample(c.latitude, c.longitude), c.expected, c.name);
  }
}

STANDIN_TEST(SurfaceImagesNeedAPixelForEveryPlace) {
  EXPECT_THROW(SurfaceImage(4, 2, std::vector<std::uint32_t>(7)), Error);
  EXPECT_THROW(SurfaceImage(0, 0, {}), Error);
}
