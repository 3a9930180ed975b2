// Calls per export and the time each took, for the summary at the end of a
// replay. Portable.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace demo {

class ExportStats {
 public:
  using Duration = std::chrono::duration<double, std::milli>;

  void Add(const std::string& exportName, Duration took) { calls_[exportName].push_back(took); }

  [[nodiscard]] std::size_t Calls(const std::string& exportName) const;
  [[nodiscard]] std::size_t TotalCalls() const;
  // The nearest-rank percentile (0 < p <= 100) of that export's times.
  [[nodiscard]] Duration Percentile(const std::string& exportName, double p) const;
  // One line per export: "  LoadLiveGPS   81 calls  p50 1.2 ms  p99 3.4 ms".
  [[nodiscard]] std::string Table() const;

 private:
  std::map<std::string, std::vector<Duration>> calls_;
};

}  // namespace demo
