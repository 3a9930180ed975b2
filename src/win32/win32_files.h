// The files port, through the A functions (paths in the system code page).
#pragma once

#include "platform/files.h"

namespace zge::win32 {

class Win32Files final : public platform::Files {
 public:
  std::string TempDirectory() override;
  bool DirectoryExists(std::string_view path) override;
  bool FileExists(std::string_view path) override;
  void CreateDirectory(std::string_view path) override;
  void WriteFile(std::string_view path, std::string_view bytes) override;
  std::string CreateUniqueFile(std::string_view directory, std::string_view prefix) override;
  bool DeleteFile(std::string_view path) override;
  void CopyFile(std::string_view source, std::string_view target) override;
};

}  // namespace zge::win32
