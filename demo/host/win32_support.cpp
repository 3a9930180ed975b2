#include "win32_support.h"

#include <fstream>

namespace demo {

void FailWithLastError(const char* call) {
  const DWORD code = GetLastError();
  throw DemoError(std::string(call) + " failed with error " + std::to_string(code));
}

void CheckHr(HRESULT result, const char* what) {
  if (FAILED(result)) {
    throw DemoError(std::string(what) + " failed: " + std::to_string(result));
  }
}

std::filesystem::path ExeFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) {
      FailWithLastError("GetModuleFileNameW");
    }
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path).parent_path();
    }
    path.resize(path.size() * 2);
  }
}

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) {
    return {};
  }
  const int size =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) {
    FailWithLastError("MultiByteToWideChar");
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size) != size) {
    FailWithLastError("MultiByteToWideChar");
  }
  return wide;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) {
    return {};
  }
  const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    FailWithLastError("WideCharToMultiByte");
  }
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          size, nullptr, nullptr) != size) {
    FailWithLastError("WideCharToMultiByte");
  }
  return narrow;
}

std::string Ansi(const std::string& utf8) { return Narrow(Wide(utf8, CP_UTF8), CP_ACP); }

std::vector<char> ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream input(file, std::ios::binary | std::ios::ate);
  if (!input) {
    throw DemoError("cannot open " + file.string());
  }
  std::vector<char> bytes(static_cast<std::size_t>(input.tellg()));
  input.seekg(0);
  if (!input.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw DemoError("cannot read " + file.string());
  }
  return bytes;
}

}  // namespace demo
