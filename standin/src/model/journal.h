// The call journal: one UTF-8 line per call received. This header holds the
// port and the one place that owns the line's text form (numbers, strings).
// Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace standin {

class Journal {
 public:
  virtual ~Journal() = default;
  // Appends one line (without its line end). Never throws: a journal that
  // cannot be written must not change the answer to the call.
  virtual void Append(std::string_view line) noexcept = 0;
};

class NullJournal final : public Journal {
 public:
  void Append(std::string_view) noexcept override {}
};

// Shortest text that reads back as the same double (std::to_chars).
[[nodiscard]] std::string JournalNumber(double value);
[[nodiscard]] std::string JournalNumber(std::int32_t value);
[[nodiscard]] std::string JournalBool(bool value);
// In double quotes; \\ \" \n \r \t escaped, other control characters as
// \uXXXX; everything else as UTF-8, in full.
[[nodiscard]] std::string JournalString(std::u16string_view text);

}  // namespace standin
