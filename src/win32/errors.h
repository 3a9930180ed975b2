// The one error idiom of the Win32 side: a failing call becomes zge::Error
// carrying the system's code (as an HRESULT) and the name of what failed.
#pragma once

#include "system_headers.h"

#include <string_view>

namespace zge::win32 {

[[noreturn]] void ThrowHresult(HRESULT result, std::string_view what);

// Throws when `result` is a failure; success codes such as S_FALSE pass.
inline void ThrowIfFailed(HRESULT result, std::string_view what) {
  if (FAILED(result)) {
    ThrowHresult(result, what);
  }
}

// Throws the calling thread's last error when `failed`. GetLastError is
// read before anything else can change it, so the message is only built
// afterwards: `call` names the function, `subject` (optional) what it was
// called on, such as a path.
void ThrowLastErrorIf(bool failed, std::string_view call, std::string_view subject = {});

// For calls that return their status (registry LSTATUS).
inline void ThrowWin32(LONG status, std::string_view what) {
  if (status != ERROR_SUCCESS) {
    ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)), what);
  }
}

}  // namespace zge::win32
