// The error idiom of winbase, bound to standin::Error: a failing HRESULT or
// BOOL becomes standin::Error carrying the code and the call that failed,
// which the stand-in's guards turn back into the code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "model/error.h"
#include "winbase/errors.h"

namespace standin {

[[noreturn]] inline void ThrowHresult(HRESULT hr, std::string_view call) {
  winbase::ThrowHresult<Error>(hr, call);
}

inline void ThrowIfFailed(HRESULT hr, std::string_view call) {
  winbase::ThrowIfFailed<Error>(hr, call);
}

// Reads GetLastError before anything else can change it.
[[noreturn]] inline void ThrowLastError(std::string_view call) {
  winbase::ThrowLastError<Error>(call);
}

inline void ThrowLastErrorIf(bool failed, std::string_view call) {
  winbase::ThrowLastErrorIf<Error>(failed, call);
}

template <class T>
T ThrowLastErrorIfNull(T value, std::string_view call) {
  if (!value) {
    ThrowLastError(call);
  }
  return value;
}

// Registry functions return their error instead of setting the last error.
inline void ThrowWin32(LSTATUS status, std::string_view call) {
  winbase::ThrowWin32<Error>(status, call);
}

[[nodiscard]] inline HRESULT ToHresult(std::int32_t code) noexcept {
  return static_cast<HRESULT>(code);
}

}  // namespace standin
