// The package's calls running on the user-interface thread's stack.
//
// While the package waits for Google Earth, COM dispatches the host's
// messages, so the host's timer can call an export in the middle of another
// export or of a start-up tick. Each such call runs inside a CallScope; the
// lifecycle uses the depth to defer CloseGE and refuse LoadGE until the
// outermost call has returned (entry/lifecycle.cpp).
#pragma once

namespace zge {

class CallScope {
 public:
  CallScope() noexcept;
  // Runs the outermost-return handler when this was the outermost call.
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

  // Whether a call of the package is running on this thread.
  [[nodiscard]] static bool Inside() noexcept;
  // Called (on the calling thread, not throwing) each time the outermost
  // call returns.
  static void SetOutermostReturnHandler(void (*handler)()) noexcept;
};

// Steps out of the running call for the host's own code (its callbacks):
// there the host may close or restart the panel at once, and the package's
// code that called it checks whether the panel survived. When that call
// itself runs inside another one, the host's close waits for the outer
// call as any other close from inside a call does.
class HostCode {
 public:
  HostCode() noexcept;
  ~HostCode();
  HostCode(const HostCode&) = delete;
  HostCode& operator=(const HostCode&) = delete;

 private:
  int savedDepth_;
};

}  // namespace zge
