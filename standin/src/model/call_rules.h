// The test hooks of the configuration: FailMembers, ExitOnCall and
// DelayMembers rules, and the policy that counts calls and applies them.
// Portable.
//
// Member keys are case-insensitive: "GetMainHwnd" for application members,
// "Feature.Visibility" style for members of the other objects, and
// "CreateInstance" for the class factory.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct FailRule {
  std::string member;  // lower case
  std::int32_t code = 0;
  std::uint32_t call = 0;  // 0: every call; N: the Nth call
  bool andLater = false;   // with call N: the Nth call and every later one
};

struct ExitRule {
  std::string member;  // lower case
  std::uint32_t call = 1;
};

struct DelayRule {
  std::string member;  // lower case
  std::uint32_t milliseconds = 0;
  std::uint32_t call = 0;  // 0: every call; N: the Nth call
};

// Tells whether a lower-case member key names a member that exists.
using MemberKeyCheck = std::function<bool(std::string_view)>;

// "Member:0xHRESULT", "Member:0xHRESULT@N", "Member:0xHRESULT@N+", separated
// by ';'. Throws standin::Error (E_INVALIDARG) naming the bad rule.
[[nodiscard]] std::vector<FailRule> ParseFailRules(std::string_view text,
                                                   const MemberKeyCheck& isMember);
// "Member@N", separated by ';'.
[[nodiscard]] std::vector<ExitRule> ParseExitRules(std::string_view text,
                                                   const MemberKeyCheck& isMember);

// "Member:ms", "Member:ms@N", separated by ';'.
[[nodiscard]] std::vector<DelayRule> ParseDelayRules(std::string_view text,
                                                     const MemberKeyCheck& isMember);

struct CallDecision {
  std::uint32_t callNumber = 0;  // this call's number for its member, from 1
  std::uint32_t delayMs = 0;     // wait this long before answering
  bool exitProcess = false;
  std::optional<std::int32_t> failCode;
  std::string rule;  // the rule that decided, as text, for messages
};

class CallPolicy {
 public:
  CallPolicy() = default;
  CallPolicy(std::vector<FailRule> failRules, std::vector<ExitRule> exitRules,
             std::vector<DelayRule> delayRules = {});

  // Counts one call of `member` (any case) and says what to do with it.
  [[nodiscard]] CallDecision OnCall(std::string_view member);

 private:
  std::vector<FailRule> failRules_;
  std::vector<ExitRule> exitRules_;
  std::vector<DelayRule> delayRules_;
  std::map<std::string, std::uint32_t, std::less<>> counts_;
};

}  // namespace standin
