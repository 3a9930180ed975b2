// Conversions between the system's ANSI code page and UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace zge::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual std::u16string ToWide(std::string_view text) = 0;
  // Characters the code page lacks become its default character.
  virtual std::string ToAnsi(std::u16string_view text) = 0;
};

}  // namespace zge::platform
