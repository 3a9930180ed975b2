// Which overlay names may name a temporary KML file.
#pragma once

#include <string_view>

namespace zge {

// The extension of every KML file the panel writes.
inline constexpr std::string_view kKmlExtension = ".kml";

// True when `name` + ".kml" is a plain file name inside the temporary folder:
// no path separator, drive or stream colon, wildcard or other character
// Windows refuses in file names, no control character, and not a device
// (CON, NUL, COM1, ...), which Windows opens whatever the folder and the
// extension. Anything else could write or delete a file outside the folder.
[[nodiscard]] bool IsSafeTempFileName(std::u16string_view name) noexcept;

}  // namespace zge
