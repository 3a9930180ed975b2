// The tests' one error idiom at Win32 call sites: a failing call becomes a
// zge::Error naming the call, which GoogleTest reports as the test's failure.
#pragma once

#include <windows.h>

#include <string>

#include "base/error.h"

namespace zge::test {

[[noreturn]] inline void ThrowWin32Error(DWORD code, const char* call) {
  throw Error(static_cast<std::int32_t>(HRESULT_FROM_WIN32(code)),
              std::string(call) + " failed with error " + std::to_string(code));
}

// Reads GetLastError before anything else can overwrite it.
[[noreturn]] inline void ThrowLastError(const char* call) { ThrowWin32Error(GetLastError(), call); }

inline void ThrowIfFailed(HRESULT result, const char* call) {
  if (FAILED(result)) {
    throw Error(static_cast<std::int32_t>(result),
                std::string(call) + " failed with HRESULT " + std::to_string(result));
  }
}

inline void ThrowIfFalse(BOOL succeeded, const char* call) {
  if (!succeeded) {
    ThrowLastError(call);
  }
}

template <class T>
T ThrowIfNull(T value, const char* call) {
  if (!value) {
    ThrowLastError(call);
  }
  return value;
}

// Registry functions return their error instead of setting it.
inline void ThrowIfError(LSTATUS status, const char* call) {
  if (status != ERROR_SUCCESS) {
    ThrowWin32Error(static_cast<DWORD>(status), call);
  }
}

}  // namespace zge::test
