// Where every call received passes first: it is written to the journal,
// counted, and the DelayMembers, ExitOnCall and FailMembers rules are
// applied to it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "model/call_rules.h"
#include "model/journal.h"

namespace standin {

class CallGate {
 public:
  CallGate(std::unique_ptr<Journal> journal, CallPolicy policy);

  // Journals `line`, counts a call of `member` (a rule key such as
  // "GetMainHwnd" or "Feature.Visibility"), waits for a DelayMembers rule,
  // ends the process at once for an
  // ExitOnCall rule (exit code 3), and throws standin::Error with the rule's
  // code for a FailMembers rule.
  void Enter(std::string_view member, const std::string& line);

 private:
  std::unique_ptr<Journal> journal_;
  CallPolicy policy_;
};

}  // namespace standin
