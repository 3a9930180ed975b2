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
  // Creates or replaces the file. The bytes go to a new file beside it,
  // which replaces the old one only once complete: a failure leaves an
  // existing file as it was. Throws zge::Error naming the file on failure.
  virtual void WriteFile(std::string_view path, std::string_view bytes) = 0;
  // Creates an empty file of a name no other file in `directory` has, made
  // of `prefix` and a number, and returns its path. Throws zge::Error.
  virtual std::string CreateUniqueFile(std::string_view directory, std::string_view prefix) = 0;
  // False when there was no such file or it could not be deleted.
  virtual bool DeleteFile(std::string_view path) = 0;
  // Copies `source` to `target` through a new file beside the target that
  // takes the target's place only once it is complete: an existing target
  // is replaced whole or, when anything fails, left as it was. Throws
  // zge::Error naming the file and the system's reason.
  virtual void CopyFile(std::string_view source, std::string_view target) = 0;
};

}  // namespace zge::platform
