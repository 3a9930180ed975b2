#include "kml/kml_loader.h"

#include <windows.h>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "kml/icon_cache.h"
#include "kml/kml_reader.h"
#include "kml/kmz_archive.h"
#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/resources.h"
#include "winbase/text.h"

namespace standin {
namespace {

// Larger files are refused rather than read into memory.
constexpr LONGLONG kMaxFileBytes = LONGLONG{256} << 20;

[[noreturn]] void ThrowFileError(const std::string& context, const std::string& what, DWORD error) {
  throw Error(codes::kInvalidArg,
              context + ": " + what + " (" + HexCode(HRESULT_FROM_WIN32(error)) + ")");
}

std::u16string FullPath(const std::u16string& path, const std::string& context) {
  const DWORD size = GetFullPathNameW(winbase::AsWide(path), 0, nullptr, nullptr);
  if (size == 0) {
    ThrowFileError(context, "not a usable path", GetLastError());
  }
  std::u16string full(size, u'\0');
  const DWORD written = GetFullPathNameW(winbase::AsWide(path), size,
                                         reinterpret_cast<wchar_t*>(full.data()), nullptr);
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

std::vector<std::byte> ReadWholeFile(const std::u16string& path, const std::string& context,
                                     LONGLONG maxBytes = kMaxFileBytes) {
  const unique_handle file(CreateFileW(winbase::AsWide(path), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowFileError(context, "cannot open the file", GetLastError());
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) {
    ThrowFileError(context, "cannot read the file's size", GetLastError());
  }
  if (size.QuadPart > maxBytes) {
    throw Error(codes::kInvalidArg,
                context + ": the file is larger than " + std::to_string(maxBytes >> 20) + " MB");
  }
  std::vector<std::byte> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read,
                  nullptr)) {
      ThrowFileError(context, "cannot read the file", GetLastError());
    }
    if (read == 0) {
      break;  // it shrank while we read
    }
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

bool IsNetworkUrl(std::u16string_view href) {
  return StartsWithAsciiNoCase(href, u"http://") || StartsWithAsciiNoCase(href, u"https://");
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  if (c >= u'a' && c <= u'f') {
    return c - u'a' + 10;
  }
  if (c >= u'A' && c <= u'F') {
    return c - u'A' + 10;
  }
  return -1;
}

// %XX escapes as URLs write them (UTF-8 bytes); a malformed escape stays.
// Hand-written: shlwapi's UrlUnescape reads escapes as UTF-8 only from
// Windows 8 on.
std::u16string PercentDecoded(std::u16string_view text) {
  std::string bytes;
  std::size_t run = 0;  // start of the text since the last escape
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      bytes += ToUtf8(std::u16string(text.substr(run, i - run)));
      bytes.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
      run = i + 1;
    }
  }
  bytes += ToUtf8(std::u16string(text.substr(std::min(run, text.size()))));
  return ToUtf16(bytes);
}

bool IsAbsolutePath(std::u16string_view path) {
  const bool drive = path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
  return drive || path.starts_with(u"\\\\") || path.starts_with(u"//");
}

// A file: URL's path: file:///C:/x, file://localhost/C:/x, file:C:/x;
// nullopt for any other href.
std::optional<std::u16string> PathOfFileUrl(std::u16string_view href) {
  if (!StartsWithAsciiNoCase(href, u"file:")) {
    return std::nullopt;
  }
  std::u16string_view rest = href.substr(5);
  if (rest.starts_with(u"//")) {
    rest.remove_prefix(2);
    if (StartsWithAsciiNoCase(rest, u"localhost/")) {
      rest.remove_prefix(9);
    }
  }
  std::u16string path = PercentDecoded(rest);
  if (path.size() >= 3 && path[0] == u'/' && path[2] == u':') {
    path.erase(0, 1);
  }
  return path;
}

// `relative`'s parts below `base` (a folder, or "" for an archive's root),
// joined by `separator`; nullopt when `..` would climb out of it or a part
// names a drive (or holds a NUL, which would cut the path short).
std::optional<std::u16string> Inside(const std::u16string& base, std::u16string_view relative,
                                     char16_t separator) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of(u"/\\", start);
    if (end == std::u16string_view::npos) {
      end = relative.size();
    }
    const std::u16string_view part = relative.substr(start, end - start);
    if (part == u"..") {
      if (parts.empty()) {
        return std::nullopt;
      }
      parts.pop_back();
    } else if (part.find_first_of(std::u16string_view(u":\0", 2)) != std::u16string_view::npos) {
      return std::nullopt;
    } else if (!part.empty() && part != u".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) {
    return std::nullopt;
  }
  std::u16string joined = base;
  for (const auto& part : parts) {
    if (!joined.empty() && joined.back() != separator) {
      joined.push_back(separator);
    }
    joined += part;
  }
  return joined;
}

std::u16string FolderOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::optional<std::vector<std::byte>> ReadSmallFile(const std::u16string& path,
                                                    std::size_t maxBytes) {
  try {
    return ReadWholeFile(path, "", static_cast<LONGLONG>(maxBytes));
  } catch (const Error&) {
    return std::nullopt;
  }
}

std::shared_ptr<FeatureNode> ReadLinkedFile(const std::u16string& fullPath, int depth,
                                            const std::string& context);

// Linked documents that link further: followed this deep, no further.
constexpr int kMaxLinkDepth = 4;
// Distinct images one document may ask for; later ones are pushpins.
constexpr std::size_t kMaxImagesPerDocument = 256;

// What a document refers to, found beside it: in its KMZ, in its folder,
// at an absolute path or file: URL, or on the network (images only).
class FileResources final : public KmlResources {
 public:
  // `file`: the document's full path (empty for text); `archive`: the KMZ's
  // bytes when the document came from one.
  FileResources(std::u16string file, std::span<const std::byte> archive, int depth)
      : file_(std::move(file)), folder_(FolderOf(file_)), archive_(archive), depth_(depth) {
    if (!archive_.empty()) {
      archiveFolder_ = FolderOf(ToUtf16(KmzDocumentName(archive_, "KMZ")));
    }
  }

  std::optional<KmlStyle> ExternalStyle(std::u16string_view url) override {
    const std::size_t hash = url.find(u'#');
    const auto path = LocalPath(url.substr(0, hash));
    if (!path) {
      return std::nullopt;
    }
    auto [styles, added] = externalStyles_.try_emplace(PathKey(*path));
    if (added) {
      try {
        const auto bytes = ReadSmallFile(*path, kMaxFileBytes);
        if (bytes) {
          styles->second = LooksLikeZip(*bytes)
                               ? ReadKmlStyles(ExtractKmzDocument(*bytes, "KMZ"), "KMZ")
                               : ReadKmlStyles(*bytes, "KML");
        }
      } catch (const Error&) {
        // A style file that does not read gives no styles.
      }
    }
    const auto found = styles->second.find(std::u16string(url.substr(hash + 1)));
    if (found == styles->second.end()) {
      return std::nullopt;
    }
    return found->second;
  }

  std::shared_ptr<const ImageSlot> Image(std::u16string_view href, bool icon) override {
    const int side = icon ? kMaxIconSide : kMaxOverlaySide;
    const std::u16string asked = std::u16string(href) + (icon ? u"|icon" : u"|overlay");
    if (const auto known = images_.find(asked); known != images_.end()) {
      return known->second;
    }
    if (images_.size() >= kMaxImagesPerDocument) {
      return nullptr;
    }
    return images_[asked] = Find(href, side);
  }

  std::shared_ptr<FeatureNode> Linked(std::u16string_view href, std::u16string& path) override {
    if (depth_ >= kMaxLinkDepth) {
      return nullptr;
    }
    const auto local = LocalPath(href);
    if (!local) {
      return nullptr;
    }
    try {
      path = FullPath(*local, "NetworkLink");
      return ReadLinkedFile(path, depth_ + 1, "NetworkLink: " + ToUtf8(path));
    } catch (const Error&) {
      return nullptr;  // a link that does not read shows nothing, as an empty folder
    }
  }

 private:
  std::shared_ptr<const ImageSlot> Find(std::u16string_view href, int side) const {
    ImageCache& cache = ImageCache::Shared();
    if (IsNetworkUrl(href)) {
      return cache.Remote(std::u16string(href), side);
    }
    if (!archive_.empty() && !PathOfFileUrl(href) && !IsAbsolutePath(href)) {
      if (const auto entry = Inside(archiveFolder_, PercentDecoded(href), u'/')) {
        const std::string name = ToUtf8(*entry);
        auto slot = cache.Get(file_ + u"|" + *entry, side, [&] {
          return ExtractKmzEntry(archive_, name, kMaxImageFileBytes)
              .value_or(std::vector<std::byte>{});
        });
        if (slot->Get()) {
          return slot;
        }
      }
    }
    const auto path = LocalPath(href);
    if (!path) {
      return nullptr;
    }
    return cache.Get(PathKey(*path), side, [&] {
      return ReadSmallFile(*path, kMaxImageFileBytes).value_or(std::vector<std::byte>{});
    });
  }

  // An href as a file: absolute, a file: URL, or relative to the document's
  // folder (never above it).
  [[nodiscard]] std::optional<std::u16string> LocalPath(std::u16string_view href) const {
    if (href.empty() || IsNetworkUrl(href)) {
      return std::nullopt;
    }
    if (auto path = PathOfFileUrl(href)) {
      return IsAbsolutePath(*path) ? path : std::nullopt;
    }
    if (IsAbsolutePath(href)) {
      return std::u16string(href);
    }
    if (folder_.empty()) {
      return std::nullopt;
    }
    return Inside(folder_, PercentDecoded(href), u'\\');
  }

  std::u16string file_;
  std::u16string folder_;
  std::span<const std::byte> archive_;
  std::u16string archiveFolder_;
  int depth_;
  // The images asked for, by href: each distinct one counts once.
  std::unordered_map<std::u16string, std::shared_ptr<const ImageSlot>> images_;
  std::unordered_map<std::u16string, std::unordered_map<std::u16string, KmlStyle>> externalStyles_;
};

std::shared_ptr<FeatureNode> ReadLinkedFile(const std::u16string& fullPath, int depth,
                                            const std::string& context) {
  const std::vector<std::byte> bytes = ReadWholeFile(fullPath, context);
  std::shared_ptr<FeatureNode> feature;
  if (LooksLikeZip(bytes)) {
    const std::vector<std::byte> document = ExtractKmzDocument(bytes, context);
    FileResources resources(fullPath, bytes, depth);
    feature = ReadKmlBytes(document, context, resources);
  } else {
    FileResources resources(fullPath, {}, depth);
    feature = ReadKmlBytes(bytes, context, resources);
  }
  if (feature->name.empty()) {
    feature->name = FileName(fullPath);
  }
  return feature;
}

}  // namespace

void RefreshLinks(FeatureTree& tree, double now) {
  auto& links = tree.RefreshingLinks();
  std::erase_if(links, [](const FeatureTree::RefreshingLink& entry) {
    const auto link = entry.link.lock();
    return !link || link->deleted;
  });
  // Reading may add links (a linked file with links of its own): by index.
  for (std::size_t i = 0; i < links.size(); ++i) {
    const auto link = links[i].link.lock();
    if (!link || !link->refresh) {
      continue;
    }
    if (links[i].due == 0) {
      links[i].due = now + link->refresh->intervalSeconds;  // just read by its load
      continue;
    }
    if (links[i].due > now) {
      continue;
    }
    links[i].due = now + link->refresh->intervalSeconds;
    try {
      tree.ReplaceLinked(link, ReadLinkedFile(link->refresh->path, 1,
                                              "NetworkLink: " + ToUtf8(link->refresh->path)));
    } catch (const Error&) {
      // Being rewritten, or gone for now: the link keeps what it showed.
    }
  }
}

std::shared_ptr<FeatureNode> KmlLoader::LoadData(std::u16string_view text) {
  FileResources resources({}, {}, 0);
  auto feature = ReadKmlText(text, "LoadKmlData", resources);
  tree_.AppendTemporary(feature);
  return feature;
}

std::shared_ptr<FeatureNode> KmlLoader::OpenFile(std::u16string_view path) {
  const std::u16string given(path);
  const std::string context = "OpenKmlFile: " + ToUtf8(given);
  if (given.empty()) {
    throw Error(codes::kInvalidArg, "OpenKmlFile: the file name is empty");
  }
  const std::u16string full = FullPath(given, context);
  std::shared_ptr<FeatureNode> feature = ReadLinkedFile(full, 0, context);
  std::weak_ptr<FeatureNode>& opened = openedFiles_[PathKey(full)];
  if (const auto earlier = opened.lock(); earlier && !earlier->deleted) {
    tree_.Remove(earlier);
  }
  tree_.AppendTemporary(feature);
  opened = feature;
  return feature;
}

}  // namespace standin
