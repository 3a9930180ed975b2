#include "kml/kmz_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"

namespace standin {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kMaxCommentSize = 0xFFFF;

struct Entry {
  std::string name;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t localHeaderOffset = 0;
};

// Little-endian reads that fail (throw) instead of reading past the end.
class ZipReader {
 public:
  ZipReader(std::span<const std::byte> bytes, const std::string& context)
      : bytes_(bytes), context_(context) {}

  [[noreturn]] void Fail(const std::string& reason) const {
    throw Error(codes::kInvalidArg, context_ + ": not a usable KMZ: " + reason);
  }
  void Require(std::uint64_t offset, std::uint64_t length, const char* what) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) {
      Fail(std::string(what) + " lies outside the file");
    }
  }
  [[nodiscard]] std::uint32_t U16(std::uint64_t offset) const { return Le(offset, 2); }
  [[nodiscard]] std::uint32_t U32(std::uint64_t offset) const { return Le(offset, 4); }
  [[nodiscard]] std::span<const std::byte> Bytes(std::uint64_t offset, std::uint64_t length,
                                                 const char* what) const {
    Require(offset, length, what);
    return bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
  }
  [[nodiscard]] std::size_t Size() const { return bytes_.size(); }

 private:
  [[nodiscard]] std::uint32_t Le(std::uint64_t offset, unsigned count) const {
    Require(offset, count, "a header");
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
      value |= std::to_integer<std::uint32_t>(bytes_[static_cast<std::size_t>(offset) + i])
               << (8 * i);
    }
    return value;
  }

  std::span<const std::byte> bytes_;
  const std::string& context_;
};

std::uint64_t FindEndRecord(const ZipReader& zip) {
  if (zip.Size() < kEndRecordSize) {
    zip.Fail("too short for a zip archive");
  }
  const std::uint64_t last = zip.Size() - kEndRecordSize;
  const std::uint64_t first = last > kMaxCommentSize ? last - kMaxCommentSize : 0;
  for (std::uint64_t offset = last + 1; offset-- > first;) {
    if (zip.U32(offset) == kEndSignature) {
      return offset;
    }
  }
  zip.Fail("no end of central directory record");
}

std::vector<Entry> ReadCentralDirectory(const ZipReader& zip) {
  const std::uint64_t end = FindEndRecord(zip);
  const std::uint32_t count = zip.U16(end + 10);
  const std::uint64_t directorySize = zip.U32(end + 12);
  const std::uint64_t directoryOffset = zip.U32(end + 16);
  if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
    zip.Fail("ZIP64 archives are not supported");
  }
  if (directoryOffset + directorySize > end) {
    zip.Fail("the central directory lies outside the file");
  }
  std::vector<Entry> entries;
  std::uint64_t offset = directoryOffset;
  const std::uint64_t directoryEnd = directoryOffset + directorySize;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (offset + kCentralHeaderSize > directoryEnd || zip.U32(offset) != kCentralHeaderSignature) {
      zip.Fail("a damaged central directory entry");
    }
    Entry entry;
    entry.flags = static_cast<std::uint16_t>(zip.U16(offset + 8));
    entry.method = static_cast<std::uint16_t>(zip.U16(offset + 10));
    entry.crc = zip.U32(offset + 16);
    entry.compressedSize = zip.U32(offset + 20);
    entry.size = zip.U32(offset + 24);
    const std::uint64_t nameLength = zip.U16(offset + 28);
    const std::uint64_t extraLength = zip.U16(offset + 30);
    const std::uint64_t commentLength = zip.U16(offset + 32);
    entry.localHeaderOffset = zip.U32(offset + 42);
    const std::uint64_t next =
        offset + kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > directoryEnd) {
      zip.Fail("a damaged central directory entry");
    }
    const auto name = zip.Bytes(offset + kCentralHeaderSize, nameLength, "an entry name");
    entry.name.assign(reinterpret_cast<const char*>(name.data()), name.size());
    entries.push_back(std::move(entry));
    offset = next;
  }
  return entries;
}

bool IsKmlName(std::string_view name) {
  return name.size() > 4 && AsciiLower(name.substr(name.size() - 4)) == ".kml";
}

const Entry& ChooseDocument(const ZipReader& zip, const std::vector<Entry>& entries) {
  const Entry* firstKml = nullptr;
  for (const Entry& entry : entries) {
    if (entry.name == "doc.kml") {
      return entry;
    }
    if (!firstKml && IsKmlName(entry.name)) {
      firstKml = &entry;
    }
  }
  if (!firstKml) {
    zip.Fail("it holds no .kml entry");
  }
  return *firstKml;
}

class InflateStream {
 public:
  InflateStream() = default;
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  ~InflateStream() {
    if (initialised_) {
      inflateEnd(&stream_);
    }
  }
  // Raw deflate data, as zip stores it (no zlib header).
  [[nodiscard]] bool Init() {
    initialised_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
    return initialised_;
  }
  [[nodiscard]] z_stream& Stream() { return stream_; }

 private:
  z_stream stream_{};
  bool initialised_ = false;
};

std::vector<std::byte> Inflate(const ZipReader& zip, const Entry& entry,
                               std::span<const std::byte> data) {
  // One spare byte: data that inflates to more than the declared size shows.
  std::vector<std::byte> out(static_cast<std::size_t>(entry.size) + 1);
  InflateStream inflater;
  if (!inflater.Init()) {
    zip.Fail("zlib cannot start inflating");
  }
  z_stream& stream = inflater.Stream();
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  if (result != Z_STREAM_END || stream.total_out != entry.size) {
    zip.Fail("the entry " + entry.name + " does not inflate to its declared size");
  }
  out.resize(entry.size);
  return out;
}

}  // namespace

bool LooksLikeZip(std::span<const std::byte> bytes) {
  return bytes.size() >= 4 && bytes[0] == std::byte{'P'} && bytes[1] == std::byte{'K'} &&
         bytes[2] == std::byte{3} && bytes[3] == std::byte{4};
}

namespace {

std::vector<std::byte> ExtractEntry(const ZipReader& zip, const Entry& entry,
                                    std::size_t maxBytes) {
  if ((entry.flags & 1U) != 0) {
    zip.Fail("the entry " + entry.name + " is encrypted");
  }
  if (entry.size > maxBytes) {
    zip.Fail("the entry " + entry.name + " is larger than " + std::to_string(maxBytes >> 20) +
             " MB");
  }
  const std::uint64_t local = entry.localHeaderOffset;
  if (zip.U32(local) != kLocalHeaderSignature) {
    zip.Fail("the entry " + entry.name + " has no local header");
  }
  const std::uint64_t dataOffset =
      local + kLocalHeaderSize + zip.U16(local + 26) + zip.U16(local + 28);
  const auto data = zip.Bytes(dataOffset, entry.compressedSize, "an entry's data");
  std::vector<std::byte> document;
  if (entry.method == 0) {
    if (entry.compressedSize != entry.size) {
      zip.Fail("the entry " + entry.name + " is damaged");
    }
    document.assign(data.begin(), data.end());
  } else if (entry.method == Z_DEFLATED) {
    document = Inflate(zip, entry, data);
  } else {
    zip.Fail("the entry " + entry.name + " uses compression method " +
             std::to_string(entry.method));
  }
  const auto crc = crc32(0L, reinterpret_cast<const Bytef*>(document.data()),
                         static_cast<uInt>(document.size()));
  if (crc != entry.crc) {
    zip.Fail("the entry " + entry.name + " fails its CRC check");
  }
  return document;
}

}  // namespace

std::vector<std::byte> ExtractKmzDocument(std::span<const std::byte> archive,
                                          const std::string& context) {
  const ZipReader zip(archive, context);
  const std::vector<Entry> entries = ReadCentralDirectory(zip);
  return ExtractEntry(zip, ChooseDocument(zip, entries), kMaxKmzEntryBytes);
}

std::string KmzDocumentName(std::span<const std::byte> archive, const std::string& context) {
  const ZipReader zip(archive, context);
  return ChooseDocument(zip, ReadCentralDirectory(zip)).name;
}

std::optional<std::vector<std::byte>> ExtractKmzEntry(std::span<const std::byte> archive,
                                                      std::string_view name, std::size_t maxBytes) {
  try {
    const ZipReader zip(archive, "KMZ");
    for (const Entry& entry : ReadCentralDirectory(zip)) {
      // Zip writers differ in the case and slashes of names; compare loosely.
      std::string entryName = AsciiLower(entry.name);
      std::replace(entryName.begin(), entryName.end(), '\\', '/');
      if (entryName == AsciiLower(name)) {
        return ExtractEntry(zip, entry, maxBytes);
      }
    }
  } catch (const Error&) {
    // A damaged entry is no entry: the caller draws its stand-in.
  }
  return std::nullopt;
}

}  // namespace standin
