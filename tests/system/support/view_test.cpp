#include "support/view_test.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <stdexcept>

#include "support/win_error.h"

namespace zge::test {

using Microsoft::WRL::ComPtr;

void ViewTest::SetUp() {
  SystemTest::SetUp();
  LoadPanelAndWaitForView();
  panel_ = FindPanel(Host().Parent());
  ASSERT_NE(panel_, nullptr);
  // Google Earth 4.3 and later size their view through the main window,
  // which the panel sizes on every size change after the adoption.
  ASSERT_TRUE(MoveWindow(Host().Parent(), 0, 0, kPanelWidth, kPanelHeight, TRUE));
  const RECT client = ClientRectOf(panel_);
  ASSERT_EQ(client.right, kPanelWidth);
  ASSERT_EQ(client.bottom, kPanelHeight);
  const RECT view = ClientRectOf(EarthClient::Connect().RenderWindow());
  ASSERT_TRUE(EqualRect(&view, &client))
      << "the view is " << view.right << " x " << view.bottom << ", not the panel's size";
}

std::size_t ViewTest::JournalMark() {
  StandInJournal().Poll();
  return StandInJournal().Entries().size();
}

std::vector<std::string> ViewTest::JournalSince(std::size_t mark) {
  StandInJournal().Poll();
  std::vector<std::string> calls;
  const auto& entries = StandInJournal().Entries();
  for (std::size_t i = mark; i < entries.size(); ++i) calls.push_back(entries[i].call);
  return calls;
}

std::string ViewTest::LastCameraMove() {
  StandInJournal().Poll();
  const auto& entries = StandInJournal().Entries();
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->call.rfind("SetCameraParams(", 0) == 0) return entry->call;
  }
  return {};
}

void ViewTest::PlaceCursor(int x, int y) const {
  POINT point{x, y};
  ThrowIfFalse(ClientToScreen(panel_, &point), "ClientToScreen");
  ThrowIfFalse(SetCursorPos(point.x, point.y), "SetCursorPos");
}

namespace {

Picture CopyPixels(IWICBitmapSource* source) {
  ComPtr<IWICImagingFactory> factory;
  ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&factory)),
                "CoCreateInstance(WICImagingFactory)");
  ComPtr<IWICFormatConverter> converter;
  ThrowIfFailed(factory->CreateFormatConverter(&converter), "CreateFormatConverter");
  ThrowIfFailed(converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                      nullptr, 0.0, WICBitmapPaletteTypeCustom),
                "IWICFormatConverter::Initialize");
  UINT width = 0;
  UINT height = 0;
  ThrowIfFailed(converter->GetSize(&width, &height), "GetSize");
  Picture picture{static_cast<int>(width), static_cast<int>(height), {}};
  picture.pixels.resize(static_cast<std::size_t>(width) * height);
  ThrowIfFailed(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                      reinterpret_cast<BYTE*>(picture.pixels.data())),
                "CopyPixels");
  for (std::uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFF;
  return picture;
}

}  // namespace

Picture ReadPicture(const std::filesystem::path& file) {
  ComPtr<IWICImagingFactory> factory;
  ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&factory)),
                "CoCreateInstance(WICImagingFactory)");
  ComPtr<IWICBitmapDecoder> decoder;
  ThrowIfFailed(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                   WICDecodeMetadataCacheOnDemand, &decoder),
                "CreateDecoderFromFilename");
  ComPtr<IWICBitmapFrameDecode> frame;
  ThrowIfFailed(decoder->GetFrame(0, &frame), "GetFrame");
  return CopyPixels(frame.Get());
}

Picture ReadBitmap(HBITMAP bitmap) {
  ComPtr<IWICImagingFactory> factory;
  ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&factory)),
                "CoCreateInstance(WICImagingFactory)");
  ComPtr<IWICBitmap> source;
  ThrowIfFailed(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source),
                "CreateBitmapFromHBITMAP");
  return CopyPixels(source.Get());
}

}  // namespace zge::test
