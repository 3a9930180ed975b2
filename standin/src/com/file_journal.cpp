#include "com/file_journal.h"

#include <windows.h>

#include <utility>

#include "platform/resources.h"

namespace standin {

FileJournal::FileJournal(std::u16string path) : path_(std::move(path)) {}

void FileJournal::Append(std::string_view line) noexcept {
  const unique_handle file(CreateFileW(reinterpret_cast<const wchar_t*>(path_.c_str()),
                                       FILE_APPEND_DATA | SYNCHRONIZE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  bool written = false;
  if (file) {
    // One write per line, so that lines of two servers never interleave.
    std::string text;
    try {
      text.reserve(line.size() + 1);
      text.append(line);
      text.push_back('\n');
    } catch (const std::bad_alloc&) {
      return;
    }
    DWORD done = 0;
    // WriteFile hands the bytes to the system at once: readers see them
    // as soon as it returns (no user-space buffer to flush).
    written = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
              done == text.size();
  }
  if (!written && !reportedFailure_) {
    reportedFailure_ = true;
    OutputDebugStringW(L"EarthStandIn: cannot write the journal file (JournalPath)\n");
  }
}

}  // namespace standin
