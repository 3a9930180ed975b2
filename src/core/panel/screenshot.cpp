// Pictures of the view, and the view placemark file.
#include <memory>
#include <string>
#include <utility>

#include "base/error.h"
#include "kml/view_placemark.h"
#include "panel/ge_panel.h"

namespace zge {
namespace {

constexpr std::int32_t kScreenShotQuality = 100;
// HRESULT_FROM_WIN32(ERROR_NOT_READY).
constexpr std::int32_t kNotReady = static_cast<std::int32_t>(0x80070015);

// A file of ours that goes when the scope ends, whatever happened in it.
class TemporaryFile {
 public:
  TemporaryFile(platform::Files& files, std::string path) : files_(files), path_(std::move(path)) {}
  ~TemporaryFile() { static_cast<void>(files_.DeleteFile(path_)); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }

 private:
  platform::Files& files_;
  std::string path_;
};

}  // namespace

void TGEPanel::ScreenShot(platform::Bitmap& bitmap) {
  const Size size = window_->ClientSize();
  bitmap.SetSize(size);
  bitmap.CopyFromWindow(window_->Handle(), Rect{0, 0, size.width, size.height});
}

void TGEPanel::ScreenShot(const std::u16string& fileName) {
  if (!ReadyToMove()) {
    return;
  }
  // The file is Google Earth's business: a failure leaves no file, and the
  // host learns of it only by looking.
  try {
    GetApplicationGE().SaveScreenShot(fileName, kScreenShotQuality);
  } catch (const Error&) {
  }
}

void TGEPanel::EarthScreenShot(platform::Bitmap& bitmap) {
  if (!ReadyToMove()) {
    throw Error(kNotReady, "Google Earth's view is not embedded yet");
  }
  platform::Files& files = platform_.files;
  files.CreateDirectory(FTempPath);
  // Google Earth writes into a file of its own name, told apart by content.
  const TemporaryFile picture(files, files.CreateUniqueFile(FTempPath, "zge"));
  GetApplicationGE().SaveScreenShot(platform_.codePage.ToWide(picture.Path()), kScreenShotQuality);
  bitmap.SetSize(window_->ClientSize());
  bitmap.DrawImageFile(picture.Path());
}

bool TGEPanel::SaveKMLToFile(const std::string& fileName) {
  if (!ReadyToRead()) {
    return false;
  }
  // Every value is read before the file is touched: a failed read leaves
  // the file as it was.
  kml::ViewPlacemark view;
  {
    const std::unique_ptr<earth::CameraInfoGE> camera = GetApplicationGE().GetCamera(false);
    if (camera == nullptr) {
      return false;
    }
    view.latitude = camera->FocusPointLatitude();
    view.longitude = camera->FocusPointLongitude();
  }
  view.range = GetRange();
  view.tilt = GetTilt();
  platform_.files.WriteFile(fileName, kml::ViewPlacemarkFile(view));
  return true;
}

}  // namespace zge
