#include "support/zelkange_api.h"

#include "support/win_error.h"

namespace zge::test {
namespace {

// GetProcAddress yields a generic function pointer; going through
// void(*)() is the sanctioned way to reach the export's real type.
template <class Function>
void Bind(HMODULE module, const char* name, Function& function, std::vector<std::string>& missing) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    missing.emplace_back(name);
    return;
  }
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

std::filesystem::path FromUnixPath(std::string_view unixPath) {
  std::wstring windowsPath = L"Z:";
  for (const char c : unixPath) {
    windowsPath.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  }
  return windowsPath;
}

std::filesystem::path ZelkanGEPath() { return FromUnixPath(ZGE_DLL_UNIX_PATH); }

ZelkanGE::ZelkanGE(const std::filesystem::path& dll)
    : module_(ThrowIfNull(LoadLibraryW(dll.c_str()), "LoadLibraryW(ZelkanGE.dll)")) {
#define ZGE_BIND_EXPORT(name) Bind(module_.get(), #name, name, missing_);
  ZGE_FOR_EACH_EXPORT(ZGE_BIND_EXPORT)
#undef ZGE_BIND_EXPORT
}

LastError ReadLastError(ZelkanGE& api) {
  LastError error;
  const std::int32_t length = api.ZgeGetLastError(&error.code, nullptr, 0);
  error.text.resize(static_cast<std::size_t>(length) + 1);
  api.ZgeGetLastError(&error.code, error.text.data(), length + 1);
  error.text.resize(static_cast<std::size_t>(length));
  return error;
}

}  // namespace zge::test
