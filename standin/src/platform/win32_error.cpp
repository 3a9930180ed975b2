#include "platform/win32_error.h"

#include "model/text.h"

namespace standin {

void ThrowHr(HRESULT hr, const std::string& call) {
  throw Error(static_cast<std::int32_t>(hr), call + " failed with " + HexCode(hr));
}

void ThrowLastError(const char* call) {
  const DWORD error = GetLastError();
  const HRESULT hr = error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
  ThrowHr(hr, call);
}

}  // namespace standin
