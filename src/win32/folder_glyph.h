// The folder button's picture: two yellow folders and a dark red arrow,
// 16 x 16 pixels on a magenta field that is not drawn.
#pragma once

#include "system_headers.h"

#include <array>
#include <string_view>

namespace zge::win32 {

inline constexpr int kGlyphSize = 16;

// One text row per pixel row; '.' is the magenta field.
[[nodiscard]] const std::array<std::string_view, kGlyphSize>& FolderGlyphRows() noexcept;

// The colour of a pixel of FolderGlyphRows; magenta for the field.
[[nodiscard]] COLORREF FolderGlyphColor(char pixel) noexcept;

// Draws the picture into `area`, each pixel stretched to fill its share of
// it; the magenta field leaves what is below it.
void DrawFolderGlyph(HDC dc, const RECT& area);

}  // namespace zge::win32
