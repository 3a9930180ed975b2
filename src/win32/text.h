// Text conversions for the W and A functions of Windows and for BSTRs: the
// shared ones of winbase, and the ANSI code page's, which only the package
// needs (its hosts' A functions).
#pragma once

#include "system_headers.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"
#include "com_types.h"
#include "winbase/text.h"

namespace zge::win32 {

using winbase::FromBstr;
using winbase::ToU16string;
using winbase::ToWstring;

// Through the system's ANSI code page (CP_ACP). Characters the code page
// lacks become its default character. Throw zge::Error on failure.
[[nodiscard]] std::wstring AnsiToWide(std::string_view text);
[[nodiscard]] std::string WideToAnsi(std::wstring_view text);
// Null when a character has no exact counterpart in the ANSI code page (no
// default character, no best-fit look-alike).
[[nodiscard]] std::optional<std::string> WideToAnsiExact(std::wstring_view text);
[[nodiscard]] std::string WideToUtf8(std::wstring_view text);

// A new BSTR holding the text (embedded zeros kept).
[[nodiscard]] inline unique_bstr MakeBstr(std::u16string_view text) {
  return winbase::MakeBstr<Error>(text);
}

}  // namespace zge::win32
