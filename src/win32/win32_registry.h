// The registry port over HKEY_CURRENT_USER, through the A functions (names
// and text in the system code page, as Google Earth's settings are read).
#pragma once

#include "platform/registry.h"

namespace zge::win32 {

class Win32Registry final : public platform::Registry {
 public:
  std::unique_ptr<platform::RegistryKey> OpenKey(std::string_view path) override;
  std::unique_ptr<platform::RegistryKey> CreateKey(std::string_view path) override;
  void DeleteKeyIfEmpty(std::string_view path) override;
};

}  // namespace zge::win32
