#include "ansi_code_page.h"

#include "text.h"

namespace zge::win32 {

std::u16string AnsiCodePage::ToWide(std::string_view text) { return ToU16string(AnsiToWide(text)); }

std::string AnsiCodePage::ToAnsi(std::u16string_view text) { return WideToAnsi(ToWstring(text)); }

std::optional<std::string> AnsiCodePage::ToAnsiExact(std::u16string_view text) {
  return WideToAnsiExact(ToWstring(text));
}

std::string AnsiCodePage::ToUtf8(std::u16string_view text) { return WideToUtf8(ToWstring(text)); }

}  // namespace zge::win32
