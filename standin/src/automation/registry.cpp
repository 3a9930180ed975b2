#include "automation/registry.h"

#include <vector>

#include "model/text.h"
#include "platform/win32_error.h"

namespace standin {
namespace {

std::string Utf8(std::wstring_view text) {
  return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

[[noreturn]] void ThrowValueError(LSTATUS status, const wchar_t* name, const char* what) {
  ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
               std::string(what) + " of registry value \"" + Utf8(name ? name : L"") + "\"");
}

}  // namespace

unique_hkey OpenKeyIfExists(HKEY root, const std::wstring& path, REGSAM access) {
  unique_hkey key;
  const LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, access, key.put());
  if (status == ERROR_FILE_NOT_FOUND) {
    return {};
  }
  if (status != ERROR_SUCCESS) {
    ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
                 "opening " + DescribeKey(root, path));
  }
  return key;
}

unique_hkey CreateKey(HKEY root, const std::wstring& path, REGSAM access) {
  unique_hkey key;
  const LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         access, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) {
    ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
                 "creating " + DescribeKey(root, path));
  }
  return key;
}

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  const LSTATUS status = RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    return std::nullopt;
  }
  if (status != ERROR_SUCCESS) {
    ThrowValueError(status, name, "reading the DWORD");
  }
  return value;
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = 0;
    LSTATUS status = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
      return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
      ThrowValueError(status, name, "reading the string");
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
      continue;  // grew meanwhile
    }
    if (status == ERROR_FILE_NOT_FOUND) {
      return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
      ThrowValueError(status, name, "reading the string");
    }
    return std::wstring(buffer.data());
  }
  ThrowValueError(ERROR_MORE_DATA, name, "reading the string");
}

void WriteDword(HKEY key, const wchar_t* name, DWORD value) {
  const LSTATUS status =
      RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  if (status != ERROR_SUCCESS) {
    ThrowValueError(status, name, "writing the DWORD");
  }
}

void WriteString(HKEY key, const wchar_t* name, std::wstring_view value) {
  const std::wstring text(value);
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  const LSTATUS status =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  if (status != ERROR_SUCCESS) {
    ThrowValueError(status, name, "writing the string");
  }
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(root, path.c_str());
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_SUCCESS) {
    // RegDeleteTree leaves the key itself on some systems; remove it too.
    const LSTATUS keyStatus = RegDeleteKeyW(root, path.c_str());
    if (keyStatus == ERROR_SUCCESS || keyStatus == ERROR_FILE_NOT_FOUND) {
      return;
    }
    ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(keyStatus)),
                 "deleting " + DescribeKey(root, path));
  }
  ThrowHresult(HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
               "deleting " + DescribeKey(root, path));
}

std::string DescribeKey(HKEY root, const std::wstring& path) {
  std::string name = root == HKEY_LOCAL_MACHINE  ? "HKEY_LOCAL_MACHINE"
                     : root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                                                 : "HKEY";
  return name + "\\" + Utf8(path);
}

}  // namespace standin
