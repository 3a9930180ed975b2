// What the stand-in reports about its own load (the StatsPath file): how
// many frames it painted, how long they took, how many documents it holds
// and how much memory it has. Portable.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace standin {

// The painting times of the most recent frames: percentiles describe the
// present load, not the whole session's.
class FrameTimes {
 public:
  static constexpr std::size_t kWindow = 1024;

  void Add(double milliseconds);
  [[nodiscard]] std::uint64_t Count() const { return count_; }
  // Nearest-rank percentile (0 < percent <= 100) of the last kWindow
  // frames; 0 before the first frame.
  [[nodiscard]] double Percentile(double percent) const;

 private:
  std::array<double, kWindow> recent_{};
  std::uint64_t count_ = 0;
};

struct StatsReport {
  std::uint64_t frames = 0;
  double frameMsP50 = 0;
  double frameMsP99 = 0;
  std::uint64_t documents = 0;
  std::uint64_t privateBytes = 0;
  std::uint64_t retired = 0;  // shadowed documents retired (FeatureTree::RetiredCount)
};

// The file's text: one "key value" line each, in a fixed order, "\n" ends.
// Readers parse the first five lines by position: new lines go at the end.
[[nodiscard]] std::string FormatStats(const StatsReport& report);

}  // namespace standin
