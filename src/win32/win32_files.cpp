#include "win32_files.h"

#include <algorithm>
#include <optional>

#include "errors.h"
#include "resources.h"
#include "system_headers.h"

#include <shlobj.h>

namespace zge::win32 {
namespace {

std::string Described(std::string_view call, std::string_view path) {
  std::string text(call);
  text += "(\"";
  text += path;
  text += "\")";
  return text;
}

std::optional<DWORD> Attributes(std::string_view path) {
  const std::string terminated(path);
  const DWORD attributes = ::GetFileAttributesA(terminated.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return std::nullopt;
  }
  return attributes;
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
  const std::string terminated(path);
  // Creates every missing folder on the path.
  const int status = ::SHCreateDirectoryExA(nullptr, terminated.c_str(), nullptr);
  if (status == ERROR_SUCCESS) {
    return;
  }
  if ((status == ERROR_ALREADY_EXISTS || status == ERROR_FILE_EXISTS) && DirectoryExists(path)) {
    return;
  }
  ThrowWin32(status, Described("SHCreateDirectoryExA", path));
}

void Win32Files::WriteFile(std::string_view path, std::string_view bytes) {
  const std::string terminated(path);
  const unique_handle file(::CreateFileA(terminated.c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ThrowLastErrorIf(!file, "CreateFileA", path);
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    ThrowLastErrorIf(
        ::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) == 0 || written == 0,
        "WriteFile", path);
    bytes.remove_prefix(written);
  }
}

bool Win32Files::DeleteFile(std::string_view path) {
  const std::string terminated(path);
  return ::DeleteFileA(terminated.c_str()) != 0;
}

}  // namespace zge::win32
