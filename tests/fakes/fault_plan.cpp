#include "fault_plan.h"

#include <algorithm>

#include "base/error.h"

namespace zge::fakes {

void FaultPlan::Arm(std::string target, int nth, std::int32_t code) {
  rules_.push_back(Rule{std::move(target), std::max(nth, 1), code, false});
}

void FaultPlan::ArmAlways(std::string target, std::int32_t code) {
  rules_.push_back(Rule{std::move(target), 1, code, true});
}

std::optional<std::int32_t> FaultPlan::Check(std::string_view category, std::string_view member) {
  ++calls_;
  const std::string_view bare = member.substr(0, member.find('('));
  for (auto rule = rules_.begin(); rule != rules_.end(); ++rule) {
    if (rule->target != category && rule->target != bare) {
      continue;
    }
    if (!rule->always && --rule->remaining > 0) {
      continue;
    }
    const std::int32_t code = rule->code;
    if (!rule->always) {
      rules_.erase(rule);
    }
    delivered.push_back(Delivered{std::string(category), std::string(member), code});
    return code;
  }
  return std::nullopt;
}

void FaultPlan::ThrowIfDue(std::string_view category, std::string_view member) {
  if (const std::optional<std::int32_t> code = Check(category, member)) {
    throw Error(*code, "injected failure of " + std::string(member));
  }
}

}  // namespace zge::fakes
