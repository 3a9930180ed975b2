#include "host_bitmap.h"

#include <string>
#include <utility>

#include "base/error.h"
#include "com_types.h"
#include "errors.h"
#include "text.h"

#include <wincodec.h>

namespace zge::win32 {
namespace {

// Selects a GDI object into a DC for one scope.
class SelectionScope {
 public:
  SelectionScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {
    ThrowLastErrorIf(previous_ == nullptr || previous_ == HGDI_ERROR, "SelectObject");
  }
  SelectionScope(const SelectionScope&) = delete;
  SelectionScope& operator=(const SelectionScope&) = delete;
  ~SelectionScope() { static_cast<void>(::SelectObject(dc_, previous_)); }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

std::string Quoted(std::string_view path) { return "\"" + std::string(path) + "\""; }

}  // namespace

void HostBitmap::SetSize(Size size) {
  if (size.width <= 0 || size.height <= 0) {
    throw Error(codes::kInvalidArgument, "A bitmap of " + std::to_string(size.width) + " x " +
                                             std::to_string(size.height) +
                                             " pixels cannot be made: the panel has no area");
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;  // top-down, as WIC writes rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  unique_hbitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ThrowLastErrorIf(!bitmap, "CreateDIBSection");
  bitmap_ = std::move(bitmap);
  bits_ = bits;
  size_ = size;
}

void HostBitmap::RequirePicture() const {
  if (!bitmap_) {
    throw Error(codes::kFail, "The bitmap has no size yet");
  }
}

void HostBitmap::CopyFromWindow(WindowHandle window, const Rect& rect) {
  RequirePicture();
  const HWND source = ToHwnd(window);
  const unique_window_dc sourceDc(source, ::GetDC(source));
  ThrowLastErrorIf(!sourceDc, "GetDC");
  const unique_hdc target(::CreateCompatibleDC(sourceDc.get()));
  ThrowLastErrorIf(!target, "CreateCompatibleDC");
  const SelectionScope selection(target.get(), bitmap_.get());
  ThrowLastErrorIf(::BitBlt(target.get(), rect.left, rect.top, rect.Width(), rect.Height(),
                            sourceDc.get(), rect.left, rect.top, SRCCOPY) == 0,
                   "BitBlt");
}

void HostBitmap::DrawImageFile(std::string_view path) {
  RequirePicture();
  com_ptr<IWICImagingFactory> factory;
  ThrowIfFailed(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, factory.put_void()),
                "CoCreateInstance(WICImagingFactory)");
  const std::wstring widePath = AnsiToWide(path);
  com_ptr<IWICBitmapDecoder> decoder;
  ThrowIfFailed(factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, decoder.put()),
                "Reading the picture " + Quoted(path));
  com_ptr<IWICBitmapFrameDecode> frame;
  ThrowIfFailed(decoder->GetFrame(0, frame.put()), "Reading the picture " + Quoted(path));
  com_ptr<IWICFormatConverter> converter;
  ThrowIfFailed(factory->CreateFormatConverter(converter.put()), "CreateFormatConverter");
  ThrowIfFailed(
      converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                            nullptr, 0.0, WICBitmapPaletteTypeCustom),
      "Converting the picture " + Quoted(path));
  com_ptr<IWICBitmapScaler> scaler;
  ThrowIfFailed(factory->CreateBitmapScaler(scaler.put()), "CreateBitmapScaler");
  ThrowIfFailed(scaler->Initialize(converter.get(), static_cast<UINT>(size_.width),
                                   static_cast<UINT>(size_.height), WICBitmapInterpolationModeFant),
                "Scaling the picture " + Quoted(path));
  const UINT stride = static_cast<UINT>(size_.width) * 4;
  ThrowIfFailed(scaler->CopyPixels(nullptr, stride, stride * static_cast<UINT>(size_.height),
                                   static_cast<BYTE*>(bits_)),
                "Reading the picture " + Quoted(path));
  ::GdiFlush();
}

void HostBitmap::HandTo(HBITMAP& hostBitmap) noexcept {
  const unique_hbitmap former(std::exchange(hostBitmap, bitmap_.release()));
  bits_ = nullptr;
}

}  // namespace zge::win32
