// One ordered record of the calls that every fake of a test receives, so
// that a test can check the order of steps across ports.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace zge::fakes {

class CallLog {
 public:
  void Add(std::string call) { calls_.push_back(std::move(call)); }
  void Clear() { calls_.clear(); }
  [[nodiscard]] const std::vector<std::string>& Calls() const { return calls_; }
  [[nodiscard]] bool Contains(const std::string& call) const {
    return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
  }
  [[nodiscard]] long Count(const std::string& call) const {
    return std::count(calls_.begin(), calls_.end(), call);
  }
  // Position of the first such call; -1 when missing.
  [[nodiscard]] long IndexOf(const std::string& call) const {
    const auto found = std::find(calls_.begin(), calls_.end(), call);
    return found == calls_.end() ? -1 : found - calls_.begin();
  }

 private:
  std::vector<std::string> calls_;
};

}  // namespace zge::fakes
