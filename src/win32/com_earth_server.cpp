#include "com_earth_server.h"

#include "system_headers.h"

#include <cstdio>
#include <string>

#include "base/error.h"
#include "com_types.h"
#include "earth_objects.h"

namespace zge::win32 {
namespace {

// EARTHLib's ApplicationGE class.
constexpr CLSID kClsidApplicationGE = {
    0x8097D7E9, 0xDB9E, 0x4AEF, {0x9B, 0x28, 0x61, 0xD8, 0x2A, 0x1D, 0xF7, 0x84}};

[[noreturn]] void ThrowCannotStart(HRESULT result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
  throw Error(static_cast<std::int32_t>(result),
              std::string("Google Earth is not installed or cannot be started (") + code + ")");
}

}  // namespace

std::unique_ptr<earth::ApplicationGE> ComEarthServer::Connect() {
  com_ptr<IDispatch> application;
  const HRESULT result = ::CoCreateInstance(kClsidApplicationGE, nullptr, CLSCTX_LOCAL_SERVER,
                                            IID_IDispatch, application.put_void());
  if (FAILED(result)) {
    ThrowCannotStart(result);
  }
  return MakeApplicationGE(std::move(application));
}

}  // namespace zge::win32
