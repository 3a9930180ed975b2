// Text conversions between UTF-16 (COM's strings, the model's names) and
// UTF-8 (the journal, messages). Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

// Unpaired surrogates become U+FFFD.
[[nodiscard]] std::string ToUtf8(std::u16string_view text);
// Invalid sequences become U+FFFD.
[[nodiscard]] std::u16string ToUtf16(std::string_view text);

// ASCII-only case folding, for member names, file extensions and markup.
[[nodiscard]] char16_t AsciiLower(char16_t c);
[[nodiscard]] std::string AsciiLower(std::string_view text);
[[nodiscard]] std::u16string AsciiLower(std::u16string_view text);
[[nodiscard]] bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// "0x80004001": eight upper-case hex digits.
[[nodiscard]] std::string HexCode(std::int32_t code);

}  // namespace standin
