// Writing pieces of a document whose length is already known: the text is
// sized once and the pieces are written through a cursor, so no append
// re-checks the capacity or grows the string.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>

namespace zge::kml {

// Writes `text` escaped as EscapedLength counts it. The text must have
// passed EscapedLength: characters XML cannot carry are not looked at here.
char16_t* WriteEscaped(char16_t* out, std::u16string_view text) noexcept;

class TextCursor {
 public:
  // `text` is resized to `length` and then filled from its start.
  TextCursor(std::u16string& text, std::size_t length) : text_(text) {
    text_.resize(length);
    at_ = text_.data();
  }

  void Literal(std::u16string_view piece) noexcept {
    at_ = std::copy(piece.begin(), piece.end(), at_);
  }
  // Number and colour texts: ASCII, so each byte is its own UTF-16 unit.
  void Ascii(std::string_view piece) noexcept { at_ = std::copy(piece.begin(), piece.end(), at_); }
  void Escaped(std::u16string_view piece) noexcept { at_ = WriteEscaped(at_, piece); }

  // The pieces written must fill the length given exactly.
  [[nodiscard]] bool AtEnd() const noexcept { return at_ == text_.data() + text_.size(); }

 private:
  std::u16string& text_;
  char16_t* at_ = nullptr;
};

}  // namespace zge::kml
