#include "support/picture.h"

#include <wincodec.h>

#include <cstring>
#include <memory>
#include <string>

#include "support/handles.h"
#include "support/win_error.h"

namespace zge::test {
namespace {

struct DcDeleter {
  void operator()(HDC dc) const noexcept { static_cast<void>(DeleteDC(dc)); }
};
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// The DC of a whole window, frame included.
class WindowDc {
 public:
  explicit WindowDc(HWND window)
      : window_(window), dc_(ThrowIfNull(GetWindowDC(window), "GetWindowDC")) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() { static_cast<void>(ReleaseDC(window_, dc_)); }
  [[nodiscard]] HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

template <class Interface>
struct Releaser {
  void operator()(Interface* object) const noexcept { object->Release(); }
};
template <class Interface>
using ComPtr = std::unique_ptr<Interface, Releaser<Interface>>;

template <class Interface, class Create>
ComPtr<Interface> Made(Create&& create, const char* call) {
  Interface* object = nullptr;
  ThrowIfFailed(create(&object), call);
  return ComPtr<Interface>(object);
}

}  // namespace

Picture Picture::OfWindow(HWND window) {
  RECT frame{};
  ThrowIfFalse(GetWindowRect(window, &frame), "GetWindowRect");
  POINT client{0, 0};
  ThrowIfFalse(ClientToScreen(window, &client), "ClientToScreen");

  Picture picture;
  picture.width_ = frame.right - frame.left;
  picture.height_ = frame.bottom - frame.top;
  picture.clientOrigin_ = {client.x - frame.left, client.y - frame.top};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width_;
  info.bmiHeader.biHeight = -picture.height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const UniqueBitmap bitmap(ThrowIfNull(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), "CreateDIBSection"));
  const UniqueDc dc(ThrowIfNull(CreateCompatibleDC(nullptr), "CreateCompatibleDC"));
  const HGDIOBJ old = ThrowIfNull(SelectObject(dc.get(), bitmap.get()), "SelectObject");
  // Wine's PrintWindow draws only the window's background, neither its
  // frame nor its children; what the window shows is read back from its
  // own surface instead, after it has painted everything.
  ThrowIfFalse(
      RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW),
      "RedrawWindow");
  const WindowDc source(window);
  const BOOL copied =
      BitBlt(dc.get(), 0, 0, picture.width_, picture.height_, source.get(), 0, 0, SRCCOPY);
  static_cast<void>(SelectObject(dc.get(), old));
  ThrowIfFalse(copied, "BitBlt");
  ThrowIfFalse(GdiFlush(), "GdiFlush");

  picture.pixels_.resize(static_cast<std::size_t>(picture.width_) * picture.height_);
  std::memcpy(picture.pixels_.data(), bits, picture.pixels_.size() * sizeof(std::uint32_t));
  for (std::uint32_t& pixel : picture.pixels_) {
    pixel &= 0x00FFFFFFU;
  }
  return picture;
}

static ComPtr<IWICImagingFactory> ImagingFactory() {
  return Made<IWICImagingFactory>(
      [](IWICImagingFactory** object) {
        return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory), reinterpret_cast<void**>(object));
      },
      "CoCreateInstance(WICImagingFactory)");
}

Picture Picture::OfSource(IWICBitmapSource* source) {
  const auto factory = ImagingFactory();
  const auto converter = Made<IWICFormatConverter>(
      [&](IWICFormatConverter** object) { return factory->CreateFormatConverter(object); },
      "CreateFormatConverter");
  ThrowIfFailed(converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                      nullptr, 0.0, WICBitmapPaletteTypeCustom),
                "IWICFormatConverter::Initialize");
  UINT width = 0;
  UINT height = 0;
  ThrowIfFailed(converter->GetSize(&width, &height), "IWICBitmapSource::GetSize");
  Picture picture;
  picture.width_ = static_cast<int>(width);
  picture.height_ = static_cast<int>(height);
  picture.pixels_.resize(static_cast<std::size_t>(width) * height);
  ThrowIfFailed(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                      reinterpret_cast<BYTE*>(picture.pixels_.data())),
                "IWICBitmapSource::CopyPixels");
  for (std::uint32_t& pixel : picture.pixels_) {
    pixel &= 0x00FFFFFFU;
  }
  return picture;
}

Picture Picture::OfFile(const std::filesystem::path& file) {
  const auto factory = ImagingFactory();
  const auto decoder = Made<IWICBitmapDecoder>(
      [&](IWICBitmapDecoder** object) {
        return factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, object);
      },
      "CreateDecoderFromFilename");
  const auto frame = Made<IWICBitmapFrameDecode>(
      [&](IWICBitmapFrameDecode** object) { return decoder->GetFrame(0, object); }, "GetFrame");
  return OfSource(frame.get());
}

Picture Picture::OfBitmap(HBITMAP bitmap) {
  const auto factory = ImagingFactory();
  const auto source = Made<IWICBitmap>(
      [&](IWICBitmap** object) {
        return factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, object);
      },
      "CreateBitmapFromHBITMAP");
  return OfSource(source.get());
}

COLORREF Picture::At(int x, int y) const {
  const std::uint32_t pixel =
      pixels_.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + x);
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void Picture::WritePng(const std::filesystem::path& path) const {
  const auto factory = ImagingFactory();
  const auto stream = Made<IWICStream>(
      [&](IWICStream** object) { return factory->CreateStream(object); }, "CreateStream");
  ThrowIfFailed(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE),
                "IWICStream::InitializeFromFilename");
  const auto encoder = Made<IWICBitmapEncoder>(
      [&](IWICBitmapEncoder** object) {
        return factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, object);
      },
      "CreateEncoder");
  ThrowIfFailed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache),
                "IWICBitmapEncoder::Initialize");
  IWICBitmapFrameEncode* rawFrame = nullptr;
  ThrowIfFailed(encoder->CreateNewFrame(&rawFrame, nullptr), "CreateNewFrame");
  const ComPtr<IWICBitmapFrameEncode> frame(rawFrame);
  ThrowIfFailed(frame->Initialize(nullptr), "IWICBitmapFrameEncode::Initialize");
  ThrowIfFailed(frame->SetSize(static_cast<UINT>(width_), static_cast<UINT>(height_)), "SetSize");
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  ThrowIfFailed(frame->SetPixelFormat(&format), "SetPixelFormat");
  ThrowIfFailed(format == GUID_WICPixelFormat32bppBGR ? S_OK : E_FAIL, "32-bit BGR PNG frame");
  std::vector<std::uint32_t> rows = pixels_;
  ThrowIfFailed(frame->WritePixels(static_cast<UINT>(height_), static_cast<UINT>(width_) * 4,
                                   static_cast<UINT>(rows.size() * sizeof(std::uint32_t)),
                                   reinterpret_cast<BYTE*>(rows.data())),
                "WritePixels");
  ThrowIfFailed(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  ThrowIfFailed(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

}  // namespace zge::test
