#include "folder_glyph.h"

#include "errors.h"

namespace zge::win32 {
namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// The arrow runs from the back folder over to the front one.
constexpr std::array<std::string_view, kGlyphSize> kRows = {
    "......rrrrr.....",  //
    ".....r.....r....",  //
    ".kkk........r...",  //
    "kyyykkkkk...r...",  //
    "kwwwwwwok.rrrrr.",  //
    "kyyyyyyok..rrr..",  //
    "kyyyyyyok...r...",  //
    "kyyyyykkkk......",  //
    "kooookyyyykkkkkk",  //
    "kkkkkkwwwwwwwwok",  //
    ".....kyyyyyyyyok",  //
    ".....kyyyyyyyyok",  //
    ".....kyyyyyyyyok",  //
    ".....kyyyyyyyyok",  //
    ".....koooooooook",  //
    ".....kkkkkkkkkkk",  //
};

}  // namespace

const std::array<std::string_view, kGlyphSize>& FolderGlyphRows() noexcept { return kRows; }

COLORREF FolderGlyphColor(char pixel) noexcept {
  switch (pixel) {
    case 'k':
      return RGB(0, 0, 0);
    case 'y':
      return RGB(255, 255, 0);
    case 'o':
      return RGB(128, 128, 0);
    case 'w':
      return RGB(255, 255, 255);
    case 'r':
      return RGB(128, 0, 0);
    default:
      return kMagenta;
  }
}

void DrawFolderGlyph(HDC dc, const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  // The DC brush takes each colour in turn: no brush to create or free.
  const auto brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
  for (int y = 0; y < kGlyphSize; ++y) {
    const std::string_view row = kRows[static_cast<std::size_t>(y)];
    for (int x = 0; x < kGlyphSize; ++x) {
      const COLORREF color = FolderGlyphColor(row[static_cast<std::size_t>(x)]);
      if (color == kMagenta) {
        continue;
      }
      const RECT pixel{area.left + ::MulDiv(x, width, kGlyphSize),
                       area.top + ::MulDiv(y, height, kGlyphSize),
                       area.left + ::MulDiv(x + 1, width, kGlyphSize),
                       area.top + ::MulDiv(y + 1, height, kGlyphSize)};
      ThrowLastErrorIf(::SetDCBrushColor(dc, color) == CLR_INVALID, "SetDCBrushColor");
      ThrowLastErrorIf(::FillRect(dc, &pixel, brush) == 0, "FillRect");
    }
  }
}

}  // namespace zge::win32
