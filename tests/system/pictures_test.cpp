// Pictures of the view and the view placemark file, against the stand-in.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/view_test.h"
#include "support/win_error.h"

namespace zge::test {
namespace {

using PicturesTest = ViewTest;

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0) {
    return {0, 0};
  }
  return {info.bmWidth, info.bmHeight};
}

// Files ZelkanGE keeps in its temporary folder other than KML documents.
int LeftoverPictures() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::filesystem::path folder = std::filesystem::path(temp) / L"ZelkanGE";
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() != L".kml") {
      ++count;
    }
  }
  return count;
}

TEST_F(PicturesTest, GetImageGEResizesTheHostsBitmapToThePanel) {
  HBITMAP bitmap = CreateBitmap(31, 17, 1, 32, nullptr);
  ASSERT_NE(bitmap, nullptr);
  const HBITMAP former = bitmap;
  Api().GetImageGE(&bitmap);
  ASSERT_NE(bitmap, nullptr) << ReadLastError(Api()).text;
  const SIZE size = BitmapSize(bitmap);
  EXPECT_EQ(size.cx, kPanelWidth);
  EXPECT_EQ(size.cy, kPanelHeight);
  EXPECT_NE(bitmap, former);
  EXPECT_EQ(BitmapSize(former).cx, 0) << "the host's former bitmap was not deleted";
  DeleteObject(bitmap);

  HBITMAP none = nullptr;  // a host without a bitmap yet gets one
  Api().GetImageGE(&none);
  EXPECT_EQ(BitmapSize(none).cx, kPanelWidth);
  DeleteObject(none);
}

TEST_F(PicturesTest, TheCanvasIsThePanelsOwnDrawingSurfaceForItsWholeLife) {
  const HDC canvas = Api().CanvasGE();
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(WindowFromDC(canvas), Panel());
  Api().SynchronizeView(5000, 1, 2, 3);
  EXPECT_EQ(Api().CanvasGE(), canvas);
}

TEST_F(PicturesTest, GoogleEarthsOwnPictureFillsTheHostsBitmapAndLeavesNoFile) {
  Api().SynchronizeView(300000, 36.0, -5.5, 0);
  const std::filesystem::path file = TempDir() / L"view.png";
  Api().SaveImageGE(file.c_str());
  const Picture saved = Picture::OfFile(file);
  ASSERT_EQ(saved.Width(), kPanelWidth);
  ASSERT_EQ(saved.Height(), kPanelHeight);

  HBITMAP bitmap = nullptr;
  ASSERT_EQ(Api().ZgeGetEarthImage(&bitmap), 1) << ReadLastError(Api()).text;
  const Picture got = Picture::OfBitmap(bitmap);
  DeleteObject(bitmap);
  ASSERT_EQ(got.Width(), kPanelWidth);
  ASSERT_EQ(got.Height(), kPanelHeight);
  // The same view, through a JPEG at quality 100: close, pixel for pixel.
  double difference = 0;
  for (int y = 0; y < got.Height(); ++y) {
    for (int x = 0; x < got.Width(); ++x) {
      const COLORREF mine = got.At(x, y);
      const COLORREF earths = saved.At(x, y);
      difference += std::abs(GetRValue(mine) - GetRValue(earths)) +
                    std::abs(GetGValue(mine) - GetGValue(earths)) +
                    std::abs(GetBValue(mine) - GetBValue(earths));
    }
  }
  EXPECT_LT(difference / (3.0 * kPanelWidth * kPanelHeight), 4.0);
  EXPECT_EQ(LeftoverPictures(), 0);
}

TEST_F(SystemTest, BeforeEmbeddingNoPictureIsTakenAndTheEarthPictureSaysWhy) {
  StandInConfig config;
  config.mainWindowDelayMs = 60000;
  ConfigureStandIn(config);
  LoadPanel();
  ASSERT_TRUE(WaitForJournal("GetMainHwnd()"));
  const std::filesystem::path file = TempDir() / L"early.png";
  Api().SaveImageGE(file.c_str());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(StandInJournal().Text().find("SaveScreenShot"), std::string::npos);

  HBITMAP bitmap = nullptr;
  EXPECT_EQ(Api().ZgeGetEarthImage(&bitmap), 0);
  EXPECT_EQ(bitmap, nullptr);
  EXPECT_EQ(ReadLastError(Api()).code, static_cast<std::int32_t>(0x80070015));
  EXPECT_EQ(Api().ZgeSaveKMLToFile((TempDir() / "early.kml").string().c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(TempDir() / "early.kml"));
}

constexpr char kExpectedPlacemark[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<kml xmlns=\"http://earth.google.com/kml/2.2\">\r\n"
    "<Placemark>\r\n"
    "<LookAt>\r\n"
    "<longitude>-.1275</longitude>\r\n"
    "<latitude>48.8584</latitude>\r\n"
    "<range>1700.5</range>\r\n"
    "<tilt>0</tilt>\r\n"
    "</LookAt>\r\n"
    "<styleUrl>root://styleMaps#default+nicon=0x307+hicon=0x317</styleUrl>\r\n"
    "<Style>\r\n"
    "<IconStyle>\r\n"
    "<Icon>\r\n"
    "<href>root://icons/palette-3.png</href>\r\n"
    "<x>96</x>\r\n"
    "<y>128</y>\r\n"
    "<w>32</w>\r\n"
    "<h>32</h>\r\n"
    "</Icon>\r\n"
    "</IconStyle>\r\n"
    "</Style>\r\n"
    "<Point>\r\n"
    "<coordinates>\r\n"
    "-.1275,\r\n"
    "48.8584,\r\n"
    "0\r\n"
    "</coordinates>\r\n"
    "</Point>\r\n"
    "</Placemark>\r\n"
    "</kml>\r\n";

// Restores the process's C locale when the test ends.
class CommaLocale {
 public:
  CommaLocale() : saved_(std::setlocale(LC_ALL, nullptr)) {
    if (std::setlocale(LC_ALL, "German_Germany.1252") == nullptr) {
      std::setlocale(LC_ALL, "de-DE");
    }
  }
  ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  static char DecimalPoint() { return *std::localeconv()->decimal_point; }

 private:
  std::string saved_;
};

TEST_F(PicturesTest, TheViewPlacemarkIsByteForByteTheSameUnderACommaLocale) {
  Api().SynchronizeView(2000.588235294118, 48.85837, -0.1275, 0);
  const CommaLocale locale;
  ASSERT_EQ(CommaLocale::DecimalPoint(), ',') << "the host could not select a comma locale";
  const std::filesystem::path file = TempDir() / "view.kml";
  WriteBytes(file, std::string(5000, 'x'));  // an older, longer file
  ASSERT_EQ(Api().ZgeSaveKMLToFile(file.string().c_str()), 1) << ReadLastError(Api()).text;
  EXPECT_EQ(ReadBytes(file), kExpectedPlacemark);
}

TEST_F(PicturesTest, AFailedWriteKeepsTheUsersFileAndSaysWhy) {
  const std::filesystem::path file = TempDir() / "kept.kml";
  WriteBytes(file, "the user's view");
  // Another program has the file open and lets nobody replace it.
  const UniqueHandle open(CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(open.get(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Api().ZgeSaveKMLToFile(file.string().c_str()), 0);
  const LastError error = ReadLastError(Api());
  EXPECT_NE(error.code, 0);
  EXPECT_NE(error.text.find("kept.kml"), std::string::npos) << error.text;
  EXPECT_EQ(ReadBytes(file), "the user's view");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(TempDir())) {
    ++files;
  }
  EXPECT_EQ(files, 2)
      << "a half-written file was left beside the user's (the journal is the other)";
}

TEST_F(SystemTest, AFailedReadWritesNothingAndTheUsersFileStays) {
  StandInConfig config;
  config.failMembers = L"Camera.Tilt:0x80004005";
  ConfigureStandIn(config);
  LoadPanelAndWaitForView();
  const std::filesystem::path file = TempDir() / "kept.kml";
  WriteBytes(file, "the user's view");
  EXPECT_EQ(Api().ZgeSaveKMLToFile(file.string().c_str()), 0);
  EXPECT_EQ(ReadLastError(Api()).code, static_cast<std::int32_t>(0x80004005));
  EXPECT_EQ(ReadBytes(file), "the user's view");
}

}  // namespace
}  // namespace zge::test
