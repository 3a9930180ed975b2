// The current user's registry. Paths are relative to HKEY_CURRENT_USER; a
// leading backslash is allowed. Failing calls throw zge::Error with the
// system's code; a missing key or value is "nothing", not an error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zge::platform {

enum class RegistryValueType { kString, kDword, kOther };

class RegistryKey {
 public:
  // Closes the key.
  virtual ~RegistryKey() = default;
  virtual bool HasValue(std::string_view name) = 0;
  virtual std::optional<RegistryValueType> ValueType(std::string_view name) = 0;
  // Throws when the value is missing or is not text.
  virtual std::string ReadString(std::string_view name) = 0;
  // Throws when the value is missing or is not a DWORD.
  virtual std::uint32_t ReadDword(std::string_view name) = 0;
  virtual void WriteString(std::string_view name, std::string_view value) = 0;
  // Does nothing when the value is missing.
  virtual void DeleteValue(std::string_view name) = 0;
  // Value names in the registry's own order.
  virtual std::vector<std::string> ValueNames() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key to read and write its values; null when it is
  // missing or cannot be opened so (no rights): nothing is read or written
  // there.
  virtual std::unique_ptr<RegistryKey> OpenKey(std::string_view path) = 0;
  // Opens the key, creating it and its parents when missing.
  virtual std::unique_ptr<RegistryKey> CreateKey(std::string_view path) = 0;
  // Removes an empty key; does nothing when it is missing, cannot be opened
  // or is not empty.
  virtual void DeleteKeyIfEmpty(std::string_view path) = 0;
};

}  // namespace zge::platform
