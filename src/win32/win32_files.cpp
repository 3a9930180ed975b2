#include "win32_files.h"

#include <algorithm>
#include <optional>
#include <string>

#include "errors.h"
#include "resources.h"
#include "system_headers.h"
#include "text.h"

#include <shlobj.h>

namespace zge::win32 {
namespace {

std::optional<DWORD> Attributes(std::string_view path) {
  const std::string terminated(path);
  const DWORD attributes = ::GetFileAttributesA(terminated.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return std::nullopt;
  }
  return attributes;
}

// The full form of a path relative to the current folder: the shell's
// folder creation takes full paths only.
std::string FullPath(std::string_view path) {
  const std::string terminated(path);
  std::string full(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameA(terminated.c_str(), static_cast<DWORD>(full.size()),
                                            full.data(), nullptr);
    ThrowLastErrorIf(length == 0, "GetFullPathNameA", path);
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // too small: `length` counts the terminator too
  }
}

// Deletes a file that was being written unless it was finished.
class UnfinishedFile {
 public:
  explicit UnfinishedFile(const std::string& path) : path_(path) {}
  UnfinishedFile(const UnfinishedFile&) = delete;
  UnfinishedFile& operator=(const UnfinishedFile&) = delete;
  ~UnfinishedFile() {
    if (!finished_) {
      static_cast<void>(::DeleteFileA(path_.c_str()));
    }
  }
  void Finished() noexcept { finished_ = true; }

 private:
  const std::string& path_;
  bool finished_ = false;
};

// Creates the file (replacing a leftover of an earlier attempt) and writes all of `bytes`;
// the close is checked too, since a write may only fail there.
void WriteNewFile(const std::string& path, std::string_view bytes) {
  unique_handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  ThrowLastErrorIf(!file, "CreateFileA", path);
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    ThrowLastErrorIf(
        ::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) == 0 || written == 0,
        "WriteFile", path);
    bytes.remove_prefix(written);
  }
  ThrowLastErrorIf(::CloseHandle(file.release()) == 0, "CloseHandle", path);
}

}  // namespace

std::string Win32Files::TempDirectory() {
  std::string path;
  for (;;) {
    // The size asked for includes the terminator; the length returned
    // excludes it when the path fitted.
    const DWORD length = ::GetTempPathA(static_cast<DWORD>(path.size()), path.data());
    ThrowLastErrorIf(length == 0, "GetTempPathA");
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

bool Win32Files::DirectoryExists(std::string_view path) {
  const std::optional<DWORD> attributes = Attributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Files::FileExists(std::string_view path) {
  const std::optional<DWORD> attributes = Attributes(path);
  return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void Win32Files::CreateDirectory(std::string_view path) {
  // Creates every missing folder on the path.
  const int status = ::SHCreateDirectoryExA(nullptr, FullPath(path).c_str(), nullptr);
  if (status == ERROR_SUCCESS) {
    return;
  }
  if ((status == ERROR_ALREADY_EXISTS || status == ERROR_FILE_EXISTS) && DirectoryExists(path)) {
    return;
  }
  ThrowWin32(status, Described("SHCreateDirectoryExA", path));
}

void Win32Files::WriteFile(std::string_view path, std::string_view bytes) {
  // The new content goes to a file of its own beside the target and
  // replaces the target only once written and closed: a failure on the way
  // leaves the user's file as it was.
  const std::string target(path);
  const std::string fresh = target + ".zge-" + std::to_string(::GetCurrentProcessId()) + "-" +
                            std::to_string(::GetCurrentThreadId()) + ".tmp";
  UnfinishedFile unfinished(fresh);
  WriteNewFile(fresh, bytes);
  ThrowLastErrorIf(::MoveFileExA(fresh.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0,
                   "MoveFileExA", path);
  unfinished.Finished();
}

std::string Win32Files::CreateUniqueFile(std::string_view directory, std::string_view prefix) {
  const std::string folder(directory);
  const std::string start(prefix);
  std::string path(MAX_PATH, '\0');
  ThrowLastErrorIf(::GetTempFileNameA(folder.c_str(), start.c_str(), 0, path.data()) == 0,
                   "GetTempFileNameA", directory);
  path.resize(std::char_traits<char>::length(path.c_str()));
  return path;
}

bool Win32Files::DeleteFile(std::string_view path) {
  const std::string terminated(path);
  return ::DeleteFileA(terminated.c_str()) != 0;
}

void Win32Files::CopyFile(std::string_view source, std::string_view target) {
  const std::wstring from = AnsiToWide(source);
  const std::wstring to = AnsiToWide(target);
  // The copy is made in the target's own folder, so that putting it in the
  // target's place is a rename on one volume: the target is replaced whole
  // or not at all.
  const std::wstring fresh = to + L".zge-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                             std::to_wstring(::GetCurrentThreadId()) + L".tmp";
  const auto fail = [&](DWORD error, const std::string& what) {
    static_cast<void>(::DeleteFileW(fresh.c_str()));
    ThrowHresult(error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error), what);
  };
  if (::CopyFileW(from.c_str(), fresh.c_str(), FALSE) == 0) {
    const DWORD error = ::GetLastError();
    fail(error, "Copying \"" + std::string(source) + "\" to \"" + std::string(target) + "\"");
  }
  if (::MoveFileExW(fresh.c_str(), to.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
    const DWORD error = ::GetLastError();
    fail(error, "Replacing \"" + std::string(target) + "\" with its new copy");
  }
}

}  // namespace zge::win32
