// The code-page port: the system's ANSI code page <-> UTF-16.
#pragma once

#include "platform/code_page.h"

namespace zge::win32 {

class AnsiCodePage final : public platform::CodePage {
 public:
  std::u16string ToWide(std::string_view text) override;
  std::string ToAnsi(std::u16string_view text) override;
  std::optional<std::string> ToAnsiExact(std::u16string_view text) override;
  std::string ToUtf8(std::u16string_view text) override;
};

}  // namespace zge::win32
