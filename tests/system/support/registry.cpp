#include "support/registry.h"

#include <vector>

#include "support/win_error.h"

namespace zge::test::registry {
namespace {

DWORD ByteSize(const std::wstring& text) {
  return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
}

}  // namespace

UniqueKey CreateKey(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  ThrowIfError(RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
               "RegCreateKeyExW");
  return UniqueKey(key);
}

std::optional<UniqueKey> OpenKey(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key);
  if (status == ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  ThrowIfError(status, "RegOpenKeyExW");
  return UniqueKey(key);
}

void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  const UniqueKey key = CreateKey(root, path);
  ThrowIfError(RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value), sizeof value),
               "RegSetValueExW");
}

void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value, REGSAM view) {
  const UniqueKey key = CreateKey(root, path, view);
  ThrowIfError(RegSetValueExW(key.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(value.c_str()), ByteSize(value)),
               "RegSetValueExW");
}

std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS status =
      RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  ThrowIfError(status, "RegGetValueW");
  return value;
}

std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      REGSAM view) {
  const std::optional<UniqueKey> key = OpenKey(root, path, view);
  if (!key) {
    return std::nullopt;
  }
  const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
  DWORD size = 0;
  LSTATUS status =
      RegGetValueW(key->get(), nullptr, valueName, RRF_RT_REG_SZ, nullptr, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  ThrowIfError(status, "RegGetValueW");
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
  status =
      RegGetValueW(key->get(), nullptr, valueName, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
  ThrowIfError(status, "RegGetValueW");
  return std::wstring(buffer.data());
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view) {
  const std::optional<UniqueKey> key = OpenKey(root, path, view);
  if (!key) {
    return;
  }
  ThrowIfError(RegDeleteTreeW(key->get(), nullptr), "RegDeleteTreeW");
  ThrowIfError(RegDeleteKeyExW(root, path.c_str(), view, 0), "RegDeleteKeyExW");
}

}  // namespace zge::test::registry
