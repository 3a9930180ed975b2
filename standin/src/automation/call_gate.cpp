#include "automation/call_gate.h"

#include <windows.h>

#include <utility>

#include "model/error.h"
#include "windows/busy_wait.h"

namespace standin {

CallGate::CallGate(std::unique_ptr<Journal> journal, CallPolicy policy)
    : journal_(std::move(journal)), policy_(std::move(policy)) {}

void CallGate::Enter(std::string_view member, const std::string& line) {
  journal_->Append(line);
  const CallDecision decision = policy_.OnCall(member);
  if (decision.delayMs != 0) {
    // A busy Earth: the client's call waits, and its own messages run;
    // ours paint, and closing the main window still ends the process.
    WaitServingWindows(decision.delayMs);
  }
  if (decision.exitProcess) {
    // Abruptly, before answering: what a crashing Earth looks like.
    TerminateProcess(GetCurrentProcess(), 3);
  }
  if (decision.failCode) {
    throw Error(*decision.failCode, std::string(member) + " failed by configuration (" +
                                        decision.rule + ", call " +
                                        std::to_string(decision.callNumber) + ")");
  }
}

}  // namespace standin
