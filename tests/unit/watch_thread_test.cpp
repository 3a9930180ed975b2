// The watch thread's wake-up: Google Earth's main window stays hidden while
// the panel wants it hidden, under any of its three titles.
#include "case_name.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

struct TitleCase {
  const char* what;
  const char* title;
};
ZGE_PRINTS_CASE_BY(TitleCase, what)

class WatchTitleTest : public PanelTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(WatchTitleTest, HidesTheMainWindowWhatEverItsTitle) {
  f.desktop.Window(earthMain).text = GetParam().title;
  Load();
  f.threads.Wake();
  EXPECT_FALSE(f.desktop.Window(earthMain).visible);
}

INSTANTIATE_TEST_SUITE_P(Titles, WatchTitleTest,
                         ::testing::Values(TitleCase{"Plain", "Google Earth"},
                                           TitleCase{"Pro", "Google Earth Pro"},
                                           TitleCase{"Plus", "Google Earth Plus"}),
                         CaseName());

using WatchThreadTest = PanelTest;

TEST_F(WatchThreadTest, LeavesOtherWindowsAlone) {
  f.desktop.Window(earthMain).text = "Google Earth - notes";
  Load();
  f.threads.Wake();
  EXPECT_TRUE(f.desktop.Window(earthMain).visible);
}

TEST_F(WatchThreadTest, StopsHidingOnceThePanelLetsGoogleEarthShow) {
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
