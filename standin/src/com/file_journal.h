// The journal written to a file: each line opened, appended, flushed and
// closed at once, shared for reading and writing so tests can read it while
// the stand-in runs.
#pragma once

#include <string>

#include "model/journal.h"

namespace standin {

class FileJournal final : public Journal {
 public:
  explicit FileJournal(std::u16string path);
  void Append(std::string_view line) noexcept override;

 private:
  std::u16string path_;
  bool reportedFailure_ = false;
};

}  // namespace standin
