#include "model/journal.h"

#include <array>
#include <charconv>

#include "model/text.h"

namespace standin {

std::string JournalNumber(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string JournalNumber(std::int32_t value) { return std::to_string(value); }

std::string JournalBool(bool value) { return value ? "1" : "0"; }

std::string JournalString(std::u16string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string utf8 = ToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 2);
  out.push_back('"');
  for (const char c : utf8) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
          out += "\\u00";
          out.push_back(kHex[byte >> 4]);
          out.push_back(kHex[byte & 0xF]);
        } else {
          out.push_back(c);
        }
      }
    }
  }
  out.push_back('"');
  return out;
}

}  // namespace standin
