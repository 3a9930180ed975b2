#include "model/frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace standin {

void FrameTimes::Add(double milliseconds) {
  recent_[count_ % kWindow] = milliseconds;
  ++count_;
}

double FrameTimes::Percentile(double percent) const {
  const auto held = static_cast<std::size_t>(std::min<std::uint64_t>(count_, kWindow));
  if (held == 0) {
    return 0;
  }
  std::vector<double> sorted(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(held));
  const auto rank = static_cast<std::size_t>(std::clamp(
      std::ceil(percent / 100.0 * static_cast<double>(held)), 1.0, static_cast<double>(held)));
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(rank - 1),
                   sorted.end());
  return sorted[rank - 1];
}

std::string FormatStats(const StatsReport& report) {
  // Fixed-point milliseconds: a reader parses them without locale surprises.
  char milliseconds[2][32];
  std::snprintf(milliseconds[0], sizeof milliseconds[0], "%.2f", report.frameMsP50);
  std::snprintf(milliseconds[1], sizeof milliseconds[1], "%.2f", report.frameMsP99);
  return "frames " + std::to_string(report.frames) + "\nframe_ms_p50 " + milliseconds[0] +
         "\nframe_ms_p99 " + milliseconds[1] + "\ndocuments " + std::to_string(report.documents) +
         "\nprivate_bytes " + std::to_string(report.privateBytes) + "\nretired " +
         std::to_string(report.retired) + "\n";
}

}  // namespace standin
