#include "winbase/errors.h"

#include <cstdio>

#include "winbase/resources.h"

namespace winbase {
namespace {

std::string HexCode(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

// The system's own description of the code, without its line break; empty
// for codes it does not know (an automation server's own codes).
std::string SystemMessage(HRESULT result) {
  unique_hlocal buffer;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<LPSTR>(buffer.put()), 0, nullptr);
  if (length == 0) {
    return {};
  }
  std::string message(static_cast<const char*>(buffer.get()), length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

}  // namespace

std::string FailureMessage(HRESULT result, std::string_view what) {
  std::string message(what);
  message += " failed (";
  message += HexCode(result);
  if (const std::string system = SystemMessage(result); !system.empty()) {
    message += ": ";
    message += system;
  }
  message += ')';
  return message;
}

HRESULT LastErrorResult() noexcept {
  const DWORD error = ::GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

std::string CallDescription(std::string_view call, std::string_view subject) {
  std::string what(call);
  if (!subject.empty()) {
    what += "(\"";
    what += subject;
    what += "\")";
  }
  return what;
}

}  // namespace winbase
