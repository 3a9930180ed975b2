// A picture to read pixel by pixel: of one of the test's own windows, frame
// included, of an image file, or of a bitmap the DLL handed over; written
// as a PNG file.
#pragma once

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace zge::test {

class Picture {
 public:
  // What the window shows, frame and children included, once it has
  // painted; it may belong to another thread of this process.
  static Picture OfWindow(HWND window);
  // A PNG or JPEG file, and a bitmap; through WIC (COM initialised).
  static Picture OfFile(const std::filesystem::path& file);
  static Picture OfBitmap(HBITMAP bitmap);

  [[nodiscard]] int Width() const noexcept { return width_; }
  [[nodiscard]] int Height() const noexcept { return height_; }
  [[nodiscard]] COLORREF At(int x, int y) const;
  // Where the window's client area starts in the picture.
  [[nodiscard]] POINT ClientOrigin() const noexcept { return clientOrigin_; }

  // Through WIC; COM must be initialised on the calling thread.
  void WritePng(const std::filesystem::path& path) const;

 private:
  static Picture OfSource(IWICBitmapSource* source);

  int width_ = 0;
  int height_ = 0;
  POINT clientOrigin_{};
  std::vector<std::uint32_t> pixels_;  // top-down rows of 0x00RRGGBB
};

}  // namespace zge::test
