// Reads an NMEA 0183 log as a GPS or a boat's instrument bus writes it:
// RMC, GGA, VTG and HDT sentences, merged into one fix per UTC time.
// Portable: no Windows headers, tested natively.
//
// A line that cannot be trusted (bad checksum, cut short, a required field
// empty or unreadable, no fix) is skipped and counted by reason; nothing in
// the input is fatal, since a log from a real boat always holds some noise.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string_view>
#include <vector>

namespace nav {

// A position report: one per UTC time that had a position (RMC or GGA),
// with the speed, course and heading sentences that came with it.
struct Fix {
  double time = 0;  // seconds since 1970-01-01 UTC; time of day only until a date was seen
  double latitude = 0;
  double longitude = 0;
  std::optional<double> speedKnots;      // over ground (RMC or VTG)
  std::optional<double> courseDegrees;   // over ground, true (RMC or VTG)
  std::optional<double> headingDegrees;  // the bow's true heading (HDT)
  std::optional<int> satellites;         // GGA
};

enum class SkipReason : std::uint8_t {
  kNotASentence,   // no '$' or '!' at the start
  kNoChecksum,     // no "*hh" at the end: the line was cut short
  kBadChecksum,    // the checksum does not match the sentence
  kTooFewFields,   // the sentence ends before its required fields
  kEmptyField,     // a required field is empty
  kBadField,       // a field that is not a number, or out of range
  kNoFix,          // the receiver said its position is not valid
  kOtherSentence,  // a well-formed sentence this reader does not use
};
inline constexpr std::size_t kSkipReasonCount = 8;

// Human text for the summary: "bad checksum", "empty field" ...
[[nodiscard]] std::string_view Describe(SkipReason reason);

struct SkippedLine {
  std::size_t line = 0;  // from 1
  SkipReason reason{};
};

class NmeaReader {
 public:
  // Feeds one line (with or without its CR LF).
  void Add(std::string_view line);
  // Ends the log: the fix being gathered is complete.
  void Finish();

  [[nodiscard]] const std::vector<Fix>& Fixes() const { return fixes_; }
  [[nodiscard]] const std::vector<SkippedLine>& Skipped() const { return skipped_; }
  [[nodiscard]] std::size_t SkippedCount(SkipReason reason) const {
    return counts_[static_cast<std::size_t>(reason)];
  }
  [[nodiscard]] std::size_t Lines() const { return lines_; }

 private:
  void Skip(SkipReason reason);
  void StartFix(double timeOfDay);
  void Flush();

  std::vector<Fix> fixes_;
  std::vector<SkippedLine> skipped_;
  std::array<std::size_t, kSkipReasonCount> counts_{};
  std::size_t lines_ = 0;
  std::optional<Fix> current_;
  std::optional<double> currentTimeOfDay_;
  std::optional<double> dayStart_;  // midnight of the last RMC date, seconds since 1970
  double lastTimeOfDay_ = 0;
};

// Reads a whole log; blank lines are not counted as damaged.
[[nodiscard]] NmeaReader ReadNmea(std::istream& input);

// The NMEA checksum: XOR of the characters between '$' and '*'.
[[nodiscard]] std::uint8_t NmeaChecksum(std::string_view body);

}  // namespace nav
