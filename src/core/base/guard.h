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

}  // namespace zge
