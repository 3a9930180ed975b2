// The DLL's own code and its lifetime: a host that unloads it without
// CloseGE, then destroys its window, must not run into unloaded code; one
// that closes first unloads it completely. Lists kept by the host outlive
// nothing. These tests load and free the DLL themselves: no stand-in runs.
#include <gtest/gtest.h>

#include "support/system_test.h"

namespace zge::test {
namespace {

using namespace std::chrono_literals;

bool DllIsLoaded() { return GetModuleHandleW(ZelkanGEPath().c_str()) != nullptr; }

TEST(UnloadTest, HostThatUnloadsBeforeDestroyingItsWindowDoesNotRunIntoUnloadedCode) {
  HostWindow host;
  auto api = std::make_unique<ZelkanGE>(ZelkanGEPath());
  ASSERT_EQ(api->LoadGE(host.Parent(), nullptr, nullptr), 1);
  api->Unload();
  ASSERT_TRUE(DllIsLoaded()) << "the panel does not keep the code loaded";

  // The panel goes with the window, on this thread, inside the DLL.
  host.DestroyParent();
  PumpFor(300ms);
  EXPECT_TRUE(DllIsLoaded());

  // The host's next call gives the parked reference back: after it, the
  // host's own reference is the last.
  ZelkanGE again(ZelkanGEPath());
  again.CloseGE();
  again.Unload();
  EXPECT_FALSE(DllIsLoaded()) << "a reference was left behind";
}

TEST(UnloadTest, CloseThenFreeLibraryUnloadsTheDll) {
  HostWindow host;
  ZelkanGE api(ZelkanGEPath());
  ASSERT_EQ(api.LoadGE(host.Parent(), nullptr, nullptr), 1);
  PumpFor(200ms);
  api.CloseGE();
  api.Unload();
  EXPECT_FALSE(DllIsLoaded()) << "a reference was left behind";
}

class StaleListTest : public SystemTest {};

TEST_F(StaleListTest, ListsKeptFromAPanelThatWentReadAsEmpty) {
  LoadPanelAndWaitForView();
  Api().LoadWaypoint("Lisbon", "", "", 38.7, -9.1);
  const ZgeStringList* features = Api().FeatureList();
  const ZgeStringList* layers = Api().ZgeLayerList();
  ASSERT_EQ(Api().ZgeStringListCount(features), 1);

  Host().DestroyParent();
  ASSERT_EQ(FindPanel(Host().Frame()), nullptr);

  EXPECT_EQ(Api().ZgeStringListCount(features), 0);
  EXPECT_EQ(Api().ZgeStringListCount(layers), 0);
  char text[16] = "unchanged";
  EXPECT_EQ(Api().ZgeStringListItem(features, 0, text, sizeof text), -1);
  EXPECT_STREQ(text, "unchanged");
  EXPECT_EQ(Api().ZgeStringListNumber(features, 0), 0);
}

}  // namespace
}  // namespace zge::test
