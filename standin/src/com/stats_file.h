// The StatsPath file: the stand-in's load (frames, frame times, documents,
// private bytes) for a runner that watches a long session. Written whole
// (a temporary file beside it, then moved over it), at most once a second
// while anything changed, and once more at exit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "model/frame_stats.h"

namespace standin {

// The process's private bytes (PROCESS_MEMORY_COUNTERS_EX::PrivateUsage).
[[nodiscard]] std::uint64_t PrivateBytes() noexcept;

// Replaces `path` with `text` through `path` + ".tmp" and MoveFileExW.
// Throws standin::Error; the temporary file does not stay behind.
void ReplaceFileWhole(const std::u16string& path, const std::string& text);

class StatsFile {
 public:
  static constexpr ULONGLONG kIntervalMs = 1000;

  StatsFile(std::u16string path, std::function<StatsReport()> report);

  // Something the report shows changed (the model, or a frame was painted).
  void MarkChanged() noexcept { changed_ = true; }
  // How long the message loop may sleep before calling WriteIfDue.
  [[nodiscard]] DWORD DueInMs() const noexcept;
  // Writes when something changed and a second has passed since the last write.
  void WriteIfDue() noexcept;
  // Writes whatever changed or not (at exit).
  void Write() noexcept;

 private:
  std::u16string path_;
  std::function<StatsReport()> report_;
  bool changed_ = true;
  ULONGLONG lastWrite_ = 0;
  bool reportedFailure_ = false;
};

}  // namespace standin
