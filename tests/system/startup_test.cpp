// Start-up: how the panel finds, waits for and gives up on Google Earth.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/system_test.h"

namespace zge::test {
namespace {

using namespace std::chrono_literals;
using StartupTest = SystemTest;

bool AllTrue(const std::vector<bool>& calls) {
  return std::all_of(calls.begin(), calls.end(), [](bool loaded) { return loaded; });
}

TEST_F(StartupTest, EmbedsEarthThatTheFirstTickStarts) {
  ASSERT_FALSE(StandInProcessId().has_value());

  LoadPanelAndWaitForView();

  EXPECT_TRUE(StandInProcessId().has_value());
  const Journal& journal = StandInJournal();
  const auto asked = journal.IndexOf("GetMainHwnd()");
  const auto adopted = journal.IndexOf("GetRenderHwnd()");
  ASSERT_TRUE(asked && adopted) << journal.Text();
  EXPECT_LT(*asked, *adopted);
  // COM creates the object through the class factory, unless it still names
  // a server an earlier test ended: then the package starts the server
  // itself and attaches to the object the server registers.
  if (const auto created = journal.IndexOf("CreateInstance()")) {
    EXPECT_LT(*created, *asked);
  }
  EXPECT_FALSE(LoadedCalls().empty());
  EXPECT_TRUE(AllTrue(LoadedCalls()));
}

TEST_F(StartupTest, EmbedsEarthThatAlreadyRuns) {
  StartEarthFirst();
  const DWORD processId = WaitForStandInProcessId();
  const UniqueHandle process = OpenStandInProcess(processId);

  LoadPanelAndWaitForView();

  EXPECT_EQ(StandInProcessId(), processId) << "a second Google Earth was started";
  EXPECT_TRUE(IsProcessRunning(process.get()));
  EXPECT_TRUE(AllTrue(LoadedCalls()));
}

TEST_F(StartupTest, WaitsForAMainWindowThatShowsLate) {
  StandInConfig config;
  config.mainWindowDelayMs = 2500;
  ConfigureStandIn(config);

  LoadPanelAndWaitForView();

  // The first answer is "no window yet": the connection is dropped and the
  // panel asks again on a later tick.
  EXPECT_GE(StandInJournal().Count("GetMainHwnd()"), 2U) << StandInJournal().Text();
  EXPECT_GE(LoadedCalls().size(), 2U);
  EXPECT_TRUE(AllTrue(LoadedCalls()));
}

TEST_F(StartupTest, ReportsFailureOnceWhenEarthIsNotInstalled) {
  const RegistrationRemoval notInstalled;

  LoadPanel();
  ASSERT_TRUE(PumpUntil([&] { return !LoadedCalls().empty(); }, kEventTimeout));
  // Two more wait intervals without any retry.
  PumpFor(4s);

  EXPECT_EQ(LoadedCalls(), std::vector<bool>{false});
  EXPECT_EQ(Api().ZgeIsViewReady(), 0);
  EXPECT_FALSE(StandInProcessId().has_value());
  EXPECT_NE(FindPanel(Host().Parent()), nullptr) << "the panel stays after a failed start-up";
}

TEST_F(StartupTest, RetriesLaterWhenAnEarthCallFailsThenEmbeds) {
  StandInConfig config;
  config.failMembers = L"GetMainHwnd:0x80004005@1";
  ConfigureStandIn(config);

  LoadPanelAndWaitForView();

  const auto asked = StandInJournal().TimesOf("GetMainHwnd()");
  ASSERT_GE(asked.size(), 2U) << StandInJournal().Text();
  // A failed tick waits 2500 ms before the next one, an ordinary wait is
  // 1500 ms: the gap tells which one the panel took.
  EXPECT_GE(asked[1] - asked[0], 2000ms);
  EXPECT_GE(LoadedCalls().size(), 2U);
  EXPECT_TRUE(AllTrue(LoadedCalls()));
}

TEST_F(StartupTest, StartsEarthAnewWhenItEndsBeforeItsWindowIsAdopted) {
  StandInConfig config;
  config.exitOnCall = L"GetMainHwnd@1";
  ConfigureStandIn(config);
  LoadPanel();
  const DWORD first = WaitForStandInProcessId();
  const UniqueHandle firstProcess = OpenStandInProcess(first);
  ASSERT_TRUE(PumpUntil([&] { return !IsProcessRunning(firstProcess.get()); }, kEventTimeout));
  // The next Google Earth answers.
  config.exitOnCall = L"";
  ConfigureStandIn(config);

  ASSERT_TRUE(WaitForViewReady()) << StandInJournal().Text();
  EXPECT_NE(StandInProcessId(), first);
  EXPECT_TRUE(AllTrue(LoadedCalls()));
}

}  // namespace
}  // namespace zge::test
