#include "model/call_rules.h"

#include "automation/member_tables.h"
#include "model/error.h"
#include "test.h"

using namespace standin;

STANDIN_TEST(FailRulesParseAllThreeForms) {
  const auto rules = ParseFailRules(
      " GetMainHwnd:0x80004005 ; versionmajor:0x80048002@2;Feature.Visibility:0x80048001@3+;",
      IsKnownMemberKey);
  EXPECT_EQ(rules.size(), std::size_t{3});
  if (rules.size() != 3) {
    return;
  }
  EXPECT_EQ(rules[0].member, std::string("getmainhwnd"));
  EXPECT_EQ(rules[0].code, static_cast<std::int32_t>(0x80004005));
  EXPECT_EQ(rules[0].call, 0U);
  EXPECT_EQ(rules[1].call, 2U);
  EXPECT_TRUE(!rules[1].andLater);
  EXPECT_EQ(rules[2].member, std::string("feature.visibility"));
  EXPECT_EQ(rules[2].call, 3U);
  EXPECT_TRUE(rules[2].andLater);
}

STANDIN_TEST(BadRulesAreRejectedWithTheirText) {
  const char* kBad[] = {
      "GetMainHwnd",                 // no code
      "GetMainHwnd:xyz",             // not a number
      "GetMainHwnd:0x00000001",      // success code
      "NoSuchMember:0x80004005",     // unknown member
      "Feature.NoSuch:0x80004005",   // unknown sub-object member
      "GetMainHwnd:0x80004005@0",    // calls count from 1
      "GetMainHwnd:0x80004005@two",  // not a number
  };
  for (const char* text : kBad) {
    bool rejected = false;
    try {
      (void)ParseFailRules(text, IsKnownMemberKey);
    } catch (const Error& error) {
      rejected = std::string(error.what()).find("FailMembers rule") != std::string::npos;
    }
    EXPECT_TRUE(rejected || (std::printf("    not rejected: %s\n", text), false));
  }
}

STANDIN_TEST(ExitRulesNeedACallNumber) {
  const auto rules = ParseExitRules("GetRenderHwnd@2; CreateInstance@1", IsKnownMemberKey);
  EXPECT_EQ(rules.size(), std::size_t{2});
  bool rejected = false;
  try {
    (void)ParseExitRules("GetRenderHwnd", IsKnownMemberKey);
  } catch (const Error&) {
    rejected = true;
  }
  EXPECT_TRUE(rejected);
}

STANDIN_TEST(PolicyCountsEachMemberFromOneAndAppliesTheFirstMatchingRule) {
  CallPolicy policy(
      ParseFailRules("VersionMajor:0x80004005@2;IsOnline:0x80048005@2+", IsKnownMemberKey),
      ParseExitRules("GetMainHwnd@3", IsKnownMemberKey));
  const struct {
    const char* member;
    std::uint32_t call;
    bool fails;
    bool exits;
  } kSteps[] = {
      {"VersionMajor", 1, false, false}, {"versionmajor", 2, true, false},
      {"VersionMajor", 3, false, false}, {"IsOnline", 1, false, false},
      {"IsOnline", 2, true, false},      {"IsOnline", 3, true, false},
      {"GetMainHwnd", 1, false, false},  {"GetMainHwnd", 2, false, false},
      {"GETMAINHWND", 3, false, true},
  };
  for (const auto& step : kSteps) {
    const CallDecision decision = policy.OnCall(step.member);
    EXPECT_EQ_IN(decision.callNumber, step.call, step.member);
    EXPECT_EQ_IN(decision.failCode.has_value(), step.fails, step.member);
    EXPECT_EQ_IN(decision.exitProcess, step.exits, step.member);
  }
}

STANDIN_TEST(DelayRulesWaitOnEveryOrTheNthCall) {
  CallPolicy policy({}, {},
                    ParseDelayRules("GetMainHwnd:1500@2; VersionMajor:20", IsKnownMemberKey));
  const struct {
    const char* member;
    std::uint32_t delayMs;
  } kSteps[] = {
      {"GetMainHwnd", 0},   {"getmainhwnd", 1500}, {"GetMainHwnd", 0},
      {"VersionMajor", 20}, {"VersionMajor", 20},  {"IsOnline", 0},
  };
  for (const auto& step : kSteps) {
    EXPECT_EQ_IN(policy.OnCall(step.member).delayMs, step.delayMs, step.member);
  }
  for (const char* text : {"GetMainHwnd", "GetMainHwnd:", "GetMainHwnd:0", "GetMainHwnd:x",
                           "NoSuchMember:10", "GetMainHwnd:10@0"}) {
    bool rejected = false;
    try {
      (void)ParseDelayRules(text, IsKnownMemberKey);
    } catch (const Error& error) {
      rejected = std::string(error.what()).find("DelayMembers rule") != std::string::npos;
    }
    EXPECT_TRUE(rejected || (std::printf("    not rejected: %s\n", text), false));
  }
}
