// The error idiom of winbase, bound to zge::Error: a failing call becomes
// zge::Error carrying the system's code (as an HRESULT) and the name of
// what failed, which the core's guard records.
#pragma once

#include "system_headers.h"

#include <string>
#include <string_view>

#include "base/error.h"
#include "winbase/errors.h"

namespace zge::win32 {

// A call and what it was called on, as the error texts name them:
// RegQueryValueExA("Locale").
inline std::string Described(std::string_view call, std::string_view subject) {
  std::string text(call);
  text += "(\"";
  text += subject;
  text += "\")";
  return text;
}

[[noreturn]] inline void ThrowHresult(HRESULT result, std::string_view what) {
  winbase::ThrowHresult<Error>(result, what);
}

// Throws when `result` is a failure; success codes such as S_FALSE pass.
inline void ThrowIfFailed(HRESULT result, std::string_view what) {
  winbase::ThrowIfFailed<Error>(result, what);
}

// Throws the calling thread's last error when `failed`: `call` names the
// function, `subject` (optional) what it was called on, such as a path.
inline void ThrowLastErrorIf(bool failed, std::string_view call, std::string_view subject = {}) {
  winbase::ThrowLastErrorIf<Error>(failed, call, subject);
}

// For calls that return their status (registry LSTATUS).
inline void ThrowWin32(LONG status, std::string_view what) {
  winbase::ThrowWin32<Error>(status, what);
}

}  // namespace zge::win32
