// The watch thread's wake-up: Google Earth's main window stays hidden while
// the panel wants it hidden, under any of its three titles.
#include "panel_fixture.h"

namespace zge::testing {
namespace {

class WatchTitleTest : public PanelTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WatchTitleTest, HidesTheMainWindowWhatEverItsTitle) {
  f.desktop.Window(earthMain).text = GetParam();
  Load();
  f.threads.Wake();
  EXPECT_FALSE(f.desktop.Window(earthMain).visible);
}

INSTANTIATE_TEST_SUITE_P(Titles, WatchTitleTest,
                         ::testing::Values("Google Earth", "Google Earth Pro", "Google Earth Plus"),
                         [](const auto& testInfo) {
                           return "Title" + std::to_string(testInfo.index);
                         });

TEST_F(PanelTest, LeavesOtherWindowsAlone) {
  f.desktop.Window(earthMain).text = "Google Earth - notes";
  Load();
  f.threads.Wake();
  EXPECT_TRUE(f.desktop.Window(earthMain).visible);
}

TEST_F(PanelTest, StopsHidingOnceThePanelLetsGoogleEarthShow) {
  LoadAndEmbed();
  entry::SetShutDownGE(false);
  const auto onWake = f.threads.state.onWake;
  entry::CloseGE();
  EXPECT_FALSE(f.threads.state.running);
  // A wake-up that raced with the close finds no panel and hides nothing.
  onWake();
  EXPECT_TRUE(f.desktop.Window(earthMain).visible);
  EXPECT_EQ(f.desktop.Window(earthMain).lastShowCommand, 7);
}

}  // namespace
}  // namespace zge::testing
