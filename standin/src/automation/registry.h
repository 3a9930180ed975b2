// Small registry helpers over unique_hkey. A missing key or value is
// std::nullopt, not an error; any other failure throws standin::Error.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/resources.h"

namespace standin {

// An empty key when the key does not exist.
[[nodiscard]] unique_hkey OpenKeyIfExists(HKEY root, const std::wstring& path, REGSAM access);
[[nodiscard]] unique_hkey CreateKey(HKEY root, const std::wstring& path, REGSAM access);

// Throws when the value exists with another type.
[[nodiscard]] std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name);
[[nodiscard]] std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name);

void WriteDword(HKEY key, const wchar_t* name, DWORD value);
// name nullptr: the key's default value.
void WriteString(HKEY key, const wchar_t* name, std::wstring_view value);

// Deletes the key and everything under it; a missing key is fine.
void DeleteKeyTree(HKEY root, const std::wstring& path);

// "HKEY_CURRENT_USER\..." for messages.
[[nodiscard]] std::string DescribeKey(HKEY root, const std::wstring& path);

}  // namespace standin
