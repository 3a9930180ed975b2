// KMZ files: a zip archive around a KML document. Reads the central
// directory and inflates the one entry needed with zlib. Defensive against
// damaged archives: every offset and size is checked against the archive
// before use, and entries are limited in size. Portable.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// An entry larger than this (uncompressed) is refused.
inline constexpr std::size_t kMaxKmzEntryBytes = std::size_t{256} << 20;

// True when the bytes start like a zip archive ("PK\3\4").
[[nodiscard]] bool LooksLikeZip(std::span<const std::byte> bytes);

// The KML document of a KMZ: the entry "doc.kml" when there is one, else the
// first entry (in central directory order) whose name ends in ".kml" (any
// case). Entries may be stored or deflated. Throws standin::Error
// (E_INVALIDARG) "<context>: not a usable KMZ: <reason>".
[[nodiscard]] std::vector<std::byte> ExtractKmzDocument(std::span<const std::byte> archive,
                                                        const std::string& context);

// The name of that document's entry, for paths relative to it.
[[nodiscard]] std::string KmzDocumentName(std::span<const std::byte> archive,
                                          const std::string& context);

// Another entry (an icon, an overlay's image) by its name, compared without
// regard to ASCII case; nullopt when there is none, it is damaged or larger
// than maxBytes. Never throws for a damaged archive.
[[nodiscard]] std::optional<std::vector<std::byte>> ExtractKmzEntry(
    std::span<const std::byte> archive, std::string_view name, std::size_t maxBytes);

}  // namespace standin
