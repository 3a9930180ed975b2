#include "pictures.h"

#include <wincodec.h>

#include "chart.h"

namespace demo {

void WritePng(HBITMAP bitmap, const std::filesystem::path& file) {
  IWICImagingFactory* factory = nullptr;
  CheckHr(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, reinterpret_cast<void**>(&factory)),
          "CoCreateInstance(WICImagingFactory)");
  const ComRelease<IWICImagingFactory> ownedFactory(factory);
  IWICBitmap* source = nullptr;
  CheckHr(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source),
          "CreateBitmapFromHBITMAP");
  const ComRelease<IWICBitmap> ownedSource(source);
  IWICStream* stream = nullptr;
  CheckHr(factory->CreateStream(&stream), "CreateStream");
  const ComRelease<IWICStream> ownedStream(stream);
  CheckHr(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE), "InitializeFromFilename");
  IWICBitmapEncoder* encoder = nullptr;
  CheckHr(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), "CreateEncoder");
  const ComRelease<IWICBitmapEncoder> ownedEncoder(encoder);
  CheckHr(encoder->Initialize(stream, WICBitmapEncoderNoCache), "IWICBitmapEncoder::Initialize");
  IWICBitmapFrameEncode* frame = nullptr;
  CheckHr(encoder->CreateNewFrame(&frame, nullptr), "CreateNewFrame");
  const ComRelease<IWICBitmapFrameEncode> ownedFrame(frame);
  CheckHr(frame->Initialize(nullptr), "IWICBitmapFrameEncode::Initialize");
  CheckHr(frame->WriteSource(source, nullptr), "WriteSource");
  CheckHr(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  CheckHr(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

namespace {

RECT ChildRect(HWND frame, HWND child) {
  RECT rect{};
  if (!GetWindowRect(child, &rect)) {
    FailWithLastError("GetWindowRect");
  }
  // Two points: the rectangle's corners. 0 is also a valid result (no
  // offset), so the call's own result tells nothing here.
  static_cast<void>(MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rect), 2));
  return rect;
}

}  // namespace

// The whole host window as a picture: the chart drawn again, the Earth
// view from the plug-in's bitmap (Google Earth's own picture: under Wine
// the embedded view's pixels never reach a screen capture), the status line.
void SaveHostPicture(const HostWindows& windows, const HostState& state, HBITMAP earth,
                     const std::filesystem::path& file) {
  RECT client{};
  if (!GetClientRect(windows.frame.get(), &client)) {
    FailWithLastError("GetClientRect");
  }
  const WindowDc screen(windows.frame.get());
  const UniqueMemoryDc dc(ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
  const UniqueBitmap picture(ThrowIfNull(
      CreateCompatibleBitmap(screen.Get(), client.right, client.bottom), "CreateCompatibleBitmap"));
  {
    const Selection selected(dc.get(), picture.get());
    static_cast<void>(FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE)));
    const RECT chart = ChildRect(windows.frame.get(), windows.chart);
    const RECT pane = ChildRect(windows.frame.get(), windows.pane);
    {
      const UniqueMemoryDc part(
          ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
      const UniqueBitmap chartBitmap(ThrowIfNull(
          CreateCompatibleBitmap(screen.Get(), chart.right - chart.left, chart.bottom - chart.top),
          "CreateCompatibleBitmap"));
      const Selection chartSelected(part.get(), chartBitmap.get());
      DrawChart(part.get(), chart.right - chart.left, chart.bottom - chart.top, state);
      if (!BitBlt(dc.get(), chart.left, chart.top, chart.right - chart.left,
                  chart.bottom - chart.top, part.get(), 0, 0, SRCCOPY)) {
        FailWithLastError("BitBlt");
      }
    }
    if (earth != nullptr) {
      const UniqueMemoryDc part(
          ThrowIfNull(CreateCompatibleDC(screen.Get()), "CreateCompatibleDC"));
      const Selection earthSelected(part.get(), earth);
      BITMAP info{};
      if (GetObjectW(earth, sizeof info, &info) == 0) {
        FailWithLastError("GetObjectW");
      }
      static_cast<void>(SetStretchBltMode(dc.get(), HALFTONE));
      if (!StretchBlt(dc.get(), pane.left, pane.top, pane.right - pane.left, pane.bottom - pane.top,
                      part.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY)) {
        FailWithLastError("StretchBlt");
      }
    }
    static_cast<void>(SetBkMode(dc.get(), TRANSPARENT));
    const RECT status = ChildRect(windows.frame.get(), windows.status);
    Label(dc.get(), status.left + 4, status.top + 3, state.status, RGB(0, 0, 0));
  }
  WritePng(picture.get(), file);
}

}  // namespace demo
