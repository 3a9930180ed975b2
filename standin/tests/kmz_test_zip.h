// Writes small zip archives for the KMZ tests: stored or deflated entries,
// a central directory and its end record, nothing else.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testzip {

struct Entry {
  std::string name;
  std::string data;
  bool deflate = false;
};

// An archive's bytes (or an entry's) as text, for comparing.
inline std::string Text(const std::vector<std::byte>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline void Put(std::vector<std::byte>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
  }
}

inline void PutText(std::vector<std::byte>& out, const std::string& text) {
  for (const char c : text) {
    out.push_back(static_cast<std::byte>(c));
  }
}

inline std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return {};
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(result == Z_STREAM_END ? stream.total_out : 0);
  deflateEnd(&stream);
  return out;
}

inline std::vector<std::byte> Zip(const std::vector<Entry>& entries) {
  std::vector<std::byte> out;
  std::vector<std::byte> directory;
  for (const Entry& entry : entries) {
    const std::string stored = entry.deflate ? RawDeflate(entry.data) : entry.data;
    const auto crc =
        static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(entry.data.data()),
                                         static_cast<uInt>(entry.data.size())));
    const auto offset = static_cast<std::uint32_t>(out.size());
    const std::uint32_t method = entry.deflate ? 8 : 0;
    const auto nameSize = static_cast<std::uint32_t>(entry.name.size());
    Put(out, 0x04034B50, 4);
    Put(out, 20, 2);
    Put(out, 0, 2);
    Put(out, method, 2);
    Put(out, 0, 4);  // time and date
    Put(out, crc, 4);
    Put(out, static_cast<std::uint32_t>(stored.size()), 4);
    Put(out, static_cast<std::uint32_t>(entry.data.size()), 4);
    Put(out, nameSize, 2);
    Put(out, 0, 2);
    PutText(out, entry.name);
    PutText(out, stored);

    Put(directory, 0x02014B50, 4);
    Put(directory, 20, 2);
    Put(directory, 20, 2);
    Put(directory, 0, 2);
    Put(directory, method, 2);
    Put(directory, 0, 4);
    Put(directory, crc, 4);
    Put(directory, static_cast<std::uint32_t>(stored.size()), 4);
    Put(directory, static_cast<std::uint32_t>(entry.data.size()), 4);
    Put(directory, nameSize, 2);
    Put(directory, 0, 2);  // extra
    Put(directory, 0, 2);  // comment
    Put(directory, 0, 2);  // disk
    Put(directory, 0, 2);  // internal attributes
    Put(directory, 0, 4);  // external attributes
    Put(directory, offset, 4);
    PutText(directory, entry.name);
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out.insert(out.end(), directory.begin(), directory.end());
  Put(out, 0x06054B50, 4);
  Put(out, 0, 4);  // disk numbers
  Put(out, static_cast<std::uint32_t>(entries.size()), 2);
  Put(out, static_cast<std::uint32_t>(entries.size()), 2);
  Put(out, static_cast<std::uint32_t>(directory.size()), 4);
  Put(out, directoryOffset, 4);
  Put(out, 0, 2);  // comment
  return out;
}

}  // namespace testzip
