#include "text.h"

#include "system_headers.h"

#include <optional>

#include "base/error.h"
#include "errors.h"

namespace zge::win32 {
namespace {

int CheckedLength(std::size_t length) { return winbase::CheckedLength<Error>(length); }

}  // namespace

std::wstring AnsiToWide(std::string_view text) {
  if (text.empty()) {
    return {};
  }
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  ThrowLastErrorIf(needed == 0, "MultiByteToWideChar");
  std::wstring result(static_cast<std::size_t>(needed), L'\0');
  const int written = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), needed);
  ThrowLastErrorIf(written == 0, "MultiByteToWideChar");
  result.resize(static_cast<std::size_t>(written));
  return result;
}

namespace {

// WideCharToMultiByte in its two passes. `usedDefault` must be null for
// UTF-8, which has no default character.
std::string Narrow(UINT codePage, DWORD flags, std::wstring_view text, BOOL* usedDefault) {
  if (text.empty()) {
    return {};
  }
  const int length = CheckedLength(text.size());
  const int needed =
      ::WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, usedDefault);
  ThrowLastErrorIf(needed == 0, "WideCharToMultiByte");
  std::string result(static_cast<std::size_t>(needed), '\0');
  const int written = ::WideCharToMultiByte(codePage, flags, text.data(), length, result.data(),
                                            needed, nullptr, nullptr);
  ThrowLastErrorIf(written == 0, "WideCharToMultiByte");
  result.resize(static_cast<std::size_t>(written));
  return result;
}

}  // namespace

std::string WideToAnsi(std::wstring_view text) { return Narrow(CP_ACP, 0, text, nullptr); }

std::optional<std::string> WideToAnsiExact(std::wstring_view text) {
  BOOL usedDefault = FALSE;
  std::string result = Narrow(CP_ACP, WC_NO_BEST_FIT_CHARS, text, &usedDefault);
  if (usedDefault != FALSE) {
    return std::nullopt;
  }
  return result;
}

std::string WideToUtf8(std::wstring_view text) { return Narrow(CP_UTF8, 0, text, nullptr); }

}  // namespace zge::win32
