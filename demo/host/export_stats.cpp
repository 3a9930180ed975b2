#include "export_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace demo {

std::size_t ExportStats::Calls(const std::string& exportName) const {
  const auto found = calls_.find(exportName);
  return found == calls_.end() ? 0 : found->second.size();
}

std::size_t ExportStats::TotalCalls() const {
  std::size_t total = 0;
  for (const auto& [name, times] : calls_) {
    total += times.size();
  }
  return total;
}

ExportStats::Duration ExportStats::Percentile(const std::string& exportName, double p) const {
  const auto found = calls_.find(exportName);
  if (found == calls_.end() || found->second.empty()) {
    return Duration{0};
  }
  std::vector<Duration> times = found->second;
  std::sort(times.begin(), times.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(times.size()));
  const auto index =
      static_cast<std::size_t>(std::clamp(rank, 1.0, static_cast<double>(times.size())));
  return times[index - 1];
}

std::string ExportStats::Table() const {
  std::string table;
  for (const auto& [name, times] : calls_) {
    char line[160];
    std::snprintf(line, sizeof line, "  %-18s %6zu calls   p50 %8.2f ms   p99 %8.2f ms\n",
                  name.c_str(), times.size(), Percentile(name, 50).count(),
                  Percentile(name, 99).count());
    table += line;
  }
  return table;
}

}  // namespace demo
