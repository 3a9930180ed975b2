// An ordered list of texts, each with a number attached: the panel's
// feature list and layer list. Duplicates are kept; nothing sorts it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zge {

class StringList {
 public:
  struct Entry {
    std::string text;
    std::int32_t number = 0;
    friend bool operator==(const Entry&, const Entry&) = default;
  };

  void Add(std::string text, std::int32_t number = 0) {
    entries_.push_back({std::move(text), number});
  }
  void Clear() noexcept { entries_.clear(); }
  [[nodiscard]] std::size_t Count() const noexcept { return entries_.size(); }
  [[nodiscard]] const Entry& operator[](std::size_t index) const { return entries_.at(index); }
  [[nodiscard]] const std::vector<Entry>& Entries() const noexcept { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace zge
