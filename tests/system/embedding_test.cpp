// The embedded view: where Google Earth's windows are while the panel lives.
#include <gtest/gtest.h>

#include "support/system_test.h"

namespace zge::test {
namespace {

using namespace std::chrono_literals;
using EmbeddingTest = SystemTest;

// The watch thread hides the main window every 100 ms; allow for a slow
// machine but still tell "soon" from "never".
constexpr std::chrono::milliseconds kHideBound{1000};

TEST_F(EmbeddingTest, RenderWindowMovesIntoThePanelThatFillsTheParent) {
  LoadPanelAndWaitForView();
  const EarthClient earth = EarthClient::Connect();
  const HWND render = earth.RenderWindow();
  const HWND panel = FindPanel(Host().Parent());

  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetParent(render), panel);
  EXPECT_TRUE(IsChild(Host().Parent(), render));
  const RECT panelRect = RectIn(panel, Host().Parent());
  const RECT parentClient = ClientRectOf(Host().Parent());
  EXPECT_TRUE(EqualRect(&panelRect, &parentClient));
}

TEST_F(EmbeddingTest, PanelFollowsItsParentAndSizesTheViewWithIt) {
  StandInConfig config;
  config.versionMajor = 4;
  config.versionMinor = 2;
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();
  const HWND panel = FindPanel(Host().Parent());
  const HWND render = EarthClient::Connect().RenderWindow();

  ASSERT_TRUE(SetWindowPos(Host().Parent(), nullptr, 0, 0, 420, 310,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));

  const RECT parentClient = ClientRectOf(Host().Parent());
  const RECT panelClient = ClientRectOf(panel);
  EXPECT_TRUE(EqualRect(&panelClient, &parentClient));
  // Before 4.3 the render window itself follows the panel.
  const RECT renderClient = ClientRectOf(render);
  EXPECT_TRUE(EqualRect(&renderClient, &panelClient));
}

TEST_F(EmbeddingTest, MainWindowStaysHiddenWhileThePanelLives) {
  LoadPanelAndWaitForView();
  const HWND main = EarthClient::Connect().MainWindow();
  ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, kHideBound));

  static_cast<void>(ShowWindow(main, SW_SHOWNOACTIVATE));
  ASSERT_TRUE(IsWindowVisible(main));

  const auto shown = std::chrono::steady_clock::now();
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(main); }, kHideBound));
  RecordProperty("HiddenAgainAfterMs",
                 static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - shown)
                                      .count()));
}

struct PlacementCase {
  const char* name;
  DWORD major;
  DWORD minor;
  bool movedToPanelSize;
};

// Names the case in test listings (and so in ctest) instead of its bytes.
void PrintTo(const PlacementCase& testCase, std::ostream* out) { *out << testCase.name; }

class MainWindowPlacementTest : public SystemTest,
                                public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(MainWindowPlacementTest, DependsOnTheVersion) {
  StandInConfig config;
  config.versionMajor = GetParam().major;
  config.versionMinor = GetParam().minor;
  ConfigureStandIn(config);
  StartEarthFirst();
  const HWND main = EarthClient::Connect().MainWindow();
  RECT before{};
  ASSERT_TRUE(GetWindowRect(main, &before));

  LoadPanelAndWaitForView();

  RECT after{};
  ASSERT_TRUE(GetWindowRect(main, &after));
  if (GetParam().movedToPanelSize) {
    const RECT panel = ClientRectOf(FindPanel(Host().Parent()));
    EXPECT_EQ(after.left, 0);
    EXPECT_EQ(after.top, 0);
    EXPECT_EQ(after.right - after.left, panel.right);
    EXPECT_EQ(after.bottom - after.top, panel.bottom);
  } else {
    EXPECT_TRUE(EqualRect(&before, &after));
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, MainWindowPlacementTest,
                         ::testing::Values(PlacementCase{"Before4_3", 4, 2, false},
                                           PlacementCase{"At4_3", 4, 3, true},
                                           PlacementCase{"Current", 7, 3, true}),
                         [](const auto& testParam) { return std::string(testParam.param.name); });

}  // namespace
}  // namespace zge::test
