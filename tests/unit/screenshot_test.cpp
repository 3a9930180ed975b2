// Pictures of the view and the view placemark file.
#include <string>
#include <vector>

#include "base/error.h"
#include "kml/view_placemark.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

constexpr char kPlacemarkFile[] = "C:\\Charts\\view.kml";

// A host bitmap that records what the panel does with it.
class RecordingBitmap final : public platform::Bitmap {
 public:
  void SetSize(Size newSize) override {
    calls.push_back("SetSize");
    size = newSize;
  }
  void CopyFromWindow(WindowHandle window, const Rect& rect) override {
    calls.push_back("CopyFromWindow");
    source = window;
    copied = rect;
  }
  void DrawImageFile(std::string_view path) override {
    calls.push_back("DrawImageFile");
    drawn = path;
  }
  std::vector<std::string> calls;
  Size size;
  WindowHandle source = kNoWindow;
  Rect copied;
  std::string drawn;
};

class PictureTest : public PanelTest {
 protected:
  void SetUp() override {
    f.earth.state.camera = fakes::FakeCamera{0.5, 0, 0, 1, 1000, 0, 45};
    LoadAndEmbed();
  }
  [[nodiscard]] std::u16string Wide(const std::string& text) const {
    return std::u16string(text.begin(), text.end());
  }
};

using ScreenshotTest = PanelTest;

TEST_F(ScreenshotTest, TheBitmapTakesThePanelsSizeThenItsPictureEvenBeforeEmbedding) {
  Load();
  f.panelWindows.Resize(640, 360);
  RecordingBitmap bitmap;
  bitmap.size = Size{50, 50};
  Panel().ScreenShot(bitmap);
  EXPECT_EQ(bitmap.calls, (std::vector<std::string>{"SetSize", "CopyFromWindow"}));
  EXPECT_EQ(bitmap.size, (Size{640, 360}));
  EXPECT_EQ(bitmap.source, Panel().Handle());
  EXPECT_EQ(bitmap.copied, (Rect{0, 0, 640, 360}));
}

TEST_F(PictureTest, GoogleEarthWritesTheImageFileOnlyWhenTheViewIsInThePanel) {
  Panel().ScreenShot(u"C:\\Charts\\view.png");
  ASSERT_EQ(f.earth.state.screenShots.size(), 1u);
  EXPECT_EQ(f.earth.state.screenShots[0],
            std::make_pair(std::u16string(u"C:\\Charts\\view.png"), 100));

  f.earth.state.failing["SaveScreenShot(C:\\Charts\\again.png, 100)"] = codes::kFail;
  EXPECT_NO_THROW(Panel().ScreenShot(u"C:\\Charts\\again.png"));

  Panel().RestoreGoogleEarth();
  f.earth.state.screenShots.clear();
  Panel().ScreenShot(u"C:\\Charts\\view.png");
  EXPECT_TRUE(f.earth.state.screenShots.empty());
}

TEST_F(PictureTest, GoogleEarthsOwnPictureComesThroughATemporaryFileThatIsDeleted) {
  RecordingBitmap bitmap;
  Panel().EarthScreenShot(bitmap);
  ASSERT_EQ(f.earth.state.screenShots.size(), 1u);
  const std::u16string written = f.earth.state.screenShots[0].first;
  EXPECT_EQ(Wide(bitmap.drawn), written);
  EXPECT_EQ(bitmap.size, (Size{800, 600}));
  EXPECT_EQ(bitmap.drawn.rfind(Panel().TempPath(), 0), 0u) << bitmap.drawn;
  EXPECT_FALSE(f.files.FileExists(bitmap.drawn));
  EXPECT_EQ(f.files.deletions.back(), bitmap.drawn);
}

TEST_F(PictureTest, GoogleEarthsPictureFailsLoudlyAndLeavesNoFileBehind) {
  f.earth.state.failing["SaveScreenShot(" + Panel().TempPath() + "zge1.tmp, 100)"] = codes::kFail;
  RecordingBitmap bitmap;
  EXPECT_THROW(Panel().EarthScreenShot(bitmap), Error);
  EXPECT_TRUE(bitmap.calls.empty());
  EXPECT_FALSE(f.files.FileExists(Panel().TempPath() + "zge1.tmp"));

  Panel().RestoreGoogleEarth();
  try {
    Panel().EarthScreenShot(bitmap);
    FAIL() << "a picture of a view that is not in the panel";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), static_cast<std::int32_t>(0x80070015));
  }
}

TEST_F(PictureTest, TheViewPlacemarkIsThirtyLinesWithTheViewsNumbers) {
  ASSERT_TRUE(Panel().SaveKMLToFile(kPlacemarkFile));
  const std::string& file = f.files.files.at(kPlacemarkFile);
  EXPECT_EQ(file, kml::ViewPlacemarkFile({0.5, 0, 1000, 0}));
  EXPECT_NE(file.find("<longitude></longitude>\r\n<latitude>.5</latitude>\r\n<range>1000</range>"
                      "\r\n<tilt>0</tilt>\r\n"),
            std::string::npos);
  // The first description gives the focus point; range and tilt come from
  // descriptions of their own.
  EXPECT_EQ(f.log.Count("GetCamera(0)"), 3);
}

TEST_F(PictureTest, TheViewPlacemarkKeepsTheOldFileWhenAReadOrTheWriteFails) {
  f.files.files[kPlacemarkFile] = "the user's earlier view";
  f.earth.state.failing["Camera.Tilt"] = codes::kFail;
  EXPECT_THROW(static_cast<void>(Panel().SaveKMLToFile(kPlacemarkFile)), Error);
  EXPECT_EQ(f.files.files.at(kPlacemarkFile), "the user's earlier view");

  f.earth.state.failing.clear();
  f.files.failWrites = static_cast<std::int32_t>(0x80070070);  // disk full
  EXPECT_THROW(static_cast<void>(Panel().SaveKMLToFile(kPlacemarkFile)), Error);
  EXPECT_EQ(f.files.files.at(kPlacemarkFile), "the user's earlier view");
}

TEST_F(ScreenshotTest, NoViewPlacemarkBeforeGoogleEarthIsReadyOrWithoutACamera) {
  Load();
  EXPECT_FALSE(Panel().SaveKMLToFile(kPlacemarkFile));
  ASSERT_TRUE(f.timers.Tick());
  ASSERT_TRUE(f.timers.Tick());
  f.earth.state.hasCamera = false;
  EXPECT_FALSE(Panel().SaveKMLToFile(kPlacemarkFile));
  EXPECT_EQ(f.files.files.count(kPlacemarkFile), 0u);
}

}  // namespace
}  // namespace zge::testing
