#include "model/call_rules.h"

#include <charconv>
#include <utility>

#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"

namespace standin {
namespace {

std::string_view Trim(std::string_view text) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isSpace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isSpace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::vector<std::string_view> SplitRules(std::string_view text) {
  std::vector<std::string_view> rules;
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    const std::string_view rule = Trim(text.substr(0, end));
    if (!rule.empty()) {
      rules.push_back(rule);
    }
    if (end == std::string_view::npos) {
      break;
    }
    text.remove_prefix(end + 1);
  }
  return rules;
}

[[noreturn]] void Reject(std::string_view setting, std::string_view rule, std::string_view why) {
  throw Error(codes::kInvalidArg,
              std::string(setting) + " rule \"" + std::string(rule) + "\": " + std::string(why));
}

std::string MemberKey(std::string_view setting, std::string_view rule, std::string_view name,
                      const MemberKeyCheck& isMember) {
  std::string key = AsciiLower(Trim(name));
  if (key.empty()) {
    Reject(setting, rule, "no member name");
  }
  if (!isMember(key)) {
    Reject(setting, rule, "unknown member \"" + std::string(Trim(name)) + "\"");
  }
  return key;
}

std::uint32_t CallNumber(std::string_view setting, std::string_view rule, std::string_view text) {
  text = Trim(text);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value == 0) {
    Reject(setting, rule, "the call number must be a whole number from 1");
  }
  return value;
}

std::int32_t ResultCode(std::string_view rule, std::string_view text) {
  text = Trim(text);
  std::uint32_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    first += 2;
    base = 16;
  }
  const auto [end, error] = std::from_chars(first, last, value, base);
  if (text.empty() || error != std::errc() || end != last) {
    Reject("FailMembers", rule, "the result code must read like 0x80004005");
  }
  const auto code = static_cast<std::int32_t>(value);
  if (!codes::IsFailure(code)) {
    Reject("FailMembers", rule, "the result code must be a failure");
  }
  return code;
}

}  // namespace

std::vector<FailRule> ParseFailRules(std::string_view text, const MemberKeyCheck& isMember) {
  std::vector<FailRule> rules;
  for (const std::string_view ruleText : SplitRules(text)) {
    const std::size_t colon = ruleText.find(':');
    if (colon == std::string_view::npos) {
      Reject("FailMembers", ruleText, "expected Member:0xHRESULT");
    }
    FailRule rule;
    rule.member = MemberKey("FailMembers", ruleText, ruleText.substr(0, colon), isMember);
    std::string_view rest = ruleText.substr(colon + 1);
    const std::size_t at = rest.find('@');
    rule.code = ResultCode(ruleText, rest.substr(0, at));
    if (at != std::string_view::npos) {
      std::string_view count = Trim(rest.substr(at + 1));
      if (!count.empty() && count.back() == '+') {
        rule.andLater = true;
        count.remove_suffix(1);
      }
      rule.call = CallNumber("FailMembers", ruleText, count);
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

std::vector<ExitRule> ParseExitRules(std::string_view text, const MemberKeyCheck& isMember) {
  std::vector<ExitRule> rules;
  for (const std::string_view ruleText : SplitRules(text)) {
    const std::size_t at = ruleText.find('@');
    if (at == std::string_view::npos) {
      Reject("ExitOnCall", ruleText, "expected Member@N");
    }
    ExitRule rule;
    rule.member = MemberKey("ExitOnCall", ruleText, ruleText.substr(0, at), isMember);
    rule.call = CallNumber("ExitOnCall", ruleText, ruleText.substr(at + 1));
    rules.push_back(std::move(rule));
  }
  return rules;
}

std::vector<DelayRule> ParseDelayRules(std::string_view text, const MemberKeyCheck& isMember) {
  std::vector<DelayRule> rules;
  for (const std::string_view ruleText : SplitRules(text)) {
    const std::size_t colon = ruleText.find(':');
    if (colon == std::string_view::npos) {
      Reject("DelayMembers", ruleText, "expected Member:ms");
    }
    DelayRule rule;
    rule.member = MemberKey("DelayMembers", ruleText, ruleText.substr(0, colon), isMember);
    const std::string_view rest = ruleText.substr(colon + 1);
    const std::size_t at = rest.find('@');
    rule.milliseconds = CallNumber("DelayMembers", ruleText, rest.substr(0, at));
    if (at != std::string_view::npos) {
      rule.call = CallNumber("DelayMembers", ruleText, rest.substr(at + 1));
    }
    rules.push_back(std::move(rule));
  }
  return rules;
}

CallPolicy::CallPolicy(std::vector<FailRule> failRules, std::vector<ExitRule> exitRules,
                       std::vector<DelayRule> delayRules)
    : failRules_(std::move(failRules)),
      exitRules_(std::move(exitRules)),
      delayRules_(std::move(delayRules)) {}

CallDecision CallPolicy::OnCall(std::string_view member) {
  const std::string key = AsciiLower(member);
  auto found = counts_.find(key);
  if (found == counts_.end()) {
    found = counts_.emplace(key, 0).first;
  }
  CallDecision decision;
  decision.callNumber = ++found->second;
  for (const DelayRule& rule : delayRules_) {
    if (rule.member == key && (rule.call == 0 || rule.call == decision.callNumber)) {
      decision.delayMs = rule.milliseconds;
    }
  }

  for (const ExitRule& rule : exitRules_) {
    if (rule.member == key && rule.call == decision.callNumber) {
      decision.exitProcess = true;
      decision.rule = "ExitOnCall " + std::string(member) + "@" + std::to_string(rule.call);
      return decision;
    }
  }
  for (const FailRule& rule : failRules_) {
    if (rule.member != key) {
      continue;
    }
    const bool matches = rule.call == 0 || rule.call == decision.callNumber ||
                         (rule.andLater && decision.callNumber >= rule.call);
    if (!matches) {
      continue;
    }
    decision.failCode = rule.code;
    decision.rule = "FailMembers " + std::string(member) + ":" + HexCode(rule.code);
    if (rule.call != 0) {
      decision.rule += "@" + std::to_string(rule.call) + (rule.andLater ? "+" : "");
    }
    return decision;
  }
  return decision;
}

}  // namespace standin
