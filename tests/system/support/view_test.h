// A panel with the stand-in's view embedded, sized 800 x 600, and what the
// camera, wheel and picture tests read back: the calls the stand-in
// received since a mark, and pictures decoded with WIC.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/system_test.h"

namespace zge::test {

inline constexpr int kPanelWidth = 800;
inline constexpr int kPanelHeight = 600;

class ViewTest : public SystemTest {
 protected:
  void SetUp() override;

  HWND Panel() const { return panel_; }
  // The position in the journal from which JournalSince counts.
  std::size_t JournalMark();
  // The calls the stand-in received after `mark`.
  std::vector<std::string> JournalSince(std::size_t mark);
  // The last SetCameraParams the stand-in received, or an empty text.
  std::string LastCameraMove();
  // Puts the mouse cursor at a point of the panel's client area.
  void PlaceCursor(int x, int y) const;

 private:
  HWND panel_ = nullptr;
};

// A picture's pixels as 0x00RRGGBB, row by row from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  [[nodiscard]] std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};
// Decodes a PNG or JPEG file. COM must be initialised on the thread.
Picture ReadPicture(const std::filesystem::path& file);
// The pixels of a bitmap the DLL handed over.
Picture ReadBitmap(HBITMAP bitmap);

}  // namespace zge::test
