#include "com/registration.h"

#include <windows.h>

#include <string>
#include <vector>

#include "automation/earth_ids.h"
#include "automation/registry.h"
#include "platform/win32_error.h"

namespace standin {
namespace {

constexpr wchar_t kClassName[] = L"Google Earth ApplicationGE (ZelkanGE EarthStandIn)";

HKEY Root(RegistrationScope scope) {
  return scope == RegistrationScope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring ClassKey() {
  return std::wstring(L"Software\\Classes\\CLSID\\") + ids::kApplicationGEString;
}
std::wstring ProgIdKey() { return std::wstring(L"Software\\Classes\\") + ids::kProgId; }

std::wstring ExePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      ThrowLastError("GetModuleFileNameW");
    }
    if (length < buffer.size()) {
      return std::wstring(buffer.data(), length);
    }
    buffer.resize(buffer.size() * 2);
  }
}

// In quotes when it holds a space, so that CreateProcess cannot misread it.
std::wstring ServerCommand(const std::wstring& path) {
  return path.find(L' ') == std::wstring::npos ? path : L"\"" + path + L"\"";
}

}  // namespace

void RegisterServer(RegistrationScope scope) {
  const HKEY root = Root(scope);
  const std::wstring command = ServerCommand(ExePath());
  {
    const unique_hkey key = CreateKey(root, ClassKey(), KEY_SET_VALUE);
    WriteString(key.get(), nullptr, kClassName);
  }
  {
    const unique_hkey key = CreateKey(root, ClassKey() + L"\\LocalServer32", KEY_SET_VALUE);
    WriteString(key.get(), nullptr, command);
  }
  {
    const unique_hkey key = CreateKey(root, ClassKey() + L"\\ProgID", KEY_SET_VALUE);
    WriteString(key.get(), nullptr, ids::kProgId);
  }
  {
    const unique_hkey key = CreateKey(root, ProgIdKey(), KEY_SET_VALUE);
    WriteString(key.get(), nullptr, kClassName);
  }
  {
    const unique_hkey key = CreateKey(root, ProgIdKey() + L"\\CLSID", KEY_SET_VALUE);
    WriteString(key.get(), nullptr, ids::kApplicationGEString);
  }
}

void UnregisterServer(RegistrationScope scope) {
  const HKEY root = Root(scope);
  DeleteKeyTree(root, ClassKey());
  DeleteKeyTree(root, ProgIdKey());
}

}  // namespace standin
