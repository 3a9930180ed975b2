// Adoption of the render window for Google Earth before and after 4.3, the
// size and focus handling, and adopting again after a second LoadGE.
#include <ostream>

#include "panel_fixture.h"

namespace zge::testing {
namespace {

struct VersionCase {
  std::int32_t major;
  std::int32_t minor;
  bool is43;
};
[[maybe_unused]] inline void PrintTo(const VersionCase& c, std::ostream* out) {
  *out << c.major << '.' << c.minor;
}

class AdoptionByVersionTest : public PanelTest,
                              public ::testing::WithParamInterface<VersionCase> {};

TEST_P(AdoptionByVersionTest, SizesTheRightWindowOnAdoptionAndOnResize) {
  const VersionCase& version = GetParam();
  f.earth.state.major = version.major;
  f.earth.state.minor = version.minor;
  LoadAndEmbed();
  EXPECT_EQ(Panel().VersionTag(), version.is43 ? "43" : "");

  const Rect mainAfterAdoption = f.desktop.Window(earthMain).rect;
  const Rect renderAfterAdoption = f.desktop.Window(earthRender).rect;
  if (version.is43) {
    EXPECT_EQ(mainAfterAdoption, (Rect{0, 0, 800, 600}));
    EXPECT_EQ(renderAfterAdoption, (Rect{0, 0, 1000, 700}));
  } else {
    EXPECT_EQ(mainAfterAdoption, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(renderAfterAdoption, (Rect{0, 0, 800, 600}));
  }

  f.panelWindows.Resize(640, 480);
  if (version.is43) {
    EXPECT_EQ(f.desktop.Window(earthMain).rect, (Rect{0, 0, 640 + 265, 480 + 79}));
    EXPECT_EQ(f.desktop.Window(earthRender).rect, renderAfterAdoption);
  } else {
    EXPECT_EQ(f.desktop.Window(earthMain).rect, mainAfterAdoption);
    EXPECT_EQ(f.desktop.Window(earthRender).rect, (Rect{0, 0, 640, 480}));
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, AdoptionByVersionTest,
                         ::testing::Values(VersionCase{4, 2, false}, VersionCase{3, 9, false},
                                           VersionCase{4, 3, true}, VersionCase{5, 0, true},
                                           VersionCase{7, 3, true}),
                         [](const auto& testInfo) {
                           return "Version" + std::to_string(testInfo.param.major) + "_" +
                                  std::to_string(testInfo.param.minor);
                         });

using AdoptionTest = PanelTest;

TEST_F(AdoptionTest, ResizeAndFocusBeforeEmbeddingTouchNothing) {
  Load();
  f.timers.Tick();
  f.log.Clear();
  f.panelWindows.Resize(300, 200);
  f.panelWindows.Focus();
  EXPECT_TRUE(f.log.Calls().empty());
  EXPECT_EQ(f.desktop.focus, kNoWindow);
}

TEST_F(AdoptionTest, FocusEnteringTheEmbeddedPanelGoesToTheRenderWindow) {
  LoadAndEmbed();
  f.panelWindows.Focus();
  EXPECT_EQ(f.desktop.focus, earthRender);
}

TEST_F(AdoptionTest, RenderTitleIsCutAt126Characters) {
  f.desktop.Window(earthRender).text = std::string(200, 'x');
  LoadAndEmbed();
  EXPECT_EQ(Panel().RenderTitle(), std::string(126, 'x'));
}

TEST_F(AdoptionTest, SecondLoadGEReadoptsKeepingTitleAndFirstParent) {
  LoadAndEmbed();
  f.desktop.Window(earthRender).text = "changed while embedded";
  Load();
  f.timers.Tick();
  EXPECT_FALSE(Panel().Embedded());
  EXPECT_EQ(f.desktop.GetParent(earthRender), Panel().Handle());
  EXPECT_EQ(f.earth.state.connectCount, 2);

  f.timers.Tick();
  EXPECT_TRUE(Panel().Embedded());
  EXPECT_EQ(Panel().RenderTitle(), "Render View");
  EXPECT_EQ(Panel().RenderParent(), earthContainer);
  EXPECT_EQ(loadedEvents, (std::vector<bool>{true, true}));
}

TEST_F(AdoptionTest, LoadGETwiceKeepsOnePanelAndItsParent) {
  Load();
  TGEPanel* first = GlobalPanel();
  const WindowHandle otherHost =
      f.desktop.AddWindow(fakes::FakeWindow{"Other", "", kNoWindow, Rect{0, 0, 10, 10}});
  ASSERT_TRUE(entry::LoadGE(f.ports, otherHost, nullptr));
  EXPECT_EQ(GlobalPanel(), first);
  EXPECT_EQ(f.desktop.GetParent(Panel().Handle()), host);
}

}  // namespace
}  // namespace zge::testing
