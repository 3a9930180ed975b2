// Registry access for the tests: a missing key or value is std::nullopt,
// every other failure throws.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "support/handles.h"

namespace zge::test::registry {

// `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
UniqueKey CreateKey(HKEY root, const std::wstring& path, REGSAM view = 0);
std::optional<UniqueKey> OpenKey(HKEY root, const std::wstring& path, REGSAM view = 0);

void SetDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void SetString(HKEY root, const std::wstring& path, const std::wstring& name,
               const std::wstring& value, REGSAM view = 0);

std::optional<DWORD> GetDword(HKEY root, const std::wstring& path, const std::wstring& name);
std::optional<std::wstring> GetString(HKEY root, const std::wstring& path, const std::wstring& name,
                                      REGSAM view = 0);

// Deletes the key with everything below it; a missing key is no error.
void DeleteTree(HKEY root, const std::wstring& path, REGSAM view = 0);

}  // namespace zge::test::registry
