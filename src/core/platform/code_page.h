// Conversions between the system's ANSI code page and UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zge::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual std::u16string ToWide(std::string_view text) = 0;
  // Characters the code page lacks become its default character.
  virtual std::string ToAnsi(std::u16string_view text) = 0;
  // Null when a character has no exact counterpart in the code page: no
  // default character and no "best fit" look-alike (a fraction slash must
  // not turn into a path separator).
  virtual std::optional<std::string> ToAnsiExact(std::u16string_view text) = 0;
  // UTF-8 without a byte-order mark. The text holds no lone surrogate.
  virtual std::string ToUtf8(std::u16string_view text) = 0;
};

}  // namespace zge::platform
