// Text conversions for the W and A functions of Windows and for BSTRs. The
// core's wide text is std::u16string; wchar_t is 16 bits on Windows, so the
// conversion is a copy of the buffer.
#pragma once

#include "system_headers.h"

#include <optional>
#include <string>
#include <string_view>

#include "com_types.h"

namespace zge::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

[[nodiscard]] std::wstring ToWstring(std::u16string_view text);
[[nodiscard]] std::u16string ToU16string(std::wstring_view text);

// Through the system's ANSI code page (CP_ACP). Characters the code page
// lacks become its default character. Throw zge::Error on failure.
[[nodiscard]] std::wstring AnsiToWide(std::string_view text);
[[nodiscard]] std::string WideToAnsi(std::wstring_view text);
// Null when a character has no exact counterpart in the ANSI code page (no
// default character, no best-fit look-alike).
[[nodiscard]] std::optional<std::string> WideToAnsiExact(std::wstring_view text);
[[nodiscard]] std::string WideToUtf8(std::wstring_view text);

// A new BSTR holding the text (embedded zeros kept).
[[nodiscard]] unique_bstr MakeBstr(std::u16string_view text);
// The whole BSTR, by its length prefix; a null BSTR is empty text.
[[nodiscard]] std::u16string FromBstr(BSTR text);

}  // namespace zge::win32
