// The one boundary guard: every export, window procedure, timer callback and
// thread entry runs its body through Guarded, so that no exception crosses
// into the host or the system. A failure is recorded as the thread's last
// error and the neutral result is returned.
#pragma once

#include <exception>
#include <new>
#include <type_traits>
#include <utility>

#include "base/error.h"
#include "base/last_error.h"

namespace zge {

// Records the exception in flight. Call only inside a catch block.
void RecordCurrentException() noexcept;

template <typename Result, typename Body>
Result Guarded(Result neutral, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    RecordCurrentException();
    return neutral;
  }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
    RecordCurrentException();
  }
}

// The first failure of a procedure that the system calls inside a modal
// loop (a dialog procedure): kept until the loop has returned, then
// rethrown by the code that started it, so it reaches that code's own
// boundary instead of crossing the system's frames.
class StoredFault {
 public:
  [[nodiscard]] bool Holds() const noexcept { return static_cast<bool>(fault_); }
  void RethrowIfAny() {
    if (fault_) {
      std::rethrow_exception(std::exchange(fault_, nullptr));
    }
  }

 private:
  template <typename Result, typename Body>
  friend Result Guarded(StoredFault& fault, Result neutral, Body&& body) noexcept;
  std::exception_ptr fault_;
};

template <typename Result, typename Body>
Result Guarded(StoredFault& fault, Result neutral, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    if (!fault.fault_) {
      fault.fault_ = std::current_exception();
    }
    return neutral;
  }
}

}  // namespace zge
