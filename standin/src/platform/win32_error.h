// The one error idiom at Win32 and COM call sites: a failing HRESULT or BOOL
// becomes standin::Error carrying the code and the call that failed.
#pragma once

#include <windows.h>

#include <string>

#include "model/error.h"

namespace standin {

[[noreturn]] void ThrowHr(HRESULT hr, const std::string& call);

inline void ThrowIfFailed(HRESULT hr, const char* call) {
  if (FAILED(hr)) ThrowHr(hr, call);
}

// Reads GetLastError before anything else can change it.
[[noreturn]] void ThrowLastError(const char* call);

inline void ThrowLastErrorIfFalse(BOOL ok, const char* call) {
  if (!ok) ThrowLastError(call);
}

template <class T>
T ThrowLastErrorIfNull(T value, const char* call) {
  if (!value) ThrowLastError(call);
  return value;
}

// Registry functions return their error instead of setting the last error.
inline void ThrowIfRegFailed(LSTATUS status, const char* call) {
  if (status != ERROR_SUCCESS) ThrowHr(HRESULT_FROM_WIN32(static_cast<DWORD>(status)), call);
}

[[nodiscard]] inline HRESULT ToHresult(std::int32_t code) noexcept {
  return static_cast<HRESULT>(code);
}

}  // namespace standin
