#include "win32_registry.h"

#include <string>

#include "errors.h"
#include "resources.h"
#include "system_headers.h"

namespace zge::win32 {
namespace {

// Paths may come as "\Software\...\": the registry takes neither the
// leading nor a trailing backslash.
std::string KeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') {
    path.remove_prefix(1);
  }
  while (!path.empty() && path.back() == '\\') {
    path.remove_suffix(1);
  }
  return std::string(path);
}

[[noreturn]] void ThrowWrongType(std::string_view name, std::string_view expected) {
  ThrowHresult(
      HRESULT_FROM_WIN32(ERROR_INVALID_DATATYPE),
      Described(std::string("Reading a ") + std::string(expected) + " from registry value", name));
}

class Win32RegistryKey final : public platform::RegistryKey {
 public:
  explicit Win32RegistryKey(unique_hkey key) : key_(std::move(key)) {}

  bool HasValue(std::string_view name) override { return QueryType(name).has_value(); }

  std::optional<platform::RegistryValueType> ValueType(std::string_view name) override {
    const std::optional<DWORD> type = QueryType(name);
    if (!type) {
      return std::nullopt;
    }
    switch (*type) {
      case REG_SZ:
      case REG_EXPAND_SZ:
        return platform::RegistryValueType::kString;
      case REG_DWORD:
        return platform::RegistryValueType::kDword;
      default:
        return platform::RegistryValueType::kOther;
    }
  }

  std::string ReadString(std::string_view name) override {
    const std::string valueName(name);
    for (;;) {
      DWORD type = REG_NONE;
      DWORD size = 0;
      ThrowWin32(::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, nullptr, &size),
                 Described("RegQueryValueExA", name));
      if (type != REG_SZ && type != REG_EXPAND_SZ) {
        ThrowWrongType(name, "string");
      }
      std::string data(size, '\0');
      const LONG status = ::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &size);
      if (status == ERROR_MORE_DATA) {
        continue;  // the value grew since its size was asked
      }
      ThrowWin32(status, Described("RegQueryValueExA", name));
      data.resize(size);
      // Stored text may or may not carry its terminator.
      if (const auto end = data.find('\0'); end != std::string::npos) {
        data.resize(end);
      }
      return data;
    }
  }

  std::uint32_t ReadDword(std::string_view name) override {
    const std::string valueName(name);
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG status = ::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type,
                                           reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_MORE_DATA) {
      ThrowWrongType(name, "DWORD");
    }
    ThrowWin32(status, Described("RegQueryValueExA", name));
    if (type != REG_DWORD || size != sizeof value) {
      ThrowWrongType(name, "DWORD");
    }
    return value;
  }

  void WriteString(std::string_view name, std::string_view value) override {
    const std::string valueName(name);
    const std::string data(value);
    ThrowWin32(::RegSetValueExA(key_.get(), valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1)),
               Described("RegSetValueExA", name));
  }

  void DeleteValue(std::string_view name) override {
    const std::string valueName(name);
    const LONG status = ::RegDeleteValueA(key_.get(), valueName.c_str());
    if (status != ERROR_FILE_NOT_FOUND) {
      ThrowWin32(status, Described("RegDeleteValueA", name));
    }
  }

  std::vector<std::string> ValueNames() override {
    DWORD longestName = 0;
    ThrowWin32(::RegQueryInfoKeyA(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, &longestName, nullptr, nullptr, nullptr),
               "RegQueryInfoKeyA");
    std::vector<std::string> names;
    std::string buffer(longestName + 1, '\0');
    for (DWORD index = 0;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG status = ::RegEnumValueA(key_.get(), index, buffer.data(), &length, nullptr,
                                          nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) {
        return names;
      }
      if (status == ERROR_MORE_DATA) {  // a longer name was added meanwhile
        buffer.resize(buffer.size() * 2);
        continue;
      }
      ThrowWin32(status, "RegEnumValueA");
      names.emplace_back(buffer.data(), length);
      ++index;
    }
  }

 private:
  std::optional<DWORD> QueryType(std::string_view name) {
    const std::string valueName(name);
    DWORD type = REG_NONE;
    const LONG status =
        ::RegQueryValueExA(key_.get(), valueName.c_str(), nullptr, &type, nullptr, nullptr);
    if (status == ERROR_FILE_NOT_FOUND) {
      return std::nullopt;
    }
    ThrowWin32(status, Described("RegQueryValueExA", name));
    return type;
  }

  unique_hkey key_;
};

// What a key's operations use: reading values and their names, writing and
// deleting values. Nothing more is asked for: a user who may read and write
// a key but not change its rights (a managed machine) can still open it.
constexpr REGSAM kValueAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

}  // namespace

std::unique_ptr<platform::RegistryKey> Win32Registry::OpenKey(std::string_view path) {
  const std::string keyPath = KeyPath(path);
  unique_hkey key;
  // A key that fails to open, missing or refused (another program's
  // rights on Google Earth's settings), means nothing is read or written
  // there: the panel works on without it.
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, kValueAccess, key.put()) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

std::unique_ptr<platform::RegistryKey> Win32Registry::CreateKey(std::string_view path) {
  const std::string keyPath = KeyPath(path);
  unique_hkey key;
  ThrowWin32(::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, kValueAccess, nullptr, key.put(), nullptr),
             Described("RegCreateKeyExA", keyPath));
  return std::make_unique<Win32RegistryKey>(std::move(key));
}

void Win32Registry::DeleteKeyIfEmpty(std::string_view path) {
  const std::string keyPath = KeyPath(path);
  unique_hkey key;
  // A key that cannot be opened is left alone, like a missing one. Counting
  // its values and subkeys needs only the right to query it.
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return;
  }
  DWORD subKeys = 0;
  DWORD values = 0;
  ThrowWin32(::RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                &values, nullptr, nullptr, nullptr, nullptr),
             Described("RegQueryInfoKeyA", keyPath));
  if (subKeys != 0 || values != 0) {
    return;
  }
  key.reset();
  const LONG deleted = ::RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
  if (deleted != ERROR_FILE_NOT_FOUND) {
    ThrowWin32(deleted, Described("RegDeleteKeyA", keyPath));
  }
}

}  // namespace zge::win32
