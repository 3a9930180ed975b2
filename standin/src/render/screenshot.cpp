#include "render/screenshot.h"

#include <windows.h>

#include <ocidl.h>
#include <wincodec.h>

#include <vector>

#include "model/error.h"
#include "model/journal.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/com_types.h"

namespace standin {
namespace {

bool EndsWithPng(const std::u16string& path) {
  return path.size() >= 4 &&
         EqualsIgnoringAsciiCase(std::u16string_view(path).substr(path.size() - 4), u".png");
}

// The encoding, with every failure a standin::Error carrying its code.
void Encode(IWICImagingFactory& factory, const std::u16string& path, bool png, std::int32_t quality,
            const GlobeImage& image) {
  com_ptr<IWICStream> stream;
  ThrowIfFailed(factory.CreateStream(stream.put()), "IWICImagingFactory::CreateStream");
  ThrowIfFailed(
      stream->InitializeFromFilename(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE),
      "creating the file");

  com_ptr<IWICBitmapEncoder> encoder;
  ThrowIfFailed(factory.CreateEncoder(png ? GUID_ContainerFormatPng : GUID_ContainerFormatJpeg,
                                      nullptr, encoder.put()),
                "IWICImagingFactory::CreateEncoder");
  ThrowIfFailed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache),
                "IWICBitmapEncoder::Initialize");

  com_ptr<IWICBitmapFrameEncode> frame;
  com_ptr<IPropertyBag2> options;
  ThrowIfFailed(encoder->CreateNewFrame(frame.put(), options.put()),
                "IWICBitmapEncoder::CreateNewFrame");
  if (!png && options) {
    PROPBAG2 option{};
    std::wstring name = L"ImageQuality";
    option.pstrName = name.data();
    unique_variant value;
    V_VT(value.addressof()) = VT_R4;
    V_R4(value.addressof()) = static_cast<float>(quality) / 100.0F;
    ThrowIfFailed(options->Write(1, &option, value.addressof()), "setting the JPEG quality");
  }
  ThrowIfFailed(frame->Initialize(options.get()), "IWICBitmapFrameEncode::Initialize");
  const auto width = static_cast<UINT>(image.Width());
  const auto height = static_cast<UINT>(image.Height());
  ThrowIfFailed(frame->SetSize(width, height), "IWICBitmapFrameEncode::SetSize");
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  ThrowIfFailed(frame->SetPixelFormat(&format), "IWICBitmapFrameEncode::SetPixelFormat");
  if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
    throw Error(codes::kFail, "the encoder does not take 24-bit BGR pixels");
  }

  const UINT stride = (width * 3 + 3) & ~3U;
  std::vector<BYTE> rows(static_cast<std::size_t>(stride) * height);
  const auto pixels = image.Pixels();
  for (UINT y = 0; y < height; ++y) {
    BYTE* row = rows.data() + static_cast<std::size_t>(y) * stride;
    for (UINT x = 0; x < width; ++x) {
      const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
      row[x * 3 + 0] = static_cast<BYTE>(pixel & 0xFF);
      row[x * 3 + 1] = static_cast<BYTE>((pixel >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<BYTE>((pixel >> 16) & 0xFF);
    }
  }
  ThrowIfFailed(frame->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data()),
                "IWICBitmapFrameEncode::WritePixels");
  ThrowIfFailed(frame->Commit(), "IWICBitmapFrameEncode::Commit");
  ThrowIfFailed(encoder->Commit(), "IWICBitmapEncoder::Commit");
}

}  // namespace

void WriteScreenShot(const std::u16string& path, std::int32_t quality, const GlobeImage& image) {
  const std::string quoted = JournalString(path);
  if (path.empty()) {
    throw Error(codes::kInvalidArg, "SaveScreenShot: the file name is empty");
  }
  if (quality < 0 || quality > 100) {
    throw Error(codes::kInvalidArg, "SaveScreenShot: quality " + JournalNumber(quality) +
                                        " is outside 0..100 (file " + quoted + ")");
  }
  com_ptr<IWICImagingFactory> factory;
  ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IWICImagingFactory), factory.put_void()),
                "creating the WIC imaging factory");
  const bool existed =
      GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.c_str())) != INVALID_FILE_ATTRIBUTES;
  std::string failure;
  try {
    Encode(*factory.get(), path, EndsWithPng(path), quality, image);
    return;
  } catch (const Error& error) {
    failure = error.what();
  }
  if (!existed) {
    DeleteFileW(reinterpret_cast<LPCWSTR>(path.c_str()));
  }
  throw Error(codes::kInvalidArg, "SaveScreenShot: cannot write " + quoted + ": " + failure);
}

}  // namespace standin
