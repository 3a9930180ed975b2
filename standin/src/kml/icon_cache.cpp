#include "kml/icon_cache.h"

#include <windows.h>

#include <wincodec.h>
#include <winhttp.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <thread>
#include <utility>
#include <vector>

#include "platform/com_types.h"

namespace standin {
namespace {

// WIC wants COM on the thread that decodes; the render and COM threads
// have it already, a test's thread may not.
class ComForThisCall {
 public:
  ComForThisCall() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
  ComForThisCall(const ComForThisCall&) = delete;
  ComForThisCall& operator=(const ComForThisCall&) = delete;
  ~ComForThisCall() {
    if (SUCCEEDED(result_)) {
      CoUninitialize();
    }
  }

 private:
  HRESULT result_;
};

std::shared_ptr<const RasterImage> Decode(std::span<const std::byte> bytes, int maxSide) {
  if (bytes.empty() || bytes.size() > kMaxImageFileBytes) {
    return nullptr;
  }
  const ComForThisCall com;
  com_ptr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IWICImagingFactory), factory.put_void()))) {
    return nullptr;
  }
  com_ptr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(
          const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bytes.data())),
          static_cast<DWORD>(bytes.size())))) {
    return nullptr;
  }
  com_ptr<IWICBitmapDecoder> decoder;
  com_ptr<IWICBitmapFrameDecode> frame;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.put())) ||
      FAILED(decoder->GetFrame(0, frame.put()))) {
    return nullptr;
  }
  UINT width = 0;
  UINT height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0 ||
      static_cast<unsigned long long>(width) * height > kMaxSourcePixels) {
    return nullptr;
  }
  com_ptr<IWICBitmapSource> source;
  if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.get(), source.put()))) {
    return nullptr;
  }
  const double shrink =
      std::min(1.0, static_cast<double>(maxSide) / static_cast<double>(std::max(width, height)));
  const UINT outWidth = std::max(1U, static_cast<UINT>(std::lround(width * shrink)));
  const UINT outHeight = std::max(1U, static_cast<UINT>(std::lround(height * shrink)));
  if (outWidth != width || outHeight != height) {
    com_ptr<IWICBitmapScaler> scaler;
    if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
        FAILED(scaler->Initialize(source.get(), outWidth, outHeight,
                                  WICBitmapInterpolationModeFant))) {
      return nullptr;
    }
    source = com_ptr<IWICBitmapSource>(scaler.detach());
  }
  auto image = std::make_shared<RasterImage>();
  image->width = static_cast<int>(outWidth);
  image->height = static_cast<int>(outHeight);
  image->sourceWidth = static_cast<int>(width);
  image->sourceHeight = static_cast<int>(height);
  image->pixels.resize(static_cast<std::size_t>(outWidth) * outHeight);
  if (FAILED(source->CopyPixels(nullptr, outWidth * 4, static_cast<UINT>(image->pixels.size() * 4),
                                reinterpret_cast<BYTE*>(image->pixels.data())))) {
    return nullptr;
  }
  return image;
}

std::size_t BytesOf(const ImageSlot& slot) {
  const auto image = slot.Get();
  return image ? image->pixels.size() * sizeof(std::uint32_t) : 0;
}

std::u16string KeyOf(const std::u16string& key, int maxSide) {
  return key + u"|" + (maxSide == kMaxIconSide ? u"icon" : u"overlay");
}

class unique_internet {
 public:
  explicit unique_internet(HINTERNET handle = nullptr) : handle_(handle) {}
  unique_internet(const unique_internet&) = delete;
  unique_internet& operator=(const unique_internet&) = delete;
  ~unique_internet() {
    if (handle_) {
      WinHttpCloseHandle(handle_);
    }
  }
  [[nodiscard]] HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

// The body of a GET through the system's HTTP stack; empty on any failure
// or a status other than 200, or a body larger than an image may be.
std::vector<std::byte> HttpGet(const std::u16string& url) {
  const auto* wide = reinterpret_cast<const wchar_t*>(url.c_str());
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  std::wstring host(256, L'\0');
  std::wstring path(2048, L'\0');
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  std::wstring extra(2048, L'\0');
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!WinHttpCrackUrl(wide, 0, 0, &parts)) {
    return {};
  }
  host.resize(parts.dwHostNameLength);
  path.resize(parts.dwUrlPathLength);
  path += extra.substr(0, parts.dwExtraInfoLength);
  const unique_internet session(WinHttpOpen(L"EarthStandIn/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                            WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) {
    return {};
  }
  WinHttpSetTimeouts(session.get(), 5000, 5000, 10000, 10000);
  const unique_internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  if (!connection) {
    return {};
  }
  const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  const unique_internet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                   flags));
  if (!request ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return {};
  }
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status != 200) {
    return {};
  }
  std::vector<std::byte> body;
  while (true) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available) || available == 0) {
      break;
    }
    if (body.size() + available > kMaxImageFileBytes) {
      return {};
    }
    const std::size_t at = body.size();
    body.resize(at + available);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), body.data() + at, available, &read)) {
      return {};
    }
    body.resize(at + read);
  }
  return body;
}

// One thread fetches the network images, one after the other, so a page
// of placemarks with a hundred icons opens no hundred connections.
class RemoteFetcher {
 public:
  RemoteFetcher() = default;
  RemoteFetcher(const RemoteFetcher&) = delete;
  RemoteFetcher& operator=(const RemoteFetcher&) = delete;
  ~RemoteFetcher() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
      thread_.join();
    }
  }

  void Fetch(std::u16string url, int maxSide, std::shared_ptr<ImageSlot> slot) {
    const std::lock_guard lock(mutex_);
    if (queue_.size() >= kMaxCachedImages) {
      return;  // stays a pushpin
    }
    queue_.push_back({std::move(url), maxSide, std::move(slot)});
    if (!thread_.joinable()) {
      thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
  }

 private:
  struct Job {
    std::u16string url;
    int maxSide;
    std::shared_ptr<ImageSlot> slot;
  };

  void Run() noexcept {
    while (true) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) {
          return;
        }
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      try {
        const std::vector<std::byte> body = HttpGet(job.url);
        job.slot->Set(DecodeImage(body, job.maxSide));
        ImageCache::Shared().Arrived();
      } catch (...) {
        // Out of memory for one image: it stays a pushpin.
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stop_ = false;
  std::thread thread_;
};

RemoteFetcher& Fetcher() {
  static RemoteFetcher fetcher;
  return fetcher;
}

}  // namespace

std::shared_ptr<const RasterImage> DecodeImage(std::span<const std::byte> bytes,
                                               int maxSide) noexcept {
  try {
    return Decode(bytes, std::clamp(maxSide, 1, kMaxOverlaySide));
  } catch (...) {
    return nullptr;  // out of memory for the pixels: no image
  }
}

ImageCache::~ImageCache() = default;

void ImageCache::SetOnArrived(std::function<void()> onArrived) {
  const std::lock_guard lock(mutex_);
  onArrived_ = std::move(onArrived);
}

void ImageCache::Arrived() const {
  std::function<void()> onArrived;
  {
    const std::lock_guard lock(mutex_);
    onArrived = onArrived_;
  }
  if (onArrived) {
    onArrived();
  }
}

ImageCache& ImageCache::Shared() {
  static ImageCache cache;
  return cache;
}

std::shared_ptr<const ImageSlot> ImageCache::Find(const std::u16string& key, int maxSide) {
  const std::lock_guard lock(mutex_);
  const auto found = entries_.find(KeyOf(key, maxSide));
  if (found == entries_.end()) {
    return nullptr;
  }
  recent_.splice(recent_.begin(), recent_, found->second.recent);
  return found->second.slot;
}

void ImageCache::Keep(const std::u16string& key, int maxSide,
                      std::shared_ptr<const ImageSlot> slot) {
  const std::lock_guard lock(mutex_);
  const std::u16string full = KeyOf(key, maxSide);
  if (entries_.contains(full)) {
    return;
  }
  recent_.push_front(full);
  entries_.emplace(full, Entry{std::move(slot), recent_.begin()});
  Trim();
}

void ImageCache::Trim() {
  std::size_t bytes = 0;
  for (const auto& [key, entry] : entries_) {
    bytes += BytesOf(*entry.slot);
  }
  while (!recent_.empty() && (entries_.size() > kMaxCachedImages || bytes > kMaxCachedBytes)) {
    const auto oldest = entries_.find(recent_.back());
    bytes -= BytesOf(*oldest->second.slot);
    entries_.erase(oldest);
    recent_.pop_back();
  }
}

std::shared_ptr<const ImageSlot> ImageCache::Remote(const std::u16string& url, int maxSide) {
  if (auto cached = Find(url, maxSide)) {
    return cached;
  }
  auto slot = std::make_shared<ImageSlot>();
  Fetcher().Fetch(url, maxSide, slot);
  Keep(url, maxSide, slot);
  return slot;
}

}  // namespace standin
