// The fakes' shared fault plan: which call fails, and how each fake fails.
#include "fault_plan.h"
#include "case_name.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "panel_fixture.h"

namespace zge::testing {
namespace {

using fakes::FaultPlan;

struct PlanCase {
  const char* name;
  const char* target;
  int nth;
  // Calls made, as category and member; the index of the one that fails
  // (-1: none).
  std::vector<std::pair<const char*, const char*>> calls;
  int failing;
};
ZGE_PRINTS_CASE_BY(PlanCase, name)

class FaultPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(FaultPlanTest, FailsTheNthMatchingCallOnly) {
  const PlanCase& c = GetParam();
  FaultPlan plan;
  plan.Arm(c.target, c.nth, codes::kFail);
  int failed = -1;
  for (std::size_t i = 0; i < c.calls.size(); ++i) {
    if (plan.Check(c.calls[i].first, c.calls[i].second)) {
      EXPECT_EQ(failed, -1) << "a rule fired twice";
      failed = static_cast<int>(i);
    }
  }
  EXPECT_EQ(failed, c.failing);
  EXPECT_EQ(plan.delivered.size(), c.failing < 0 ? 0U : 1U);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FaultPlanTest,
    ::testing::Values(
        PlanCase{"CategoryFirst", "earth", 1, {{"earth", "Connect"}, {"earth", "GetMainHwnd"}}, 0},
        PlanCase{"CategoryThird",
                 "registry",
                 3,
                 {{"registry", "OpenKey(a)"},
                  {"files", "WriteFile(x)"},
                  {"registry", "ReadString"},
                  {"registry", "WriteString(a\\b)"}},
                 3},
        PlanCase{"MemberWithoutArguments",
                 "SetParent",
                 2,
                 {{"desktop", "SetParent(1, 2)"},
                  {"desktop", "MoveWindow(1)"},
                  {"desktop", "SetParent(3, 4)"}},
                 2},
        PlanCase{"NoMatch", "files", 1, {{"earth", "Connect"}, {"desktop", "SetFocus(1)"}}, -1},
        PlanCase{"NotYetDue", "earth", 5, {{"earth", "Connect"}, {"earth", "Release"}}, -1}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(FaultPlanAlways, FailsEveryMatchingCallUntilCleared) {
  FaultPlan plan;
  plan.ArmAlways("earth", codes::kServerUnavailable);
  EXPECT_EQ(plan.Check("earth", "Connect"), codes::kServerUnavailable);
  EXPECT_EQ(plan.Check("earth", "GetMainHwnd"), codes::kServerUnavailable);
  EXPECT_EQ(plan.Check("files", "WriteFile(x)"), std::nullopt);
  plan.Clear();
  EXPECT_EQ(plan.Check("earth", "Connect"), std::nullopt);
}

using FaultPlanFakesTest = PanelTest;

// Each fake fails the way its port reports failures.
TEST_F(FaultPlanFakesTest, FakesFailAsTheirPortsReportFailures) {
  f.faults.Arm("OpenKey", 1, codes::kFail);
  f.registry.Set("Software\\Test", "v", std::string("x"));
  EXPECT_EQ(f.registry.OpenKey("Software\\Test"), nullptr);  // an open that fails finds nothing
  f.faults.Arm("SetParent", 1, codes::kFail);
  EXPECT_FALSE(f.desktop.SetParent(earthRender, host));  // windows answer false
  f.faults.Arm("WriteFile", 1, codes::kFail);
  EXPECT_THROW(f.files.WriteFile("C:\\a.kml", "x"), Error);  // files throw
  f.files.files["C:\\b.kml"] = "y";
  f.faults.Arm("DeleteFile", 1, codes::kFail);
  EXPECT_FALSE(f.files.DeleteFile("C:\\b.kml"));  // a failed deletion leaves the file
  EXPECT_TRUE(f.files.FileExists("C:\\b.kml"));
  f.faults.Arm("earth", 1, codes::kDisconnected);
  try {
    static_cast<void>(f.earth.Connect());
    ADD_FAILURE() << "Connect did not fail";
  } catch (const Error& error) {
    EXPECT_EQ(error.Code(), codes::kDisconnected);
  }
  EXPECT_EQ(f.earth.state.connections, 0);
}

}  // namespace
}  // namespace zge::testing
