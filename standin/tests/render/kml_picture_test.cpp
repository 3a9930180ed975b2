// KML as the picture shows it: one sample file per element (tests/data/kml),
// opened as a user opens it and painted, then measured where the element
// says it lies: a fill inside its polygon and not in its hole, an icon's
// colour at its hot spot, an overlay's corners, a screen overlay at its
// anchor. Also the balloon's text and where a feature's view takes the
// camera.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "kml/html_text.h"
#include "kml/kml_loader.h"
#include "model/feature_tree.h"
#include "platform/com_types.h"
#include "render/globe_painter.h"
#include "render/globe_scene.h"
#include "render/ground_drape.h"
#include "render/screenshot.h"
#include "test.h"

using namespace standin;

namespace {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr double kNoPlace = std::numeric_limits<double>::quiet_NaN();

struct Rgb {
  int r;
  int g;
  int b;
};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPushpin{255, 236, 64};

// A pixel to look at: `dx`, `dy` pixels from a place, or from the
// picture's top left when there is no place (negative: from the right or
// bottom edge).
struct Probe {
  const char* what;
  double latitude;
  double longitude;
  int dx;
  int dy;
  Rgb colour;
  bool shown = true;  // false: the pixel must not have that colour
};

struct Sample {
  const char* file;
  GeoPoint camera;
  double range;
  std::vector<Probe> probes;
  const char16_t* balloon = nullptr;  // the feature whose balloon is open
  bool imagery = false;               // the globe as a user sees it
};

// A pushpin's head is 22 pixels above its tip.
constexpr int kPinHead = -22;

const Sample kSamples[] = {
    {"polygon_holes.kml",
     {6, -23},
     3e6,
     {{"inside", 2, -27, 0, 0, kRed},
      {"inside, east of the hole", 6, -19.5, 0, 0, kRed},
      {"the hole", 6, -23, 0, 0, kRed, false},
      {"outside", 13, -23, 0, 0, kRed, false}}},
    {"antimeridian.kml",
     {0, 180},
     3e6,
     {{"west of the date line", 3, 175, 0, 0, kGreen},
      {"east of the date line", 3, -175, 0, 0, kGreen},
      {"beyond the west edge", 3, 160, 0, 0, kGreen, false},
      {"beyond the east edge", 3, -160, 0, 0, kGreen, false}}},
    {"pole.kml",
     {90, 0},
     5e6,
     {{"near the pole", 84, 30, 0, 0, kBlue},
      {"the other side", 84, -150, 0, 0, kBlue},
      {"at the pole", 89.5, 100, 0, 0, kBlue},
      {"south of the ring", 72, 30, 0, 0, kBlue, false}}},
    {"styles.kml",
     {6, -23},
     3e6,
     {{"a StyleMap's normal style", 2, -21, 0, 0, kGreen},
      {"a style of another file", 6, -21, 0, 0, kBlue},
      {"its own colour over the shared style", 10, -21, 0, 0, kYellow},
      {"its own StyleMap", 8, -21, 0, 0, kMagenta},
      {"a transparent line", 4, -23, 0, 0, kWhite, false}}},
    {"icons.kml",
     {6, -23},
     3e6,
     {{"PNG", 2, -27, 0, 0, kRed},
      {"JPEG", 2, -23, 0, 0, kGreen},
      {"GIF", 2, -19, 0, 0, kBlue},
      {"BMP", 7, -27, 0, 0, kYellow},
      {"a white icon tinted blue", 7, -23, 0, 0, kBlue},
      {"right of and below its hot spot", 7, -19, 8, 8, kMagenta},
      {"left of and above its hot spot", 7, -19, -8, -8, kMagenta, false},
      {"the icon's transparent part", 7, -19, 40, 40, kMagenta, false},
      {"an unreadable image: the pushpin", 10, -27, 0, kPinHead, kPushpin},
      {"a path out of the folder: the pushpin", 10, -23, 0, kPinHead, kPushpin},
      {"a %-escaped path", 10.5, -19, 0, 0, kRed}}},
    {"icon_in_archive.kmz",
     {6, -23},
     3e6,
     {{"an entry of the KMZ", 2, -27, 0, 0, kRed},
      {"a path out of the KMZ: the pushpin", 2, -19, 0, kPinHead, kPushpin}}},
    {"ground_overlay.kml",
     {2, -16},
     3.5e6,
     {{"upper left", 10, -27, 0, 0, kRed},
      {"upper right", 10, -19, 0, 0, kGreen},
      {"lower left", 2, -27, 0, 0, kBlue},
      {"lower right", 2, -19, 0, 0, kYellow},
      {"north of the box", 12, -23, 0, 0, kRed, false},
      {"turned: its upper left now lower left", -7, -24, 0, 0, kRed},
      {"turned: its upper right now upper left", -3, -24, 0, 0, kGreen},
      {"turned: its lower right now upper right", -3, -20, 0, 0, kYellow},
      {"quad: lower left", 2, -13, 0, 0, kBlue},
      {"quad: lower right", 2, -7, 0, 0, kYellow},
      {"quad: upper left", 10, -11.5, 0, 0, kRed},
      {"quad: upper right", 10, -8.5, 0, 0, kGreen},
      {"beside the quad's narrow top", 10, -13.5, 0, 0, kRed, false}}},
    {"screen_overlay.kml",
     {6, -23},
     3e6,
     {{"lower left at the corner", kNoPlace, 0, 3, -3, kMagenta},
      {"lower left, its native width only", kNoPlace, 0, 45, -3, kMagenta, false},
      {"upper right, inset", kNoPlace, 0, -15, 45, kMagenta},
      {"upper right, 80 pixels wide", kNoPlace, 0, -85, 45, kMagenta},
      {"upper right, not wider", kNoPlace, 0, -95, 45, kMagenta, false},
      {"turned upright", kNoPlace, 0, kPictureWidth / 2, kPictureHeight * 3 / 4 - 15, kMagenta},
      {"turned: not across", kNoPlace, 0, kPictureWidth / 2 + 15, kPictureHeight * 3 / 4, kMagenta,
       false}}},
    {"balloon.kml",
     {6, -23},
     3e6,
     {{"the balloon above its placemark", 3, -23, 0, -80, kWhite},
      {"its placemark not covered", 3, -23, 0, 0, kWhite, false}},
     u"Harbour office"},
    {"multigeometry.kml",
     {6, -23},
     3e6,
     {{"its polygon", 7, -22, 0, 0, kRed},
      {"its line", 2, -22, 0, 0, kYellow},
      {"its ring as a line", 4, -15.5, 0, 0, kYellow},
      {"its point", 10, -27, 0, kPinHead, kPushpin}}},
    {"track.kml", {6, -23}, 3e6, {{"a gx:Track as its line", 3, -22, 0, 0, kMagenta}}},
    {"network_link.kml", {6, -23}, 3e6, {{"the linked file", 5, -21, 0, 0, kGreen}}},
    {"model_time_visibility.kml",
     {6, -23},
     3e6,
     {{"a Model as a point", 3, -23, 0, kPinHead, kPushpin},
      {"visibility 0", 8, -23, 0, 0, kRed, false},
      {"a TimeSpan shown", 8, -14.5, 0, 0, kGreen}}},
    // Everything at once, as docs/kml-features.png shows it.
    {"showcase.kml",
     {47.95, -3.75},
     2.4e5,
     {{"the legend at its anchor", kNoPlace, 0, 20, 14, kWhite},
      {"the marina's balloon", 47.72, -3.37, 0, -90, kWhite}},
     u"Marina",
     true},
};

std::filesystem::path DataFolder() { return std::filesystem::path(STANDIN_TEST_DATA) / "kml"; }

GlobeScene SceneOfFile(FeatureTree& tree, const Sample& sample) {
  KmlLoader loader(tree);
  const auto feature = loader.OpenFile((DataFolder() / sample.file).u16string());
  if (sample.balloon) {
    tree.SetBalloon(FeatureTree::FindDepthFirst(feature, sample.balloon));
  }
  GlobeScene scene;
  scene.camera.latitude = sample.camera.latitude;
  scene.camera.longitude = sample.camera.longitude;
  scene.camera.range = sample.range;
  // The flat map without lines or names: nothing but the features is bright.
  if (!sample.imagery) {
    scene.terrain = scene.ocean = scene.coastlines = scene.borders = scene.places = false;
  }
  AddPlacemarks(tree, scene);
  if (const auto open = tree.Balloon()) {
    scene.balloon = BalloonOf(*open, scene.camera);
  }
  return scene;
}

bool Near(std::uint32_t rgb, Rgb colour) {
  constexpr int kTolerance = 40;
  return std::abs(static_cast<int>((rgb >> 16) & 0xFF) - colour.r) <= kTolerance &&
         std::abs(static_cast<int>((rgb >> 8) & 0xFF) - colour.g) <= kTolerance &&
         std::abs(static_cast<int>(rgb & 0xFF) - colour.b) <= kTolerance;
}

void CheckProbe(const GlobeImage& image, const GlobeView& view, const Sample& sample,
                const Probe& probe) {
  const std::string context = std::string(sample.file) + ": " + probe.what;
  double x = probe.dx < 0 ? kPictureWidth + probe.dx : probe.dx;
  double y = probe.dy < 0 ? kPictureHeight + probe.dy : probe.dy;
  if (!std::isnan(probe.latitude)) {
    const auto pixel = view.ToPixel({probe.latitude, probe.longitude});
    ASSERT_TRUE(pixel) << context << ": not in view";
    x = pixel->x + probe.dx;
    y = pixel->y + probe.dy;
  }
  ASSERT_TRUE(x >= 0 && y >= 0 && x < kPictureWidth && y < kPictureHeight)
      << context << ": outside the picture";
  const std::uint32_t rgb =
      image.Pixels()[static_cast<std::size_t>(y) * kPictureWidth + static_cast<std::size_t>(x)];
  EXPECT_EQ(Near(rgb, probe.colour), probe.shown)
      << context << ": pixel " << std::hex << rgb << " at " << std::dec << x << ", " << y;
}

}  // namespace

STANDIN_TEST(KmlSamplesAreDrawnWhereTheirElementsSay) {
  const char* pictures = std::getenv("STANDIN_PICTURE_DIR");
  const com_apartment com(COINIT_APARTMENTTHREADED);  // for the pictures' encoder
  for (const Sample& sample : kSamples) {
    FeatureTree tree;
    const GlobeScene scene = SceneOfFile(tree, sample);
    const GlobeImage image(kPictureWidth, kPictureHeight, scene);
    const GlobeView view(scene.camera, kPictureWidth, kPictureHeight);
    for (const Probe& probe : sample.probes) {
      CheckProbe(image, view, sample, probe);
    }
    if (pictures) {
      const std::filesystem::path file =
          std::filesystem::path(pictures) / (std::string(sample.file) + ".png");
      WriteScreenShot(file.u16string(), 90, image);
    }
  }
}

STANDIN_TEST(BalloonTextIsTheDescriptionMadeReadable) {
  const struct {
    const char16_t* html;
    const char16_t* text;
  } kCases[] = {
      {u"<p>Open <b>daily</b> &amp; at night.</p><p>Closed&nbsp;Sundays</p>",
       u"Open daily & at night.\n\nClosed\u00A0Sundays"},
      {u"Line one<br>line two<BR/>three", u"Line one\nline two\nthree"},
      {u"<ul><li>VHF 16</li><li>Fuel</li></ul>", u"\u2022 VHF 16\n\u2022 Fuel"},
      {u"<a href=\"http://example.org\">Web site</a> &#169; &#x41;", u"Web site \u00A9 A"},
      {u"<script>alert('x')</script>Safe<style>p{}</style><!-- note -->", u"Safe"},
      {u"plain text\nwith its own lines & an ampersand",
       u"plain text\nwith its own lines & an ampersand"},
      {u"<b>cut short", u"cut short"},
      {u"&bogus; &#xZZ; &", u"&bogus; &#xZZ; &"},
  };
  for (const auto& c : kCases) {
    EXPECT_TRUE(TextOfHtml(c.html) == c.text) << std::string(c.html, c.html + 20);
  }
}

STANDIN_TEST(FeatureViewsBecomeTheCameraTheyDescribe) {
  FeatureView lookAt{50, 8, 0, 2500, 30, 45, false};
  const CameraState looked = CameraOfFeatureView(lookAt);
  EXPECT_EQ(looked.latitude, 50);
  EXPECT_EQ(looked.longitude, 8);
  EXPECT_EQ(looked.range, 2500);
  EXPECT_EQ(looked.tilt, 30);
  EXPECT_EQ(looked.azimuth, 45);
  // A camera 1000 m up looking straight down sees the place under it.
  const CameraState down = CameraOfFeatureView({50, 8, 1000, 0, 0, 0, true});
  EXPECT_NEAR(down.latitude, 50, 1e-9);
  EXPECT_NEAR(down.range, 1000, 1e-6);
  // Tilted 45 degrees towards the north: the focus is about 1 km north.
  const CameraState tilted = CameraOfFeatureView({50, 8, 1000, 0, 45, 0, true});
  EXPECT_NEAR((tilted.latitude - 50) * 111'195, 1000, 5);
  EXPECT_NEAR(tilted.longitude, 8, 1e-9);
  EXPECT_NEAR(tilted.range, 1414.2, 1);
  EXPECT_NEAR(tilted.tilt, 45, 1e-9);
}

STANDIN_TEST(AClickFindsThePlacemarkUnderIt) {
  FeatureTree tree;
  const GlobeScene scene = SceneOfFile(tree, kSamples[4]);  // icons.kml
  const GlobeView view(scene.camera, kPictureWidth, kPictureHeight);
  const auto png = view.ToPixel({2, -27});
  ASSERT_TRUE(png);
  const auto picked = PlacemarkAt(scene, view, {png->x + 5, png->y - 5});
  ASSERT_TRUE(picked);
  EXPECT_TRUE(picked->name == u"PNG");
  EXPECT_FALSE(PlacemarkAt(scene, view, {png->x + 60, png->y + 60}));  // open sea
}

STANDIN_TEST(AnIntervalLinkReadsItsFileAgain) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("kml_link_test_" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  const auto write = [&](const char* name, const std::string& text) {
    std::ofstream(folder / name, std::ios::binary) << text;
  };
  const auto live = [](const char* name) {
    return std::string("<kml><Placemark><name>") + name +
           "</name><Point><coordinates>1,2</coordinates></Point></Placemark></kml>";
  };
  write("live.kml", live("first"));
  write("link.kml",
        "<kml><NetworkLink><name>L</name><Link><href>live.kml</href><refreshMode>onInterval"
        "</refreshMode><refreshInterval>5</refreshInterval></Link></NetworkLink></kml>");
  FeatureTree tree;
  KmlLoader loader(tree);
  const auto link = loader.OpenFile((folder / "link.kml").u16string());
  ASSERT_EQ(link->children.size(), 1U);
  const auto first = link->children[0];
  EXPECT_TRUE(first->name == u"first");
  write("live.kml", live("second"));
  RefreshLinks(tree, 100);  // first seen: due in 5 s
  RefreshLinks(tree, 104);
  EXPECT_TRUE(link->children[0] == first);
  RefreshLinks(tree, 105);
  ASSERT_EQ(link->children.size(), 1U);
  EXPECT_TRUE(link->children[0]->name == u"second");
  EXPECT_TRUE(first->deleted);
  EXPECT_TRUE(tree.FindByName(u"second") == link->children[0]);
  EXPECT_FALSE(tree.FindByName(u"first"));
  std::filesystem::remove(folder / "live.kml");
  RefreshLinks(tree, 110);  // gone for now: what it showed stays
  EXPECT_TRUE(link->children[0]->name == u"second");
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

// How far a place lies from the nearest edge of the rings, in degrees on
// the plate carree (the test's polygon is far from the date line).
double DegreesToEdge(const std::vector<std::vector<GeoPoint>>& rings, GeoPoint p) {
  double nearest = 1e9;
  for (const auto& ring : rings) {
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const GeoPoint& a = ring[i];
      const GeoPoint& b = ring[(i + 1) % ring.size()];
      const double ex = b.longitude - a.longitude;
      const double ey = b.latitude - a.latitude;
      const double t =
          std::clamp(((p.longitude - a.longitude) * ex + (p.latitude - a.latitude) * ey) /
                         std::max(ex * ex + ey * ey, 1e-12),
                     0.0, 1.0);
      nearest = std::min(nearest, std::hypot(p.longitude - a.longitude - t * ex,
                                             p.latitude - a.latitude - t * ey));
    }
  }
  return nearest;
}

// GDAL's rasterization of the same file (make_gdal_reference.sh) is the
// independent reference: the fill covers the cells whose centre GDAL puts
// inside the polygon, holes and the concave notch included.
STANDIN_TEST(PolygonFillsAgreeWithGdal) {
  std::ifstream grid(DataFolder() / "gdal_polygon.asc");
  std::string key;
  int columns = 0;
  int rows = 0;
  double west = 0;
  double south = 0;
  double cell = 0;
  grid >> key >> columns >> key >> rows >> key >> west >> key >> south >> key >> cell;
  ASSERT_TRUE(grid && columns == 48 && rows == 48) << "gdal_polygon.asc is unreadable";
  const Sample sample{"gdal_polygon.kml", {6, -23}, 3e6, {}};
  FeatureTree tree;
  const GlobeScene scene = SceneOfFile(tree, sample);
  ASSERT_EQ(scene.polygons.size(), 1U);
  const GeoMask mask(scene.polygons[0].rings, 0.01);
  const GlobeImage image(kPictureWidth, kPictureHeight, scene);
  const GlobeView view(scene.camera, kPictureWidth, kPictureHeight);
  int inside = 0;
  int maskDiffers = 0;
  int pictureDiffers = 0;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      int value = 0;
      grid >> value;
      const GeoPoint centre{south + (rows - row - 0.5) * cell, west + (column + 0.5) * cell};
      inside += value;
      // The mask's own cells are 0.01 degrees: closer to an edge, either side is fine.
      const bool clear = DegreesToEdge(scene.polygons[0].rings, centre) > 0.01;
      maskDiffers += clear && mask.Contains(centre) != (value == 1);
      const auto pixel = view.ToPixel(centre);
      ASSERT_TRUE(pixel);
      const std::uint32_t rgb = image.Pixels()[static_cast<std::size_t>(pixel->y) * kPictureWidth +
                                               static_cast<std::size_t>(pixel->x)];
      pictureDiffers += Near(rgb, kRed) != (value == 1);
    }
  }
  EXPECT_GT(inside, 400);  // the reference is not empty
  EXPECT_EQ(maskDiffers, 0);
  // Pixels are about 3 to a cell: a pixel on the edge may fall either side.
  EXPECT_LE(pictureDiffers, rows * columns / 50) << pictureDiffers << " cells differ";
}
