#include "kml_loader.h"

#include <windows.h>

#include <cstddef>
#include <span>
#include <vector>

#include "error.h"
#include "kml_reader.h"
#include "kmz_archive.h"
#include "result_codes.h"
#include "text.h"
#include "unique_handles.h"

namespace standin {
namespace {

// Larger files are refused rather than read into memory.
constexpr LONGLONG kMaxFileBytes = LONGLONG{256} << 20;

[[noreturn]] void ThrowFileError(const std::string& context, const std::string& what, DWORD error) {
  throw Error(codes::kInvalidArg,
              context + ": " + what + " (" + HexCode(HRESULT_FROM_WIN32(error)) + ")");
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string FullPath(const std::u16string& path, const std::string& context) {
  const DWORD size = GetFullPathNameW(Wide(path), 0, nullptr, nullptr);
  if (size == 0) ThrowFileError(context, "not a usable path", GetLastError());
  std::u16string full(size, u'\0');
  const DWORD written =
      GetFullPathNameW(Wide(path), size, reinterpret_cast<wchar_t*>(full.data()), nullptr);
  if (written == 0 || written >= size) {
    ThrowFileError(context, "not a usable path", GetLastError());
  }
  full.resize(written);
  return full;
}

// Windows compares file names without regard to case.
std::u16string PathKey(std::u16string path) {
  if (!path.empty()) {
    CharUpperBuffW(reinterpret_cast<wchar_t*>(path.data()), static_cast<DWORD>(path.size()));
  }
  return path;
}

std::u16string FileName(const std::u16string& fullPath) {
  const std::size_t slash = fullPath.find_last_of(u"\\/");
  return slash == std::u16string::npos ? fullPath : fullPath.substr(slash + 1);
}

std::vector<std::byte> ReadWholeFile(const std::u16string& path, const std::string& context) {
  const unique_file file(CreateFileW(Wide(path), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowFileError(context, "cannot open the file", GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    ThrowFileError(context, "cannot read the file's size", GetLastError());
  }
  if (size.QuadPart > kMaxFileBytes) {
    throw Error(codes::kInvalidArg, context + ": the file is larger than " +
                                        std::to_string(kMaxFileBytes >> 20) + " MB");
  }
  std::vector<std::byte> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                  nullptr)) {
      ThrowFileError(context, "cannot read the file", GetLastError());
    }
    if (read == 0) break;  // it shrank while we read
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace

std::shared_ptr<FeatureNode> KmlLoader::LoadData(std::u16string_view text) {
  auto feature = ReadKmlText(text, "LoadKmlData");
  tree_.AppendTemporary(feature);
  return feature;
}

std::shared_ptr<FeatureNode> KmlLoader::OpenFile(std::u16string_view path) {
  const std::u16string given(path);
  const std::string context = "OpenKmlFile: " + ToUtf8(given);
  if (given.empty()) throw Error(codes::kInvalidArg, "OpenKmlFile: the file name is empty");
  const std::u16string full = FullPath(given, context);
  const std::vector<std::byte> bytes = ReadWholeFile(full, context);
  std::shared_ptr<FeatureNode> feature =
      LooksLikeZip(bytes) ? ReadKmlBytes(ExtractKmzDocument(bytes, context), context)
                          : ReadKmlBytes(bytes, context);
  if (feature->name.empty()) feature->name = FileName(full);
  std::weak_ptr<FeatureNode>& opened = openedFiles_[PathKey(full)];
  if (const auto earlier = opened.lock(); earlier && !earlier->deleted) tree_.Remove(earlier);
  tree_.AppendTemporary(feature);
  opened = feature;
  return feature;
}

}  // namespace standin
