#include "render/embedded_data.h"

#include <windows.h>

#include <wincodec.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/error.h"
#include "model/result_codes.h"
#include "model/text.h"
#include "platform/com_types.h"
#include "platform/win32_error.h"

namespace standin {
namespace {

// Resource memory belongs to the module and lives as long as it does.
std::span<const std::byte> ResourceBytes(const wchar_t* name) {
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (found == nullptr) {
    ThrowLastError("FindResource");
  }
  const HGLOBAL loaded = ThrowLastErrorIfNull(LoadResource(module, found), "LoadResource");
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(module, found);
  if (bytes == nullptr || size == 0) {
    throw Error(codes::kFail, "the resource is empty");
  }
  return {static_cast<const std::byte*>(bytes), size};
}

SurfaceImage DecodeImage(std::span<const std::byte> jpeg) {
  com_ptr<IWICImagingFactory> factory;
  ThrowIfFailed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 __uuidof(IWICImagingFactory), factory.put_void()),
                "creating the WIC imaging factory");
  com_ptr<IWICStream> stream;
  ThrowIfFailed(factory->CreateStream(stream.put()), "IWICImagingFactory::CreateStream");
  // WIC only reads the memory; the parameter is not const in its signature.
  ThrowIfFailed(
      stream->InitializeFromMemory(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(jpeg.data())),
                                   static_cast<DWORD>(jpeg.size())),
      "IWICStream::InitializeFromMemory");
  com_ptr<IWICBitmapDecoder> decoder;
  ThrowIfFailed(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                 WICDecodeMetadataCacheOnDemand, decoder.put()),
                "IWICImagingFactory::CreateDecoderFromStream");
  com_ptr<IWICBitmapFrameDecode> frame;
  ThrowIfFailed(decoder->GetFrame(0, frame.put()), "IWICBitmapDecoder::GetFrame");
  com_ptr<IWICBitmapSource> converted;
  ThrowIfFailed(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), converted.put()),
                "WICConvertBitmapSource");
  UINT width = 0;
  UINT height = 0;
  ThrowIfFailed(converted->GetSize(&width, &height), "IWICBitmapSource::GetSize");
  constexpr UINT kLargestSide = 16384;
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
    throw Error(codes::kFail, "the surface image has an unusable size");
  }
  // 32bpp BGR rows in memory are 0x00RRGGBB values on a little-endian machine.
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  ThrowIfFailed(converted->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                      reinterpret_cast<BYTE*>(pixels.data())),
                "IWICBitmapSource::CopyPixels");
  return SurfaceImage(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
}

void ReportMissing(const char* what, const Error& error) {
  const std::u16string text =
      ToUtf16(std::string("EarthStandIn: ") + what +
              " cannot be used, the globe is painted without it: " + error.what() + "\n");
  OutputDebugStringW(reinterpret_cast<const wchar_t*>(text.c_str()));
}

// Runs decode once; a failure is reported and remembered as nothing.
template <class T, class Decode>
std::optional<T> DecodeOnce(const char* what, Decode decode) {
  try {
    return decode();
  } catch (const Error& error) {
    ReportMissing(what, error);
    return std::nullopt;
  }
}

}  // namespace

const SurfaceColours* EmbeddedSurfaceColours() {
  static const std::optional<SurfaceColours> colours = [] {
    const SurfaceImage* surface = EmbeddedSurface();
    const Coastlines* coastlines = EmbeddedCoastlines();
    return surface && coastlines
               ? std::optional<SurfaceColours>(std::in_place, *surface, coastlines->land)
               : std::nullopt;
  }();
  return colours ? &*colours : nullptr;
}

const Coastlines* EmbeddedCoastlines() {
  static const std::optional<Coastlines> coastlines = DecodeOnce<Coastlines>(
      "the coastline data",
      [] { return DecodeCoastlines(ResourceBytes(L"COASTLINES"), CoastLayers::kWorld); });
  return coastlines ? &*coastlines : nullptr;
}

const Coastlines* EmbeddedCoasts() {
  static const std::optional<Coastlines> coasts = DecodeOnce<Coastlines>(
      "the coastline data's coasts",
      [] { return DecodeCoastlines(ResourceBytes(L"COASTLINES"), CoastLayers::kCoasts); });
  return coasts ? &*coasts : nullptr;
}

const SurfaceImage* EmbeddedSurface() {
  static const std::optional<SurfaceImage> surface = DecodeOnce<SurfaceImage>(
      "the surface image", [] { return DecodeImage(ResourceBytes(L"EARTH_SURFACE")); });
  return surface ? &*surface : nullptr;
}

}  // namespace standin
