#include "com/stats_file.h"

#include <psapi.h>

#include <utility>

#include "platform/guard.h"
#include "platform/resources.h"
#include "platform/win32_error.h"

namespace standin {

std::uint64_t PrivateBytes() noexcept {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return 0;
  }
  // Wine leaves PrivateUsage 0; the commit charge is the same number on Windows.
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

void ReplaceFileWhole(const std::u16string& path, const std::string& text) {
  const std::u16string temporary = path + u".tmp";
  const auto* temporaryName = reinterpret_cast<const wchar_t*>(temporary.c_str());
  {
    const unique_handle file(CreateFileW(temporaryName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      ThrowLastError("CreateFileW(stats file)");
    }
    DWORD done = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) ||
        done != text.size()) {
      const DWORD error = GetLastError();
      DeleteFileW(temporaryName);
      ThrowHresult(HRESULT_FROM_WIN32(error), "WriteFile(stats file)");
    }
  }
  if (!MoveFileExW(temporaryName, reinterpret_cast<const wchar_t*>(path.c_str()),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileW(temporaryName);
    ThrowHresult(HRESULT_FROM_WIN32(error), "MoveFileExW(stats file)");
  }
}

StatsFile::StatsFile(std::u16string path, std::function<StatsReport()> report)
    : path_(std::move(path)), report_(std::move(report)) {}

DWORD StatsFile::DueInMs() const noexcept {
  if (!changed_) {
    return INFINITE;
  }
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG due = lastWrite_ + kIntervalMs;
  return now >= due ? 0 : static_cast<DWORD>(due - now);
}

void StatsFile::WriteIfDue() noexcept {
  if (DueInMs() == 0) {
    Write();
  }
}

void StatsFile::Write() noexcept {
  changed_ = false;
  lastWrite_ = GetTickCount64();
  bool written = false;
  GuardWorker("StatsPath", [&] {
    ReplaceFileWhole(path_, FormatStats(report_()));
    written = true;
  });
  if (!written && !reportedFailure_) {
    // Reported once; the next change tries again.
    reportedFailure_ = true;
    OutputDebugStringW(L"EarthStandIn: cannot write the stats file (StatsPath)\n");
  }
}

}  // namespace standin
