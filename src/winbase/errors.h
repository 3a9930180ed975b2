// The one error idiom at Win32 and COM call sites: a failing call becomes
// the program's own error type, carrying the system's code (as an HRESULT)
// and the name of what failed. Each program binds the idiom to its error
// type once (any type constructible from a std::int32_t code and a
// std::string message), so that its guards read the code back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace winbase {

// "what failed (0x80070005: Access is denied)": the code, then the system's
// own description of it when it has one.
[[nodiscard]] std::string FailureMessage(HRESULT result, std::string_view what);

// The calling thread's last error as an HRESULT; E_FAIL for a call that
// failed without setting a code.
[[nodiscard]] HRESULT LastErrorResult() noexcept;

// `call`, or `call("subject")` when there is a subject, such as a path.
[[nodiscard]] std::string CallDescription(std::string_view call, std::string_view subject);

template <typename Error>
[[noreturn]] void ThrowHresult(HRESULT result, std::string_view what) {
  throw Error(static_cast<std::int32_t>(result), FailureMessage(result, what));
}

// Throws when `result` is a failure; success codes such as S_FALSE pass.
template <typename Error>
void ThrowIfFailed(HRESULT result, std::string_view what) {
  if (FAILED(result)) {
    ThrowHresult<Error>(result, what);
  }
}

// Throws the calling thread's last error. GetLastError is read before
// anything else can change it, so the message is only built afterwards.
template <typename Error>
[[noreturn]] void ThrowLastError(std::string_view call, std::string_view subject = {}) {
  const HRESULT result = LastErrorResult();
  ThrowHresult<Error>(result, CallDescription(call, subject));
}

template <typename Error>
void ThrowLastErrorIf(bool failed, std::string_view call, std::string_view subject = {}) {
  if (failed) {
    ThrowLastError<Error>(call, subject);
  }
}

// For calls that return their status (registry LSTATUS).
template <typename Error>
void ThrowWin32(LONG status, std::string_view what) {
  if (status != ERROR_SUCCESS) {
    ThrowHresult<Error>(HRESULT_FROM_WIN32(static_cast<DWORD>(status)), what);
  }
}

}  // namespace winbase
