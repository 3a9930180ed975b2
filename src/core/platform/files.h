// Files and folders. Paths are single-byte text in the system code page.
#pragma once

#include <string>
#include <string_view>

namespace zge::platform {

class Files {
 public:
  virtual ~Files() = default;
  // The user's temporary folder, ending in a backslash.
  virtual std::string TempDirectory() = 0;
  virtual bool DirectoryExists(std::string_view path) = 0;
  virtual bool FileExists(std::string_view path) = 0;
  // Creates the folder and every missing folder on its path. Throws
  // zge::Error when that fails.
  virtual void CreateDirectory(std::string_view path) = 0;
  // Creates or replaces the file. Throws zge::Error on failure.
  virtual void WriteFile(std::string_view path, std::string_view bytes) = 0;
  // False when there was no such file or it could not be deleted.
  virtual bool DeleteFile(std::string_view path) = 0;
};

}  // namespace zge::platform
