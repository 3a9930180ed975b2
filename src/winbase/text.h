// Text conversions for the W functions of Windows and for BSTRs. Both
// programs keep wide text as std::u16string; wchar_t is 16 bits on Windows,
// so a conversion is a copy of the buffer.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

#include "winbase/com_types.h"
#include "winbase/errors.h"

namespace winbase {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

[[nodiscard]] std::wstring ToWstring(std::u16string_view text);
[[nodiscard]] std::u16string ToU16string(std::wstring_view text);

// The text as a W function's argument: the same buffer, not a copy, valid
// while `text` is unchanged.
[[nodiscard]] inline const wchar_t* AsWide(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The whole BSTR, by its length prefix; a null BSTR is empty text.
[[nodiscard]] std::u16string FromBstr(BSTR text);

// A text length as the int the conversion functions take; longer text
// throws E_INVALIDARG as the program's error.
template <typename Error>
[[nodiscard]] int CheckedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) {
    ThrowHresult<Error>(E_INVALIDARG, "Text conversion of more than 2 GB");
  }
  return static_cast<int>(length);
}

// A new BSTR holding the text (embedded zeros kept); throws E_OUTOFMEMORY
// as the program's error.
template <typename Error>
[[nodiscard]] unique_bstr MakeBstr(std::u16string_view text) {
  const auto length = static_cast<UINT>(CheckedLength<Error>(text.size()));
  unique_bstr result(::SysAllocStringLen(nullptr, length));
  if (!result.get()) {
    ThrowHresult<Error>(E_OUTOFMEMORY, "SysAllocStringLen");
  }
  std::memcpy(result.get(), text.data(), text.size() * sizeof(char16_t));
  return result;
}

}  // namespace winbase
